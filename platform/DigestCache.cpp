#include "platform/DigestCache.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>
#include <xxhash.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <tuple>

namespace corvane {
namespace {

// The file: a header, then the entries sorted by device and inode, in this
// machine's byte order (the cache never leaves the machine). The checksum
// covers the header before it and every entry.
constexpr char kMagic[8] = {'C', 'O', 'R', 'V', 'D', 'I', 'G', 'S'};
constexpr std::uint32_t kVersion = 1;
constexpr std::size_t kHeaderBytes = 48;
constexpr std::size_t kChecksumAt = 40;
constexpr std::size_t kEntryBytes = 104;
constexpr const char* kCacheName = "/digests";
constexpr const char* kSecretName = "/digest-secret";

template <typename T>
void Put(std::string& out, std::size_t at, T value) {
    std::memcpy(out.data() + at, &value, sizeof value);
}
template <typename T>
T Get(std::string_view in, std::size_t at) {
    T value;
    std::memcpy(&value, in.data() + at, sizeof value);
    return value;
}

void PutKey(std::string& out, std::size_t at, const ContentKey& key) {
    Put(out, at, key.high);
    Put(out, at + 8, key.low);
}
ContentKey GetKey(std::string_view in, std::size_t at) {
    return ContentKey{Get<std::uint64_t>(in, at), Get<std::uint64_t>(in, at + 8)};
}

int MakeFolder(const std::string& folder) {
    for (std::size_t slash = folder.find('/', 1);; slash = folder.find('/', slash + 1)) {
        const std::string part = folder.substr(0, slash);
        if (::mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) {
            return errno;
        }
        if (slash == std::string::npos) {
            return 0;
        }
    }
}

// Writes `bytes` to a new file in `folder` (mode 600) and returns its path,
// or "" with errno set.
std::string WriteNew(const std::string& folder, std::string_view bytes) {
    std::string path = folder + "/.corvane-XXXXXX";
    const int fd = ::mkostemp(path.data(), O_CLOEXEC);
    if (fd < 0) {
        return {};
    }
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t wrote = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (wrote < 0 && errno == EINTR) {
            continue;
        }
        if (wrote <= 0) {
            const int error = wrote < 0 ? errno : EIO;
            ::close(fd);
            ::unlink(path.c_str());
            errno = error;
            return {};
        }
        done += static_cast<std::size_t>(wrote);
    }
    ::close(fd);
    return path;
}

// Reads the whole regular file `path` (at most `limit` bytes), links not
// followed; false when it cannot.
bool ReadWhole(const std::string& path, std::size_t limit, std::string& out) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        return false;
    }
    struct stat st {};
    bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) &&
              static_cast<std::uint64_t>(st.st_size) <= limit;
    if (ok) {
        out.resize(static_cast<std::size_t>(st.st_size));
        std::size_t done = 0;
        while (ok && done < out.size()) {
            const ssize_t got = ::read(fd, out.data() + done, out.size() - done);
            ok = got > 0 || (got < 0 && errno == EINTR);
            done += got > 0 ? static_cast<std::size_t>(got) : 0;
        }
    }
    ::close(fd);
    return ok;
}

}  // namespace

std::string DefaultCacheFolder() {
    const char* xdg = std::getenv("XDG_CACHE_HOME");
    if (xdg != nullptr && xdg[0] == '/') {
        return std::string(xdg) + "/corvane";
    }
    const char* home = std::getenv("HOME");
    return std::string(home != nullptr ? home : "") + "/.cache/corvane";
}

LoadedSecret LoadOrMakeSecret(const std::string& folder) {
    LoadedSecret loaded;
    const std::string path = folder + kSecretName;
    std::string bytes;
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (ReadWhole(path, loaded.secret.bytes.size(), bytes) &&
            bytes.size() == loaded.secret.bytes.size()) {
            std::memcpy(loaded.secret.bytes.data(), bytes.data(), bytes.size());
            loaded.stored = true;
            return loaded;
        }
        if (attempt == 0) {
            // None yet (or a damaged one): make one, and keep whichever of
            // two programs making one at once stored theirs first.
            auto& secret = loaded.secret.bytes;
            for (std::size_t done = 0; done < secret.size();) {
                const ssize_t got = ::getrandom(secret.data() + done, secret.size() - done, 0);
                done += got > 0 ? static_cast<std::size_t>(got) : 0;
            }
            if (MakeFolder(folder) != 0) {
                return loaded;
            }
            const std::string made =
                WriteNew(folder, {reinterpret_cast<const char*>(secret.data()), secret.size()});
            if (made.empty()) {
                return loaded;
            }
            // A damaged secret is replaced; a missing one is linked into
            // place only if no other program stored one meanwhile.
            struct stat st {};
            const bool missing = ::lstat(path.c_str(), &st) != 0 && errno == ENOENT;
            const int placed =
                missing ? ::link(made.c_str(), path.c_str()) : ::rename(made.c_str(), path.c_str());
            const int error = placed == 0 ? 0 : errno;
            ::unlink(made.c_str());
            if (placed != 0 && error != EEXIST) {
                return loaded;
            }
        }
    }
    return loaded;
}

