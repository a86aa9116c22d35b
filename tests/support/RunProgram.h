// Runs a program as a child (no shell), its standard output and error
// captured in files of a scratch folder.
#pragma once

#include <fcntl.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <utility>
#include <vector>

#include "support/Files.h"

namespace corvane::testing {

struct Ran {
    int status = -1;  // the exit status; -1 when killed by a signal
    std::string out, err;
};

// `command[0]` is looked up in PATH; `env` is set in the child only.
inline Ran RunProgram(std::vector<std::string> command, const std::string& scratch,
                      const std::vector<std::pair<std::string, std::string>>& env = {}) {
    const std::string outPath = scratch + "/.out", errPath = scratch + "/.err";
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(out, STDOUT_FILENO);
        ::dup2(err, STDERR_FILENO);
        for (const auto& [name, value] : env) {
            ::setenv(name.c_str(), value.c_str(), 1);
        }
        std::vector<char*> argv;
        for (std::string& arg : command) {
            argv.push_back(arg.data());
        }
        argv.push_back(nullptr);
        ::execvp(argv[0], argv.data());
        ::_exit(127);
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return Ran{WIFEXITED(status) ? WEXITSTATUS(status) : -1, ReadFile(outPath), ReadFile(errPath)};
}

}  // namespace corvane::testing
