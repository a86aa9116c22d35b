// Writes a tree for the Same Contents benchmark: FILES files (default
// 100,000) of real pseudo-random bytes, about 23 KB each on average (about
// 2.3 GB in all), a hundred to a folder in two levels of folders. About 60%
// are originals, 30% renamed copies of an original in another folder and
// 10% near copies: an original's size and bytes with one byte changed in
// its first 4 KiB, its middle or its last 4 KiB. No hidden, empty or linked
// files.
//
// Usage: make_same_tree DIR [FILES]
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::uint64_t SplitMix(std::uint64_t& state) {
    std::uint64_t z = (state += 0x9e3779b97f4a7c15ULL);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
}

void Fill(std::vector<char>& bytes, std::uint64_t seed) {
    std::uint64_t state = seed;
    std::size_t i = 0;
    for (; i + 8 <= bytes.size(); i += 8) {
        const std::uint64_t word = SplitMix(state);
        std::memcpy(bytes.data() + i, &word, 8);
    }
    const std::uint64_t word = SplitMix(state);
    std::memcpy(bytes.data() + i, &word, bytes.size() - i);
}

bool Write(const std::string& path, const std::vector<char>& bytes) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0) {
        std::fprintf(stderr, "make_same_tree: %s: %s\n", path.c_str(), std::strerror(errno));
        return false;
    }
    const bool ok = ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    ::close(fd);
    return ok;
}

// Sizes with a long tail, as in a home folder: most files small, a few
// large ones holding much of the bytes (mean about 23 KB).
std::size_t DrawSize(std::uint64_t& state) {
    const double u = static_cast<double>(SplitMix(state) >> 11) / 9007199254740992.0;
    const double v = static_cast<double>(SplitMix(state) >> 11) / 9007199254740992.0;
    if (u < 0.55) {
        return 100 + static_cast<std::size_t>(v * 8000);  // up to 8 KB
    }
    if (u < 0.94) {
        return static_cast<std::size_t>(8000 * std::pow(8.0, v));  // 8 to 64 KB
    }
    if (u < 0.997) {
        return static_cast<std::size_t>(64000 * std::pow(4.0, v));  // 64 to 256 KB
    }
    return static_cast<std::size_t>(256000 * std::pow(8.0, v));  // 256 KB to 2 MB
}

std::string Folder(const std::string& root, std::size_t k) {
    char name[64];
    std::snprintf(name, sizeof name, "/d%02zu/e%03zu", k / 100 % 100, k % 100);
    return root + name;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: make_same_tree DIR [FILES]\n");
        return 2;
    }
    const std::string root = argv[1];
    const std::size_t files = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 100000;
    const std::size_t folders = (files + 99) / 100;
    ::mkdir(root.c_str(), 0755);
    for (std::size_t k = 0; k < std::min<std::size_t>(folders, 100); ++k) {
        ::mkdir((root + "/d" + (k < 10 ? "0" : "") + std::to_string(k)).c_str(), 0755);
    }
    for (std::size_t k = 0; k < folders; ++k) {
        ::mkdir(Folder(root, k).c_str(), 0755);
    }
    std::uint64_t state = 2026;
    struct Original {
        std::size_t size;
        std::uint64_t seed;
    };
    std::vector<Original> originals;
    std::vector<char> bytes;
    std::uint64_t total = 0;
    for (std::size_t f = 0; f < files; ++f) {
        const std::uint64_t kind = SplitMix(state) % 10;
        char name[80];
        std::size_t from = 0;
        if (originals.empty() || kind < 6) {
            originals.push_back({DrawSize(state), SplitMix(state)});
            from = originals.size() - 1;
            std::snprintf(name, sizeof name, "/IMG_%06zu.jpg", f);
        } else {
            from = SplitMix(state) % originals.size();
            std::snprintf(name, sizeof name,
                          kind < 9 ? "/IMG_%06zu (copy).jpg" : "/IMG_%06zu (edited).jpg", f);
        }
        bytes.resize(originals[from].size);
        Fill(bytes, originals[from].seed);
        if (kind == 9 && !bytes.empty()) {
            const std::size_t size = bytes.size();
            const std::size_t where[3] = {
                SplitMix(state) % std::min<std::size_t>(size, 4096), size / 2,
                size - 1 - SplitMix(state) % std::min<std::size_t>(size, 4096)};
            const std::size_t at = where[SplitMix(state) % 3];
            bytes[at] = static_cast<char>(bytes[at] ^ 0x5a);
        }
        // Copies land in another folder than their original's.
        const std::size_t folder = (f + (kind >= 6 ? folders / 2 : 0)) % folders;
        if (!Write(Folder(root, folder) + name, bytes)) {
            return 1;
        }
        total += bytes.size();
    }
    std::printf("%zu files, %.2f GB\n", files, static_cast<double>(total) / 1e9);
    return 0;
}
