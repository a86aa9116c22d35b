#include "search/FolderScan.h"

#include <cerrno>
#include <chrono>
#include <new>
#include <stdexcept>

#include "catalogue/PathParts.h"

namespace corvane {
namespace {

constexpr std::chrono::milliseconds kPollInterval{20};

}  // namespace

FolderScan::FolderScan(FileCatalogue& catalogue, SearchObserver& observer, StopCheck& stop)
    : catalogue_(catalogue), observer_(observer), stop_(stop) {}

FolderScan::~FolderScan() = default;

template <typename Visit>
void FolderScan::InPendingOrder(Visit visit) const {
    if (!walk_) {
        return;
    }
    const std::deque<FolderWalk::Folder>& folders = walk_->Folders();
    // Depth first without recursion: a folder's subfolders go on the stack
    // last one first, each with the length of its parent's path.
    std::vector<std::pair<std::uint32_t, std::size_t>> stack{{0, 0}};
    std::string path;
    while (!stack.empty()) {
        const auto [k, parentLength] = stack.back();
        stack.pop_back();
        const FolderWalk::Folder& folder = folders[k];
        path.resize(parentLength);
        path += folder.name;
        if (k != 0) {
            path += '/';
        }
        if (!visit(k, path)) {
            return;
        }
        for (std::uint32_t c = folder.childCount; c-- > 0;) {
            stack.emplace_back(folder.firstChild + c, path.size());
        }
    }
}

std::vector<std::string> FolderScan::PendingFolders() const {
    std::vector<std::string> paths;
    InPendingOrder([&](std::uint32_t, const std::string& path) {
        paths.push_back(path);
        return true;
    });
    return paths;
}

void FolderScan::ScanFolder(const std::string& folder) {
    observer_.ProgressChanged(0);
    if (folder.empty()) {
        return;
    }
    observer_.PhaseChanged(SearchPhase::Scanning, folder);
    walk_ = std::make_unique<FolderWalk>();
    walk_->ListTimes(observer_.CurrentOptions().contents);
    walk_->Start(FolderWithSlash(folder), &stop_.Token(), listedHook_);
    do {
        if (stop_.Poll()) {
            walk_->Cancel();
            return;
        }
    } while (!walk_->Wait(kPollInterval));
    // Inside the engine a limit reached is an exception, caught where the
    // search turns it into its outcome.
    if (walk_->Failure() == ENOMEM) {
        throw std::bad_alloc();
    }
    if (walk_->Failure() != 0) {
        throw std::length_error("too many folders in one walk");
    }
    if (Catalogue()) {
        observer_.ProgressChanged(100);
        observer_.PhaseChanged(SearchPhase::Idle, {});
    }
}

bool FolderScan::Catalogue() {
    std::deque<FolderWalk::Folder>& folders = walk_->Folders();
    const std::size_t total = folders.size();
    std::size_t next = 0;
    bool stopped = false;
    InPendingOrder([&](std::uint32_t k, const std::string& path) {
        if (stop_.Poll()) {
            stopped = true;
            return false;
        }
        const double done = static_cast<double>(next++) / static_cast<double>(total);
        observer_.ProgressChanged(static_cast<int>(done * 100));
        FolderWalk::Folder& folder = folders[k];
        if (folder.error != 0) {
            observer_.FolderSkipped(path, folder.error);
            return true;
        }
        // The walk read the folder and its files' lstat in one go; this only
        // enters them, reading Close Matches afresh for every file.
        folder.files.ForEach([&](std::string_view name, const FileStamp& stamp) {
            if (stopped) {
                return;
            }
            // A search by contents keeps the whole stamp, so that it need
            // not look at each file again.
            const SearchOptions options = observer_.CurrentOptions();
            const bool kept =
                options.contents && folder.files.Timed()
                    ? catalogue_.Append(path, name, stamp)
                    : catalogue_.Append(path, name,
                                        options.close ? stamp.size : FileCatalogue::kNoSize,
                                        stamp.id);
            if (!kept) {
                throw std::length_error("more folders or a longer name than the catalogue keeps");
            }
            stopped = stop_.Tick();
        });
        folder.files = PlainFiles();
        return !stopped;
    });
    return !stopped;
}

}  // namespace corvane
