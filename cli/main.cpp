// corvane-find: the Corvane search from the command line.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "actions/KeepRules.h"
#include "actions/RowContents.h"
#include "actions/SearchTexts.h"
#include "actions/SendRows.h"
#include "actions/SendTexts.h"
#include "catalogue/FileCatalogue.h"
#include "catalogue/PathParts.h"
#include "cli/Arguments.h"
#include "cli/FindOutput.h"
#include "platform/ErrnoText.h"
#include "platform/Trash.h"
#include "search/ContentCheck.h"
#include "search/FindDupes.h"
#include "search/ProtectedRows.h"

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
        caption_ = CaptionFor(phase, folder, options_.contents).toStdString();
        Draw();
    }
    void ProgressChanged(int percent) override {
        if (percent != percent_) {
            percent_ = percent;
            Draw();
        }
    }
    // Files Same Contents could not group: a warning each; the groups' keys
    // for --verify.
    void SameContentsEnded(const FileCatalogue& catalogue,
                           const SameContentsResult& result) override {
        for (const SameContentGroup& group : result.groups) {
            sameKeys_.push_back(group.key);
        }
        for (const UngroupedFile& file : result.ungrouped) {
            Warn(catalogue.FullPath(file.entry), UngroupedReason(file).toLocal8Bit().toStdString());
        }
    }
    const std::vector<ContentKey>& SameKeys() const { return sameKeys_; }
    // The groups were numbered again: `before[g - 1]` is group g's old number.
    void RenumberSameKeys(const std::vector<std::uint32_t>& before) {
        std::vector<ContentKey> keys;
        for (const std::uint32_t old : before) {
            if (old == 0 || old > sameKeys_.size()) {
                break;  // the "Same" groups come first
            }
            keys.push_back(sameKeys_[old - 1]);
        }
        sameKeys_ = std::move(keys);
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
    std::vector<ContentKey> sameKeys_;
};

