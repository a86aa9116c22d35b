// corvane-find's command line: what it was asked to do.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "actions/KeepRules.h"
#include "search/SearchObserver.h"

namespace corvane::cli {

enum class Format { Text, Tsv, Json };

struct Arguments {
    SearchOptions options;
    Format format = Format::Text;
    bool formatGiven = false;
    bool quiet = false;
    bool verify = false;
    std::optional<KeepRule> keep;
    bool print0 = false;
    bool trash = false;
    bool undo = false;
    bool useCache = true;                       // --no-cache: Same Contents reads every file
    std::vector<std::string> folders;           // every folder to search, in order
    std::vector<std::string> protectedFolders;  // those given with --protect
};

// Reads argv; returns -1 to go on, or the exit status (0 after --help or
// --version, 2 after a usage error, which it reports on stderr).
int ParseArguments(int argc, char** argv, Arguments& args);

}  // namespace corvane::cli
