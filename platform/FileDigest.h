// Reading a file's bytes into a 128-bit XXH3 digest, checking on the way that
// it is still the file a search found.
#pragma once

#include <sys/stat.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "platform/FileStamp.h"

namespace corvane {

// A 128-bit digest. A digest of a whole file is XXH3-128 of its bytes, the
// same value `xxh128sum` prints (high half first), or with a DigestSecret the
// XXH3-128 of its bytes keyed with that secret.
struct ContentKey {
    std::uint64_t high = 0;
    std::uint64_t low = 0;
    friend bool operator==(const ContentKey&, const ContentKey&) = default;
};

// Random bytes known only to this installation that key the digests Same
// Contents compares, so that nobody can make a file whose digest collides
// with another file's without the bytes being the same.
struct DigestSecret {
    std::array<unsigned char, 192> bytes{};
};

// XXH3-128 of `bytes`, unseeded (or keyed with `secret`): of the empty string
// for KeyOfNoBytes.
ContentKey DigestOfBytes(std::string_view bytes, const DigestSecret* secret = nullptr);
ContentKey KeyOfNoBytes();

// A key for a file of `size` bytes that was not read in full. XXH3-128 of
// `bytesRead`, seeded with the size; a whole file's digest is unseeded, so it
// could only equal one of these by a 128-bit collision.
ContentKey KeyNotFromContent(std::int64_t size, std::string_view bytesRead = {});

// The head and the tail of a file are this many bytes at its start and at its
// end; a file no longer than one block is read whole by its head read.
inline constexpr std::size_t kEdgeBlockBytes = 4096;

// What the open file must show to be read: the device, inode and size
// always, the modification time when given, the whole state when given.
struct FileExpectation {
    FileExpectation() = default;
    FileExpectation(const FileStamp& stamp)
        : id(stamp.id), size(stamp.size), modified(stamp.modified) {}  // NOLINT
    // The whole stamp, its change time included.
    static FileExpectation Exactly(const FileStamp& stamp) {
        FileExpectation expected(stamp);
        expected.state = stamp;
        return expected;
    }

    // Whether a file as it is `now` is the one expected.
    bool HeldBy(const FileStamp& now) const {
        return now.id == id && now.size == size && (!modified || now.modified == *modified) &&
               (!state || now == *state);
    }

    FileId id;
    std::int64_t size = 0;
    std::optional<ModifiedTime> modified;
    std::optional<FileStamp> state;
};

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

// What a reading thread owns: the read buffer, the XXH3 state and the secret
// its digests are keyed with (none: plain XXH3-128), so reading allocates
// nothing.
class DigestReader {
  public:
    using ReadCallback = corvane::ReadCallback;

    explicit DigestReader(std::size_t bufferBytes = std::size_t{1} << 20,
                          const DigestSecret* secret = nullptr);
    ~DigestReader();
    DigestReader(const DigestReader&) = delete;
    DigestReader& operator=(const DigestReader&) = delete;

    // A file opened, read and checked again in one go (see StampedFile).
    FileDigest Whole(const std::string& path, const FileExpectation& expected,
                     const ReadCallback& onRead = {});

  private:
    friend class StampedFile;
    struct State;
    std::unique_ptr<State> state_;
};

class FileBatches;

// A file open for digests. It is opened without following a link in its last
// component, without blocking (a FIFO put in its place cannot hang the read),
// without touching its access time where the system allows, closed on exec,
// and relative to its folders when its path is too long for one call; the
// open descriptor's fstat must show a regular file as `expected` describes
// it, and Finish checks that nothing of its state (size, modification and
// change time) moved by the last read: any difference, a link in the file's
// place or a file that ends early is Changed.
class StampedFile {
  public:
    StampedFile(const std::string& path, const FileExpectation& expected);
    // A file `batches` opened and looked at (fstat's `opened`), or could not
    // (`openError`, an errno, or `lookError`): the same checks, and the file
    // is closed through `batches`, with its next batch.
    StampedFile(FileBatches& batches, const std::string& path, int fd, int openError,
                const struct stat* opened, int lookError, const FileExpectation& expected);
    ~StampedFile();
    StampedFile(StampedFile&& other) noexcept;
    StampedFile& operator=(StampedFile&& other) noexcept;

    bool IsOpen() const { return fd_ >= 0; }
    // Why the file is not open (Unreadable with its errno, or Changed).
    const FileDigest& Failure() const { return failure_; }
    // What fstat showed when it was opened.
    const FileStamp& Opened() const { return opened_; }

    // The digest of the first kEdgeBlockBytes; a file no longer than that is
    // read whole (`whole` set).
    FileDigest Head(DigestReader& reader, const ReadCallback& onRead = {});
    // The digest of the last kEdgeBlockBytes (of a longer file).
    FileDigest Tail(DigestReader& reader, const ReadCallback& onRead = {});
    // The whole file from its start in large reads; the holes of a sparse
    // file are digested as the zeros they read as, without reading them.
    FileDigest Whole(DigestReader& reader, const ReadCallback& onRead = {});
    // A digest of the whole file that reads no byte twice, for a file longer
    // than one block whose head (and, with `tail`, tail) keys are known: the
    // digest of the head key, the bytes between head and tail, and the tail
    // key. Two files have the same one only when their bytes are the same
    // (barring a 128-bit collision of keyed digests); it is not XXH3-128 of
    // the bytes, so only compared with others made the same way.
    FileDigest Rest(DigestReader& reader, const ContentKey& head, const ContentKey* tail,
                    const ReadCallback& onRead = {});
    // Checks the state again and closes the file: `done` when it still holds
    // (and `done` was Done), otherwise what went wrong.
    FileDigest Finish(const FileDigest& done);
    // Closes the file without that check: for a key that is not of the
    // whole file, which only rules files out or picks them for a later read
    // whose open is held to this open's state (so any change made meanwhile
    // is caught there).
    FileDigest Release(const FileDigest& done);

  private:
    void Check(const struct stat& st, const FileExpectation& expected);
    void Close();
    FileDigest Block(DigestReader& reader, off_t offset, std::size_t count,
                     const ReadCallback& onRead);
    // Digests the bytes [from, to) into the reader's started hash.
    FileDigest Span(DigestReader& reader, off_t from, off_t to, const ReadCallback& onRead);

    friend class FileBatches;
    // A block FileBatches read for the file already: its offset and bytes.
    struct ReadBlock {
        std::int64_t offset = -1;
        std::string_view bytes;
    };

    int fd_ = -1;
    FileBatches* batches_ = nullptr;  // closes the file when set
    ReadBlock edge_;
    FileStamp opened_;
    bool sparse_ = false;  // fewer blocks than bytes when opened: it may hold holes
    FileDigest failure_;
};

}  // namespace corvane
