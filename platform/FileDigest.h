// Reading a file's bytes into a 128-bit XXH3 digest, checking on the way that
// it is still the file a search found.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "platform/FileStamp.h"

namespace corvane {

// A 128-bit digest. A digest of a whole file is XXH3-128 of its bytes, the
// same value `xxh128sum` prints (high half first).
struct ContentKey {
    std::uint64_t high = 0;
    std::uint64_t low = 0;
    friend bool operator==(const ContentKey&, const ContentKey&) = default;
};

// XXH3-128 of `bytes`, unseeded: of the empty string for KeyOfNoBytes.
ContentKey DigestOfBytes(std::string_view bytes);
ContentKey KeyOfNoBytes();

// A key for a file of `size` bytes that was not read in full. XXH3-128 of
// `bytesRead`, seeded with the size; a whole file's digest is unseeded, so it
// could only equal one of these by a 128-bit collision.
ContentKey KeyNotFromContent(std::int64_t size, std::string_view bytesRead = {});

// How much of a file the first look reads: this many bytes at its start and
// as many at its end; a file no longer than both is read whole at once.
inline constexpr std::size_t kEdgeBlockBytes = 4096;

enum class DigestOutcome : std::uint8_t {
    Done,        // `key` holds the digest
    Unreadable,  // could not be opened or read: `error` holds the errno
    Changed,     // not the file of the stamp, or it changed while it was read
    Stopped,     // the read callback asked to stop
};

struct FileDigest {
    DigestOutcome outcome = DigestOutcome::Stopped;
    int error = 0;
    ContentKey key;
    bool whole = false;  // the key is the digest of the whole file
};

// Called after every read with the number of bytes it returned (0 when a
// file is done without reading); false stops the read (Stopped). Runs on the
// reading thread, between the two fstat calls of the file.
using ReadCallback = std::function<bool(std::size_t bytes)>;

// What a reading thread owns: the read buffer and the XXH3 state, so reading
// allocates nothing.
class DigestReader {
  public:
    using ReadCallback = corvane::ReadCallback;

    explicit DigestReader(std::size_t bufferBytes = std::size_t{1} << 20);
    ~DigestReader();
    DigestReader(const DigestReader&) = delete;
    DigestReader& operator=(const DigestReader&) = delete;

    // A file opened, read and checked again in one go (see StampedFile).
    FileDigest Edges(const std::string& path, const FileStamp& expected,
                     const ReadCallback& onRead = {});
    FileDigest Whole(const std::string& path, const FileStamp& expected,
                     const ReadCallback& onRead = {});

  private:
    friend class StampedFile;
    struct State;
    std::unique_ptr<State> state_;
};

// A file open for digests. It is opened without following a link in its last
// component, without blocking (a FIFO put in its place cannot hang the read)
// and closed on exec; the open descriptor's fstat must show a regular file
// with the expected device, inode, size and modification time (to the
// nanosecond), and Finish checks the same again after the last read: any
// difference, a link in the file's place or a file that ends early is
// Changed. Kept open between the first look and the whole read, a file is
// opened and checked once for both.
class StampedFile {
  public:
    StampedFile(const std::string& path, const FileStamp& expected);
    ~StampedFile();
    StampedFile(StampedFile&& other) noexcept;
    StampedFile& operator=(StampedFile&& other) noexcept;

    bool IsOpen() const { return fd_ >= 0; }
    // Why the file is not open (Unreadable with its errno, or Changed).
    const FileDigest& Failure() const { return failure_; }

    // The first look: a file of at most 2 * kEdgeBlockBytes is read whole
    // (`whole` set, key = its digest); a longer one gives
    // KeyNotFromContent(size, first block + last block), which equals another
    // file's of the same size when (barring collisions) both blocks do.
    FileDigest Edges(DigestReader& reader, const ReadCallback& onRead = {});
    // The whole file from its start in large sequential reads; key =
    // XXH3-128 of its bytes.
    FileDigest Whole(DigestReader& reader, const ReadCallback& onRead = {});
    // Checks the stamp again and closes the file: `done` when it still holds
    // (and `done` was Done), otherwise what went wrong.
    FileDigest Finish(const FileDigest& done);

  private:
    void Close();

    int fd_ = -1;
    FileStamp opened_;
    FileDigest failure_;
};

}  // namespace corvane
