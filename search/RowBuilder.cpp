#include "search/RowBuilder.h"

#include <algorithm>
#include <new>
#include <optional>
#include <string_view>

#include "platform/FileStamp.h"

namespace corvane {

RowBuilder::RowBuilder(const FileCatalogue& catalogue, std::vector<FoundRow>& found,
                       std::uint32_t groupsBefore)
    : catalogue_(catalogue),
      found_(found),
      identity_(catalogue.FileCount()),
      pathGroup_(catalogue.FileCount(), 0),
      idGroup_(catalogue.FileCount(), 0),
      groupCount_(groupsBefore) {}

namespace {

ResultRow MakeRow(const FileCatalogue& catalogue, const FoundRow& found) {
    ResultRow row;
    row.path = catalogue.FullPath(found.entry);
    row.type = found.type;
    row.shade = found.shade;
    row.group = found.group;
    // The file stays the one the scan found (its device and inode). Its
    // size and times are the scan's where it kept them (a search by
    // contents); else they are read after phase 2, for all rows at once
    // (StampRows).
    if (const std::optional<FileStamp> seen = catalogue.Stamp(found.entry)) {
        row.stamp = *seen;
        row.stamped = true;
    } else {
        row.stamp.id = catalogue.Id(found.entry);
    }
    return row;
}

}  // namespace

ResultRows MakeRows(const FileCatalogue& catalogue, const std::vector<FoundRow>& found) {
    ResultRows rows;
    rows.reserve(found.size());
    for (const FoundRow& row : found) {
        rows.push_back(MakeRow(catalogue, row));
    }
    return rows;
}

namespace {

std::size_t TableSize(std::size_t entries) {
    std::size_t size = 16;
    while (size < 2 * entries) {
        size *= 2;
    }
    return size;
}

std::size_t HashBytes(std::size_t hash, std::string_view bytes) {
    for (const char c : bytes) {
        hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001B3ull;  // FNV-1a
    }
    return hash;
}

}  // namespace

void RowBuilder::ZeroSlots::Allocate(std::size_t count) {
    slots_.reset(static_cast<std::uint32_t*>(std::calloc(count, sizeof(std::uint32_t))));
    if (!slots_) {
        throw std::bad_alloc();
    }
    count_ = count;
}

template <typename Same>
std::uint32_t RowBuilder::FirstEqual(ZeroSlots& table, std::size_t hash, std::size_t k, Same same) {
    if (table.Empty()) {
        table.Allocate(TableSize(catalogue_.FileCount()));
    }
    const std::size_t mask = table.Size() - 1;
    for (std::size_t slot = hash & mask;; slot = (slot + 1) & mask) {
        const std::uint32_t stored = table[slot];
        if (stored == 0) {
            table[slot] = static_cast<std::uint32_t>(k + 1);
            return static_cast<std::uint32_t>(k);
        }
        if (same(stored - 1)) {
            return stored - 1;
        }
    }
}

const RowBuilder::Identity& RowBuilder::IdentityOf(std::size_t k) {
    Identity& identity = identity_[k];
    if (identity.path != kNotYet) {
        return identity;
    }
    const std::string_view folder = catalogue_.FileFolder(k);
    const std::string_view name = catalogue_.FileName(k);
    // The folder's part of the hash is worked out once per folder, not per file.
    const std::uint32_t folderIndex = catalogue_.FolderIndex(k);
    if (folderIndex >= folderHash_.size()) {
        folderHash_.resize(folderIndex + 1, 0);
    }
    if (folderHash_[folderIndex] == 0) {
        folderHash_[folderIndex] = HashBytes(0xCBF29CE484222325ull, folder) | 1;
    }
    identity.path = FirstEqual(
        pathTable_, HashBytes(folderHash_[folderIndex], name), k, [&](std::size_t other) {
            return catalogue_.FileName(other) == name && catalogue_.FileFolder(other) == folder;
        });
    const FileId id = catalogue_.Id(k);
    if (id == FileId{}) {
        identity.id = kNoId;
    } else {
        const std::size_t hash =
            (id.inode * 0x9E3779B97F4A7C15ull) ^ (id.device * 0xC2B2AE3D27D4EB4Full);
        identity.id = FirstEqual(idTable_, hash ^ (hash >> 29), k,
                                 [&](std::size_t other) { return catalogue_.Id(other) == id; });
    }
    return identity;
}

std::uint32_t RowBuilder::GroupOf(std::size_t k) {
    const Identity& identity = IdentityOf(k);
    if (pathGroup_[identity.path] != 0) {
        return pathGroup_[identity.path];
    }
    return identity.id == kNoId ? 0 : idGroup_[identity.id];
}

bool RowBuilder::IsListed(std::size_t k) {
    return GroupOf(k) != 0;
}

void RowBuilder::AddMatch(std::size_t i, std::size_t j, MatchType type) {
    if (!IsListed(i)) {
        newGroup_ = true;
        // Matched with a file listed earlier, i joins that file's group.
        const std::uint32_t joined = GroupOf(j);
        AddRow(i, type, joined != 0 ? joined : ++groupCount_);
    }
    if (!IsListed(j)) {
        AddRow(j, type, GroupOf(i));
    }
}

void RowBuilder::AddRow(std::size_t k, MatchType type, std::uint32_t group) {
    const FoundRow row{static_cast<std::uint32_t>(k), group, type, shade_};

    const Identity& identity = IdentityOf(k);
    pathGroup_[identity.path] = group;
    if (identity.id != kNoId) {
        idGroup_[identity.id] = group;
    }
    ++rowCount_;
    found_.push_back(row);
}

void StampRows(ResultRows& rows, StopCheck& stop) {
    // Rows come all unstamped (a search by names) or all stamped (by
    // contents); only a search whose options changed midway has both.
    const bool mixed =
        std::any_of(rows.begin(), rows.end(), [](const ResultRow& row) { return row.stamped; });
    std::vector<std::string_view> paths;
    std::vector<std::uint32_t> rowOf;  // of each path, when mixed
    paths.reserve(mixed ? 0 : rows.size());
    for (std::size_t r = 0; r < rows.size(); ++r) {
        if (!rows[r].stamped) {
            paths.push_back(rows[r].path);
            if (mixed) {
                rowOf.push_back(static_cast<std::uint32_t>(r));
            }
        }
    }
    if (paths.empty()) {
        return;
    }
    // Called from two threads, each with rows of its own.
    ReadStamps(
        paths, [&stop] { return stop.Tick(); },
        [&rows, &rowOf, mixed](std::size_t k, const FileStamp& stamp) {
            ResultRow& row = rows[mixed ? rowOf[k] : k];
            row.stamp.size = stamp.size;
            row.stamp.modified = stamp.modified;
            row.stamp.changed = stamp.changed;
            row.stamped = true;
        });
}

void RowBuilder::EndOuterPass() {
    if (newGroup_) {
        newGroup_ = false;
        shade_ = shade_ == GroupShade::Light ? GroupShade::Dark : GroupShade::Light;
    }
}

}  // namespace corvane
