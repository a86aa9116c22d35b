// corvane-find: the Corvane search from the command line.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "catalogue/FileCatalogue.h"
#include "catalogue/PathParts.h"
#include "cli/FindOutput.h"
#include "platform/ErrnoText.h"
#include "platform/MemorySettingsStore.h"
#include "search/FindDupes.h"
#include "search/ResultList.h"
#include "search/SearchTexts.h"

namespace {

using namespace corvane;

constexpr const char* kUsage =
    "usage: corvane-find [--exact] [--close] [--slider N] [--format text|tsv|json] [--quiet] "
    "[--help] [--version] [--] FOLDER...\n";

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
    "  --help, --version\n"
    "\n"
    "Exit status: 0 when rows were found, 1 when none, 2 on a usage error or when a\n"
    "FOLDER could not be scanned.\n";

enum class Format { Text, Tsv, Json };

struct Arguments {
    SearchOptions options;
    Format format = Format::Text;
    bool quiet = false;
    std::vector<std::string> folders;
};

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
        ClearLine();
        std::fprintf(stderr, "corvane-find: '%s': %s\n", cli::EscapePath(path).c_str(),
                     ErrnoText(error).toLocal8Bit().constData());
        Draw();
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
    if (args.folders.empty()) {
        return UsageError("no FOLDER given");
    }
    args.options.exact = exact || !close;
    args.options.close = close || !exact;
    return -1;
}

}  // namespace

int main(int argc, char** argv) {
    Arguments args;
    if (const int status = Parse(argc, argv, args); status >= 0) {
        return status;
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

    catalogue = FileCatalogue();        // not needed for the output: give its memory back
    static char outputBuffer[1 << 16];  // fewer, larger writes than stdio's default
    std::setvbuf(stdout, outputBuffer, _IOFBF, sizeof outputBuffer);
    switch (args.format) {
        case Format::Tsv:
            cli::WriteTsv(rows.rows, stdout);
            break;
        case Format::Json:
            cli::WriteJson(rows.rows, stdout);
            break;
        case Format::Text:
            cli::WriteText(rows.rows, QLocale::system(), stdout);
            break;
    }
    if (std::fflush(stdout) != 0) {
        std::fprintf(stderr, "corvane-find: writing the results: %s\n", std::strerror(errno));
        return 2;
    }
    if (failed || observer.NamedFolderFailed()) {
        return 2;
    }
    return rows.rows.empty() ? 1 : 0;
}
