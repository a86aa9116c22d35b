// A small ext4 drive of its own for trash tests: an image file under the
// build tree, formatted and loop-mounted on a folder. Mounting needs root (CI
// runs the tests as root); elsewhere ok() is false and the test skips.
#pragma once

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

namespace corvane::testing {

class LoopDrive {
  public:
    // Mounts a new drive of `megabytes` on `mountPoint`, which must exist.
    LoopDrive(const std::string& image, const std::string& mountPoint, int megabytes = 8)
        : image_(image), mountPoint_(mountPoint) {
        if (::geteuid() != 0) {
            why_ = "mounting needs root";
            return;
        }
        // -m 0: no blocks kept back for root, so "full" means full for us too.
        const std::string make = "truncate -s " + std::to_string(megabytes) + "M '" + image +
                                 "' && mkfs.ext4 -q -m 0 -O ^has_journal '" + image +
                                 "' >/dev/null 2>&1";
        if (std::system(make.c_str()) != 0) {
            why_ = "mkfs.ext4 failed";
            return;
        }
        const std::string mount = "mount -o loop '" + image + "' '" + mountPoint + "' 2>/dev/null";
        if (std::system(mount.c_str()) != 0) {
            why_ = "mount -o loop is not permitted here";
            return;
        }
        mounted_ = true;
    }
    ~LoopDrive() {
        if (mounted_) {
            std::system(("umount '" + mountPoint_ + "'").c_str());
        }
        ::unlink(image_.c_str());
    }
    LoopDrive(const LoopDrive&) = delete;
    LoopDrive& operator=(const LoopDrive&) = delete;

    bool ok() const { return mounted_; }
    const char* why() const { return why_.c_str(); }

    // Remounts the drive read-only (true when that worked).
    bool MakeReadOnly() {
        return std::system(("mount -o remount,ro '" + mountPoint_ + "'").c_str()) == 0;
    }

  private:
    std::string image_;
    std::string mountPoint_;
    std::string why_;
    bool mounted_ = false;
};

}  // namespace corvane::testing
