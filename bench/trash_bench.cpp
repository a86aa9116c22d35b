// Sending N files to the trash and undoing it, beside `gio trash` of the same
// files and plain renames into the trash folder (mv: no .trashinfo, no
// journal, the floor). Each round makes a fresh set of files under DIR (which
// must be on a real drive, not tmpfs) with its own HOME inside, runs each
// command once in turn, and prints seconds; the medians go last.
//
//   trash_bench DIR [FILES=10000] [ROUNDS=3]
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/Trash.h"

using namespace corvane;

namespace {

double Seconds(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// FILES small files in folders of 100, under root/tree.
std::vector<TrashRequest> MakeFiles(const std::string& root, int files) {
    std::vector<TrashRequest> requests;
    ::mkdir((root + "/tree").c_str(), 0755);
    for (int i = 0; i < files; ++i) {
        const std::string folder = root + "/tree/d" + std::to_string(i / 100);
        if (i % 100 == 0) {
            ::mkdir(folder.c_str(), 0755);
        }
        const std::string path = folder + "/file " + std::to_string(i) + ".txt";
        const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const std::string text = "content " + std::to_string(i) + "\n";
        if (fd < 0 || ::write(fd, text.data(), text.size()) < 0) {
            std::perror(path.c_str());
            std::exit(1);
        }
        ::close(fd);
        struct stat st {};
        ::lstat(path.c_str(), &st);
        requests.push_back({path, StampOf(st)});
    }
    return requests;
}

int Run(const std::string& command) {
    return std::system(command.c_str());
}

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: trash_bench DIR [FILES] [ROUNDS]\n");
        return 2;
    }
    const std::string dir = argv[1];
    const int files = argc > 2 ? std::atoi(argv[2]) : 10000;
    const int rounds = argc > 3 ? std::atoi(argv[3]) : 3;
    std::vector<double> send, undo, gio, mv;
    for (int round = 0; round < rounds; ++round) {
        const std::string root = dir + "/round" + std::to_string(round);
        Run("rm -rf '" + root + "' && mkdir -p '" + root + "/data/Trash/files' '" + root +
            "/data/Trash/info'");
        const TrashPlaces places{root + "/data", root + "/state"};

        auto requests = MakeFiles(root, files);
        Run("sync");
        auto start = std::chrono::steady_clock::now();
        DesktopTrash trash(places);
        const TrashBatch batch = trash.Send(requests);
        send.push_back(Seconds(start));
        const auto moved = std::count_if(batch.results.begin(), batch.results.end(),
                                         [](const TrashResult& r) { return r.moved; });
        Run("sync");
        start = std::chrono::steady_clock::now();
        const UndoOutcome undone = trash.UndoLastBatch();
        undo.push_back(Seconds(start));
        const auto back = std::count_if(undone.files.begin(), undone.files.end(),
                                        [](const UndoResult& f) { return f.restored; });

        // gio trash of the same files, HOME and XDG_DATA_HOME inside the round.
        Run("sync");
        start = std::chrono::steady_clock::now();
        Run("cd '" + root + "/tree' && HOME='" + root + "' XDG_DATA_HOME='" + root +
            "/data' find . -type f -print0 | HOME='" + root + "' XDG_DATA_HOME='" + root +
            "/data' xargs -0 gio trash");
        gio.push_back(Seconds(start));
        Run("rm -rf '" + root + "/tree' '" + root + "/data/Trash'");

        // The floor: the same files renamed into files/ by mv.
        requests = MakeFiles(root, files);
        Run("mkdir -p '" + root + "/data/Trash/files' && sync");
        start = std::chrono::steady_clock::now();
        Run("cd '" + root + "/tree' && for d in d*; do mv -t '" + root +
            "/data/Trash/files' \"$d\"/*; done");
        mv.push_back(Seconds(start));
        std::printf(
            "round %d: send %.3f s (%ld moved), undo %.3f s (%ld back), gio trash %.3f s, "
            "mv %.3f s\n",
            round + 1, send.back(), static_cast<long>(moved), undo.back(), static_cast<long>(back),
            gio.back(), mv.back());
        Run("rm -rf '" + root + "'");
    }
    std::printf(
        "median of %d rounds, %d files: send %.3f s, undo %.3f s, gio trash %.3f s, "
        "mv %.3f s; send/gio %.2f, send/mv %.2f, undo/gio %.2f, undo/mv %.2f\n",
        rounds, files, Median(send), Median(undo), Median(gio), Median(mv),
        Median(send) / Median(gio), Median(send) / Median(mv), Median(undo) / Median(gio),
        Median(undo) / Median(mv));
    return 0;
}
