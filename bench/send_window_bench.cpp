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
#include <ctime>
#include <filesystem>
#include <fstream>
#include <numeric>
#include <string>

#include "results/ResultsWindow.h"

using namespace corvane;

namespace {

// Runs the event loop until `busy` answers false, measuring the longest time
// between two turns of the loop (a zero timer fires once per idle turn), and
// how much of it the GUI thread itself ran: the rest it waited for a core
// (the zero timer keeps the thread busy, so on a loaded machine the scheduler
// shares it out like any other busy thread).
struct Loop {
    double seconds = 0;
    double longestGapMs = 0;
    double busyInLongestMs = 0;  // the GUI thread's CPU time during that gap
    double mostBusyMs = 0;       // the most CPU time the GUI thread used in one gap
    int captions = 0;            // distinct captions shown meanwhile
};

double ThreadCpuMs() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

template <typename Busy>
Loop RunWhile(QWidget& window, Busy busy) {
    Loop result;
    QElapsedTimer clock;
    clock.start();
    qint64 last = clock.nsecsElapsed();
    double lastCpu = ThreadCpuMs();
    QString caption = window.windowTitle();
    QEventLoop loop;
    QTimer turn;
    turn.setInterval(0);
    QObject::connect(&turn, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed();
        const double cpu = ThreadCpuMs();
        if ((now - last) / 1e6 > result.longestGapMs) {
            result.longestGapMs = (now - last) / 1e6;
            result.busyInLongestMs = cpu - lastCpu;
        }
        result.mostBusyMs = std::max(result.mostBusyMs, cpu - lastCpu);
        last = now;
        lastCpu = cpu;
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

    ResultRows rows;
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
    // The window is painted before the user clicks Send.
    QEventLoop shown;
    QTimer::singleShot(200, &shown, &QEventLoop::quit);
    shown.exec();

    window.SendTickedToTrash();
    const Loop send = RunWhile(window, [&] { return window.Sending(); });
    const int left = window.Model().rowCount();
    window.UndoLastSend();
    const Loop undo = RunWhile(window, [&] { return window.Sending(); });

    std::printf("platform %s, %d files\n", qPrintable(QApplication::platformName()), count);
    const auto print = [](const char* what, const Loop& run, const char* rows, int count) {
        std::printf(
            "%s: %.2f s, longest event-loop gap %.1f ms (GUI thread busy %.1f ms of it), "
            "most GUI-thread work between two turns %.1f ms, %d captions, %d rows %s\n",
            what, run.seconds, run.longestGapMs, run.busyInLongestMs, run.mostBusyMs, run.captions,
            count, rows);
    };
    print("send", send, "left", left);
    print("undo", undo, "back", window.Model().rowCount());
    for (const QString& text : told) {
        std::printf("told: %s\n", qPrintable(text.left(300)));
    }
    std::filesystem::remove_all(folder);
    return 0;
}
