// The results window sending many files to the desktop trash and putting
// them back, as the user does it: the longest wait of the event loop during
// each, and how long each took. Run offscreen:
//   QT_QPA_PLATFORM=offscreen build/bench/send_window_bench [FILES] [FOLDER]
// FOLDER (default: a scratch folder in the build folder) must not be a tmpfs:
// the home trash, the journal and the files all go inside it.
#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <numeric>
#include <string>

#include "results/ResultsWindow.h"

using namespace corvane;

namespace {

// Runs the event loop until `busy` answers false, measuring the longest time
// between two turns of the loop (a zero timer fires once per idle turn).
struct Loop {
    double seconds = 0;
    double longestGapMs = 0;
    int captions = 0;  // distinct captions shown meanwhile
};

template <typename Busy>
Loop RunWhile(QWidget& window, Busy busy) {
    Loop result;
    QElapsedTimer clock;
    clock.start();
    qint64 last = clock.nsecsElapsed();
    QString caption = window.windowTitle();
    QEventLoop loop;
    QTimer turn;
    turn.setInterval(0);
    QObject::connect(&turn, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        result.longestGapMs = std::max(result.longestGapMs, (now - last) / 1e6);
        last = now;
        if (window.windowTitle() != caption) {
            caption = window.windowTitle();
            ++result.captions;
        }
        if (!busy()) {
            loop.quit();
        }
    });
    turn.start();
    loop.exec();
    result.seconds = clock.nsecsElapsed() / 1e9;
    return result;
}

}  // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::atoi(argv[1]) : 10000;
    const std::string folder =
        (argc > 2 ? std::string(argv[2]) : std::string(CORVANE_BENCH_SCRATCH)) +
        "/send-window-bench";
    std::filesystem::remove_all(folder);
    std::filesystem::create_directories(folder + "/files");
    // GLib reads these once: set before anything asks.
    ::setenv("HOME", folder.c_str(), 1);
    ::setenv("XDG_DATA_HOME", (folder + "/data").c_str(), 1);
    ::setenv("XDG_STATE_HOME", (folder + "/state").c_str(), 1);
    QApplication app(argc, argv);

    std::vector<ResultRow> rows;
    for (int i = 0; i < count; ++i) {
        const std::string sub = folder + "/files/" + std::to_string(i / 100);
        std::filesystem::create_directories(sub);
        const std::string path = sub + "/file-" + std::to_string(i) + ".txt";
        std::ofstream(path) << "bytes of file " << i << '\n';
        struct stat st {};
        ::lstat(path.c_str(), &st);
        ResultRow row;
        row.path = path;
        row.stamp = StampOf(st);
        row.stamped = true;
        row.group = static_cast<std::uint32_t>(i / 2 + 1);
        row.shade = (i / 2) % 2 ? GroupShade::Dark : GroupShade::Light;
        rows.push_back(row);
    }

    ResultsWindow window;
    QStringList told;
    window.SetPrompts(
        Prompts{[](QWidget*, const QString&, const QString&, bool) { return true; },
                [&](QWidget*, const QString&, const QString& text) { told << text; }});
    window.SetCloseAction({});
    window.SetDesktop(Desktop{});
    window.Model().SetRows(std::move(rows));
    std::vector<int> all(static_cast<std::size_t>(count));
    std::iota(all.begin(), all.end(), 0);
    window.Model().SetTicked(all, true);
    window.show();

    window.SendTickedToTrash();
    const Loop send = RunWhile(window, [&] { return window.Sending(); });
    const int left = window.Model().rowCount();
    window.UndoLastSend();
    const Loop undo = RunWhile(window, [&] { return window.Sending(); });

    std::printf("platform %s, %d files\n", qPrintable(QApplication::platformName()), count);
    std::printf("send: %.2f s, longest event-loop gap %.1f ms, %d captions, %d rows left\n",
                send.seconds, send.longestGapMs, send.captions, left);
    std::printf("undo: %.2f s, longest event-loop gap %.1f ms, %d captions, %d rows back\n",
                undo.seconds, undo.longestGapMs, undo.captions, window.Model().rowCount());
    for (const QString& text : told) {
        std::printf("told: %s\n", qPrintable(text.left(300)));
    }
    std::filesystem::remove_all(folder);
    return 0;
}
