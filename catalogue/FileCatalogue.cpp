#include "catalogue/FileCatalogue.h"

namespace corvane {

void FileCatalogue::Reset() {
    entries_.clear();
    names_.clear();
    folders_.clear();
}

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
    return true;
}

std::string FileCatalogue::FileBytes(std::size_t i) const {
    const std::int64_t bytes = entries_[i].bytes;
    return bytes == kNoSize ? std::string() : std::to_string(bytes);
}

std::string FileCatalogue::FullPath(std::size_t i) const {
    std::string path(FileFolder(i));
    path.append(FileName(i));
    return path;
}

std::size_t FileCatalogue::MemoryBytes() const {
    std::size_t total = entries_.capacity() * sizeof(Entry) + names_.capacity() +
                        folders_.capacity() * sizeof(std::string);
    for (const std::string& folder : folders_) {
        if (folder.capacity() > 15) {
            total += folder.capacity() + 1;
        }
    }
    return total;
}

}  // namespace corvane
