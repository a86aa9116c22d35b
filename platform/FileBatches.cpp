#include "platform/FileBatches.h"

#include <liburing.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>

namespace corvane {
namespace {

constexpr std::uint64_t kCloseTag = ~std::uint64_t{0};
// A batch's statx calls and the closes of the batch before share one
// submission; closes beyond that room are made at once.
constexpr unsigned kRingEntries = 4 * FileBatches::kMostFiles;
constexpr std::size_t kMostCloses = kRingEntries - FileBatches::kMostFiles;

// The fields StampedFile checks, as fstat gives them.
constexpr unsigned kNeeded =
    STATX_TYPE | STATX_MODE | STATX_INO | STATX_SIZE | STATX_BLOCKS | STATX_MTIME | STATX_CTIME;

struct stat StatOf(const struct statx& x) {
    struct stat st {};
    st.st_dev = makedev(x.stx_dev_major, x.stx_dev_minor);
    st.st_ino = x.stx_ino;
    st.st_mode = x.stx_mode;
    st.st_size = static_cast<off_t>(x.stx_size);
    st.st_blocks = static_cast<blkcnt_t>(x.stx_blocks);
    st.st_mtim = {static_cast<time_t>(x.stx_mtime.tv_sec), x.stx_mtime.tv_nsec};
    st.st_ctim = {static_cast<time_t>(x.stx_ctime.tv_sec), x.stx_ctime.tv_nsec};
    return st;
}

}  // namespace

struct FileBatches::Ring {
    io_uring ring{};
    bool ready = false;
    // What the kernel writes into while a batch is out: kept with the ring,
    // so that a batch cut short by a failing ring leaves nothing dangling.
    std::vector<struct statx> looks = std::vector<struct statx>(kMostFiles);
    std::vector<char> edges = std::vector<char>(kMostFiles * kEdgeBlockBytes);
    ~Ring() {
        if (ready) {
            io_uring_queue_exit(&ring);
        }
    }
};

FileBatches::FileBatches(bool ring) {
    if (!ring) {
        return;
    }
    auto made = std::make_unique<Ring>();
    made->ready = io_uring_queue_init(kRingEntries, &made->ring, 0) == 0;
    if (!made->ready) {
        return;
    }
    // Kernels before 5.6 know none of the three operations.
    io_uring_probe* probe = io_uring_get_probe_ring(&made->ring);
    const bool able = probe != nullptr && io_uring_opcode_supported(probe, IORING_OP_OPENAT) &&
                      io_uring_opcode_supported(probe, IORING_OP_STATX) &&
                      io_uring_opcode_supported(probe, IORING_OP_CLOSE);
    if (probe != nullptr) {
        io_uring_free_probe(probe);
    }
    if (able) {
        ring_ = std::move(made);
    }
}

FileBatches::~FileBatches() {
    for (const int fd : closing_) {
        ::close(fd);
    }
}

void FileBatches::CloseLater(int fd) {
    if (ring_ == nullptr || broken_ || closing_.size() >= kMostCloses) {
        ::close(fd);
        return;
    }
    closing_.push_back(fd);
}

template <typename Done>
void FileBatches::Complete(std::size_t count, Done done) {
    io_uring& ring = ring_->ring;
    // Every entry queued must be in the kernel before its answers are
    // awaited, or the wait would never end.
    while (io_uring_sq_ready(&ring) > 0) {
        const int submitted = io_uring_submit(&ring);
        if (submitted < 0 && submitted != -EINTR) {
            broken_ = true;  // what was not submitted never runs
            return;
        }
    }
    for (std::size_t reaped = 0; reaped < count;) {
        io_uring_cqe* cqe = nullptr;
        const int waited = io_uring_wait_cqe(&ring, &cqe);
        if (waited == -EINTR) {
            continue;
        }
        if (waited < 0) {
            // The ring itself failed. What is still out is left to it (its
            // buffers live as long as it does), and the files that follow
            // are opened one at a time.
            broken_ = true;
            return;
        }
        done(cqe->user_data, cqe->res);
        io_uring_cqe_seen(&ring, cqe);
        ++reaped;
    }
}

void FileBatches::Open(const std::vector<Request>& requests, std::vector<StampedFile>& files,
                       Edge edge) {
    files.clear();
    files.reserve(requests.size());
    if (ring_ == nullptr || broken_) {
        for (const Request& request : requests) {
            files.emplace_back(*request.path, request.expected);
        }
        return;
    }
    io_uring& ring = ring_->ring;
    const std::size_t n = requests.size();
    std::vector<int> fds(n, -1);
    constexpr int kNoAnswer = -1;
    std::vector<int> openErrors(n, kNoAnswer);
    std::vector<int> lookErrors(n, EIO);
    std::vector<struct statx>& looks = ring_->looks;

    for (std::size_t i = 0; i < n; ++i) {
        io_uring_sqe* sqe = io_uring_get_sqe(&ring);
        io_uring_prep_openat(sqe, AT_FDCWD, requests[i].path->c_str(), kDigestOpenFlags | O_NOATIME,
                             0);
        io_uring_sqe_set_data64(sqe, i);
    }
    Complete(n, [&](std::uint64_t tag, int result) {
        if (tag < n) {
            (result >= 0 ? fds[tag] : openErrors[tag]) = result >= 0 ? result : -result;
        }
    });

    std::size_t queued = 0;
    for (std::size_t i = 0; i < n && !broken_; ++i) {
        if (fds[i] >= 0) {
            io_uring_sqe* sqe = io_uring_get_sqe(&ring);
            io_uring_prep_statx(sqe, fds[i], "", AT_EMPTY_PATH | AT_STATX_SYNC_AS_STAT, kNeeded,
                                &looks[i]);
            io_uring_sqe_set_data64(sqe, i);
            ++queued;
        }
    }
    for (const int fd : broken_ ? std::vector<int>() : closing_) {
        io_uring_sqe* sqe = io_uring_get_sqe(&ring);
        io_uring_prep_close(sqe, fd);
        io_uring_sqe_set_data64(sqe, kCloseTag);
        ++queued;
    }
    if (!broken_) {
        closing_.clear();
    }
    Complete(queued, [&](std::uint64_t tag, int result) {
        if (tag < n) {
            lookErrors[tag] = result < 0 ? -result : 0;
        }
    });

    for (std::size_t i = 0; i < n; ++i) {
        const Request& request = requests[i];
        if (fds[i] < 0 && openErrors[i] == kNoAnswer) {
            files.emplace_back(*request.path, request.expected);  // the ring failed first
            continue;
        }
        if (fds[i] < 0) {
            files.emplace_back(*this, *request.path, -1, openErrors[i], nullptr, 0,
                               request.expected);
            continue;
        }
        struct stat st {};
        int lookError = lookErrors[i];
        if (!broken_ && lookError == 0 && (looks[i].stx_mask & kNeeded) == kNeeded) {
            st = StatOf(looks[i]);
        } else if (::fstat(fds[i], &st) == 0) {  // a file system that answers statx in part
            lookError = 0;
        } else {
            lookError = errno;
        }
        files.emplace_back(*this, *request.path, fds[i], 0, lookError == 0 ? &st : nullptr,
                           lookError, request.expected);
    }
    if (edge != Edge::None && !broken_) {
        ReadEdges(files, edge);
    }
}

// Reads the head or tail block of every open file in one submission. Only a
// block read whole is handed to its file; any other answer leaves the file
// to read it again itself, and report what that read finds.
void FileBatches::ReadEdges(std::vector<StampedFile>& files, Edge edge) {
    io_uring& ring = ring_->ring;
    std::vector<std::size_t> counts(files.size(), 0);
    std::vector<int> results(files.size(), -1);
    std::size_t queued = 0;
    for (std::size_t i = 0; i < files.size(); ++i) {
        const auto size = static_cast<std::size_t>(files[i].Opened().size);
        if (!files[i].IsOpen() || size == 0) {
            continue;
        }
        counts[i] = std::min(size, kEdgeBlockBytes);
        const std::size_t offset = edge == Edge::Head ? 0 : size - counts[i];
        io_uring_sqe* sqe = io_uring_get_sqe(&ring);
        io_uring_prep_read(sqe, files[i].fd_, ring_->edges.data() + i * kEdgeBlockBytes,
                           static_cast<unsigned>(counts[i]), offset);
        io_uring_sqe_set_data64(sqe, i);
        ++queued;
    }
    Complete(queued, [&](std::uint64_t tag, int result) { results[tag] = result; });
    for (std::size_t i = 0; i < files.size() && !broken_; ++i) {
        if (files[i].IsOpen() && results[i] >= 0 &&
            static_cast<std::size_t>(results[i]) == counts[i]) {
            files[i].edge_ = {
                edge == Edge::Head ? 0
                                   : files[i].Opened().size - static_cast<std::int64_t>(counts[i]),
                std::string_view(ring_->edges.data() + i * kEdgeBlockBytes, counts[i])};
        }
    }
}

}  // namespace corvane