// --undo: the last batch back where it was, one line per file. 0 when every
// file came back, 1 when there is no batch, 3 when any file stayed or the
// record could not be used.
int Undo(const Arguments& args) {
    DesktopTrash trash;
    if (!trash.HasBatchToUndo()) {
        std::fprintf(stderr, "corvane-find: %s\n",
                     UndoProblemText(UndoProblem::kNoBatch).toLocal8Bit().constData());
        return 1;
    }
    const UndoOutcome outcome = UndoLastSend(trash);
    if (outcome.problem != UndoProblem::kNone && outcome.problem != UndoProblem::kNotMarked) {
        std::fprintf(stderr, "corvane-find: %s\n",
                     UndoFailureText(outcome).toLocal8Bit().constData());
        return outcome.problem == UndoProblem::kNoBatch ? 1 : 3;
    }
    std::vector<std::pair<std::string, std::string>> lines;  // path, result
    for (const UndoResult& file : outcome.files) {
        lines.emplace_back(file.path, UndoResultField(file));
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
    return UndoFailed(outcome) ? 3 : 0;
}

// Keeps the entries of `items` whose row is marked.
template <typename Items>
Items MarkedOnly(const Items& items, const std::vector<bool>& marked) {
    Items kept;
    for (std::size_t r = 0; r < items.size(); ++r) {
        if (marked[r]) {
            kept.push_back(items[r]);
        }
    }
    return kept;
}

// What a run learnt of the rows, in the order it learnt it.
struct Findings {
    ResultRows rows;
    std::size_t found = 0;             // rows the search found, before --trash keeps the marked
    ContentCheckResult content;        // with --verify
    std::vector<bool> marked;          // with --keep
    std::vector<std::string> results;  // with --trash: one RESULT per row
    bool sendFailed = false;
};

// The search: the rows, and on stderr what could not be searched.
void Search(const Arguments& args, CliObserver& observer, Findings& findings) {
    FileCatalogue catalogue;  // not needed for the output: its memory goes back on return
    const StopToken stop;     // never tripped: the search runs to its end
    SameContentsOptions contents;
    contents.useCache = args.useCache;
    FindDupes(args.folders, catalogue, stop, observer, findings.rows, contents);
    observer.ClearLine();
    MarkProtectedRows(catalogue, args.protectedFolders, findings.rows);
    observer.RenumberSameKeys(DropProtectedGroups(findings.rows));
    findings.found = findings.rows.size();
}

// --verify: a content key for each row; a file not compared is named on stderr.
void Verify(CliObserver& observer, Findings& findings) {
    findings.content = ContentsOfRows(
        findings.rows, observer.SameKeys(), nullptr,
        [&](const ContentProgress& progress) { observer.ContentProgressChanged(progress); });
    observer.ClearLine();
    for (std::size_t r = 0; r < findings.rows.size(); ++r) {
        const RowContent& row = findings.content.rows[r];
        if (row.verdict == ContentVerdict::Unreadable) {
            observer.Warn(findings.rows[r].path, row.error);
        } else if (row.verdict == ContentVerdict::Changed) {
            observer.Warn(findings.rows[r].path, "changed since the search found it; not compared");
        } else if (row.verdict == ContentVerdict::NotChecked) {
            observer.Warn(findings.rows[r].path, "not compared");
        }
    }
    observer.ClearLine();
}

// --keep marks the rows to trash; --trash sends them in one batch, by the
// window's rules, and from then on the findings hold only the marked rows,
// each with its RESULT.
void MarkAndSend(const Arguments& args, Findings& findings) {
    const std::vector<RowContent>* content = &findings.content.rows;  // --keep implies --verify
    findings.marked = MarkForTrash(findings.rows, *args.keep, *content);
    if (!args.trash) {
        return;
    }
    const SendPlan plan = PlanSend(findings.rows, findings.marked, content);
    DesktopTrash trash;
    const SendReport report = SendRows(plan, trash);
    for (const SentFile& file : report.files) {
        findings.results.push_back(SendResultField(file));
    }
    findings.sendFailed = report.AnyFailed();
    if (args.verify) {
        findings.content.rows = MarkedOnly(findings.content.rows, findings.marked);
    }
    findings.rows = MarkedOnly(findings.rows, findings.marked);
    findings.marked.assign(findings.rows.size(), true);
}

// The rows to stdout in the chosen form; false when they could not be written.
bool Write(const Arguments& args, const Findings& findings) {
    RowExtras extras;
    if (args.verify) {
        extras.content = &findings.content.rows;
    }
    if (args.keep) {
        extras.marked = &findings.marked;
    }
    if (args.trash) {
        extras.results = &findings.results;
    }
    static char outputBuffer[1 << 16];  // fewer, larger writes than stdio's default
    std::setvbuf(stdout, outputBuffer, _IOFBF, sizeof outputBuffer);
    if (args.print0) {
        cli::WritePrint0(findings.rows, stdout, extras.marked);
    } else if (args.format == Format::Tsv) {
        WriteTsv(findings.rows, stdout, extras);
    } else if (args.format == Format::Json) {
        WriteJson(findings.rows, stdout, extras);
    } else {
        cli::WriteText(findings.rows, QLocale::system(), stdout, extras);
    }
    if (std::fflush(stdout) != 0) {
        std::fprintf(stderr, "corvane-find: writing the results: %s\n",
                     ErrnoText(errno).toLocal8Bit().constData());
        return false;
    }
    return true;
}

}  // namespace

// Exit status: 2 for a folder that could not be searched or output that
// could not be written; 1 when the search found no rows (with --trash too);
// with --trash 3 when a marked file stayed; else 0.
int main(int argc, char** argv) {
    Arguments args;
    if (const int status = cli::ParseArguments(argc, argv, args); status >= 0) {
        return status;
    }
    if (args.undo) {
        return Undo(args);
    }
    CliObserver observer(args.options, isatty(STDERR_FILENO) == 1 && !args.quiet, args.folders);
    bool folderFailed = false;
    for (const std::string& folder : args.folders) {
        if (folder.empty()) {
            observer.Warn(folder, ENOENT);
            folderFailed = true;
        }
    }
    Findings findings;
    Search(args, observer, findings);
    if (args.verify) {
        Verify(observer, findings);
    }
    if (args.keep) {
        MarkAndSend(args, findings);
    }
    if (!Write(args, findings) || folderFailed || observer.NamedFolderFailed()) {
        return 2;
    }
    if (findings.found == 0) {
        return 1;
    }
    return findings.sendFailed ? 3 : 0;
}
