// The file catalogue: every file phase 1 found, in scan order.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/FileId.h"
#include "platform/FileStamp.h"
#include "platform/LargeArrays.h"

namespace corvane {

// Entries are appended in scan order and read by position 0 .. FileCount() - 1.
// Paths are bytes: a name is kept exactly as the directory listing gave it.
// Each folder string is stored once and shared by all of its files, and names
// live in one arena, so a million entries cost a few tens of megabytes.
//
// Views returned by FileName() and FileFolder() stay valid until the next
// Append() or Reset().
class FileCatalogue {
  public:
    static constexpr std::int64_t kNoSize = -1;

    // Empties the catalogue: FileCount() becomes 0.
    void Reset();

    // Appends one entry. `folder` must end with "/"; consecutive appends with an
    // equal folder share its storage. `bytes` is kNoSize when sizes are not
    // being recorded (Close Matches off), which FileBytes() shows as "".
    // False, and nothing kept, past 2^32 - 1 folders or for a longer name.
    bool Append(std::string_view folder, std::string_view name, std::int64_t bytes = kNoSize,
                FileId id = {});
    // Appends one entry with all its listing saw: its size, device and inode,
    // and its modification and change times, which a search by contents
    // takes instead of looking at the file again. The times cost 16 bytes an
    // entry, and only catalogues that are given them.
    bool Append(std::string_view folder, std::string_view name, const FileStamp& stamp);

    std::size_t FileCount() const { return entries_.size(); }
    std::string_view FileName(std::size_t i) const {
        const Entry& e = entries_[i];
        return std::string_view(names_).substr(e.nameOffset, e.nameLength);
    }
    std::string_view FileFolder(std::size_t i) const { return folders_[entries_[i].folder]; }
    // The size as plain decimal text, or "" when none was recorded.
    std::string FileBytes(std::size_t i) const;
    std::int64_t Bytes(std::size_t i) const { return entries_[i].bytes; }
    FileId Id(std::size_t i) const { return entries_[i].id; }
    // The entry's whole stamp as listed; none when it was appended without
    // its times (or a time lies too far from 1970 to be kept).
    std::optional<FileStamp> Stamp(std::size_t i) const;
    // FileFolder(i) followed by FileName(i).
    std::string FullPath(std::size_t i) const;
    // Index of entry i's folder; equal indices mean equal folders.
    std::uint32_t FolderIndex(std::size_t i) const { return entries_[i].folder; }

    // Bytes held by the catalogue's own storage (for the benchmark).
    std::size_t MemoryBytes() const;

  private:
    struct Entry {
        std::uint64_t nameOffset;
        std::uint32_t nameLength;
        std::uint32_t folder;
        std::int64_t bytes;
        FileId id;
    };
    // Nanoseconds since 1970, or INT64_MIN where none was kept.
    struct Times {
        std::int64_t modified;
        std::int64_t changed;
    };
    LargeVector<Entry> entries_;
    LargeVector<Times> times_;  // empty, or one for each entry
    std::basic_string<char, std::char_traits<char>, LargeArrayAllocator<char>> names_;
    std::vector<std::string> folders_;
};

}  // namespace corvane
