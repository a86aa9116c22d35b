// corvane-find: the Corvane search from the command line.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "catalogue/FileCatalogue.h"
#include "catalogue/PathParts.h"
#include "cli/FindOutput.h"
#include "platform/ErrnoText.h"
#include "platform/MemorySettingsStore.h"
#include "platform/Trash.h"
#include "search/ContentCheck.h"
#include "search/FindDupes.h"
#include "search/KeepRules.h"
#include "search/ResultList.h"
#include "search/SearchTexts.h"

namespace {

using namespace corvane;

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
    std::vector<std::string> folders;
};

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

// Reports progress on a terminal and warnings always, both on stderr.
class CliObserver final : public SearchObserver {
  public:
    CliObserver(SearchOptions options, bool showProgress, const std::vector<std::string>& folders)
        : options_(options), showProgress_(showProgress), given_(folders) {
        for (const std::string& folder : folders) {
            named_.push_back(FolderWithSlash(folder));  // as the scan reports it
        }
    }

    SearchOptions CurrentOptions() override { return options_; }
    void PhaseChanged(SearchPhase phase, const std::string& folder) override {
        caption_ = CaptionFor(phase, folder).toStdString();
        Draw();
    }
    void ProgressChanged(int percent) override {
        if (percent != percent_) {
            percent_ = percent;
            Draw();
        }
    }
    void FolderSkipped(const std::string& path, int error) override {
        // A named folder is reported as the user typed it.
        std::string shown = path;
        for (std::size_t k = 0; k < named_.size(); ++k) {
            if (named_[k] == path) {
                namedFolderFailed_ = true;
                shown = given_[k];
            }
        }
        Warn(shown, error);
    }
    // One line on stderr: the path in quotes (so an empty or odd name shows
    // as what it is) and the system's reason.
    void Warn(const std::string& path, int error) {
        Warn(path, ErrnoText(error).toLocal8Bit().toStdString());
    }
    void Warn(const std::string& path, const std::string& reason) {
        ClearLine();
        std::fprintf(stderr, "corvane-find: '%s': %s\n", EscapePath(path).c_str(), reason.c_str());
        Draw();
    }
    // The content check's share of the bytes it reads, as the last phase.
    void ContentProgressChanged(const ContentProgress& progress) {
        caption_ = "Comparing contents";
        const int percent = progress.bytesToRead == 0
                                ? 100
                                : static_cast<int>(100 * progress.bytesDone / progress.bytesToRead);
        if (percent != percent_) {
            percent_ = percent;
            Draw();
        }
    }
    void ClearLine() {
        if (showProgress_ && drawn_) {
            std::fputs("\r\033[K", stderr);
            drawn_ = false;
        }
    }
    bool NamedFolderFailed() const { return namedFolderFailed_; }

  private:
    void Draw() {
        if (showProgress_ && !caption_.empty()) {
            std::fprintf(stderr, "\r\033[K%s %d%%", caption_.c_str(), percent_);
            std::fflush(stderr);
            drawn_ = true;
        }
    }

    SearchOptions options_;
    bool showProgress_;
    std::vector<std::string> given_;
    std::vector<std::string> named_;
    std::string caption_;
    int percent_ = 0;
    bool drawn_ = false;
    bool namedFolderFailed_ = false;
};

// Parses argv; returns -1 to go on, or the exit status.
int Parse(int argc, char** argv, Arguments& args) {
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

// --undo: the last batch back where it was, one line per file.
int Undo(const Arguments& args) {
    DesktopTrash trash;
    if (!trash.HasBatchToUndo()) {
        std::fprintf(stderr, "corvane-find: %s\n",
                     UndoProblemText(UndoProblem::kNoBatch).toLocal8Bit().constData());
        return 1;
    }
    const UndoOutcome outcome = trash.UndoLastBatch();
    if (outcome.problem != UndoProblem::kNone && outcome.problem != UndoProblem::kNotMarked) {
        std::fprintf(stderr, "corvane-find: %s\n",
                     UndoProblemText(outcome.problem, outcome.error, outcome.line)
                         .toLocal8Bit()
                         .constData());
        return outcome.problem == UndoProblem::kNoBatch ? 1 : 3;
    }
    bool failed = false;
    std::vector<std::pair<std::string, std::string>> lines;  // path, result
    for (const UndoResult& file : outcome.files) {
        failed = failed || !file.restored;
        lines.emplace_back(
            file.path, file.restored
                           ? std::string("restored")
                           : "failed: " + TrashProblemText(file.problem, file.error).toStdString());
    }
    cli::WriteUndo(lines,
                   args.format == Format::Json  ? cli::UndoFormat::Json
                   : args.format == Format::Tsv ? cli::UndoFormat::Tsv
                                                : cli::UndoFormat::Text,
                   stdout);
    if (outcome.problem == UndoProblem::kNotMarked) {
        std::fprintf(stderr, "corvane-find: %s\n",
                     UndoProblemText(outcome.problem, outcome.error).toLocal8Bit().constData());
    }
    return failed ? 3 : 0;
}

// --trash: the marked rows' files go in one batch, each checked against its
// row first. Returns each marked row's RESULT; `failed` tells whether any stayed.
std::vector<std::string> SendMarked(const std::vector<ResultRow>& rows,
                                    const std::vector<bool>& marked, bool& failed) {
    std::vector<TrashRequest> requests;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        if (marked[r]) {
            requests.push_back(TrashRequest{rows[r].path, rows[r].stamp});
        }
    }
    DesktopTrash trash;
    const TrashBatch batch = requests.empty() ? TrashBatch{} : trash.Send(requests);
    std::vector<std::string> results;
    failed = false;
    for (std::size_t k = 0; k < requests.size(); ++k) {
        const bool moved = k < batch.results.size() && batch.results[k].moved;
        failed = failed || !moved;
        results.push_back(moved ? std::string("trashed")
                                : "failed: " + (k < batch.results.size()
                                                    ? TrashProblemText(batch.results[k].problem,
                                                                       batch.results[k].error)
                                                    : TrashProblemText(TrashProblem::kNoAnswer))
                                                   .toStdString());
    }
    return results;
}

