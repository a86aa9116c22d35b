// Phase 1 of a search: walk a listed folder and everything below it, then
// catalogue the plain files folder by folder.
#pragma once

#include <string>
#include <vector>

#include "catalogue/FileCatalogue.h"
#include "platform/DirectoryListing.h"
#include "search/SearchObserver.h"
#include "search/StopCheck.h"

namespace corvane {

// Order: the pending folders are the tree in depth-first pre-order, each
// folder's subfolders in byte order of their names; files then enter the
// catalogue folder by folder in that order, each folder's files in byte order.
// Hidden names (leading "."), links, FIFOs, sockets and devices are skipped.
//
// Errors: a folder that cannot be listed is reported once through
// SearchObserver::FolderSkipped, adds no files and is not walked; the scan goes
// on with the next folder.
//
// Threading: runs on the caller's thread; reads `Stop` once per folder walked,
// once per pending folder and at least every 20 ms in between.
// After a stop it returns at once, keeping what it catalogued so far.
class FolderScan {
  public:
    FolderScan(FileCatalogue& catalogue, SearchObserver& observer, StopCheck& stop);

    // Scans one listed folder, given with or without one trailing "/". The
    // empty text only resets the progress to 0.
    void ScanFolder(const std::string& folder);

    // The pending folders as the last walk queued them (each ends with "/").
    std::vector<std::string> PendingFolders() const;

  private:
    struct Pending {
        std::string path;
        bool listed;       // the folder the user named (a link to it is followed)
        PlainFiles files;  // as the walk read them, until they are catalogued
    };

    void AddSubfolders(const std::string& path);
    void ListFiles(Pending& folder);

    FileCatalogue& catalogue_;
    SearchObserver& observer_;
    StopCheck& stop_;
    std::vector<Pending> pending_;
};

}  // namespace corvane
