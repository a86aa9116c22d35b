// A temporary folder under the build tree (not tmpfs, not the user's home),
// removed with everything in it when the test ends, names that are not valid
// UTF-8 included.
#pragma once

#include <ftw.h>
#include <stdio.h>
#include <stdlib.h>

#include <string>

namespace corvane::testing {

class TempDir {
  public:
    TempDir() : TempDir(CORVANE_TEST_SCRATCH) {}
    // The same under `base`; not ok() when `base` is empty.
    explicit TempDir(const std::string& base) {
        std::string pattern = base + "/corvane-XXXXXX";
        if (!base.empty() && ::mkdtemp(pattern.data()) != nullptr) {
            path_ = pattern;
        }
    }
    ~TempDir() {
        if (!path_.empty()) {
            // Depth first, without following links: bytes in, bytes out.
            ::nftw(
                path_.c_str(),
                [](const char* path, const struct stat*, int, struct FTW*) {
                    ::remove(path);  // what cannot go stays; the walk goes on
                    return 0;
                },
                16, FTW_DEPTH | FTW_PHYS);
        }
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    bool ok() const { return !path_.empty(); }
    // The folder's path as bytes, without a trailing "/".
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

  private:
    std::string path_;
};

}  // namespace corvane::testing
