#include "platform/FolderWalk.h"

#include <malloc.h>
#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <new>
#include <utility>

namespace corvane {
namespace {

constexpr std::size_t kMostHeld = 256;
constexpr std::size_t kFewestHeld = 4;

// How many folder descriptors the walk keeps open: a quarter of the soft
// limit leaves the rest of the program (and the listing threads' own
// descriptors) plenty.
std::size_t HeldLimit() {
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) {
        return kMostHeld;
    }
    return std::clamp<std::size_t>(limit.rlim_cur / 4, kFewestHeld, kMostHeld);
}

unsigned UsableCpus() {
    cpu_set_t cpus;
    CPU_ZERO(&cpus);
    if (::sched_getaffinity(0, sizeof cpus, &cpus) != 0) {
        return 1;
    }
    return static_cast<unsigned>(CPU_COUNT(&cpus));
}

bool OutOfDescriptors(const SysResult<int>& opened) {
    return opened.error() == EMFILE || opened.error() == ENFILE;
}

}  // namespace

unsigned FolderWalk::DefaultThreads() {
    return UsableCpus() >= 2 ? 2 : 1;
}

FolderWalk::FolderWalk(unsigned threads) : threadCount_(std::max(1u, threads)) {}

FolderWalk::~FolderWalk() {
    Cancel();
    // The listings were made on the listing threads, in malloc arenas of
    // their own, where the rest of the search (on another thread) cannot use
    // the space once they are freed: give it back to the system.
    folders_ = {};
    ::malloc_trim(0);
}

std::string FolderWalk::PathOf(std::uint32_t k) const {
    std::vector<std::uint32_t> chain;
    for (; k != kNone; k = folders_[k].parent) {
        chain.push_back(k);
    }
    std::string path = folders_[chain.back()].name;
    for (auto it = chain.rbegin() + 1; it != chain.rend(); ++it) {
        path += folders_[*it].name;
        path += '/';
    }
    return path;
}

void FolderWalk::Start(const std::string& path, const StopToken* stop,
                       std::function<void(const std::string&)> listed) {
    stop_ = stop;
    listed_ = std::move(listed);
    maxHeld_ = HeldLimit();
    Folder& named = folders_.emplace_back();
    named.name = path;
    const SysResult<OpenFolder> opened = OpenNamedFolder(path);
    if (!opened) {
        named.error = opened.error();
        done_ = true;
        return;
    }
    named.id = opened->id;
    named.fd = opened->fd;
    toList_.push_back(0);
    for (unsigned t = 0; t < threadCount_; ++t) {
        threads_.emplace_back([this] { Run(); });
    }
}

bool FolderWalk::Wait(std::chrono::milliseconds timeout) {
    {
        std::unique_lock lock(mutex_);
        if (!walkDone_.wait_for(lock, timeout, [this] { return done_; })) {
            return false;
        }
    }
    Finish();
    return true;
}

void FolderWalk::Cancel() {
    cancel_.store(true, std::memory_order_relaxed);
    {
        // Taken so that no thread is between its check and its wait.
        std::lock_guard lock(mutex_);
    }
    workReady_.notify_all();
    Finish();
}

void FolderWalk::Finish() {
    for (std::thread& thread : threads_) {
        thread.join();
    }
    threads_.clear();
    for (const std::uint32_t k : held_) {
        ::close(std::exchange(folders_[k].fd, -1));
    }
    held_.clear();
    if (!folders_.empty() && folders_[0].fd >= 0) {
        ::close(std::exchange(folders_[0].fd, -1));
    }
    toList_.clear();
}

void FolderWalk::Run() {
    std::unique_lock lock(mutex_);
    for (;;) {
        while (toList_.empty() && busy_ > 0 && !failure_ && !Ending()) {
            ++idle_;
            workReady_.wait(lock);
            --idle_;
        }
        if (failure_ || Ending() || toList_.empty()) {
            break;
        }
        const std::uint32_t k = toList_.back();
        toList_.pop_back();
        ++busy_;
        try {
            ListOne(k, lock);
        } catch (const std::bad_alloc&) {
            if (!lock.owns_lock()) {
                lock.lock();
            }
            failure_ = ENOMEM;
        }
        --busy_;
        if (failure_ || (toList_.empty() && busy_ == 0)) {
            break;
        }
    }
    if (failure_ || (toList_.empty() && busy_ == 0)) {
        done_ = true;
    }
    workReady_.notify_all();
    walkDone_.notify_all();
}

void FolderWalk::ListOne(std::uint32_t k, std::unique_lock<std::mutex>& lock) {
    Folder& folder = folders_[k];  // a deque: stays put while others are added
    const std::uint32_t parent = folder.parent;
    int parentFd = -1;
    if (k != 0) {
        const SysResult<int> opened = FolderFd(parent);
        if (!opened) {
            folder.error = opened.error();
            DoneOpeningChild(parent);
            return;
        }
        parentFd = opened.value();
        ++folders_[parent].pins;  // until this folder is published: one lock a folder
    }
    lock.unlock();
    const SysResult<int> opened = k == 0 ? SysResult<int>(folder.fd) : OpenChild(k, parentFd, lock);
    const int fd = opened ? opened.value() : -1;
    std::vector<Subfolder> subfolders;
    PlainFiles files;
    const int error =
        opened ? ListOpenFolder(fd, subfolders, files, stop_, listTimes_) : opened.error();
    if (error == 0 && listed_) {
        lock.lock();
        const std::string path = PathOf(k);
        lock.unlock();
        listed_(path);
    }
    const bool keep = error == 0 && !subfolders.empty();
    if (!keep && k != 0 && fd >= 0) {
        ::close(fd);
    }
    lock.lock();
    if (k != 0) {
        --folders_[parent].pins;
        DoneOpeningChild(parent);
    }
    folder.error = error;
    folder.files = std::move(files);
    if (keep) {
        Publish(k, fd, subfolders);
    }
}

