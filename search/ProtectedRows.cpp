#include "search/ProtectedRows.h"

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

#include "catalogue/PathParts.h"

namespace corvane {
namespace {

bool UnderAny(std::string_view path, const std::vector<std::string>& folders) {
    for (const std::string& folder : folders) {
        if (path.starts_with(folder)) {
            return true;
        }
    }
    return false;
}

}  // namespace

void MarkProtectedRows(const FileCatalogue& catalogue,
                       const std::vector<std::string>& protectedFolders, ResultRows& rows) {
    if (protectedFolders.empty()) {
        return;
    }
    // The walk of a listed folder stores its files' folders with the listed
    // text in front, as FolderWithSlash gives it.
    std::vector<std::string> prefixes;
    for (const std::string& folder : protectedFolders) {
        prefixes.push_back(FolderWithSlash(folder));
    }
    std::unordered_set<FileId, FileIdHash> ids;
    std::unordered_set<std::string> paths;  // entries without an id
    std::unordered_map<std::uint32_t, bool> folderUnder;
    for (std::size_t e = 0; e < catalogue.FileCount(); ++e) {
        const auto [at, added] = folderUnder.try_emplace(catalogue.FolderIndex(e), false);
        if (added) {
            at->second = UnderAny(catalogue.FileFolder(e), prefixes);
        }
        if (!at->second) {
            continue;
        }
        if (catalogue.Id(e).Known()) {
            ids.insert(catalogue.Id(e));
        } else {
            paths.insert(catalogue.FullPath(e));
        }
    }
    for (ResultRow& row : rows) {
        row.isProtected =
            row.isProtected || UnderAny(row.path, prefixes) ||
            (row.stamp.id.Known() ? ids.contains(row.stamp.id) : paths.contains(row.path));
    }
}

std::vector<std::uint32_t> DropProtectedGroups(ResultRows& rows) {
    std::unordered_map<std::uint32_t, bool> open;  // group: has an unprotected row
    for (const ResultRow& row : rows) {
        open[row.group] = open[row.group] || !row.isProtected;
    }
    std::vector<std::uint32_t> before;  // per group left, from 1: its number before
    if (std::all_of(open.begin(), open.end(), [](const auto& g) { return g.second; })) {
        for (const ResultRow& row : rows) {
            if (row.group != 0 && (before.empty() || before.back() != row.group)) {
                before.push_back(row.group);
            }
        }
        return before;
    }
    std::unordered_map<std::uint32_t, std::uint32_t> number;
    std::size_t kept = 0;
    std::uint64_t run = 0, keptRun = 0;  // runs of one shade, counted over every row
    GroupShade shade = GroupShade::Light, found = GroupShade::Light;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        ResultRow& row = rows[r];
        if (r > 0 && row.shade != found) {
            ++run;
        }
        found = row.shade;
        if (!open[row.group]) {
            continue;
        }
        if (kept > 0 && run != keptRun) {
            shade = shade == GroupShade::Light ? GroupShade::Dark : GroupShade::Light;
        }
        keptRun = run;
        if (row.group != 0) {
            const auto [it, added] = number.try_emplace(row.group, number.size() + 1);
            if (added) {
                before.push_back(row.group);
            }
            row.group = it->second;
        }
        row.shade = shade;
        if (kept != r) {
            rows[kept] = std::move(row);
        }
        ++kept;
    }
    rows.resize(kept);
    return before;
}

}  // namespace corvane