// Keeps the entries of `items` whose row is marked.
template <typename T>
std::vector<T> MarkedOnly(const std::vector<T>& items, const std::vector<bool>& marked) {
    std::vector<T> kept;
    for (std::size_t r = 0; r < items.size(); ++r) {
        if (marked[r]) {
            kept.push_back(items[r]);
        }
    }
    return kept;
}

}  // namespace

int main(int argc, char** argv) {
    Arguments args;
    if (const int status = Parse(argc, argv, args); status >= 0) {
        return status;
    }
    if (args.undo) {
        return Undo(args);
    }

    CliObserver observer(args.options, isatty(STDERR_FILENO) == 1 && !args.quiet, args.folders);
    bool failed = false;
    for (const std::string& folder : args.folders) {
        if (folder.empty()) {
            observer.Warn(folder, ENOENT);
            failed = true;
        }
    }

    MemorySettingsStore store;
    FileCatalogue catalogue;
    ResultList rows;
    FindDupes(args.folders, catalogue, store, observer, rows);
    observer.ClearLine();

    catalogue = FileCatalogue();  // not needed for the output: give its memory back

    RowExtras extras;
    ContentCheckResult content;
    if (args.verify) {
        content = CheckContents(rows.rows, nullptr, [&](const ContentProgress& progress) {
            observer.ContentProgressChanged(progress);
        });
        observer.ClearLine();
        for (std::size_t r = 0; r < rows.rows.size(); ++r) {
            const RowContent& row = content.rows[r];
            if (row.verdict == ContentVerdict::Unreadable) {
                observer.Warn(rows.rows[r].path, row.error);
            } else if (row.verdict == ContentVerdict::Changed) {
                observer.Warn(rows.rows[r].path, "changed since the search found it; not compared");
            } else if (row.verdict == ContentVerdict::NotChecked) {
                observer.Warn(rows.rows[r].path, "not compared");
            }
        }
        observer.ClearLine();
        extras.content = &content.rows;
    }
    std::vector<bool> marked;
    if (args.keep) {
        marked = MarkForTrash(rows.rows, *args.keep, args.verify ? &content.rows : nullptr);
        extras.marked = &marked;
    }

    // --trash lists only the marked rows, each with its RESULT.
    std::vector<std::string> results;
    std::vector<RowContent> markedContent;
    bool trashFailed = false;
    if (args.trash) {
        results = SendMarked(rows.rows, marked, trashFailed);
        if (args.verify) {
            markedContent = MarkedOnly(content.rows, marked);
            extras.content = &markedContent;
        }
        rows.rows = MarkedOnly(rows.rows, marked);
        marked.assign(rows.rows.size(), true);
        extras.results = &results;
    }

    static char outputBuffer[1 << 16];  // fewer, larger writes than stdio's default
    std::setvbuf(stdout, outputBuffer, _IOFBF, sizeof outputBuffer);
    if (args.print0) {
        cli::WritePrint0(rows.rows, stdout, extras.marked);
    } else {
        switch (args.format) {
            case Format::Tsv:
                WriteTsv(rows.rows, stdout, extras);
                break;
            case Format::Json:
                WriteJson(rows.rows, stdout, extras);
                break;
            case Format::Text:
                cli::WriteText(rows.rows, QLocale::system(), stdout, extras);
                break;
        }
    }
    if (std::fflush(stdout) != 0) {
        std::fprintf(stderr, "corvane-find: writing the results: %s\n", std::strerror(errno));
        return 2;
    }
    if (failed || observer.NamedFolderFailed()) {
        return 2;
    }
    if (args.trash) {
        return trashFailed ? 3 : 0;
    }
    return rows.rows.empty() ? 1 : 0;
}
