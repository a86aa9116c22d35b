#include "search/SameContents.h"

#include <algorithm>
#include <optional>
#include <tuple>

#include "platform/DigestCache.h"
#include "search/ContentStages.h"

namespace corvane {
namespace {

// One file per device and inode (its first entry), of a size at least one
// other such file has: the only files worth reading.
void AddCandidates(const FileCatalogue& catalogue, ContentStages& stages) {
    struct Sized {
        std::int64_t size;
        FileId id;
        std::uint32_t entry;
        auto Key() const { return std::tie(size, id.device, id.inode, entry); }
    };
    LargeVector<Sized> sized;
    sized.reserve(catalogue.FileCount());
    for (std::size_t i = 0; i < catalogue.FileCount(); ++i) {
        if (catalogue.Bytes(i) > 0) {
            sized.push_back(
                Sized{catalogue.Bytes(i), catalogue.Id(i), static_cast<std::uint32_t>(i)});
        }
    }
    std::sort(sized.begin(), sized.end(),
              [](const Sized& a, const Sized& b) { return a.Key() < b.Key(); });
    // A file's later entries (its hard links, or a folder listed twice) follow
    // its first one; a size needs two files, not two entries.
    const auto sameFile = [&](std::size_t a, std::size_t b) {
        return sized[a].size == sized[b].size && sized[a].id.Known() && sized[a].id == sized[b].id;
    };
    // The files go to the stages in size order, which is the order they
    // compare them in first.
    std::vector<std::uint32_t> chosen;
    chosen.reserve(sized.size());
    for (std::size_t begin = 0; begin < sized.size();) {
        std::size_t end = begin;
        std::size_t files = 0;
        for (; end < sized.size() && sized[end].size == sized[begin].size; ++end) {
            files += end == begin || !sameFile(end - 1, end) ? 1 : 0;
        }
        for (std::size_t k = begin; files >= 2 && k < end; ++k) {
            if (k == begin || !sameFile(k - 1, k)) {
                chosen.push_back(sized[k].entry);
            }
        }
        begin = end;
    }
    sized = {};
    stages.Reserve(chosen.size());
    for (const std::uint32_t i : chosen) {
        const std::optional<FileStamp> seen = catalogue.Stamp(i);
        const FileStamp stamp{catalogue.Id(i), catalogue.Bytes(i), {}, {}};
        stages.AddMember(0, seen ? stages.AddSeenFile(i, *seen) : stages.AddFile(i, stamp, false));
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

// Stores the keys read in this run; when there are any (the cache is then
// written), the keys taken from the cache count as used again too.
void Remember(const ContentStages& stages, DigestCache& cache) {
    for (const bool read : {true, false}) {
        for (std::uint32_t f = 0; f < stages.FileCount(); ++f) {
            const StagedFile& file = stages.File(f);
            if (file.outcome == DigestOutcome::Done && file.looked && file.known != 0 &&
                (file.known != file.cached) == read) {
                cache.Store(CachedDigests{file.seen, file.known, file.head, file.tail, file.whole});
            }
        }
        if (!cache.Changed()) {
            return;
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
        if (cache.Changed()) {
            (void)cache.Save(folder);  // a cache that cannot be written is only slower next time
        }
    }
    return result;
}

}  // namespace corvane
