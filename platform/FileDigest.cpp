#include "platform/FileDigest.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <xxhash.h>

#include <algorithm>
#include <cerrno>

namespace corvane {
namespace {

ContentKey KeyOf(XXH128_hash_t hash) {
    return ContentKey{hash.high64, hash.low64};
}

// Owns a descriptor.
class Descriptor {
  public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) {
            ::close(fd_);
        }
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }

  private:
    int fd_;
};

FileDigest Failed(DigestOutcome outcome, int error = 0) {
    FileDigest result;
    result.outcome = outcome;
    result.error = error;
    return result;
}

// Opens the file and checks it is the one stamped. On failure `failure` says why.
int OpenStamped(const std::string& path, const FileStamp& expected, struct stat& before,
                FileDigest& failure) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        // With O_NOFOLLOW, ELOOP means a link now stands where the file was.
        failure = errno == ELOOP ? Failed(DigestOutcome::Changed)
                                 : Failed(DigestOutcome::Unreadable, errno);
        return -1;
    }
    if (::fstat(fd, &before) != 0) {
        failure = Failed(DigestOutcome::Unreadable, errno);
        ::close(fd);
        return -1;
    }
    if (!S_ISREG(before.st_mode) || !(StampOf(before) == expected)) {
        failure = Failed(DigestOutcome::Changed);
        ::close(fd);
        return -1;
    }
    return fd;
}

// Whether the open file still has the stamp it had when opened.
FileDigest CheckedAgain(int fd, const struct stat& before, FileDigest done) {
    struct stat after {};
    if (::fstat(fd, &after) != 0) {
        return Failed(DigestOutcome::Unreadable, errno);
    }
    if (!(StampOf(after) == StampOf(before))) {
        return Failed(DigestOutcome::Changed);
    }
    return done;
}

// Reads exactly `count` bytes at `offset` (or from the current position when
// offset < 0). Returns the count read, short at the end of the file, or -1.
ssize_t ReadFully(int fd, char* into, std::size_t count, off_t offset) {
    std::size_t done = 0;
    while (done < count) {
        const ssize_t got =
            offset < 0 ? ::read(fd, into + done, count - done)
                       : ::pread(fd, into + done, count - done, offset + static_cast<off_t>(done));
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

}  // namespace

ContentKey DigestOfBytes(std::string_view bytes) {
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
};

DigestReader::DigestReader(std::size_t bufferBytes) : state_(std::make_unique<State>()) {
    state_->bufferBytes = std::max(bufferBytes, 2 * kEdgeBlockBytes);
    state_->buffer = std::make_unique<char[]>(state_->bufferBytes);
    state_->hash = XXH3_createState();
}

DigestReader::~DigestReader() {
    XXH3_freeState(state_->hash);
}

FileDigest DigestReader::Edges(const std::string& path, const FileStamp& expected,
                               const ReadCallback& onRead) {
    struct stat before {};
    FileDigest failure;
    const Descriptor file(OpenStamped(path, expected, before, failure));
    if (file.get() < 0) {
        return failure;
    }
    const auto size = static_cast<std::size_t>(before.st_size);
    char* buffer = state_->buffer.get();
    FileDigest done;
    done.outcome = DigestOutcome::Done;
    if (size <= 2 * kEdgeBlockBytes) {
        const ssize_t got = ReadFully(file.get(), buffer, size, 0);
        if (got < 0) {
            return Failed(DigestOutcome::Unreadable, errno);
        }
        if (onRead && !onRead(static_cast<std::size_t>(got))) {
            return Failed(DigestOutcome::Stopped);
        }
        if (static_cast<std::size_t>(got) != size) {
            return Failed(DigestOutcome::Changed);
        }
        done.key = DigestOfBytes({buffer, size});
        done.whole = true;
        return CheckedAgain(file.get(), before, done);
    }
    // Two small reads far apart: read-ahead would only fetch bytes the
    // whole-file read (if it comes) reads again anyway.
    ::posix_fadvise(file.get(), 0, 0, POSIX_FADV_RANDOM);
    const off_t offsets[2] = {0, static_cast<off_t>(size - kEdgeBlockBytes)};
    for (int b = 0; b < 2; ++b) {
        const ssize_t got =
            ReadFully(file.get(), buffer + b * kEdgeBlockBytes, kEdgeBlockBytes, offsets[b]);
        if (got < 0) {
            return Failed(DigestOutcome::Unreadable, errno);
        }
        if (onRead && !onRead(static_cast<std::size_t>(got))) {
            return Failed(DigestOutcome::Stopped);
        }
        if (static_cast<std::size_t>(got) != kEdgeBlockBytes) {
            return Failed(DigestOutcome::Changed);
        }
    }
    done.key = KeyNotFromContent(static_cast<std::int64_t>(size), {buffer, 2 * kEdgeBlockBytes});
    return CheckedAgain(file.get(), before, done);
}

FileDigest DigestReader::Whole(const std::string& path, const FileStamp& expected,
                               const ReadCallback& onRead) {
    struct stat before {};
    FileDigest failure;
    const Descriptor file(OpenStamped(path, expected, before, failure));
    if (file.get() < 0) {
        return failure;
    }
    ::posix_fadvise(file.get(), 0, 0, POSIX_FADV_SEQUENTIAL);
    XXH3_128bits_reset(state_->hash);
    char* buffer = state_->buffer.get();
    auto remaining = static_cast<std::size_t>(before.st_size);
    if (remaining == 0 && onRead && !onRead(0)) {
        return Failed(DigestOutcome::Stopped);
    }
    while (remaining > 0) {
        const std::size_t want = std::min(remaining, state_->bufferBytes);
        const ssize_t got = ReadFully(file.get(), buffer, want, -1);
        if (got < 0) {
            return Failed(DigestOutcome::Unreadable, errno);
        }
        if (onRead && !onRead(static_cast<std::size_t>(got))) {
            return Failed(DigestOutcome::Stopped);
        }
        if (static_cast<std::size_t>(got) != want) {
            return Failed(DigestOutcome::Changed);  // ended early: shortened meanwhile
        }
        XXH3_128bits_update(state_->hash, buffer, want);
        remaining -= want;
    }
    FileDigest done;
    done.outcome = DigestOutcome::Done;
    done.key = KeyOf(XXH3_128bits_digest(state_->hash));
    done.whole = true;
    return CheckedAgain(file.get(), before, done);
}

}  // namespace corvane
