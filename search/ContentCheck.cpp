#include "search/ContentCheck.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <tuple>
#include <unordered_map>

namespace corvane {
namespace {

// A bucket that is read keeps at most this many files open from the first
// look to the whole read; a larger one opens its files again for the latter.
constexpr std::size_t kOpenPerBucket = 64;

// One file to read; rows reaching the same file (device and inode) share it.
struct File {
    const std::string* path = nullptr;
    FileStamp stamp;
    FileDigest edges;  // outcome Stopped until read
    FileDigest whole;
    bool needsWhole = false;
    bool shared = false;  // reached through more than one row
};

// The rows of one group and size: [begin, end) in the sorted order, and the
// files to read for them.
struct Bucket {
    std::size_t begin, end;
    std::vector<std::uint32_t> files;
};

struct FileIdHash {
    std::size_t operator()(const FileId& id) const {
        return std::hash<std::uint64_t>()(id.inode * 0x9e3779b97f4a7c15ULL ^ id.device);
    }
};

bool StopAsked(const StopToken* stop) {
    return stop != nullptr && stop->Stopped();
}

std::uint64_t EdgesBytes(std::int64_t size) {
    return std::min<std::uint64_t>(static_cast<std::uint64_t>(size), 2 * kEdgeBlockBytes);
}

template <typename T>
void SortByKey(std::vector<std::pair<ContentKey, T>>& keys) {
    std::sort(keys.begin(), keys.end(), [](const auto& a, const auto& b) {
        return std::tie(a.first.high, a.first.low, a.second) <
               std::tie(b.first.high, b.first.low, b.second);
    });
}

// Whether entry k of sorted `keys` has the key of a neighbour.
template <typename T>
bool SharedKey(const std::vector<std::pair<ContentKey, T>>& keys, std::size_t k) {
    return (k > 0 && keys[k - 1].first == keys[k].first) ||
           (k + 1 < keys.size() && keys[k + 1].first == keys[k].first);
}

// Sets needsWhole on the bucket's files (those of two rows, or the others)
// whose first look another file of the bucket matches. Files not looked at
// (a stop) take no part.
void MarkWholeReads(const Bucket& bucket, std::vector<File>& files, bool ofTwoRows) {
    std::vector<std::pair<ContentKey, std::uint32_t>> keys;
    for (const std::uint32_t f : bucket.files) {
        if (files[f].edges.outcome == DigestOutcome::Done && !files[f].edges.whole) {
            keys.emplace_back(files[f].edges.key, f);
        }
    }
    SortByKey(keys);
    for (std::size_t k = 0; k < keys.size(); ++k) {
        if (SharedKey(keys, k) && files[keys[k].second].shared == ofTwoRows) {
            files[keys[k].second].needsWhole = true;
        }
    }
}

// What the readers and the reporting thread share.
struct Shared {
    Shared(const StopToken* stop, const ContentCheckOptions& options,
           const std::function<void(const ContentProgress&)>& progress)
        : stop(stop), options(options), progress(progress) {}

    ContentProgress Snapshot() const {
        ContentProgress now;
        now.bytesDone = bytesDone.load(std::memory_order_relaxed);
        now.bytesToRead = std::max(now.bytesDone, bytesToRead.load(std::memory_order_relaxed));
        now.filesDone = filesDone.load(std::memory_order_relaxed);
        now.filesToRead = filesToRead;
        return now;
    }

