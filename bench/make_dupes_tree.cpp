// Writes a tree for the content-check benchmark: GROUPS groups of files with
// one name in two to four top folders (so every group is an exact match),
// real pseudo-random bytes (nothing sparse, nothing compressible), sizes from
// 1 KiB to 1 MiB. Most groups are true copies; some hold a file of the same
// size with other bytes throughout, or differing only in its first block, its
// last block, or one byte in its middle (which only a whole read tells).
//
// Usage: make_dupes_tree DIR [GROUPS]   (default 10,000 groups, about 1.2 GB)
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
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
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        std::fprintf(stderr, "make_dupes_tree: %s: %s\n", path.c_str(), std::strerror(errno));
        return false;
    }
    const bool ok = ::write(fd, bytes.data(), bytes.size()) == static_cast<ssize_t>(bytes.size());
    ::close(fd);
    return ok;
}

enum class Odd { None, Other, FirstBlock, LastBlock, Middle };

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: make_dupes_tree DIR [GROUPS]\n");
        return 2;
    }
    const std::string root = argv[1];
    const long groups = argc > 2 ? std::atol(argv[2]) : 10000;
    for (std::size_t slash = root.find('/', 1); slash != std::string::npos;
         slash = root.find('/', slash + 1)) {
        ::mkdir(root.substr(0, slash).c_str(), 0755);  // the parents first
    }
    ::mkdir(root.c_str(), 0755);
    const char* tops[] = {"a", "b", "c", "d"};
    for (const char* top : tops) {
        ::mkdir((root + "/" + top).c_str(), 0755);
        for (int sub = 0; sub < 100; ++sub) {
            ::mkdir((root + "/" + top + "/" + std::to_string(sub)).c_str(), 0755);
        }
    }
    std::uint64_t random = 12345;
    std::uint64_t files = 0, bytesWritten = 0;
    long odd[5] = {};
    std::vector<char> bytes;
    for (long g = 0; g < groups; ++g) {
        // 65% 1-16 KiB, 31% 16-128 KiB, 4% 128 KiB-1 MiB.
        const std::uint64_t pick = SplitMix(random) % 100;
        const std::uint64_t low = pick < 65 ? 1024 : pick < 96 ? 16384 : 131072;
        const std::uint64_t high = pick < 65 ? 16384 : pick < 96 ? 131072 : 1048576;
        const std::size_t size = low + SplitMix(random) % (high - low);
        const int copies = 2 + (SplitMix(random) % 100 < 25) + (SplitMix(random) % 100 < 5);
        // 80% true copies; the last copy of the others differs.
        const std::uint64_t kind = SplitMix(random) % 100;
        const Odd oddOne = kind < 80   ? Odd::None
                           : kind < 88 ? Odd::Other
                           : kind < 92 ? Odd::FirstBlock
                           : kind < 96 ? Odd::LastBlock
                                       : Odd::Middle;
        ++odd[static_cast<int>(oddOne)];
        // Names of unrelated letters, so close matching pairs no two groups.
        char name[40];
        std::uint64_t letters = SplitMix(random);
        for (int c = 0; c < 12; ++c) {
            name[c] = static_cast<char>('a' + letters % 26);
            letters /= 26;
        }
        std::snprintf(name + 12, sizeof name - 12, "%06ld.bin", g);
        bytes.resize(size);
        Fill(bytes, static_cast<std::uint64_t>(g) * 7919 + 1);
        for (int copy = 0; copy < copies; ++copy) {
            if (copy == copies - 1) {
                switch (oddOne) {
                    case Odd::None:
                        break;
                    case Odd::Other:
                        Fill(bytes, static_cast<std::uint64_t>(g) * 7919 + 2);
                        break;
                    case Odd::FirstBlock:
                        bytes[100] = static_cast<char>(bytes[100] ^ 1);
                        break;
                    case Odd::LastBlock:
                        bytes[size - 100] = static_cast<char>(bytes[size - 100] ^ 1);
                        break;
                    case Odd::Middle:
                        bytes[size / 2] = static_cast<char>(bytes[size / 2] ^ 1);
                        break;
                }
            }
            const std::string path =
                root + "/" + tops[copy] + "/" + std::to_string(g % 100) + "/" + name;
            if (!Write(path, bytes)) {
                return 1;
            }
            ++files;
            bytesWritten += size;
        }
    }
    std::printf(
        "%ld groups, %llu files, %.1f MB; odd copy of the same size: %ld other bytes, %ld first "
        "block, %ld last block, %ld middle only\n",
        groups, static_cast<unsigned long long>(files), bytesWritten / 1e6, odd[1], odd[2], odd[3],
        odd[4]);
    return 0;
}
