#include "platform/FileDigest.h"

#include "platform/FileBatches.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <xxhash.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace corvane {
namespace {

ContentKey KeyOf(XXH128_hash_t hash) {
    return ContentKey{hash.high64, hash.low64};
}

FileDigest Failed(DigestOutcome outcome, int error = 0) {
    FileDigest result;
    result.outcome = outcome;
    result.error = error;
    return result;
}

// Reads exactly `count` bytes at `offset`. Returns the count read, short at
// the end of the file, or -1. Reads by offset leave the descriptor's position
// alone, so the stages need no seek in between.
ssize_t ReadFully(int fd, char* into, std::size_t count, off_t offset) {
    std::size_t done = 0;
    while (done < count) {
        const ssize_t got =
            ::pread(fd, into + done, count - done, offset + static_cast<off_t>(done));
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return -1;
        }
        if (got == 0) {
            break;
        }
        done += static_cast<std::size_t>(got);
    }
    return static_cast<ssize_t>(done);
}

int OpenOnce(int at, const char* name) {
    int fd = ::openat(at, name, kDigestOpenFlags | O_NOATIME);
    if (fd < 0 && errno == EPERM) {
        fd = ::openat(at, name, kDigestOpenFlags);  // O_NOATIME is only for the file's owner
    }
    return fd;
}

// Opens a file whose path is too long for one call: each folder relative to
// the one before, then the file in the last.
int OpenByParts(const std::string& path) {
    int at = path.starts_with('/') ? ::open("/", O_PATH | O_DIRECTORY | O_CLOEXEC) : AT_FDCWD;
    std::size_t from = 0;
    for (std::size_t slash = path.find('/'); slash != std::string::npos && at != -1;
         slash = path.find('/', from)) {
        const std::string part = path.substr(from, slash - from);
        from = slash + 1;
        if (part.empty()) {
            continue;
        }
        const int next = ::openat(at, part.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC);
        const int error = errno;
        if (at >= 0) {
            ::close(at);
        }
        at = next;
        errno = error;
    }
    if (at == -1) {
        return -1;
    }
    const int fd = OpenOnce(at, path.c_str() + from);
    const int error = errno;
    if (at >= 0) {
        ::close(at);
    }
    errno = error;
    return fd;
}

// Zeros to digest the holes of sparse files with.
constexpr std::size_t kZeroBytes = 64 * 1024;
const char* Zeros() {
    static const char* const zeros = static_cast<const char*>(std::calloc(kZeroBytes, 1));
    return zeros;
}

// Digests the hole at `offset` (if any) as zeros, up to the next data or
// `size`, and moves `offset` past it. False when the callback says stop.
bool DigestHole(int fd, XXH3_state_t* hash, off_t& offset, off_t size, const ReadCallback& onRead) {
    const off_t data = ::lseek(fd, offset, SEEK_DATA);
    // ENXIO: no data from here on; any other failure: read it all.
    const off_t holeEnd = data >= 0 ? std::min(data, size) : errno == ENXIO ? size : offset;
    while (offset < holeEnd) {
        const auto n = static_cast<std::size_t>(
            std::min<off_t>(holeEnd - offset, static_cast<off_t>(kZeroBytes)));
        XXH3_128bits_update(hash, Zeros(), n);
        offset += static_cast<off_t>(n);
        if (onRead && !onRead(0)) {
            return false;
        }
    }
    return true;
}

}  // namespace

ContentKey DigestOfBytes(std::string_view bytes, const DigestSecret* secret) {
    if (secret != nullptr) {
        return KeyOf(XXH3_128bits_withSecret(bytes.data(), bytes.size(), secret->bytes.data(),
                                             secret->bytes.size()));
    }
    return KeyOf(XXH3_128bits(bytes.data(), bytes.size()));
}

ContentKey KeyOfNoBytes() {
    return DigestOfBytes({});
}

ContentKey KeyNotFromContent(std::int64_t size, std::string_view bytesRead) {
    return KeyOf(
        XXH3_128bits_withSeed(bytesRead.data(), bytesRead.size(), static_cast<XXH64_hash_t>(size)));
}

struct DigestReader::State {
    std::unique_ptr<char[]> buffer;
    std::size_t bufferBytes = 0;
    XXH3_state_t* hash = nullptr;
    const DigestSecret* secret = nullptr;

    void Reset() {
        if (secret != nullptr) {
            XXH3_128bits_reset_withSecret(hash, secret->bytes.data(), secret->bytes.size());
        } else {
            XXH3_128bits_reset(hash);
        }
    }
};

