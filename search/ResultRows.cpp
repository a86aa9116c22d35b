#include "search/ResultRows.h"

#include <sys/stat.h>

#include "catalogue/SizeText.h"
#include "platform/FileLookup.h"

namespace corvane {

const char* ColourKeyword(MatchType type, int shade) {
    if (type == MatchType::Exact) {
        return shade == 1 ? "blue" : "light blue";
    }
    return shade == 1 ? "red" : "light red";
}

ResultRows::ResultRows(FileCatalogue& catalogue, ResultSink& sink, const QLocale& locale)
    : catalogue_(catalogue),
      sink_(sink),
      locale_(locale),
      showsTexts_(sink.ShowsTexts()),
      modifiedFormat_(locale),
      identity_(catalogue.FileCount()),
      pathListed_(catalogue.FileCount(), false),
      idListed_(catalogue.FileCount(), false) {}

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

template <typename Same>
std::uint32_t ResultRows::FirstEqual(std::vector<std::uint32_t>& table, std::size_t hash,
                                     std::size_t k, Same same) {
    if (table.empty()) {
        table.assign(TableSize(catalogue_.FileCount()), 0);
    }
    const std::size_t mask = table.size() - 1;
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

const ResultRows::Identity& ResultRows::IdentityOf(std::size_t k) {
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

bool ResultRows::IsListed(std::size_t k) {
    const Identity& identity = IdentityOf(k);
    return pathListed_[identity.path] || (identity.id != kNoId && idListed_[identity.id]);
}

void ResultRows::AddResultRow(std::size_t k, MatchType type, bool first) {
    if (IsListed(k)) {
        return;
    }
    if (first) {
        newGroup_ = true;
    }
    ResultRow row;
    row.path = catalogue_.FullPath(k);
    row.id = catalogue_.Id(k);
    row.type = type;
    // Size and time are read again now, not taken from the scan.
    struct stat st {};
    if (::lstat(row.path.c_str(), &st) == 0) {
        row.size = static_cast<std::int64_t>(st.st_size);
        row.modifiedSeconds = static_cast<std::int64_t>(st.st_mtime);
        if (showsTexts_) {
            row.modified = modifiedFormat_.Text(row.modifiedSeconds);
        }
    }
    if (showsTexts_) {
        row.sizeText = SizeText(row.size, locale_);
    }

    const Identity& identity = IdentityOf(k);
    pathListed_[identity.path] = true;
    if (identity.id != kNoId) {
        idListed_[identity.id] = true;
    }

    const char* keyword = ColourKeyword(type, shade_);
    catalogue_.SetRowColor(rowCount_, keyword);
    ++rowCount_;
    sink_.AddRow(std::move(row), keyword);
}

void ResultRows::EndOuterPass() {
    if (newGroup_) {
        newGroup_ = false;
        shade_ = 1 - shade_;
    }
}

}  // namespace corvane
