#include "search/FolderScan.h"

#include "catalogue/PathParts.h"
#include "platform/DirectoryListing.h"

namespace corvane {
namespace {

// The path to open: a folder found inside the walk loses its trailing "/",
// for with one open() would follow a link even when told not to.
std::string ListPath(const std::string& path, bool named) {
    return named ? path : std::string(WithoutTrailingSlash(path));
}

}  // namespace

FolderScan::FolderScan(FileCatalogue& catalogue, SearchObserver& observer, StopCheck& stop)
    : catalogue_(catalogue), observer_(observer), stop_(stop) {}

std::vector<std::string> FolderScan::PendingFolders() const {
    std::vector<std::string> paths;
    paths.reserve(pending_.size());
    for (const Pending& folder : pending_) {
        paths.push_back(folder.path);
    }
    return paths;
}

void FolderScan::ScanFolder(const std::string& folder) {
    observer_.ProgressChanged(0);
    if (folder.empty()) {
        return;
    }
    observer_.PhaseChanged(SearchPhase::Scanning, folder);
    const std::string named = FolderWithSlash(folder);
    pending_.clear();
    pending_.push_back(Pending{named, true, {}});
    AddSubfolders(named);

    const std::size_t total = pending_.size();
    for (std::size_t next = 0; next < total; ++next) {
        if (stop_.Poll()) {
            return;
        }
        const double done = static_cast<double>(next) / static_cast<double>(total);
        observer_.ProgressChanged(static_cast<int>(done * 100));
        ListFiles(pending_[next]);
        if (stop_.Stopped()) {
            return;
        }
    }
    observer_.ProgressChanged(100);
    observer_.PhaseChanged(SearchPhase::Idle, {});
}

void FolderScan::AddSubfolders(const std::string& path) {
    // Depth-first pre-order without recursion: a folder is queued when it is
    // taken from the stack, and its subfolders go on the stack last one first.
    // `path` is already queued by ScanFolder as the named folder.
    std::vector<std::string> stack{path};
    std::vector<std::string> names;
    bool named = true;
    while (!stack.empty()) {
        if (stop_.Poll()) {
            return;
        }
        std::string current = std::move(stack.back());
        stack.pop_back();
        if (!named) {
            pending_.push_back(Pending{current, false, {}});
        }
        Pending& folder = pending_.back();
        // One read per folder gives both its subfolders and its files.
        const int error =
            ListFolder(ListPath(folder.path, named),
                       named ? FolderLink::Follow : FolderLink::Refuse, names, folder.files);
        named = false;
        if (error != 0) {
            observer_.FolderSkipped(current, error);
            continue;
        }
        for (auto name = names.rbegin(); name != names.rend(); ++name) {
            stack.push_back(current + *name + "/");
        }
    }
}

void FolderScan::ListFiles(Pending& folder) {
    // The walk read the folder and its files' lstat in one go; this only
    // enters them, reading Close Matches afresh for every file.
    bool stopped = false;
    folder.files.ForEach([&](std::string_view name, std::int64_t size, FileId id) {
        if (stopped) {
            return;
        }
        const bool recordSize = observer_.CurrentOptions().close;
        catalogue_.Append(folder.path, name, recordSize ? size : FileCatalogue::kNoSize, id);
        stopped = stop_.Tick();
    });
    folder.files = PlainFiles();
}

}  // namespace corvane
