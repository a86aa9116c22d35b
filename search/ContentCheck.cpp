#include "search/ContentCheck.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <tuple>
#include <unordered_map>

namespace corvane {
namespace {

// One file to read; rows reaching the same file (device and inode) share it.
struct Job {
    const std::string* path = nullptr;
    FileStamp stamp;
    FileDigest edges;  // outcome Stopped until read
    FileDigest whole;
    bool needsWhole = false;
};

struct FileIdHash {
    std::size_t operator()(const FileId& id) const {
        return std::hash<std::uint64_t>()(id.inode * 0x9e3779b97f4a7c15ULL ^ id.device);
    }
};

struct Counters {
    std::atomic<std::uint64_t> bytesDone{0};
    std::atomic<std::uint64_t> filesDone{0};
};

bool StopAsked(const std::atomic<bool>* stop) {
    return stop != nullptr && stop->load(std::memory_order_relaxed);
}

std::uint64_t EdgesBytes(std::int64_t size) {
    return std::min<std::uint64_t>(static_cast<std::uint64_t>(size), 2 * kEdgeBlockBytes);
}

// Runs `read(reader, job)` for each of `work` on `readers` threads, reporting
// progress from this thread meanwhile.
template <typename Read>
void RunReaders(const std::vector<std::uint32_t>& work, unsigned readers, Read read,
                const std::atomic<bool>* stop, const Counters& counters,
                const ContentProgress& totals,
                const std::function<void(const ContentProgress&)>& progress) {
    if (work.empty()) {
        return;
    }
    std::atomic<std::size_t> next{0};
    std::mutex mutex;
    std::condition_variable ended;
    unsigned running = std::max(1u, std::min<unsigned>(readers, work.size()));
    const unsigned started = running;
    std::vector<std::thread> threads;
    threads.reserve(started);
    for (unsigned t = 0; t < started; ++t) {
        threads.emplace_back([&]() {
            DigestReader reader;
            while (!StopAsked(stop)) {
                const std::size_t w = next.fetch_add(1, std::memory_order_relaxed);
                if (w >= work.size()) {
                    break;
                }
                read(reader, work[w]);
            }
            const std::lock_guard lock(mutex);
            --running;
            ended.notify_one();
        });
    }
    {
        std::unique_lock lock(mutex);
        while (running > 0) {
            if (!ended.wait_for(lock, std::chrono::milliseconds(50),
                                [&]() { return running == 0; }) &&
                progress) {
                ContentProgress now = totals;
                now.bytesDone = counters.bytesDone.load(std::memory_order_relaxed);
                now.filesDone = counters.filesDone.load(std::memory_order_relaxed);
                lock.unlock();
                progress(now);
                lock.lock();
            }
        }
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
}

}  // namespace

ContentCheckResult CheckContents(const std::vector<ResultRow>& rows, const std::atomic<bool>* stop,
                                 const std::function<void(const ContentProgress&)>& progress,
                                 unsigned readers) {
    ContentCheckResult result;
    result.rows.resize(rows.size());
    constexpr std::uint32_t kNoJob = UINT32_MAX;
    std::vector<std::uint32_t> rowJob(rows.size(), kNoJob);

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
    struct Bucket {
        std::size_t begin, end;  // in `order`
    };
    std::vector<Bucket> buckets;
    for (std::size_t begin = 0; begin < order.size();) {
        std::size_t end = begin + 1;
        while (end < order.size() && rows[order[end]].group == rows[order[begin]].group &&
               sizeOf(order[end]) == sizeOf(order[begin])) {
            ++end;
        }
        buckets.push_back({begin, end});
        begin = end;
    }

    // What needs no reading is settled now; the rest becomes jobs.
    std::vector<Job> jobs;
    std::unordered_map<FileId, std::uint32_t, FileIdHash> jobOfFile;
    ContentProgress totals;
    for (const Bucket& bucket : buckets) {
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
            } else if (size == 0) {
                content.source = KeySource::Content;
                content.key = KeyOfNoBytes();
            } else if (bucket.end - bucket.begin == 1) {
                content.verdict = ContentVerdict::Differs;
                content.source = KeySource::Distinct;
                content.key = KeyNotFromContent(size);
            } else {
                const FileId id = rows[r].stamp.id;
                if (id.Known()) {
                    if (const auto found = jobOfFile.find(id); found != jobOfFile.end()) {
                        rowJob[r] = found->second;
                        continue;
                    }
                    jobOfFile.emplace(id, static_cast<std::uint32_t>(jobs.size()));
                }
                rowJob[r] = static_cast<std::uint32_t>(jobs.size());
                Job job;
                job.path = &rows[r].path;
                job.stamp = rows[r].stamp;
                jobs.push_back(job);
                totals.bytesToRead += EdgesBytes(size);
                if (static_cast<std::uint64_t>(size) > 2 * kEdgeBlockBytes) {
                    totals.bytesToRead += static_cast<std::uint64_t>(size);
                }
            }
        }
    }
    jobOfFile = {};
    totals.filesToRead = jobs.size();

