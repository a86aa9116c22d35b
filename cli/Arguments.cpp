#include "cli/Arguments.h"

#include <cstdio>

namespace corvane::cli {
namespace {

constexpr const char* kUsage =
    "usage: corvane-find [--exact] [--close] [--slider N] [--format text|tsv|json] [--quiet]\n"
    "                    [--verify] [--keep first|oldest|newest|shortest] [--trash]\n"
    "                    [--print0] [--] FOLDER...\n"
    "       corvane-find --undo [--format text|tsv|json] [--quiet]\n"
    "       corvane-find --help | --version\n";

constexpr const char* kHelp =
    "Lists the files in FOLDER... (and all folders below) that have a duplicate.\n"
    "\n"
    "  --exact          look for exact matches: equal names\n"
    "  --close          look for close matches: equal sizes and alike names\n"
    "                   (neither given: both)\n"
    "  --slider N       how alike names must be for a close match, 0 (many) to 5 (few);\n"
    "                   default 3\n"
    "  --format F       text (default), tsv or json\n"
    "  --quiet          no progress on stderr\n"
    "  --verify         read the files of each group and add a CONTENT key to each\n"
    "                   row: rows of one group with the same key hold the same bytes;\n"
    "                   \"-\" (json: null) for a file that could not be read or changed\n"
    "                   since the search, with a warning on stderr. A file's key is\n"
    "                   the XXH3-128 of its bytes (as xxh128sum prints it) when it was\n"
    "                   read whole; a file told apart by its size or by its first and\n"
    "                   last 4 KiB gets a key that only differs from the others\n"
    "  --keep RULE      keep one file of each group and mark the others \"trash\"\n"
    "                   (last field ACTION): first (row), oldest, newest (modification\n"
    "                   time) or shortest (path); ties go to the group's first row.\n"
    "                   With --verify only files with the kept file's CONTENT are marked\n"
    "  --trash          (with --keep) move every file marked \"trash\" to the desktop\n"
    "                   trash, each checked again first (a file changed since the\n"
    "                   search stays); lists the marked rows with a last field RESULT,\n"
    "                   \"trashed\" or \"failed: REASON\". The batch can be undone\n"
    "  --undo           put back the files of the last batch sent to the trash (by\n"
    "                   corvane or --trash): PATH and RESULT, \"restored\" or\n"
    "                   \"failed: REASON\"\n"
    "  --print0         instead of a format: each row's path followed by a NUL, only\n"
    "                   the rows marked \"trash\" with --keep (for xargs -0)\n"
    "  --help, --version\n"
    "\n"
    "Exit status: 0 when rows were found, 1 when none, 2 on a usage error or when a\n"
    "FOLDER could not be scanned, 3 when a file could not be trashed or restored\n"
    "(--undo: 1 when there is nothing to undo). Files --verify could not read are\n"
    "warnings only: they do not change the exit status.\n";

std::optional<KeepRule> KeepRuleNamed(const std::string& name) {
    if (name == "first") {
        return KeepRule::First;
    }
    if (name == "oldest") {
        return KeepRule::Oldest;
    }
    if (name == "newest") {
        return KeepRule::Newest;
    }
    if (name == "shortest") {
        return KeepRule::Shortest;
    }
    return std::nullopt;
}

int UsageError(const std::string& reason) {
    std::fprintf(stderr, "corvane-find: %s\n%s", reason.c_str(), kUsage);
    return 2;
}

}  // namespace

int ParseArguments(int argc, char** argv, Arguments& args) {
    bool exact = false, close = false, optionsEnded = false;
    for (int a = 1; a < argc; ++a) {
        const std::string arg = argv[a];
        if (optionsEnded || arg.empty() || arg == "-" || arg[0] != '-') {
            args.folders.push_back(arg);
            continue;
        }
        std::string value;
        bool hasValue = false;
        std::string name = arg;
        if (const auto equals = arg.find('=');
            arg.starts_with("--") && equals != std::string::npos) {
            name = arg.substr(0, equals);
            value = arg.substr(equals + 1);
            hasValue = true;
        }
        const auto takeValue = [&]() {
            if (!hasValue && a + 1 < argc) {
                value = argv[++a];
                hasValue = true;
            }
            return hasValue;
        };
        if (name == "--") {
            optionsEnded = true;
        } else if (name == "--exact" && !hasValue) {
            exact = true;
        } else if (name == "--close" && !hasValue) {
            close = true;
        } else if (name == "--quiet" && !hasValue) {
            args.quiet = true;
        } else if (name == "--verify" && !hasValue) {
            args.verify = true;
        } else if (name == "--print0" && !hasValue) {
            args.print0 = true;
        } else if (name == "--trash" && !hasValue) {
            args.trash = true;
        } else if (name == "--undo" && !hasValue) {
            args.undo = true;
        } else if (name == "--keep") {
            if (!takeValue()) {
                return UsageError("--keep needs a rule");
            }
            args.keep = KeepRuleNamed(value);
            if (!args.keep) {
                return UsageError("--keep takes first, oldest, newest or shortest, not '" + value +
                                  "'");
            }
        } else if (name == "--help" && !hasValue) {
            std::fputs(kUsage, stdout);
            std::fputs(kHelp, stdout);
            return 0;
        } else if (name == "--version" && !hasValue) {
            std::printf("corvane-find %s\n", CORVANE_VERSION);
            return 0;
        } else if (name == "--slider") {
            if (!takeValue()) {
                return UsageError("--slider needs a value");
            }
            if (value.size() != 1 || value[0] < '0' || value[0] > '5') {
                return UsageError("--slider takes 0 to 5, not '" + value + "'");
            }
            args.options.slider = value[0] - '0';
        } else if (name == "--format") {
            if (!takeValue()) {
                return UsageError("--format needs a value");
            }
            args.formatGiven = true;
            if (value == "text") {
                args.format = Format::Text;
            } else if (value == "tsv") {
                args.format = Format::Tsv;
            } else if (value == "json") {
                args.format = Format::Json;
            } else {
                return UsageError("--format takes text, tsv or json, not '" + value + "'");
            }
        } else {
            return UsageError("unknown option '" + arg + "'");
        }
    }
    if (args.undo) {
        if (!args.folders.empty() || args.verify || args.keep || args.trash || args.print0 ||
            exact || close) {
            return UsageError("--undo takes only --format and --quiet");
        }
        return -1;
    }
    if (args.folders.empty()) {
        return UsageError("no FOLDER given");
    }
    if (args.trash && !args.keep) {
        return UsageError("--trash needs --keep RULE: it sends the files the rule marks");
    }
    if (args.trash && args.print0) {
        return UsageError("--trash lists each file's result: it does not go with --print0");
    }
    if (args.print0 && args.formatGiven) {
        return UsageError("--print0 writes paths instead of a format: give one or the other");
    }
    args.options.exact = exact || !close;
    args.options.close = close || !exact;
    return -1;
}

}  // namespace corvane::cli
