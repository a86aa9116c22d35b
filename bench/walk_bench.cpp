// The floor for phase 1: a bare walk that reads every folder once with
// readdir and lstats every entry, nothing else.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>

namespace {

std::uint64_t files = 0, bytes = 0;

void Walk(int parent, const char* name) {
    const int fd = ::openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        return;
    }
    DIR* dir = ::fdopendir(fd);
    if (dir == nullptr) {
        ::close(fd);
        return;
    }
    while (const dirent* entry = ::readdir(dir)) {
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) {
            continue;
        }
        struct stat st {};
        if (::fstatat(fd, entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
            continue;
        }
        if (S_ISDIR(st.st_mode)) {
            Walk(fd, entry->d_name);
        } else if (S_ISREG(st.st_mode)) {
            ++files;
            bytes += static_cast<std::uint64_t>(st.st_size);
        }
    }
    ::closedir(dir);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: walk_bench DIR\n");
        return 2;
    }
    Walk(AT_FDCWD, argv[1]);
    std::printf("%llu files, %llu bytes\n", static_cast<unsigned long long>(files),
                static_cast<unsigned long long>(bytes));
    return 0;
}
