#include "platform/FileStamp.h"

#include <cerrno>

namespace corvane {

PathStatus StatPath(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) {
        return PathStatus{errno, false, {}};
    }
    return PathStatus{0, S_ISREG(st.st_mode), StampOf(st)};
}

}  // namespace corvane
