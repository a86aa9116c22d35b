#include "search/SameContents.h"

#include <algorithm>
#include <optional>
#include <tuple>
#include <unordered_map>

#include "platform/DigestCache.h"
#include "search/ContentStages.h"

namespace corvane {
namespace {

// One file per device and inode (its first entry), of a size at least one
// other such file has: the only files worth reading.
void AddCandidates(const FileCatalogue& catalogue, ContentStages& stages) {
    std::unordered_map<std::int64_t, std::uint32_t> perSize;
    std::unordered_map<FileId, std::uint32_t, FileIdHash> seen;
    std::vector<std::uint32_t> firsts;
    for (std::size_t i = 0; i < catalogue.FileCount(); ++i) {
        if (catalogue.Bytes(i) <= 0) {
            continue;
        }
        const FileId id = catalogue.Id(i);
        if (id.Known() && !seen.emplace(id, static_cast<std::uint32_t>(i)).second) {
            continue;
        }
        ++perSize[catalogue.Bytes(i)];
        firsts.push_back(static_cast<std::uint32_t>(i));
    }
    seen = {};
    for (const std::uint32_t i : firsts) {
        if (perSize[catalogue.Bytes(i)] >= 2) {
            const std::optional<FileStamp> seen = catalogue.Stamp(i);
            const FileStamp stamp{catalogue.Id(i), catalogue.Bytes(i), {}, {}};
            stages.AddMember(0,
                             seen ? stages.AddSeenFile(i, *seen) : stages.AddFile(i, stamp, false));
        }
    }
}

// Files of one size and whole digest, two or more, ordered by their first
// entry; files that could not be read or changed, in catalogue order.
void Gather(const ContentStages& stages, SameContentsResult& result) {
    std::vector<std::uint32_t> whole;
    for (std::uint32_t f = 0; f < stages.FileCount(); ++f) {
        const StagedFile& file = stages.File(f);
        if (file.outcome == DigestOutcome::Done && file.Whole()) {
            whole.push_back(f);
        } else if (file.outcome == DigestOutcome::Unreadable ||
                   file.outcome == DigestOutcome::Changed) {
            UngroupedFile out;
            out.entry = file.source;
            out.reason = file.outcome == DigestOutcome::Changed ? UngroupedFile::Reason::Changed
                                                                : UngroupedFile::Reason::Unreadable;
            out.error = file.error;
            result.ungrouped.push_back(out);
        }
    }
    const auto keyOf = [&](std::uint32_t f) {
        const StagedFile& file = stages.File(f);
        return std::make_tuple(file.seen.size, file.whole.high, file.whole.low);
    };
    std::sort(whole.begin(), whole.end(), [&](std::uint32_t a, std::uint32_t b) {
        return std::make_tuple(keyOf(a), stages.File(a).source) <
               std::make_tuple(keyOf(b), stages.File(b).source);
    });
    for (std::size_t begin = 0; begin < whole.size();) {
        std::size_t end = begin + 1;
        while (end < whole.size() && keyOf(whole[end]) == keyOf(whole[begin])) {
            ++end;
        }
        if (end - begin >= 2) {
            SameContentGroup group;
            group.key = stages.File(whole[begin]).whole;
            for (std::size_t k = begin; k < end; ++k) {
                group.entries.push_back(stages.File(whole[k]).source);
            }
            result.groups.push_back(std::move(group));
        }
        begin = end;
    }
    std::sort(result.groups.begin(), result.groups.end(),
              [](const SameContentGroup& a, const SameContentGroup& b) {
                  return a.entries[0] < b.entries[0];
              });
    std::sort(result.ungrouped.begin(), result.ungrouped.end(),
              [](const UngroupedFile& a, const UngroupedFile& b) { return a.entry < b.entry; });
}

void Remember(const ContentStages& stages, DigestCache& cache) {
    for (std::uint32_t f = 0; f < stages.FileCount(); ++f) {
        const StagedFile& file = stages.File(f);
        if (file.outcome == DigestOutcome::Done && file.looked && file.known != 0) {
            cache.Store(CachedDigests{file.seen, file.known, file.head, file.tail, file.whole});
        }
    }
}

}  // namespace

SameContentsResult FindSameContents(
    const FileCatalogue& catalogue, const StopToken* stop,
    const std::function<void(const SameContentsProgress&)>& progress,
    const SameContentsOptions& options) {
    SameContentsResult result;
    const std::string folder =
        options.cacheFolder.empty() ? DefaultCacheFolder() : options.cacheFolder;
    const LoadedSecret secret = LoadOrMakeSecret(folder);
    DigestCache cache(secret.secret);
    const bool useCache = options.useCache && secret.stored;
    if (useCache) {
        cache.Load(folder);
    }
    ContentStagesOptions stageOptions;
    stageOptions.secret = &secret.secret;
    stageOptions.cache = useCache ? &cache : nullptr;
    stageOptions.afterRead = options.afterRead;
    ContentStages stages([&catalogue](std::uint32_t i) { return catalogue.FullPath(i); },
                         stageOptions);
    AddCandidates(catalogue, stages);
    const std::function<bool()> stopped = [stop]() { return stop != nullptr && stop->Stopped(); };
    std::function<void(const ContentProgress&)> report;
    if (progress) {
        report = [&progress](const ContentProgress& p) { progress({p.bytesDone, p.bytesToRead}); };
    }
    const bool finished = stages.Run(stopped, report);
    result.bytesRead = stages.BytesRead();
    if (!finished) {
        result.stopped = true;
        return result;
    }
    Gather(stages, result);
    if (useCache) {
        Remember(stages, cache);
        (void)cache.Save(folder);  // a cache that cannot be written is only slower next time
    }
    return result;
}

}  // namespace corvane
