// Phase 1 of a search: walk a listed folder and everything below it, then
// catalogue the plain files folder by folder.
#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "catalogue/FileCatalogue.h"
#include "platform/FolderWalk.h"
#include "search/SearchObserver.h"
#include "search/StopCheck.h"

namespace corvane {

// Order: the pending folders are the tree in depth-first pre-order, each
// folder's subfolders in byte order of their names; files then enter the
// catalogue folder by folder in that order, each folder's files in byte order.
// Hidden names (leading "."), links, FIFOs, sockets and devices are skipped;
// no link below the listed folder is followed (FolderWalk).
//
// Errors: a folder that cannot be listed (gone, refused, swapped for a link
// or another folder mid-walk) is reported once through
// SearchObserver::FolderSkipped, in pending order, adds no files and is not
// walked; the scan goes on with the next folder.
//
// Threading: the folders are read on two threads of the walk's own (both
// cores; one where the process may use one CPU only), whatever order they
// finish in; they look at the stop token themselves. The caller's thread
// polls the token as soon as the walk has started and every 20 ms while it
// runs, then catalogues on its own, polling at every pending folder and at
// least every 20 ms, and reading the options at every file. Observer calls all come from the
// caller's thread. After a stop it returns at once, keeping what it catalogued so far.
class FolderScan {
  public:
    FolderScan(FileCatalogue& catalogue, SearchObserver& observer, StopCheck& stop);
    ~FolderScan();

    // Scans one listed folder, given with or without one trailing "/". The
    // empty text only resets the progress to 0.
    void ScanFolder(const std::string& folder);

    // The pending folders as the last walk queued them (each ends with "/").
    std::vector<std::string> PendingFolders() const;

    // Runs once a folder has been listed, before any folder inside it is
    // opened, with its path as queued and on a walk thread: lets a test
    // change the tree mid-walk.
    void SetListedHook(std::function<void(const std::string& folder)> hook) {
        listedHook_ = std::move(hook);
    }

  private:
    // Calls visit(k, path) for the walk's folders in pending order, until it
    // returns false.
    template <typename Visit>
    void InPendingOrder(Visit visit) const;
    bool Catalogue();

    FileCatalogue& catalogue_;
    SearchObserver& observer_;
    StopCheck& stop_;
    std::unique_ptr<FolderWalk> walk_;
    std::function<void(const std::string&)> listedHook_;
};

}  // namespace corvane
