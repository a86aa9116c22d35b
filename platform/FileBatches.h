// Opening files for digests many at a time. A warm search by contents spends
// most of its time entering the kernel: four calls a file (open, fstat, read,
// close), and on a virtual machine each costs about a microsecond before it
// does any work. Through one io_uring a batch of files is opened in one call,
// and each open descriptor is looked at (statx) in a second, which also
// closes the files of the batch before. Without io_uring (an old kernel, a
// sandbox that forbids it) each file is opened, looked at and closed on its
// own, as StampedFile does.
#pragma once

#include <fcntl.h>

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "platform/FileDigest.h"

namespace corvane {

// How every file is opened for its digest: without following a link in its
// last component, without blocking on a FIFO put in its place, closed on
// exec; O_NOATIME is added where the system allows it.
inline constexpr int kDigestOpenFlags = O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY;

class FileBatches {
  public:
    static constexpr std::size_t kMostFiles = 64;  // a batch opens at most this many

    // `ring`: use io_uring where the kernel offers it (tests turn it off).
    explicit FileBatches(bool ring = true);
    ~FileBatches();
    FileBatches(const FileBatches&) = delete;
    FileBatches& operator=(const FileBatches&) = delete;

    struct Request {
        const std::string* path = nullptr;
        FileExpectation expected;
    };
    // Which block of each file that passed its checks is read in the batch
    // too: none, its head or its tail (StampedFile::Head and Tail then
    // digest those bytes instead of reading them again; they are kept until
    // the next Open).
    enum class Edge { None, Head, Tail };
    // Opens each request (at most kMostFiles) as StampedFile would, with the
    // same checks, into `files`, in order; then reads their `edge`.
    void Open(const std::vector<Request>& requests, std::vector<StampedFile>& files,
              Edge edge = Edge::None);
    // Closes `fd` with the next batch (its number stays taken until then).
    void CloseLater(int fd);

  private:
    struct Ring;
    // Submits what is queued and waits for `count` completions, each handed
    // to `done(tag, result)`.
    template <typename Done>
    void Complete(std::size_t count, Done done);
    void ReadEdges(std::vector<StampedFile>& files, Edge edge);

    std::unique_ptr<Ring> ring_;
    bool broken_ = false;  // the ring failed: one file at a time from then on
    std::vector<int> closing_;
};

}  // namespace corvane