    const StopToken* stop;
    const ContentCheckOptions& options;
    const std::function<void(const ContentProgress&)>& progress;
    std::atomic<std::uint64_t> bytesDone{0};
    std::atomic<std::uint64_t> bytesToRead{0};
    std::atomic<std::uint64_t> filesDone{0};
    std::uint64_t filesToRead = 0;
};

// Runs `read(reader, w)` for w in [0, count) on the readers' threads, each
// with its own DigestReader, reporting progress from this thread meanwhile.
template <typename Read>
void RunReaders(std::size_t count, Shared& shared, Read read) {
    if (count == 0 || StopAsked(shared.stop)) {
        return;
    }
    std::atomic<std::size_t> next{0};
    std::mutex mutex;
    std::condition_variable ended;
    unsigned running =
        static_cast<unsigned>(std::clamp<std::size_t>(shared.options.readers, 1, count));
    std::vector<std::thread> threads;
    threads.reserve(running);
    for (unsigned t = running; t > 0; --t) {
        threads.emplace_back([&]() {
            DigestReader reader(shared.options.bufferBytes);
            while (!StopAsked(shared.stop)) {
                const std::size_t w = next.fetch_add(1, std::memory_order_relaxed);
                if (w >= count) {
                    break;
                }
                read(reader, w);
            }
            const std::lock_guard lock(mutex);
            --running;
            ended.notify_one();
        });
    }
    {
        std::unique_lock lock(mutex);
        while (
            !ended.wait_for(lock, std::chrono::milliseconds(50), [&]() { return running == 0; })) {
            if (shared.progress) {
                const ContentProgress now = shared.Snapshot();
                lock.unlock();
                shared.progress(now);
                lock.lock();
            }
        }
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
}

}  // namespace

ContentCheckResult CheckContents(const std::vector<ResultRow>& rows, const StopToken* stop,
                                 const std::function<void(const ContentProgress&)>& progress,
                                 const ContentCheckOptions& options) {
    ContentCheckResult result;
    result.rows.resize(rows.size());
    constexpr std::uint32_t kNoFile = UINT32_MAX;
    std::vector<std::uint32_t> rowFile(rows.size(), kNoFile);

    // Rows by group, then size (rows without a stamp before the sizes), then
    // row order: each run of one group and size is a bucket.
    const auto sizeOf = [&](std::size_t r) -> std::int64_t {
        return rows[r].stamped ? rows[r].stamp.size : -1;
    };
    std::vector<std::uint32_t> order(rows.size());
    for (std::size_t r = 0; r < rows.size(); ++r) {
        order[r] = static_cast<std::uint32_t>(r);
    }
    std::sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
        if (rows[a].group != rows[b].group) {
            return rows[a].group < rows[b].group;
        }
        if (sizeOf(a) != sizeOf(b)) {
            return sizeOf(a) < sizeOf(b);
        }
        return a < b;
    });
    std::vector<Bucket> buckets;
    for (std::size_t begin = 0; begin < order.size();) {
        std::size_t end = begin + 1;
        while (end < order.size() && rows[order[end]].group == rows[order[begin]].group &&
               sizeOf(order[end]) == sizeOf(order[begin])) {
            ++end;
        }
        buckets.push_back({begin, end, {}});
        begin = end;
    }

    // What needs no reading is settled now; the rest becomes files to read,
    // one per device and inode.
    std::vector<File> files;
    std::unordered_map<FileId, std::uint32_t, FileIdHash> fileOf;
    std::uint64_t bytesToRead = 0;
    std::vector<std::uint32_t> readBuckets;
    for (std::size_t b = 0; b < buckets.size(); ++b) {
        Bucket& bucket = buckets[b];
        const std::int64_t size = sizeOf(order[bucket.begin]);
        for (std::size_t o = bucket.begin; o < bucket.end; ++o) {
            const std::uint32_t r = order[o];
            RowContent& content = result.rows[r];
            if (size < 0) {
                // Gone when its row was made: is it back?
                const PathStatus now = StatPath(rows[r].path);
                content.verdict =
                    now.error != 0 ? ContentVerdict::Unreadable : ContentVerdict::Changed;
                content.error = now.error;
                continue;
            }
            if (size == 0) {
                content.source = KeySource::Content;
                content.key = KeyOfNoBytes();
                continue;
            }
            if (bucket.end - bucket.begin == 1) {
                content.verdict = ContentVerdict::Differs;
                content.source = KeySource::Distinct;
                content.key = KeyNotFromContent(size);
                continue;
            }
            const FileId id = rows[r].stamp.id;
            if (id.Known()) {
                if (const auto found = fileOf.find(id); found != fileOf.end()) {
                    File& file = files[found->second];
                    if (!(file.stamp == rows[r].stamp)) {
                        content.verdict = ContentVerdict::Changed;  // between its two rows
                        continue;
                    }
                    rowFile[r] = found->second;
                    file.shared = true;
                    if (std::find(bucket.files.begin(), bucket.files.end(), found->second) ==
                        bucket.files.end()) {
                        bucket.files.push_back(found->second);
                    } else if (static_cast<std::uint64_t>(size) > 2 * kEdgeBlockBytes) {
                        // Two rows of one file in a bucket hold the same bytes: its
                        // key must be the digest of all of them.
                        file.needsWhole = true;
                    }
                    continue;
                }
                fileOf.emplace(id, static_cast<std::uint32_t>(files.size()));
            }
            rowFile[r] = static_cast<std::uint32_t>(files.size());
            bucket.files.push_back(static_cast<std::uint32_t>(files.size()));
            File file;
            file.path = &rows[r].path;
            file.stamp = rows[r].stamp;
            files.push_back(file);
            bytesToRead += EdgesBytes(size);
            if (static_cast<std::uint64_t>(size) > 2 * kEdgeBlockBytes) {
                bytesToRead += static_cast<std::uint64_t>(size);
            }
        }
        if (!bucket.files.empty()) {
            readBuckets.push_back(static_cast<std::uint32_t>(b));
        }
    }
    fileOf = {};

