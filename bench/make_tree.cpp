// Writes a tree of FILES files spread over FOLDERS folders (ten subfolders a
// level) with realistic names and sparse contents of realistic sizes.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "BenchNames.h"

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: make_tree DIR FILES FOLDERS\n");
        return 2;
    }
    const std::string root = argv[1];
    const std::size_t files = std::strtoull(argv[2], nullptr, 10);
    const std::size_t folders = std::strtoull(argv[3], nullptr, 10);
    // Folder k's parent is folder (k - 1) / 10: a tree ten wide at every level.
    std::vector<std::string> paths{root};
    ::mkdir(root.c_str(), 0755);
    for (std::size_t k = 1; k < folders; ++k) {
        paths.push_back(paths[(k - 1) / 10] + "/d" + std::to_string(k));
        if (::mkdir(paths.back().c_str(), 0755) != 0) {
            std::perror(paths.back().c_str());
            return 1;
        }
    }
    corvane::bench::NameMaker names(11);
    for (std::size_t f = 0; f < files; ++f) {
        auto [name, size] = names.Next();
        const std::string path = paths[f % folders] + "/" + name;
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        if (fd < 0) {
            std::perror(path.c_str());
            return 1;
        }
        if (::ftruncate(fd, size) != 0) {
            std::perror(path.c_str());
        }
        ::close(fd);
    }
    return 0;
}
