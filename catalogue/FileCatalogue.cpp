#include "catalogue/FileCatalogue.h"

namespace corvane {

void FileCatalogue::Reset() {
    entries_.clear();
    names_.clear();
    folders_.clear();
    times_.clear();
}

namespace {

constexpr std::int64_t kNoTime = INT64_MIN;
constexpr std::int64_t kNanoseconds = 1'000'000'000;
// About 285 years either side of 1970: packed in nanoseconds, they still fit.
constexpr std::int64_t kPackableSeconds = 9'000'000'000;

std::int64_t Pack(ModifiedTime time) {
    if (time.seconds > kPackableSeconds || time.seconds < -kPackableSeconds ||
        time.nanoseconds < 0 || time.nanoseconds >= kNanoseconds) {
        return kNoTime;
    }
    return time.seconds * kNanoseconds + time.nanoseconds;
}

ModifiedTime Unpack(std::int64_t packed) {
    std::int64_t seconds = packed / kNanoseconds;
    std::int64_t nanoseconds = packed % kNanoseconds;
    if (nanoseconds < 0) {
        seconds -= 1;
        nanoseconds += kNanoseconds;
    }
    return ModifiedTime{seconds, static_cast<std::int32_t>(nanoseconds)};
}

}  // namespace

bool FileCatalogue::Append(std::string_view folder, std::string_view name, std::int64_t bytes,
                           FileId id) {
    // Files arrive folder by folder, so comparing with the last folder is enough
    // to share one string among all files of a folder.
    if (folders_.empty() || folders_.back() != folder) {
        if (folders_.size() >= UINT32_MAX) {
            return false;
        }
        folders_.emplace_back(folder);
    }
    if (name.size() > UINT32_MAX) {
        return false;
    }
    entries_.push_back(Entry{names_.size(), static_cast<std::uint32_t>(name.size()),
                             static_cast<std::uint32_t>(folders_.size() - 1), bytes, id});
    names_.append(name);
    if (!times_.empty()) {
        times_.push_back(Times{kNoTime, kNoTime});
    }
    return true;
}

bool FileCatalogue::Append(std::string_view folder, std::string_view name, const FileStamp& stamp) {
    if (!Append(folder, name, stamp.size, stamp.id)) {
        return false;
    }
    times_.resize(entries_.size(), Times{kNoTime, kNoTime});
    times_.back() = Times{Pack(stamp.modified), Pack(stamp.changed)};
    return true;
}

std::optional<FileStamp> FileCatalogue::Stamp(std::size_t i) const {
    if (i >= times_.size() || times_[i].modified == kNoTime || times_[i].changed == kNoTime) {
        return std::nullopt;
    }
    const Entry& e = entries_[i];
    return FileStamp{e.id, e.bytes, Unpack(times_[i].modified), Unpack(times_[i].changed)};
}

std::string FileCatalogue::FileBytes(std::size_t i) const {
    const std::int64_t bytes = entries_[i].bytes;
    return bytes == kNoSize ? std::string() : std::to_string(bytes);
}

std::string FileCatalogue::FullPath(std::size_t i) const {
    const std::string_view folder = FileFolder(i);
    const std::string_view name = FileName(i);
    std::string path;
    path.reserve(folder.size() + name.size());
    path.append(folder).append(name);
    return path;
}

std::size_t FileCatalogue::MemoryBytes() const {
    std::size_t total = entries_.capacity() * sizeof(Entry) + times_.capacity() * sizeof(Times) +
                        names_.capacity() + folders_.capacity() * sizeof(std::string);
    for (const std::string& folder : folders_) {
        if (folder.capacity() > 15) {
            total += folder.capacity() + 1;
        }
    }
    return total;
}

}  // namespace corvane
