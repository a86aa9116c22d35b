// results_window_bench: the results window on its own, filled by a real search
// of the folders given, or timed with many generated rows (--measure N).
// For screenshots: "--protect FOLDER" searches a folder as protected, and
// "--keep first|oldest|newest|shortest" runs that keep rule once shown.
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QScrollBar>
#include <QTextStream>
#include <QTreeView>
#include <QWindow>
#include <cstdio>
#include <numeric>
#include <optional>

#include "catalogue/FileCatalogue.h"
#include "platform/MemorySettingsStore.h"
#include "platform/ProductName.h"
#include "results/ResultsListView.h"
#include "results/ResultsWindow.h"
#include "search/FindDupes.h"
#include "search/ProtectedRows.h"
#include "widgets/HoverPointer.h"

using namespace corvane;

namespace {

class DemoObserver final : public SearchObserver {
  public:
    explicit DemoObserver(SearchOptions options) : options_(options) {}
    SearchOptions CurrentOptions() override { return options_; }

  private:
    SearchOptions options_;
};

void Report(const char* what, QElapsedTimer& timer) {
    std::printf("%-44s %8.1f ms\n", what, static_cast<double>(timer.nsecsElapsed()) / 1e6);
    timer.restart();
}

void WaitForPaint(QWidget& window) {
    while (!window.isVisible() || !window.windowHandle() || !window.windowHandle()->isExposed()) {
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    QApplication::processEvents();
}

// `count` generated rows in groups of two, as a search would give them.
ResultRows GeneratedRows(int count) {
    ResultRows rows;
    rows.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        ResultRow row;
        const int group = i / 2;
        row.path = "/home/someone/Pictures/Holiday " + std::to_string(2000 + group % 25) + "/IMG_" +
                   std::to_string(100000 + group) + (i % 2 ? " (copy).jpg" : ".jpg");
        row.stamp.size = 1234567;
        row.stamp.modified.seconds = 1773480413;  // 2026-03-14 09:26:53 UTC
        row.stamped = true;
        row.type = group % 3 ? MatchType::Exact : MatchType::Close;
        row.shade = group % 2 == 0 ? GroupShade::Light : GroupShade::Dark;
        row.group = static_cast<std::uint32_t>(group + 1);
        rows.push_back(std::move(row));
    }
    return rows;
}

// Removes half of a fresh list of `count` rows whose contents were compared
// (every pair identical), as a send does: the rows, then the shading, then
// a repaint of the shown list.
void MeasureRemoval(ResultsWindow& form, int count, bool scattered) {
    ResultsModel& model = form.Model();
    model.SetRows(GeneratedRows(count));
    RowContent same;
    same.verdict = ContentVerdict::Identical;
    same.source = KeySource::Content;
    std::vector<int> all(static_cast<std::size_t>(count));
    std::iota(all.begin(), all.end(), 0);
    model.SetContents(all, std::vector<RowContent>(all.size(), same));
    form.List()->verticalScrollBar()->setValue(form.List()->verticalScrollBar()->maximum() / 2);
    form.List()->viewport()->repaint();
    // Every other row, or the middle half in one run.
    std::vector<int> half;
    for (int i = 0; i < count; ++i) {
        if (scattered ? i % 2 == 0 : i >= count / 4 && i < count / 4 + count / 2) {
            half.push_back(i);
        }
    }
    QElapsedTimer timer;
    timer.start();
    model.RemoveRowsAt(half);
    Report(scattered ? "remove half, scattered (every other row)" : "remove half, contiguous",
           timer);
    model.ClearShading();
    form.List()->viewport()->repaint();
    Report("  then clear shading and repaint", timer);
}

// Fills the window with `count` generated rows (window hidden), then shows
// it, scrolls to the end and repaints; then removes rows.
int Measure(ResultsWindow& form, int count) {
    std::printf("%d rows, platform %s\n", count, qPrintable(QApplication::platformName()));
    QElapsedTimer timer;
    timer.start();
    form.Model().SetRows(GeneratedRows(count));
    Report("fill (window hidden, view attached)", timer);
    form.resize(1000, 700);
    form.show();
    WaitForPaint(form);
    Report("show and first paint", timer);
    form.List()->scrollToBottom();
    form.List()->viewport()->repaint();
    Report("scroll to the end and repaint", timer);
    form.List()->verticalScrollBar()->setValue(form.List()->verticalScrollBar()->maximum() / 2);
    form.List()->viewport()->repaint();
    Report("jump to the middle and repaint", timer);
    for (int i = 0; i < count; i += 2) {
        form.Model().SetTicked(i, true);
    }
    Report("tick every other row (one by one)", timer);
    form.UntickAll();
    form.List()->viewport()->repaint();
    Report("Uncheck All and repaint", timer);
    std::vector<int> every;
    for (int i = 0; i < count; i += 2) {
        every.push_back(i);
    }
    form.Model().RemoveRowsAt(every);
    Report("remove every other row (first removal)", timer);
    form.Model().ClearShading();
    form.List()->viewport()->repaint();
    Report("  then clear shading and repaint", timer);
    MeasureRemoval(form, count, true);
    MeasureRemoval(form, count, false);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    ResultsWindow form(LoadHoverPointer());

    if (args.size() == 2 && args[0] == QLatin1String("--measure")) {
        form.SetCloseAction([] {});
        return Measure(form, args[1].toInt());
    }
    // Exact and Close Matches on, slider in its middle position.
    std::vector<std::string> folders, protectedFolders;
    std::optional<KeepRule> keep;
    bool contents = false;  // --contents: Same Contents first, as the box does
    const std::pair<const char*, KeepRule> rules[] = {{"first", KeepRule::First},
                                                      {"oldest", KeepRule::Oldest},
                                                      {"newest", KeepRule::Newest},
                                                      {"shortest", KeepRule::Shortest}};
    for (qsizetype a = 0; a < args.size(); ++a) {
        if (args[a] == QLatin1String("--contents")) {
            contents = true;
            continue;
        }
        if (args[a] == QLatin1String("--keep") && a + 1 < args.size()) {
            ++a;
            for (const auto& [name, rule] : rules) {
                keep = args[a] == QLatin1String(name) ? rule : keep;
            }
            continue;
        }
        const bool isProtected = args[a] == QLatin1String("--protect") && a + 1 < args.size();
        folders.push_back(QFile::encodeName(args[isProtected ? ++a : a]).toStdString());
        if (isProtected) {
            protectedFolders.push_back(folders.back());
        }
    }
    if (folders.empty() || folders.front().starts_with('-')) {
        QTextStream(stderr)
            << "usage: results_window_bench [--contents] [--keep RULE] [--protect FOLDER]... "
               "FOLDER...\n"
               "       results_window_bench --measure ROWS\n";
        return 2;
    }
    FileCatalogue catalogue;
    const StopToken stop;
    DemoObserver observer(SearchOptions{true, true, 3, contents});
    ResultRows rows;
    FindDupes(folders, catalogue, stop, observer, rows);
    MarkProtectedRows(catalogue, protectedFolders, rows);
    DropProtectedGroups(rows);
    form.Model().SetRows(std::move(rows));
    if (form.Model().rowCount() == 0) {
        QTextStream(stderr) << "No duplicates found.\n";
        return 1;
    }
    // A stand-in main window, so Back to Main has somewhere to go.
    QWidget main;
    main.setWindowTitle(QLatin1String(kProductName));
    main.setGeometry(0, 0, 800, 560);
    form.ShowInPlaceOf(&main);
    if (keep) {
        form.TickAllButOne(*keep);
    }
    return app.exec();
}