bool InodesAreStable(long fileSystemType) {
    switch (static_cast<unsigned long>(fileSystemType) & 0xffffffffUL) {
        case 0x6969:      // NFS
        case 0x517B:      // SMB
        case 0xFF534D42:  // CIFS
        case 0xFE534D42:  // SMB2
        case 0x65735546:  // FUSE
        case 0x01021997:  // 9P
        case 0x00C36400:  // Ceph
        case 0x5346414F:  // AFS
        case 0x6B414653:  // kAFS
        case 0x73757245:  // Coda
        case 0x564C:      // NCP
            return false;
        default:
            return true;
    }
}

bool InodesAreStableFor(const std::string& path) {
    struct statfs fs {};
    return ::statfs(path.c_str(), &fs) == 0 && InodesAreStable(static_cast<long>(fs.f_type));
}

DigestCache::DigestCache(const DigestSecret& secret, std::size_t bound)
    : secretTag_(XXH3_64bits_withSeed(secret.bytes.data(), secret.bytes.size(), 0x636f7276)),
      bound_(bound) {}

DigestCache::~DigestCache() {
    Clear();
}

bool DigestCache::Load(const std::string& folder) {
    Clear();
    constexpr std::size_t kLimit = kHeaderBytes + (std::size_t{1} << 30);
    const int fd =
        ::open((folder + kCacheName).c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        return false;
    }
    struct stat st {};
    const bool fits = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) &&
                      static_cast<std::uint64_t>(st.st_size) >= kHeaderBytes &&
                      static_cast<std::uint64_t>(st.st_size) <= kLimit;
    void* map = fits ? ::mmap(nullptr, static_cast<std::size_t>(st.st_size), PROT_READ,
                              MAP_PRIVATE | MAP_POPULATE, fd, 0)
                     : MAP_FAILED;
    ::close(fd);
    if (map == MAP_FAILED) {
        return false;
    }
    mapped_ = map;
    mappedBytes_ = static_cast<std::size_t>(st.st_size);
    bytes_ = std::string_view(static_cast<const char*>(map), mappedBytes_);
    return Check();
}

bool DigestCache::Parse(std::string_view bytes) {
    Clear();
    owned_.assign(bytes);
    bytes_ = owned_;
    return Check();
}

void DigestCache::Clear() {
    if (mapped_ != nullptr) {
        ::munmap(mapped_, mappedBytes_);
        mapped_ = nullptr;
    }
    owned_.clear();
    bytes_ = {};
    loaded_ = 0;
    usedAgain_.clear();
    added_.clear();
    slots_ = {};
}

namespace {

constexpr std::uint32_t kRebaseAt = UINT32_MAX / 2;
constexpr std::uint32_t kRebaseTo = UINT32_MAX / 4;

FileId IdAt(std::string_view bytes, std::size_t at) {
    return FileId{Get<std::uint64_t>(bytes, at), Get<std::uint64_t>(bytes, at + 8)};
}

bool IdLess(const FileId& a, const FileId& b) {
    return std::tie(a.device, a.inode) < std::tie(b.device, b.inode);
}

std::size_t SlotOf(const FileId& id, std::size_t mask) {
    return FileIdHash()(id) & mask;
}

bool SameDigests(const CachedDigests& a, const CachedDigests& b) {
    return a.state == b.state && a.known == b.known && a.head == b.head && a.tail == b.tail &&
           a.whole == b.whole;
}

}  // namespace