DigestReader::DigestReader(std::size_t bufferBytes, const DigestSecret* secret)
    : state_(std::make_unique<State>()) {
    state_->bufferBytes = std::max(bufferBytes, 2 * kEdgeBlockBytes);
    state_->buffer = std::make_unique<char[]>(state_->bufferBytes);
    state_->hash = XXH3_createState();
    state_->secret = secret;
}

DigestReader::~DigestReader() {
    XXH3_freeState(state_->hash);
}

FileDigest DigestReader::Whole(const std::string& path, const FileExpectation& expected,
                               const ReadCallback& onRead) {
    StampedFile file(path, expected);
    return file.IsOpen() ? file.Finish(file.Whole(*this, onRead)) : file.Failure();
}

StampedFile::StampedFile(const std::string& path, const FileExpectation& expected) {
    fd_ = OpenOnce(AT_FDCWD, path.c_str());
    if (fd_ < 0 && errno == ENAMETOOLONG) {
        fd_ = OpenByParts(path);
    }
    if (fd_ < 0) {
        // With O_NOFOLLOW, ELOOP means a link now stands where the file was.
        failure_ = errno == ELOOP ? Failed(DigestOutcome::Changed)
                                  : Failed(DigestOutcome::Unreadable, errno);
        return;
    }
    struct stat st {};
    if (::fstat(fd_, &st) != 0) {
        failure_ = Failed(DigestOutcome::Unreadable, errno);
        Close();
        return;
    }
    Check(st, expected);
}

StampedFile::StampedFile(FileBatches& batches, const std::string& path, int fd, int openError,
                         const struct stat* opened, int lookError, const FileExpectation& expected)
    : fd_(fd), batches_(&batches) {
    if (openError == EPERM || openError == ENAMETOOLONG) {
        // Not the file's owner (no O_NOATIME then), or a path too long for
        // one call: opened as one at a time.
        *this = StampedFile(path, expected);
        batches_ = &batches;
        return;
    }
    if (fd_ < 0) {
        failure_ = openError == ELOOP ? Failed(DigestOutcome::Changed)
                                      : Failed(DigestOutcome::Unreadable, openError);
        return;
    }
    if (opened == nullptr) {
        failure_ = Failed(DigestOutcome::Unreadable, lookError);
        Close();
        return;
    }
    Check(*opened, expected);
}

void StampedFile::Check(const struct stat& st, const FileExpectation& expected) {
    opened_ = StampOf(st);
    // Only a file with fewer blocks than bytes can hold holes worth finding.
    sparse_ = st.st_blocks * 512 < st.st_size;
    if (!S_ISREG(st.st_mode) || !expected.HeldBy(opened_)) {
        failure_ = Failed(DigestOutcome::Changed);
        Close();
    }
}

StampedFile::~StampedFile() {
    Close();
}

StampedFile::StampedFile(StampedFile&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)),
      batches_(other.batches_),
      edge_(other.edge_),
      opened_(other.opened_),
      sparse_(other.sparse_),
      failure_(other.failure_) {}

StampedFile& StampedFile::operator=(StampedFile&& other) noexcept {
    if (this != &other) {
        Close();
        fd_ = std::exchange(other.fd_, -1);
        batches_ = other.batches_;
        edge_ = other.edge_;
        opened_ = other.opened_;
        sparse_ = other.sparse_;
        failure_ = other.failure_;
    }
    return *this;
}

void StampedFile::Close() {
    if (fd_ >= 0) {
        if (batches_ != nullptr) {
            batches_->CloseLater(fd_);
        } else {
            ::close(fd_);
        }
        fd_ = -1;
    }
}

FileDigest StampedFile::Finish(const FileDigest& done) {
    FileDigest result = done;
    if (done.outcome == DigestOutcome::Done) {
        struct stat after {};
        if (::fstat(fd_, &after) != 0) {
            result = Failed(DigestOutcome::Unreadable, errno);
        } else if (!(StampOf(after) == opened_)) {
            result = Failed(DigestOutcome::Changed);
        }
    }
    Close();
    return result;
}

FileDigest StampedFile::Release(const FileDigest& done) {
    Close();
    return done;
}

