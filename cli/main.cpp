// corvane-find: the Corvane search from the command line.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "actions/KeepRules.h"
#include "actions/SearchTexts.h"
#include "catalogue/FileCatalogue.h"
#include "catalogue/PathParts.h"
#include "cli/Arguments.h"
#include "cli/FindOutput.h"
#include "platform/ErrnoText.h"
#include "platform/Trash.h"
#include "search/ContentCheck.h"
#include "search/FindDupes.h"
#include "search/ResultList.h"

namespace {

using namespace corvane;

using cli::Arguments;
using cli::Format;

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
        Warn(path, FolderSkipReason(error).toLocal8Bit().toStdString());
    }
    void Warn(const std::string& path, const std::string& reason) {
        ClearLine();
        std::fprintf(stderr, "corvane-find: '%s': %s\n", ReadablePath(path).c_str(),
                     reason.c_str());
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
    if (const int status = cli::ParseArguments(argc, argv, args); status >= 0) {
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

    FileCatalogue catalogue;
    ResultList rows;
    const StopToken stop;  // never tripped: the search runs to its end
    FindDupes(args.folders, catalogue, stop, observer, rows.rows);
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
