// The file catalogue: every file phase 1 found, in scan order, plus the row colour table.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace corvane {

// Identity of a file on disk, from the scan's lstat: two paths with the same
// device and inode are one file (a hard link or a second spelling of a path).
struct FileId {
    std::uint64_t device = 0;
    std::uint64_t inode = 0;
    friend bool operator==(const FileId&, const FileId&) = default;
};

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

    // Empties every table, RowColor included, and sets FileCount() to 0.
    void Reset();

    // Appends one entry. `folder` must end with "/"; consecutive appends with an
    // equal folder share its storage. `bytes` is kNoSize when sizes are not
    // being recorded (Close Matches off), which FileBytes() shows as "".
    void Append(std::string_view folder, std::string_view name, std::int64_t bytes = kNoSize,
                FileId id = {});

    std::size_t FileCount() const { return entries_.size(); }
    std::string_view FileName(std::size_t i) const;
    std::string_view FileFolder(std::size_t i) const;
    // The size as plain decimal text, or "" when none was recorded.
    std::string FileBytes(std::size_t i) const;
    std::int64_t Bytes(std::size_t i) const { return entries_[i].bytes; }
    FileId Id(std::size_t i) const { return entries_[i].id; }
    // FileFolder(i) followed by FileName(i).
    std::string FullPath(std::size_t i) const;
    // Index of entry i's folder; equal indices mean equal folders.
    std::uint32_t FolderIndex(std::size_t i) const { return entries_[i].folder; }

    // Colour keyword of result row `row` ("" when never written).
    std::string_view RowColor(std::size_t row) const;
    void SetRowColor(std::size_t row, std::string_view keyword);
    std::size_t RowColorCount() const { return rowColor_.size(); }

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
    std::vector<Entry> entries_;
    std::string names_;
    std::vector<std::string> folders_;
    std::vector<std::string> rowColor_;
};

}  // namespace corvane
