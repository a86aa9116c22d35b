#include "search/ListedEntries.h"

#include <algorithm>
#include <string_view>
#include <unordered_map>
#include <utility>

namespace corvane {

bool ListedEntries::Build(const ExactMatches& names, StopCheck& stop, Excluded excluded) {
    state_ = FilledVector<std::uint8_t>(catalogue_.FileCount(), 0, stop);
    built_ = MarkSharedIds(stop, excluded) && MarkSharedPaths(names, stop);
    return built_;
}

// Open addressing over known ids: an id met twice marks both entries.
bool ListedEntries::MarkSharedIds(StopCheck& stop, Excluded excluded) {
    // entry + 1; 0 = free
    std::vector<Entry> table = FilledVector<Entry>(HashTableSize(catalogue_.FileCount()), 0, stop);
    const std::size_t mask = table.size() - 1;
    for (Entry e = 0; e < catalogue_.FileCount(); ++e) {
        const FileId id = catalogue_.Id(e);
        if (id.Known() && !IsExcluded(excluded, e)) {
            const std::uint64_t mixed =
                (id.inode * 0x9E3779B97F4A7C15ull) ^ (id.device * 0xC2B2AE3D27D4EB4Full);
            std::size_t slot = (mixed ^ (mixed >> 29)) & mask;
            while (table[slot] != 0 && catalogue_.Id(table[slot] - 1) != id) {
                slot = (slot + 1) & mask;
            }
            if (table[slot] == 0) {
                table[slot] = e + 1;
            } else {
                state_[table[slot] - 1] |= kShared;
                state_[e] |= kShared;
            }
        }
        if (stop.Tick()) {
            return false;
        }
    }
    return true;
}

// Equal paths have equal names: only entries of one name group can share a
// path, when their folders are one folder (equal text, whatever its index).
bool ListedEntries::MarkSharedPaths(const ExactMatches& names, StopCheck& stop) {
    std::unordered_map<std::string_view, std::uint32_t> folderNumber;
    std::vector<std::pair<std::uint32_t, Entry>> byFolder;
    for (std::size_t group = 0; group < names.GroupCount(); ++group) {
        byFolder.clear();
        for (const Entry e : names.Group(group)) {
            const auto [found, added] = folderNumber.emplace(
                catalogue_.FileFolder(e), static_cast<std::uint32_t>(folderNumber.size()));
            byFolder.emplace_back(found->second, e);
        }
        std::sort(byFolder.begin(), byFolder.end());
        for (std::size_t k = 1; k < byFolder.size(); ++k) {
            if (byFolder[k].first == byFolder[k - 1].first) {
                state_[byFolder[k - 1].second] |= kShared;
                state_[byFolder[k].second] |= kShared;
            }
        }
        if (stop.Tick(byFolder.size())) {
            return false;
        }
    }
    return true;
}

}  // namespace corvane