FileDigest StampedFile::Block(DigestReader& reader, off_t offset, std::size_t count,
                              const ReadCallback& onRead) {
    const bool read = edge_.offset == offset && edge_.bytes.size() == count;
    const char* buffer = read ? edge_.bytes.data() : reader.state_->buffer.get();
    const ssize_t got = read ? static_cast<ssize_t>(count)
                             : ReadFully(fd_, reader.state_->buffer.get(), count, offset);
    edge_ = {};
    if (got < 0) {
        return Failed(DigestOutcome::Unreadable, errno);
    }
    if (onRead && !onRead(static_cast<std::size_t>(got))) {
        return Failed(DigestOutcome::Stopped);
    }
    if (static_cast<std::size_t>(got) != count) {
        return Failed(DigestOutcome::Changed);  // ended early: shortened meanwhile
    }
    FileDigest done;
    done.outcome = DigestOutcome::Done;
    done.key = DigestOfBytes({buffer, count}, reader.state_->secret);
    return done;
}

FileDigest StampedFile::Head(DigestReader& reader, const ReadCallback& onRead) {
    const auto size = static_cast<std::size_t>(opened_.size);
    FileDigest done = Block(reader, 0, std::min(size, kEdgeBlockBytes), onRead);
    done.whole = size <= kEdgeBlockBytes && done.outcome == DigestOutcome::Done;
    return done;
}

FileDigest StampedFile::Tail(DigestReader& reader, const ReadCallback& onRead) {
    const auto size = static_cast<std::size_t>(opened_.size);
    const std::size_t count = std::min(size, kEdgeBlockBytes);
    return Block(reader, static_cast<off_t>(size - count), count, onRead);
}

FileDigest StampedFile::Whole(DigestReader& reader, const ReadCallback& onRead) {
    reader.state_->Reset();
    return Span(reader, 0, static_cast<off_t>(opened_.size), onRead);
}

FileDigest StampedFile::Rest(DigestReader& reader, const ContentKey& head, const ContentKey* tail,
                             const ReadCallback& onRead) {
    DigestReader::State& state = *reader.state_;
    state.Reset();
    XXH3_128bits_update(state.hash, &head, sizeof head);
    const auto size = static_cast<off_t>(opened_.size);
    const auto block = static_cast<off_t>(kEdgeBlockBytes);
    FileDigest done = Span(reader, std::min(block, size),
                           tail != nullptr ? std::max(block, size - block) : size, onRead);
    if (done.outcome == DigestOutcome::Done && tail != nullptr) {
        XXH3_128bits_update(state.hash, tail, sizeof *tail);
        done.key = KeyOf(XXH3_128bits_digest(state.hash));
    }
    return done;
}

FileDigest StampedFile::Span(DigestReader& reader, off_t from, off_t to,
                             const ReadCallback& onRead) {
    // Below the kernel's own read-ahead the advice would only cost a call.
    constexpr off_t kAdviseFrom = 256 * 1024;
    if (to - from >= kAdviseFrom) {
        ::posix_fadvise(fd_, from, to - from, POSIX_FADV_SEQUENTIAL);
    }
    DigestReader::State& state = *reader.state_;
    char* buffer = state.buffer.get();
    const bool sparse = sparse_;
    if (from == to && onRead && !onRead(0)) {
        return Failed(DigestOutcome::Stopped);
    }
    for (off_t offset = from; offset < to;) {
        off_t dataEnd = to;
        if (sparse) {
            if (!DigestHole(fd_, state.hash, offset, to, onRead)) {
                return Failed(DigestOutcome::Stopped);
            }
            if (offset >= to) {
                break;
            }
            const off_t hole = ::lseek(fd_, offset, SEEK_HOLE);
            dataEnd = hole < 0 ? to : std::min(hole, to);
        }
        while (offset < dataEnd) {
            const auto want = static_cast<std::size_t>(
                std::min<off_t>(dataEnd - offset, static_cast<off_t>(state.bufferBytes)));
            const ssize_t got = ReadFully(fd_, buffer, want, offset);
            if (got < 0) {
                return Failed(DigestOutcome::Unreadable, errno);
            }
            if (onRead && !onRead(static_cast<std::size_t>(got))) {
                return Failed(DigestOutcome::Stopped);
            }
            if (static_cast<std::size_t>(got) != want) {
                return Failed(DigestOutcome::Changed);  // ended early: shortened meanwhile
            }
            XXH3_128bits_update(state.hash, buffer, want);
            offset += static_cast<off_t>(want);
        }
    }
    FileDigest done;
    done.outcome = DigestOutcome::Done;
    done.key = KeyOf(XXH3_128bits_digest(state.hash));
    done.whole = true;
    return done;
}

}  // namespace corvane
