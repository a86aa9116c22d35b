// Reading a whole folder tree on several threads, by descriptor, never
// leaving it: the listing half of phase 1.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/DirectoryListing.h"
#include "platform/FileId.h"
#include "platform/StopToken.h"
#include "platform/SysResult.h"

namespace corvane {

// Lists the named folder and every folder below it. The named folder is
// opened by its path and may be a link (the user chose it); every folder
// below is opened relative to its parent's descriptor, by its bare name,
// without following a link, and kept only when it is the folder (device and
// inode) its parent's listing saw. So a folder swapped for a link or for
// another folder mid-walk is reported, never entered, and paths of any
// length are walked.
//
// Threads: Start() hands the folders to `threads` listing threads, which take
// them from a shared stack; Wait() and Cancel() are for the one thread that
// called Start(). The tree's shape and order do not depend on which thread
// read what: Folders() is the same for every run over an unchanged tree.
//
// Descriptors: a folder's descriptor stays open while some of its subfolders
// are still to be opened, at most about a quarter of the soft RLIMIT_NOFILE
// (and 256) at once. Past that the shallowest are closed; a folder whose
// descriptor was closed is opened again through ".." from an open subfolder
// or down from its nearest open ancestor, name by name, with the same checks.
// Nothing stays open once the walk has ended.
class FolderWalk {
  public:
    static constexpr std::uint32_t kNone = UINT32_MAX;

    struct Folder {
        std::string name;  // the path as given for the first folder; else one name
        std::uint32_t parent = kNone;
        std::uint32_t firstChild = 0;  // the subfolders: firstChild .. firstChild + childCount - 1,
        std::uint32_t childCount = 0;  // in byte order of their names
        int error = 0;                 // the errno that kept it from being listed
        PlainFiles files;              // its files, until the caller takes them

        // The walk's own: what the listing saw, and the open descriptor.
        FileId id;
        std::uint32_t depth = 0;
        std::uint32_t unopened = 0;  // subfolders not yet opened
        int fd = -1;
        int pins = 0;  // threads using fd outside the lock
    };

    // Two listing threads where the process may run on two CPUs or more.
    static unsigned DefaultThreads();

    explicit FolderWalk(unsigned threads = DefaultThreads());
    ~FolderWalk();
    FolderWalk(const FolderWalk&) = delete;
    FolderWalk& operator=(const FolderWalk&) = delete;

    // Opens `path` (ending in "/") and starts listing. The threads look at
    // `stop`, when given, before each folder and every few hundred entries of
    // a large one, and end the walk once it is tripped. `listed`, when given,
    // runs on a listing thread with each folder's path once it has been listed
    // and before any folder inside it is opened (a seam for tests).
    void Start(const std::string& path, const StopToken* stop = nullptr,
               std::function<void(const std::string&)> listed = {});
    // Lists the files' times too (PlainFiles::times); call before Start.
    void ListTimes(bool listTimes) { listTimes_ = listTimes; }

    // Waits at most `timeout`; true once the walk has ended: every folder
    // listed, or Failure() set (the threads have ended then).
    bool Wait(std::chrono::milliseconds timeout);
    // 0, or why the walk ended early: EOVERFLOW when the tree holds more
    // folders than one walk can number, ENOMEM when memory ran out.
    int Failure() const { return failure_; }

    // Makes the threads stop at their next folder and waits for them.
    void Cancel();

    // The folders, the named one first; each folder's subfolders follow one
    // another. Read them only after Wait() returned true or after Cancel().
    std::deque<Folder>& Folders() { return folders_; }
    const std::deque<Folder>& Folders() const { return folders_; }

    // Folder k's path: the named folder's path, then a name and "/" a level.
    std::string PathOf(std::uint32_t k) const;

  private:
    void Run();
    bool Ending() const {
        return cancel_.load(std::memory_order_relaxed) || (stop_ != nullptr && stop_->Stopped());
    }
    void ListOne(std::uint32_t k, std::unique_lock<std::mutex>& lock);
    // Opens folder k (not the named one) in the open `parentFd`, letting
    // held folders go when descriptors run out; called without the lock.
    SysResult<int> OpenChild(std::uint32_t k, int parentFd, std::unique_lock<std::mutex>& lock);
    // Enters a listed folder's subfolders for listing; under the lock.
    void Publish(std::uint32_t k, int fd, std::vector<Subfolder>& subfolders);
    SysResult<int> FolderFd(std::uint32_t k);
    void Hold(std::uint32_t k, int fd);
    void Release(std::uint32_t k);
    void DoneOpeningChild(std::uint32_t k);
    void Evict(std::size_t keep);
    void Finish();

    const unsigned threadCount_;
    std::size_t maxHeld_ = 0;
    std::function<void(const std::string&)> listed_;
    bool listTimes_ = false;

    std::mutex mutex_;
    std::condition_variable workReady_;
    std::condition_variable walkDone_;
    std::deque<Folder> folders_;
    std::vector<std::uint32_t> toList_;  // a stack: the next folder to list on top
    std::vector<std::uint32_t> held_;    // folders below the named one with an open fd
    unsigned busy_ = 0;                  // folders taken and not yet published
    unsigned idle_ = 0;                  // threads waiting for work
    bool done_ = false;
    int failure_ = 0;  // written under mutex_ by a listing thread
    const StopToken* stop_ = nullptr;
    std::atomic<bool> cancel_{false};  // the owner is done with the walk
    std::vector<std::thread> threads_;
};

}  // namespace corvane