bool DigestCache::Check() {
    const std::string_view bytes = bytes_;
    added_.clear();
    usedAgain_.clear();
    loaded_ = 0;
    if (bytes.size() < kHeaderBytes || std::memcmp(bytes.data(), kMagic, sizeof kMagic) != 0 ||
        Get<std::uint32_t>(bytes, 8) != kVersion || Get<std::uint32_t>(bytes, 12) != kEntryBytes ||
        Get<std::uint64_t>(bytes, 24) != secretTag_) {
        Clear();
        return false;
    }
    const auto count = Get<std::uint64_t>(bytes, 16);
    XXH3_state_t* hash = XXH3_createState();
    XXH3_64bits_reset(hash);
    XXH3_64bits_update(hash, bytes.data(), kChecksumAt);
    XXH3_64bits_update(hash, bytes.data() + kHeaderBytes, bytes.size() - kHeaderBytes);
    const bool intact = XXH3_64bits_digest(hash) == Get<std::uint64_t>(bytes, kChecksumAt);
    XXH3_freeState(hash);
    if (!intact || count > (bytes.size() - kHeaderBytes) / kEntryBytes || count >= UINT32_MAX ||
        count * kEntryBytes != bytes.size() - kHeaderBytes) {
        Clear();
        return false;
    }
    const auto run = Get<std::uint32_t>(bytes, 32);
    for (std::size_t at = kHeaderBytes; at < bytes.size(); at += kEntryBytes) {
        const bool sorted =
            at == kHeaderBytes || IdLess(IdAt(bytes, at - kEntryBytes), IdAt(bytes, at));
        if (!sorted || Get<std::uint8_t>(bytes, at + 48) > 7 ||
            Get<std::uint32_t>(bytes, at + 52) > run || Get<std::int64_t>(bytes, at + 16) < 0) {
            Clear();
            return false;
        }
    }
    loaded_ = static_cast<std::size_t>(count);
    std::size_t slots = 16;
    while (slots < 2 * loaded_) {
        slots *= 2;
    }
    slots_.assign(slots, 0);
    for (std::size_t k = 0; k < loaded_; ++k) {
        std::size_t slot = SlotOf(IdAt(bytes, kHeaderBytes + k * kEntryBytes), slots - 1);
        while (slots_[slot] != 0) {
            slot = (slot + 1) & (slots - 1);
        }
        slots_[slot] = static_cast<std::uint32_t>(k + 1);
    }
    run_ = run + 1;
    usedShift_ = 0;
    // Far on, the run count starts low again, the entries' last uses moved
    // with it in their order, so that it never wraps.
    if (run >= kRebaseAt) {
        usedShift_ = run - kRebaseTo;
        run_ = kRebaseTo + 1;
    }
    return true;
}

DigestCache::Entry DigestCache::Loaded(std::size_t k) const {
    const std::string_view bytes = bytes_;
    const std::size_t at = kHeaderBytes + k * kEntryBytes;
    Entry entry;
    CachedDigests& d = entry.digests;
    d.state.id = IdAt(bytes, at);
    d.state.size = Get<std::int64_t>(bytes, at + 16);
    d.state.modified = {Get<std::int64_t>(bytes, at + 24), Get<std::int32_t>(bytes, at + 32)};
    d.state.changed = {Get<std::int64_t>(bytes, at + 40), Get<std::int32_t>(bytes, at + 36)};
    d.known = Get<std::uint8_t>(bytes, at + 48);
    const auto used = Get<std::uint32_t>(bytes, at + 52);
    entry.used = k < usedAgain_.size() && usedAgain_[k] ? run_
                 : used > usedShift_                    ? used - usedShift_
                                                        : 0;
    d.head = GetKey(bytes, at + 56);
    d.tail = GetKey(bytes, at + 72);
    d.whole = GetKey(bytes, at + 88);
    return entry;
}

std::optional<std::size_t> DigestCache::LoadedIndex(FileId id) const {
    if (loaded_ == 0) {
        return std::nullopt;
    }
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t slot = SlotOf(id, mask); slots_[slot] != 0; slot = (slot + 1) & mask) {
        const std::size_t k = slots_[slot] - 1;
        if (IdAt(bytes_, kHeaderBytes + k * kEntryBytes) == id) {
            return k;
        }
    }
    return std::nullopt;
}