    // Files in inode order: on a spinning disk that is roughly where they lie.
    const auto byInode = [&](std::uint32_t a, std::uint32_t b) {
        const FileId& x = jobs[a].stamp.id;
        const FileId& y = jobs[b].stamp.id;
        return x.device != y.device ? x.device < y.device : x.inode < y.inode;
    };
    std::vector<std::uint32_t> work(jobs.size());
    for (std::size_t j = 0; j < jobs.size(); ++j) {
        work[j] = static_cast<std::uint32_t>(j);
    }
    std::sort(work.begin(), work.end(), byInode);

    Counters counters;
    const DigestReader::ReadCallback onRead = [&](std::size_t bytes) {
        counters.bytesDone.fetch_add(bytes, std::memory_order_relaxed);
        return !StopAsked(stop);
    };
    RunReaders(
        work, readers,
        [&](DigestReader& reader, std::uint32_t j) {
            Job& job = jobs[j];
            job.edges = reader.Edges(*job.path, job.stamp, onRead);
            if (job.edges.outcome != DigestOutcome::Done || job.edges.whole) {
                counters.filesDone.fetch_add(1, std::memory_order_relaxed);
            }
        },
        stop, counters, totals, progress);

    // Whole reads for the files whose first and last blocks another file of
    // their group and size shares.
    std::vector<std::pair<ContentKey, std::uint32_t>> keys;  // edges key, job
    for (const Bucket& bucket : buckets) {
        keys.clear();
        for (std::size_t o = bucket.begin; o < bucket.end; ++o) {
            const std::uint32_t j = rowJob[order[o]];
            if (j != kNoJob && jobs[j].edges.outcome == DigestOutcome::Done &&
                !jobs[j].edges.whole) {
                keys.emplace_back(jobs[j].edges.key, j);
            }
        }
        std::sort(keys.begin(), keys.end(), [](const auto& a, const auto& b) {
            return std::tie(a.first.high, a.first.low) < std::tie(b.first.high, b.first.low);
        });
        for (std::size_t k = 0; k < keys.size(); ++k) {
            if ((k > 0 && keys[k - 1].first == keys[k].first) ||
                (k + 1 < keys.size() && keys[k + 1].first == keys[k].first)) {
                jobs[keys[k].second].needsWhole = true;
            }
        }
    }
    work.clear();
    std::uint64_t wholeBytes = 0;
    std::uint64_t settled = 0;
    for (std::size_t j = 0; j < jobs.size(); ++j) {
        const Job& job = jobs[j];
        if (job.needsWhole) {
            work.push_back(static_cast<std::uint32_t>(j));
            wholeBytes += static_cast<std::uint64_t>(job.stamp.size);
        } else if (job.edges.outcome == DigestOutcome::Done && !job.edges.whole) {
            ++settled;  // told apart by its blocks
        }
    }
    counters.filesDone.fetch_add(settled, std::memory_order_relaxed);
    totals.bytesToRead = counters.bytesDone.load() + wholeBytes;
    std::sort(work.begin(), work.end(), byInode);
    if (!StopAsked(stop)) {
        RunReaders(
            work, readers,
            [&](DigestReader& reader, std::uint32_t j) {
                Job& job = jobs[j];
                job.whole = reader.Whole(*job.path, job.stamp, onRead);
                counters.filesDone.fetch_add(1, std::memory_order_relaxed);
            },
            stop, counters, totals, progress);
    }
    result.bytesRead = counters.bytesDone.load();
    result.stopped = StopAsked(stop);

    // Each read row's answer; a bucket with a file left unread by a stop is
    // undecided as a whole, since any of its rows might equal that file.
    for (const Bucket& bucket : buckets) {
        bool pending = false;
        keys.clear();
        for (std::size_t o = bucket.begin; o < bucket.end; ++o) {
            const std::uint32_t r = order[o];
            RowContent& content = result.rows[r];
            if (rowJob[r] == kNoJob) {
                if (content.source == KeySource::Content) {
                    keys.emplace_back(content.key, r);  // empty files
                }
                continue;
            }
            const Job& job = jobs[rowJob[r]];
            const FileDigest& digest = job.needsWhole ? job.whole : job.edges;
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
        std::sort(keys.begin(), keys.end(), [](const auto& a, const auto& b) {
            return std::tie(a.first.high, a.first.low) < std::tie(b.first.high, b.first.low);
        });
        for (std::size_t k = 0; k < keys.size(); ++k) {
            const bool shared = (k > 0 && keys[k - 1].first == keys[k].first) ||
                                (k + 1 < keys.size() && keys[k + 1].first == keys[k].first);
            result.rows[keys[k].second].verdict =
                shared ? ContentVerdict::Identical : ContentVerdict::Differs;
        }
    }
    if (progress) {
        ContentProgress end = totals;
        end.bytesDone = counters.bytesDone.load();
        end.filesDone = counters.filesDone.load();
        progress(end);
    }
    return result;
}

}  // namespace corvane
