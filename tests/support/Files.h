// Real files for the tests: made, read and looked at by their path bytes.
#pragma once

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/Utf8.h"

namespace corvane::testing {

inline void MakeFolder(const std::string& path) {
    ::mkdir(path.c_str(), 0755);
}

// Creates or truncates the file `path` (mode 0644) and writes `content`.
inline void WriteFile(const std::string& path, const std::string& content = {}) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd >= 0) {
        if (!content.empty()) {
            (void)!::write(fd, content.data(), content.size());
        }
        ::close(fd);
    }
}

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

inline bool Exists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

// Bytes that differ from block to block, so a misplaced read changes a digest.
inline std::string Pattern(std::size_t size, unsigned seed = 1) {
    std::string bytes(size, '\0');
    std::uint32_t x = seed * 2654435761u + 1;
    for (char& c : bytes) {
        x = x * 1664525u + 1013904223u;
        c = static_cast<char>(x >> 24);
    }
    return bytes;
}

inline bool ValidUtf8(const std::string& s) {
    for (std::size_t i = 0; i < s.size();) {
        const std::size_t n = Utf8SequenceLength(s, i);
        if (n == 0) {
            return false;
        }
        i += n;
    }
    return true;
}

}  // namespace corvane::testing
