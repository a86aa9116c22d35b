// Running code as the user nobody while the tests run as root. The build
// tree may lie in a folder nobody cannot enter (a clone in root's home or in
// a `mktemp -d` folder), so such tests keep their files in a folder every
// user can reach, and run a copy of the program from there.
#pragma once

#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "support/RunProgram.h"

namespace corvane::testing {

// Whether every folder from "/" down to `path`, and `path` itself, lets
// others search (or run) it.
inline bool ReachableByEveryone(const std::string& path) {
    for (std::size_t start = 0;;) {
        const std::size_t slash = path.find('/', start);
        const std::string prefix = path.substr(0, slash);
        struct stat st {};
        if (::stat(prefix.empty() ? "/" : prefix.c_str(), &st) != 0 ||
            (st.st_mode & S_IXOTH) == 0) {
            return false;
        }
        if (slash == std::string::npos) {
            return true;
        }
        start = slash + 1;
    }
}

// A folder for TempDir that every user can reach: the build tree's scratch
// when it is, else the system's temporary folder; "" when none is.
inline std::string ReachableScratch() {
    for (const char* base : {static_cast<const char*>(CORVANE_TEST_SCRATCH),
                             static_cast<const char*>(::getenv("TMPDIR")), "/tmp"}) {
        if (base != nullptr && base[0] == '/' && ReachableByEveryone(base)) {
            return base;
        }
    }
    return {};
}

// `program` where every user can run it: itself when it is reachable, else
// a copy (mode 0755) in `folder`, which must be; "" when it cannot be copied.
inline std::string ReachableProgram(const std::string& program, const std::string& folder) {
    if (ReachableByEveryone(program)) {
        return program;
    }
    const std::string copy = folder + "/" + std::filesystem::path(program).filename().string();
    std::error_code error;
    if (!std::filesystem::copy_file(program, copy,
                                    std::filesystem::copy_options::overwrite_existing, error) ||
        ::chmod(copy.c_str(), 0755) != 0) {
        return {};
    }
    return copy;
}

// Runs `args` as the user nobody (uid and gid 65534, no groups), through
// setpriv or else runuser; status -1 when neither could start it.
inline Ran RunAsNobody(const std::vector<std::string>& args, const std::string& scratch) {
    const std::vector<std::vector<std::string>> ways = {
        {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", "--"},
        {"runuser", "-u", "nobody", "--"}};
    for (const std::vector<std::string>& way : ways) {
        std::vector<std::string> command = way;
        command.insert(command.end(), args.begin(), args.end());
        Ran ran = RunProgram(command, scratch);
        // 127: not installed; 1 with a complaint of its own: not allowed here.
        if (ran.status != 127 && !ran.err.starts_with(way[0] + ":")) {
            return ran;
        }
    }
    return Ran{};
}

}  // namespace corvane::testing
