#include "platform/FileDigest.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <xxhash.h>

#include <algorithm>
#include <cerrno>
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
// alone, so the first look and the whole read need no seek in between.
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
    StampedFile file(path, expected);
    return file.IsOpen() ? file.Finish(file.Edges(*this, onRead)) : file.Failure();
}

FileDigest DigestReader::Whole(const std::string& path, const FileStamp& expected,
                               const ReadCallback& onRead) {
    StampedFile file(path, expected);
    return file.IsOpen() ? file.Finish(file.Whole(*this, onRead)) : file.Failure();
}

StampedFile::StampedFile(const std::string& path, const FileStamp& expected) {
    fd_ = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
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
    opened_ = StampOf(st);
    if (!S_ISREG(st.st_mode) || !(opened_ == expected)) {
        failure_ = Failed(DigestOutcome::Changed);
        Close();
    }
}

StampedFile::~StampedFile() {
    Close();
}

StampedFile::StampedFile(StampedFile&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), opened_(other.opened_), failure_(other.failure_) {}

StampedFile& StampedFile::operator=(StampedFile&& other) noexcept {
    if (this != &other) {
        Close();
        fd_ = std::exchange(other.fd_, -1);
        opened_ = other.opened_;
        failure_ = other.failure_;
    }
    return *this;
}

void StampedFile::Close() {
    if (fd_ >= 0) {
        ::close(fd_);
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

FileDigest StampedFile::Edges(DigestReader& reader, const ReadCallback& onRead) {
    const auto size = static_cast<std::size_t>(opened_.size);
    char* buffer = reader.state_->buffer.get();
    FileDigest done;
    done.outcome = DigestOutcome::Done;
    if (size <= 2 * kEdgeBlockBytes) {
        const ssize_t got = ReadFully(fd_, buffer, size, 0);
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
        return done;
    }
    // No advice against read-ahead here: most files of a shared size are
    // copies, read whole next, and the read-ahead is the start of that read.
    const off_t offsets[2] = {0, static_cast<off_t>(size - kEdgeBlockBytes)};
    for (int b = 0; b < 2; ++b) {
        const ssize_t got =
            ReadFully(fd_, buffer + b * kEdgeBlockBytes, kEdgeBlockBytes, offsets[b]);
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
    return done;
}

FileDigest StampedFile::Whole(DigestReader& reader, const ReadCallback& onRead) {
    ::posix_fadvise(fd_, 0, 0, POSIX_FADV_SEQUENTIAL);
    DigestReader::State& state = *reader.state_;
    XXH3_128bits_reset(state.hash);
    char* buffer = state.buffer.get();
    auto remaining = static_cast<std::size_t>(opened_.size);
    off_t offset = 0;
    if (remaining == 0 && onRead && !onRead(0)) {
        return Failed(DigestOutcome::Stopped);
    }
    while (remaining > 0) {
        const std::size_t want = std::min(remaining, state.bufferBytes);
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
        remaining -= want;
        offset += static_cast<off_t>(want);
    }
    FileDigest done;
    done.outcome = DigestOutcome::Done;
    done.key = KeyOf(XXH3_128bits_digest(state.hash));
    done.whole = true;
    return done;
}

}  // namespace corvane
