#include "catalogue/PathParts.h"

namespace corvane {

std::string_view FileNamePart(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

std::string_view FolderPart(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? std::string_view() : path.substr(0, slash + 1);
}

std::string FolderWithSlash(std::string_view folder) {
    if (!folder.empty() && folder.back() == '/') {
        folder.remove_suffix(1);
    }
    std::string path(folder);
    path += '/';
    return path;
}

std::string_view WithoutTrailingSlash(std::string_view folder) {
    if (folder.size() > 1 && folder.back() == '/') {
        folder.remove_suffix(1);
    }
    return folder;
}

}  // namespace corvane
