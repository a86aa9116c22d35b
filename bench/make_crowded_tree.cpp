// Writes the crowded tree: FILES files (default 200,000), ten to a folder,
// folders ten wide, named and sized as CrowdedNames.h makes them; the files
// are sparse, so the tree takes little room whatever the sizes.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "CrowdedNames.h"

int main(int argc, char** argv) {
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: make_crowded_tree DIR [FILES]\n");
        return 2;
    }
    const std::string root = argv[1];
    const std::size_t files = argc > 2 ? std::strtoull(argv[2], nullptr, 10) : 200000;
    constexpr std::size_t kPerFolder = 10;
    corvane::bench::CrowdedNames names(11);
    for (std::size_t k = 0; k * kPerFolder < files; ++k) {
        const std::string folder = corvane::bench::CrowdedFolder(root, k);
        if (::mkdir(folder.c_str(), 0755) != 0) {
            std::perror(folder.c_str());
            return 1;
        }
        for (const auto& [name, size] :
             names.Folder(std::min(kPerFolder, files - k * kPerFolder))) {
            const std::string path = folder + "/" + name;
            const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
            if (fd < 0 || ::ftruncate(fd, size) != 0) {
                std::perror(path.c_str());
                return 1;
            }
            ::close(fd);
        }
    }
    return 0;
}
