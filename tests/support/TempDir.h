// A temporary folder under the build tree (not tmpfs, not the user's home),
// removed with everything in it when the test ends.
#pragma once

#include <QTemporaryDir>
#include <string>

namespace corvane::testing {

class TempDir {
  public:
    TempDir() : dir_(QStringLiteral(CORVANE_TEST_SCRATCH "/corvane-XXXXXX")) {}
    bool ok() const { return dir_.isValid(); }
    // The folder's path as bytes, without a trailing "/".
    std::string path() const { return dir_.path().toStdString(); }
    std::string operator/(const std::string& name) const { return path() + "/" + name; }

  private:
    QTemporaryDir dir_;
};

}  // namespace corvane::testing
