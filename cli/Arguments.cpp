#include "cli/Arguments.h"

#include <cstdio>

#include "actions/RowExport.h"

namespace corvane::cli {
namespace {

constexpr const char* kUsage =
    "usage: corvane-find [--exact] [--close] [--contents] [--no-cache] [--slider N]\n"
    "                    [--format text|tsv|json] [--quiet]\n"
    "                    [--verify] [--keep first|oldest|newest|shortest] [--trash]\n"
    "                    [--print0] [--protect FOLDER]... [--] FOLDER...\n"
    "       corvane-find --undo [--format text|tsv|json] [--quiet]\n"
    "       corvane-find --help | --version\n";

constexpr const char* kHelp =
    "Lists the files in FOLDER... (and all folders below) that have a duplicate.\n"
    "\n"
    "  --exact          look for exact matches: equal names\n"
    "  --close          look for close matches: equal sizes and alike names\n"
    "  --contents       first list groups of files with identical bytes, whatever\n"
    "                   their names (type \"Same\"); --exact and --close then look\n"
    "                   only at the other files. Empty files never match by contents\n"
    "                   (none of --exact, --close, --contents given: --exact --close)\n"
    "  --no-cache       with --contents, read every file: neither use nor update the\n"
    "                   digests kept from earlier runs\n"
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
    "  --keep RULE      (implies --verify) in each group, each set of two or more files\n"
    "                   with one CONTENT keeps one file and marks the others \"trash\"\n"
    "                   (last field ACTION); a file whose bytes match no other file of\n"
    "                   its group, or that could not be read, is never marked. RULE\n"
    "                   picks the kept file: first (row), oldest, newest (modification\n"
    "                   time) or shortest (path); ties go to the set's first row\n"
    "  --protect FOLDER search FOLDER too, in its place among the folders, and never\n"
    "                   mark or send a file under it: --keep keeps a protected file of\n"
    "                   a set when there is one; a group whose files are all protected\n"
    "                   is not listed. Repeatable\n"
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

// What the command line held beyond the fields of Arguments.
struct Seen {
    bool exact = false, close = false, contents = false, noCache = false, help = false,
         version = false, slider = false;
    int others = 0;  // arguments besides --help and --version
};

// Sets what the flag `name` stands for; false when no flag has that name.
bool ReadFlag(const std::string& name, Arguments& args, Seen& seen) {
    const struct {
        const char* name;
        bool* target;
    } flags[] = {
        {"--exact", &seen.exact},       {"--close", &seen.close},      {"--quiet", &args.quiet},
        {"--contents", &seen.contents}, {"--no-cache", &seen.noCache}, {"--verify", &args.verify},
        {"--print0", &args.print0},     {"--trash", &args.trash},      {"--undo", &args.undo},
        {"--help", &seen.help},         {"--version", &seen.version},
    };
    for (const auto& flag : flags) {
        if (name == flag.name) {
            *flag.target = true;
            return true;
        }
    }
    return false;
}

// What an option that takes a value says when the value is missing; null
// when `name` is no such option.
const char* ValueMissing(const std::string& name) {
    if (name == "--keep") {
        return "--keep needs a rule";
    }
    if (name == "--slider") {
        return "--slider needs a value";
    }
    if (name == "--protect") {
        return "--protect needs a folder";
    }
    if (name == "--format") {
        return "--format needs a value";
    }
    return nullptr;
}

// Reads the value of the option `name` into `args`: "" when it is good, else
// the usage error. Each of these options may be given once.
std::string ReadValue(const std::string& name, const std::string& value, Arguments& args,
                      Seen& seen) {
    if (name == "--keep") {
        if (args.keep) {
            return "--keep is given twice";
        }
        args.keep = KeepRuleNamed(value);
        return args.keep ? ""
                         : "--keep takes first, oldest, newest or shortest, not '" +
                               ReadablePath(value) + "'";
    }
    if (name == "--protect") {  // a folder like the others, and protected
        args.folders.push_back(value);
        args.protectedFolders.push_back(value);
        return "";
    }
    if (name == "--slider") {
        if (seen.slider) {
            return "--slider is given twice";
        }
        seen.slider = true;
        if (value.size() != 1 || value[0] < '0' || value[0] > '5') {
            return "--slider takes 0 to 5, not '" + ReadablePath(value) + "'";
        }
        args.options.slider = value[0] - '0';
        return "";
    }
    if (args.formatGiven) {
        return "--format is given twice";
    }
    args.formatGiven = true;
    const std::pair<const char*, Format> formats[] = {
        {"text", Format::Text}, {"tsv", Format::Tsv}, {"json", Format::Json}};
    for (const auto& [word, format] : formats) {
        if (value == word) {
            args.format = format;
            return "";
        }
    }
    return "--format takes text, tsv or json, not '" + ReadablePath(value) + "'";
}

// Reads each argument into `args` and `seen`; returns -1 to go on, or 2
// after a usage error.
int ReadCommandLine(int argc, char** argv, Arguments& args, Seen& seen) {
    bool optionsEnded = false;
    for (int a = 1; a < argc; ++a) {
        const std::string arg = argv[a];
        if (arg != "--help" && arg != "--version") {
            ++seen.others;
        }
        if (optionsEnded || arg.empty() || arg == "-" || arg[0] != '-') {
            args.folders.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }
        // "--name=value" or "--name value"; a flag takes no value.
        const std::size_t equals = arg.starts_with("--") ? arg.find('=') : std::string::npos;
        const std::string name = arg.substr(0, equals);
        if (equals == std::string::npos && ReadFlag(name, args, seen)) {
            continue;
        }
        const char* missing = ValueMissing(name);
        if (missing == nullptr) {
            return UsageError("unknown option '" + ReadablePath(arg) + "'");
        }
        if (equals == std::string::npos && a + 1 == argc) {
            return UsageError(missing);
        }
        const std::string value = equals == std::string::npos ? argv[++a] : arg.substr(equals + 1);
        if (const std::string wrong = ReadValue(name, value, args, seen); !wrong.empty()) {
            return UsageError(wrong);
        }
    }
    return -1;
}

// Checks the arguments as a whole; returns -1 to go on, or the exit status.
int CheckArguments(Arguments& args, const Seen& seen) {
    if (seen.help || seen.version) {
        if (seen.others > 0 || (seen.help && seen.version)) {
            return UsageError(seen.help ? "--help takes nothing else"
                                        : "--version takes nothing else");
        }
        if (seen.help) {
            std::fputs(kUsage, stdout);
            std::fputs(kHelp, stdout);
        } else {
            std::printf("corvane-find %s\n", CORVANE_VERSION);
        }
        return 0;
    }
    if (args.undo) {
        if (!args.folders.empty() || args.verify || args.keep || args.trash || args.print0 ||
            seen.exact || seen.close || seen.contents || seen.noCache || seen.slider) {
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
    args.verify = args.verify || args.keep.has_value();  // contents before any mark
    // None of the three given: the two name searches, as before --contents.
    const bool none = !seen.exact && !seen.close && !seen.contents;
    args.options.exact = seen.exact || none;
    args.options.close = seen.close || none;
    args.options.contents = seen.contents;
    args.useCache = !seen.noCache;
    return -1;
}

}  // namespace

int ParseArguments(int argc, char** argv, Arguments& args) {
    Seen seen;
    if (const int status = ReadCommandLine(argc, argv, args, seen); status >= 0) {
        return status;
    }
    return CheckArguments(args, seen);
}

}  // namespace corvane::cli
