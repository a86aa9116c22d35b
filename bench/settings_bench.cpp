// How long a million reads of the stop request take from the settings store.
#include <QTemporaryDir>
#include <chrono>
#include <cstdio>

#include "platform/QtSettingsStore.h"

int main(int argc, char** argv) {
    const long count = argc > 1 ? std::stol(argv[1]) : 1'000'000;
    QTemporaryDir dir(QStringLiteral(CORVANE_BENCH_SCRATCH "/settings-XXXXXX"));
    corvane::QtSettingsStore store(dir.filePath(QStringLiteral("Corvane.conf")));
    store.Write(corvane::keys::Stop, corvane::BoolText(false));

    long stops = 0;
    const auto start = std::chrono::steady_clock::now();
    for (long i = 0; i < count; ++i) {
        stops += store.StopRequested() ? 1 : 0;
    }
    const auto end = std::chrono::steady_clock::now();
    const double ms = std::chrono::duration<double, std::milli>(end - start).count();
    std::printf("Stop reads           %ld (%ld true)\n", count, stops);
    std::printf("total                %.1f ms\n", ms);
    std::printf("per read             %.3f us\n", ms * 1000.0 / static_cast<double>(count));
    return 0;
}