    Shared shared(stop, options, progress);
    shared.bytesToRead = bytesToRead;
    shared.filesToRead = files.size();
    const DigestReader::ReadCallback onRead = [&](std::size_t bytes) {
        shared.bytesDone.fetch_add(bytes, std::memory_order_relaxed);
        return !StopAsked(stop);
    };
    // A file's planned whole read that will not happen leaves the total.
    const auto settled = [&](const File& file) {
        if (static_cast<std::uint64_t>(file.stamp.size) > 2 * kEdgeBlockBytes) {
            shared.bytesToRead.fetch_sub(static_cast<std::uint64_t>(file.stamp.size),
                                         std::memory_order_relaxed);
        }
        shared.filesDone.fetch_add(1, std::memory_order_relaxed);
    };

    // Files reached through more than one row (hard links) are read on their
    // own, before and after the buckets, so that two buckets never read one.
    std::vector<std::uint32_t> sharedFiles;
    for (std::size_t f = 0; f < files.size(); ++f) {
        if (files[f].shared) {
            sharedFiles.push_back(static_cast<std::uint32_t>(f));
        }
    }
    RunReaders(sharedFiles.size(), shared, [&](DigestReader& reader, std::size_t w) {
        File& file = files[sharedFiles[w]];
        file.edges = reader.Edges(*file.path, file.stamp, onRead);
    });

    // Each bucket on one reader: the first look at all its files, then the
    // whole read of those whose blocks another file of the bucket shares,
    // each file kept open from one to the other (so opened and checked once).
    std::sort(readBuckets.begin(), readBuckets.end(), [&](std::uint32_t a, std::uint32_t b) {
        return files[buckets[a].files.front()].stamp.id.inode <
               files[buckets[b].files.front()].stamp.id.inode;
    });
    const auto toldApart = [](const File& file) {  // looked at, and not read whole yet
        return file.edges.outcome == DigestOutcome::Done && !file.edges.whole;
    };
    RunReaders(readBuckets.size(), shared, [&](DigestReader& reader, std::size_t w) {
        const Bucket& bucket = buckets[readBuckets[w]];
        const bool keepOpen = bucket.files.size() <= kOpenPerBucket;
        std::vector<std::pair<std::uint32_t, StampedFile>> open;
        for (const std::uint32_t f : bucket.files) {
            File& file = files[f];
            if (file.shared) {
                continue;
            }
            if (StopAsked(stop)) {
                return;
            }
            StampedFile stamped(*file.path, file.stamp);
            if (!stamped.IsOpen()) {
                file.edges = stamped.Failure();
                settled(file);
                continue;
            }
            file.edges = stamped.Edges(reader, onRead);
            if (keepOpen && toldApart(file)) {
                open.emplace_back(f, std::move(stamped));
                continue;
            }
            file.edges = stamped.Finish(file.edges);
            if (file.edges.outcome != DigestOutcome::Stopped && !toldApart(file)) {
                settled(file);  // unreadable, changed, or short enough to be read whole
            }
        }
        MarkWholeReads(bucket, files, false);
        for (auto& [f, stamped] : open) {
            if (!files[f].needsWhole) {
                files[f].edges = stamped.Finish(files[f].edges);
                settled(files[f]);
            }
        }
        for (const std::uint32_t f : bucket.files) {
            if (!keepOpen && !files[f].shared && toldApart(files[f]) && !files[f].needsWhole) {
                settled(files[f]);
            }
        }
        for (auto& [f, stamped] : open) {
            if (files[f].needsWhole && !StopAsked(stop)) {
                files[f].whole = stamped.Finish(stamped.Whole(reader, onRead));
                shared.filesDone.fetch_add(1, std::memory_order_relaxed);
            }
        }
        open.clear();  // closes what a stop left open
        for (const std::uint32_t f : bucket.files) {
            File& file = files[f];
            if (!keepOpen && !file.shared && file.needsWhole && !StopAsked(stop)) {
                file.whole = reader.Whole(*file.path, file.stamp, onRead);
                shared.filesDone.fetch_add(1, std::memory_order_relaxed);
            }
        }
    });