std::optional<CachedDigests> DigestCache::Find(const FileStamp& state) const {
    const std::optional<std::size_t> k = LoadedIndex(state.id);
    if (!k) {
        return std::nullopt;
    }
    CachedDigests found = Loaded(*k).digests;
    if (!(found.state == state)) {
        return std::nullopt;
    }
    return found;
}

void DigestCache::Store(const CachedDigests& digests) {
    if (const std::optional<std::size_t> k = LoadedIndex(digests.state.id);
        k && SameDigests(Loaded(*k).digests, digests)) {
        usedAgain_.resize(loaded_);
        usedAgain_[*k] = true;
        return;
    }
    added_.push_back(Entry{digests, run_});
}

std::vector<DigestCache::Entry> DigestCache::Merged() {
    std::stable_sort(added_.begin(), added_.end(), [](const Entry& a, const Entry& b) {
        return IdLess(a.digests.state.id, b.digests.state.id);
    });
    std::vector<Entry> merged;
    merged.reserve(loaded_ + added_.size());
    std::size_t old = 0;
    for (std::size_t a = 0; a < added_.size(); ++a) {
        const FileId id = added_[a].digests.state.id;
        if (a + 1 < added_.size() && !IdLess(id, added_[a + 1].digests.state.id)) {
            continue;  // stored twice: the later one stands
        }
        for (; old < loaded_ && IdLess(IdAt(bytes_, kHeaderBytes + old * kEntryBytes), id); ++old) {
            merged.push_back(Loaded(old));
        }
        if (old < loaded_ && IdAt(bytes_, kHeaderBytes + old * kEntryBytes) == id) {
            ++old;  // replaced
        }
        merged.push_back(added_[a]);
    }
    for (; old < loaded_; ++old) {
        merged.push_back(Loaded(old));
    }
    if (merged.size() > bound_) {
        std::stable_sort(merged.begin(), merged.end(),
                         [](const Entry& a, const Entry& b) { return a.used > b.used; });
        merged.resize(bound_);
        std::sort(merged.begin(), merged.end(), [](const Entry& a, const Entry& b) {
            return IdLess(a.digests.state.id, b.digests.state.id);
        });
    }
    return merged;
}

std::string DigestCache::Serialize() {
    const std::vector<Entry> entries = Merged();
    std::string out(kHeaderBytes + entries.size() * kEntryBytes, '\0');
    std::memcpy(out.data(), kMagic, sizeof kMagic);
    Put(out, 8, kVersion);
    Put(out, 12, static_cast<std::uint32_t>(kEntryBytes));
    Put(out, 16, static_cast<std::uint64_t>(entries.size()));
    Put(out, 24, secretTag_);
    Put(out, 32, run_);
    std::size_t at = kHeaderBytes;
    for (const Entry& entry : entries) {
        const CachedDigests& d = entry.digests;
        Put(out, at, d.state.id.device);
        Put(out, at + 8, d.state.id.inode);
        Put(out, at + 16, d.state.size);
        Put(out, at + 24, d.state.modified.seconds);
        Put(out, at + 32, d.state.modified.nanoseconds);
        Put(out, at + 36, d.state.changed.nanoseconds);
        Put(out, at + 40, d.state.changed.seconds);
        Put(out, at + 48, d.known);
        Put(out, at + 52, entry.used);
        PutKey(out, at + 56, d.head);
        PutKey(out, at + 72, d.tail);
        PutKey(out, at + 88, d.whole);
        at += kEntryBytes;
    }
    XXH3_state_t* hash = XXH3_createState();
    XXH3_64bits_reset(hash);
    XXH3_64bits_update(hash, out.data(), kChecksumAt);
    XXH3_64bits_update(hash, out.data() + kHeaderBytes, out.size() - kHeaderBytes);
    Put(out, kChecksumAt, static_cast<std::uint64_t>(XXH3_64bits_digest(hash)));
    XXH3_freeState(hash);
    return out;
}

SysStatus DigestCache::Save(const std::string& folder) {
    if (const int error = MakeFolder(folder); error != 0) {
        return SysStatus::Failure(error);
    }
    const std::string made = WriteNew(folder, Serialize());
    if (made.empty()) {
        return SysStatus::Failure(errno);
    }
    if (::rename(made.c_str(), (folder + kCacheName).c_str()) != 0) {
        const int error = errno;
        ::unlink(made.c_str());
        return SysStatus::Failure(error);
    }
    return {};
}

}  // namespace corvane
