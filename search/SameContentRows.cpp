#include "search/SameContentRows.h"

#include <algorithm>

#include "search/MatchRules.h"

namespace corvane {

std::vector<FoundRow> SameContentFoundRows(const std::vector<SameContentGroup>& groups) {
    std::vector<FoundRow> rows;
    GroupShade shade = GroupShade::Light;
    std::uint32_t number = 0;
    for (const SameContentGroup& group : groups) {
        ++number;
        for (const std::size_t entry : group.entries) {
            rows.push_back(
                FoundRow{static_cast<std::uint32_t>(entry), number, MatchType::Same, shade});
        }
        shade = shade == GroupShade::Light ? GroupShade::Dark : GroupShade::Light;
    }
    return rows;
}

namespace {

bool IdLess(const FileId& a, const FileId& b) {
    return a.device != b.device ? a.device < b.device : a.inode < b.inode;
}

}  // namespace

std::vector<std::uint8_t> EntriesOfGroups(const FileCatalogue& catalogue,
                                          const std::vector<SameContentGroup>& groups) {
    std::vector<std::uint8_t> excluded(catalogue.FileCount(), 0);
    std::vector<FileId> ids;
    for (const SameContentGroup& group : groups) {
        for (const std::size_t entry : group.entries) {
            excluded[entry] = 1;
            ids.push_back(catalogue.Id(entry));
        }
    }
    if (ids.empty()) {
        return {};
    }
    // Other paths of a grouped file: a hard link, a folder given twice.
    std::sort(ids.begin(), ids.end(), IdLess);
    for (std::size_t e = 0; e < excluded.size(); ++e) {
        const FileId id = catalogue.Id(e);
        if (excluded[e] == 0 && id.Known() &&
            std::binary_search(ids.begin(), ids.end(), id, IdLess)) {
            excluded[e] = 1;
        }
    }
    return excluded;
}

bool MatchAfterSameContents(const FileCatalogue& catalogue, SearchObserver& observer,
                            StopCheck& stop, const std::vector<SameContentGroup>& groups,
                            std::vector<FoundRow>& found) {
    found = SameContentFoundRows(groups);
    const std::vector<std::uint8_t> excluded = EntriesOfGroups(catalogue, groups);
    RowBuilder rows(catalogue, found, static_cast<std::uint32_t>(groups.size()));
    return FindMatches(catalogue, observer, stop, rows, excluded);
}

}  // namespace corvane