    // The files of two rows: whole where any of their buckets asks for it.
    for (const std::uint32_t b : readBuckets) {
        MarkWholeReads(buckets[b], files, true);
    }
    std::vector<std::uint32_t> sharedWhole;
    for (const std::uint32_t f : sharedFiles) {
        if (files[f].needsWhole) {
            sharedWhole.push_back(f);
        } else if (files[f].edges.outcome != DigestOutcome::Stopped) {
            settled(files[f]);
        }
    }
    if (!StopAsked(stop)) {
        RunReaders(sharedWhole.size(), shared, [&](DigestReader& reader, std::size_t w) {
            File& file = files[sharedWhole[w]];
            file.whole = reader.Whole(*file.path, file.stamp, onRead);
            shared.filesDone.fetch_add(1, std::memory_order_relaxed);
        });
    }
    result.bytesRead = shared.bytesDone.load();
    result.stopped = StopAsked(stop);

    // Each read row's answer; a bucket with a file left unread by a stop is
    // undecided as a whole, since any of its rows might equal that file.
    std::vector<std::pair<ContentKey, std::uint32_t>> keys;  // key, row
    for (const Bucket& bucket : buckets) {
        bool pending = false;
        keys.clear();
        for (std::size_t o = bucket.begin; o < bucket.end; ++o) {
            const std::uint32_t r = order[o];
            RowContent& content = result.rows[r];
            if (rowFile[r] == kNoFile) {
                if (content.source == KeySource::Content) {
                    keys.emplace_back(content.key, r);  // empty files
                }
                continue;
            }
            const File& file = files[rowFile[r]];
            const FileDigest& digest = file.needsWhole ? file.whole : file.edges;
            switch (digest.outcome) {
                case DigestOutcome::Stopped:
                    pending = true;
                    break;
                case DigestOutcome::Unreadable:
                    content.verdict = ContentVerdict::Unreadable;
                    content.error = digest.error;
                    break;
                case DigestOutcome::Changed:
                    content.verdict = ContentVerdict::Changed;
                    break;
                case DigestOutcome::Done:
                    content.key = digest.key;
                    if (digest.whole) {
                        content.source = KeySource::Content;
                        keys.emplace_back(content.key, r);
                    } else {
                        content.source = KeySource::Distinct;
                        content.verdict = ContentVerdict::Differs;
                    }
                    break;
            }
        }
        if (pending) {
            for (std::size_t o = bucket.begin; o < bucket.end; ++o) {
                RowContent& content = result.rows[order[o]];
                if (content.verdict != ContentVerdict::Unreadable &&
                    content.verdict != ContentVerdict::Changed) {
                    content = RowContent();
                }
            }
            continue;
        }
        SortByKey(keys);
        for (std::size_t k = 0; k < keys.size(); ++k) {
            result.rows[keys[k].second].verdict =
                SharedKey(keys, k) ? ContentVerdict::Identical : ContentVerdict::Differs;
        }
    }
    if (progress) {
        ContentProgress end = shared.Snapshot();
        if (!result.stopped) {
            end.bytesToRead = end.bytesDone;  // what failed files did not read is not owed
        }
        progress(end);
    }
    return result;
}

}  // namespace corvane