SysResult<int> FolderWalk::OpenChild(std::uint32_t k, int parentFd,
                                     std::unique_lock<std::mutex>& lock) {
    const Folder& folder = folders_[k];
    SysResult<int> opened = OpenSubfolder(parentFd, folder.name, folder.id);
    if (OutOfDescriptors(opened)) {
        lock.lock();
        Evict(held_.size() / 2);
        lock.unlock();
        opened = OpenSubfolder(parentFd, folder.name, folder.id);
    }
    return opened;
}

void FolderWalk::Publish(std::uint32_t k, int fd, std::vector<Subfolder>& subfolders) {
    Folder& folder = folders_[k];
    if (subfolders.size() >= kNone - folders_.size()) {
        if (k != 0) {
            ::close(fd);
        }
        failure_ = EOVERFLOW;  // more folders than the walk can number
        return;
    }
    folder.firstChild = static_cast<std::uint32_t>(folders_.size());
    folder.childCount = static_cast<std::uint32_t>(subfolders.size());
    folder.unopened = folder.childCount;
    for (Subfolder& subfolder : subfolders) {
        Folder& child = folders_.emplace_back();
        child.name = std::move(subfolder.name);
        child.parent = k;
        child.id = subfolder.id;
        child.depth = folder.depth + 1;
    }
    if (k != 0) {
        Hold(k, fd);
    }
    // Last one first, so that the first subfolder is on top: the walk goes
    // depth first, which keeps few folders with subfolders still to open.
    for (std::uint32_t c = folder.childCount; c-- > 0;) {
        toList_.push_back(folder.firstChild + c);
    }
    Evict(maxHeld_);
    // This thread takes the first subfolder itself; another may take the next.
    if (idle_ > 0 && folder.childCount > 1) {
        workReady_.notify_one();
    }
}

SysResult<int> FolderWalk::FolderFd(std::uint32_t k) {
    if (folders_[k].fd >= 0) {
        return folders_[k].fd;
    }
    // Its descriptor was let go. Climb to the nearest folder that is open, or
    // that an open subfolder leads back to through ".."; then open the
    // folders below it again, name by name.
    std::vector<std::uint32_t> down;  // deepest first
    std::uint32_t at = k;
    int fd = -1;
    while (fd < 0) {
        Folder& folder = folders_[at];
        if (folder.fd >= 0) {
            fd = folder.fd;
            break;
        }
        for (std::uint32_t c = folder.firstChild; c < folder.firstChild + folder.childCount; ++c) {
            if (folders_[c].fd >= 0) {
                const SysResult<int> up = OpenParentFolder(folders_[c].fd, folder.id);
                if (up) {
                    Hold(at, up.value());
                    fd = up.value();
                    break;
                }
            }
        }
        if (fd < 0) {
            down.push_back(at);
            at = folder.parent;  // the named folder stays open all along
        }
    }
    bool ownFd = false;  // fd is a stepping stone held by no folder
    for (auto it = down.rbegin(); it != down.rend(); ++it) {
        Folder& folder = folders_[*it];
        SysResult<int> next = OpenSubfolder(fd, folder.name, folder.id);
        if (OutOfDescriptors(next)) {
            Evict(held_.size() / 2);
            next = OpenSubfolder(fd, folder.name, folder.id);
        }
        if (ownFd) {
            ::close(fd);
        }
        if (!next) {
            return next;
        }
        fd = next.value();
        ownFd = folder.unopened == 0;
        if (!ownFd) {
            Hold(*it, fd);
            ++folder.pins;
            Evict(maxHeld_);
            --folder.pins;
        }
    }
    return fd;
}

void FolderWalk::Hold(std::uint32_t k, int fd) {
    folders_[k].fd = fd;
    held_.push_back(k);
}

void FolderWalk::Release(std::uint32_t k) {
    Folder& folder = folders_[k];
    if (folder.fd < 0) {
        return;
    }
    // Going back up a deep tree: the folder above was let go but still has
    // subfolders to open. ".." from here gets it back in one step.
    Folder& parent = folders_[folder.parent];
    if (parent.fd < 0 && parent.unopened > 0) {
        const SysResult<int> up = OpenParentFolder(folder.fd, parent.id);
        if (up) {
            Hold(folder.parent, up.value());
        }
    }
    ::close(std::exchange(folder.fd, -1));
    held_.erase(std::find(held_.begin(), held_.end(), k));
}

void FolderWalk::DoneOpeningChild(std::uint32_t k) {
    Folder& folder = folders_[k];
    --folder.unopened;
    if (folder.unopened == 0 && folder.pins == 0 && k != 0) {
        Release(k);
    }
}

void FolderWalk::Evict(std::size_t keep) {
    while (held_.size() > keep) {
        // The shallowest goes first: in a depth-first walk it is needed last.
        std::size_t pick = held_.size();
        for (std::size_t h = 0; h < held_.size(); ++h) {
            const Folder& folder = folders_[held_[h]];
            if (folder.pins == 0 &&
                (pick == held_.size() || folder.depth < folders_[held_[pick]].depth)) {
                pick = h;
            }
        }
        if (pick == held_.size()) {
            return;
        }
        ::close(std::exchange(folders_[held_[pick]].fd, -1));
        held_[pick] = held_.back();
        held_.pop_back();
    }
}

}  // namespace corvane
