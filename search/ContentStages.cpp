#include "search/ContentStages.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>
#include <tuple>
#include <unordered_map>

#include "platform/DigestCache.h"
#include "platform/FileBatches.h"

namespace corvane {
namespace {

std::uint64_t HeadBytes(std::int64_t size) {
    return std::min<std::uint64_t>(static_cast<std::uint64_t>(size), kEdgeBlockBytes);
}

bool Applies(std::uint8_t stageBit, std::int64_t size) {
    switch (stageBit) {
        case StagedFile::kTail:
            return size > kTailFromBytes;
        case StagedFile::kWhole:
            return size > static_cast<std::int64_t>(kEdgeBlockBytes);
        default:
            return true;
    }
}

// The bytes a stage reads; `rest`: the whole stage reads only what lies
// between head and tail.
std::uint64_t StageBytes(std::uint8_t stageBit, std::int64_t size, bool rest) {
    if (stageBit != StagedFile::kWhole) {
        return HeadBytes(size);
    }
    const auto bytes = static_cast<std::uint64_t>(size);
    return rest ? bytes - kEdgeBlockBytes - (Applies(StagedFile::kTail, size) ? kEdgeBlockBytes : 0)
                : bytes;
}

// The bytes still to read for `file` from the stage `fromBit` on.
std::uint64_t Remaining(const StagedFile& file, std::uint8_t fromBit, bool rest) {
    std::uint64_t bytes = 0;
    for (std::uint8_t bit = fromBit; bit <= StagedFile::kWhole;
         bit = static_cast<std::uint8_t>(bit << 1)) {
        if (Applies(bit, file.seen.size) && (file.known & bit) == 0) {
            bytes += StageBytes(bit, file.seen.size, rest);
        }
    }
    return bytes;
}

}  // namespace

FileExpectation StagedFile::Expected() const {
    if (looked) {
        return FileExpectation::Exactly(seen);
    }
    FileExpectation expected;
    expected.id = seen.id;
    expected.size = seen.size;
    if (checkModified) {
        expected.modified = seen.modified;
    }
    return expected;
}

ContentKey StagedFile::Key() const {
    if (Whole()) {
        return whole;
    }
    ContentKey keys[2] = {head, (known & kTail) != 0 ? tail : ContentKey{}};
    return KeyNotFromContent(
        seen.size, {reinterpret_cast<const char*>(keys), (known & kHead) != 0 ? sizeof keys : 0});
}

// What the readers and the reporting thread share.
struct ContentStages::Shared {
    const std::function<bool()>* stopped = nullptr;
    const std::function<void(const ContentProgress&)>* progress = nullptr;
    std::atomic<std::uint64_t> bytesDone{0};
    std::atomic<std::int64_t> owed{0};  // planned bytes not read yet
    std::uint64_t filesDone = 0;
    std::uint64_t filesToRead = 0;
    std::atomic<bool> stop{false};
    std::unordered_map<std::uint64_t, bool> stableDevices;

    bool Stopped() {
        if (!stop.load(std::memory_order_relaxed) && stopped != nullptr && *stopped &&
            (*stopped)()) {
            stop.store(true, std::memory_order_relaxed);
        }
        return stop.load(std::memory_order_relaxed);
    }
    ContentProgress Snapshot() const {
        ContentProgress now;
        now.bytesDone = bytesDone.load(std::memory_order_relaxed);
        now.bytesToRead = now.bytesDone + static_cast<std::uint64_t>(std::max<std::int64_t>(
                                              0, owed.load(std::memory_order_relaxed)));
        now.filesDone = filesDone;
        now.filesToRead = filesToRead;
        return now;
    }
};

ContentStages::ContentStages(PathOf pathOf, ContentStagesOptions options)
    : pathOf_(std::move(pathOf)),
      options_(std::move(options)),
      shared_(std::make_unique<Shared>()) {}

ContentStages::~ContentStages() = default;

std::uint32_t ContentStages::AddFile(std::uint32_t source, const FileStamp& stamp,
                                     bool checkModified) {
    StagedFile file;
    file.source = source;
    file.seen = stamp;
    file.checkModified = checkModified;
    files_.push_back(file);
    return static_cast<std::uint32_t>(files_.size() - 1);
}

std::uint32_t ContentStages::AddSeenFile(std::uint32_t source, const FileStamp& seen) {
    const std::uint32_t file = AddFile(source, seen, true);
    files_[file].looked = true;
    return file;
}

void ContentStages::Reserve(std::size_t files) {
    files_.reserve(files);
    members_.reserve(files);
}

void ContentStages::AddMember(std::uint32_t bucket, std::uint32_t file) {
    members_.emplace_back(bucket, file);
}

std::uint64_t ContentStages::BytesRead() const {
    return shared_->bytesDone.load();
}

namespace {

// Whether a file takes part in stage `stage` (0 head, 1 tail, 2 whole).
bool TakesPart(const StagedFile& f, unsigned stage) {
    if (f.outcome != DigestOutcome::Done) {
        return false;
    }
    if (stage == 0) {
        return true;
    }
    // Past the head only files longer than one block take part (with their
    // whole key already known, from the cache, they still do: the other
    // files of their run need them).
    if ((f.known & StagedFile::kHead) == 0 || !Applies(StagedFile::kWhole, f.seen.size)) {
        return false;
    }
    return stage != 2 || !Applies(StagedFile::kTail, f.seen.size) ||
           (f.known & StagedFile::kTail) != 0;
}

// The key a file is compared by in stage `stage`, its bucket and size
// aside: nothing in the head stage, then its head, then its head and tail.
std::pair<ContentKey, ContentKey> StageKey(const StagedFile& f, unsigned stage) {
    const bool withTail = stage == 2 && Applies(StagedFile::kTail, f.seen.size);
    return {stage > 0 ? f.head : ContentKey{}, withTail ? f.tail : ContentKey{}};
}

bool KeyLess(const std::pair<ContentKey, ContentKey>& a,
             const std::pair<ContentKey, ContentKey>& b) {
    return std::tie(a.first.high, a.first.low, a.second.high, a.second.low) <
           std::tie(b.first.high, b.first.low, b.second.high, b.second.low);
}

}  // namespace

// Each stage compares only the files that shared every earlier key with
// another file, so it refines the runs of the stage before: the members of
// one bucket and size first (one sort of all members), then, within each
// run, those of one head, then of one head and tail. Runs are small, and
// sorting each on its own costs far less than sorting every member again.
// Returns the files that share their run with another file taking part.
std::vector<bool> ContentStages::Refine(unsigned stage) {
    std::vector<bool> inPlay(files_.size(), false);
    if (stage == 0) {
        const auto sizeLess = [&](const auto& a, const auto& b) {
            return std::make_pair(a.first, files_[a.second].seen.size) <
                   std::make_pair(b.first, files_[b.second].seen.size);
        };
        // Same Contents adds its files in size order already.
        if (!std::is_sorted(members_.begin(), members_.end(), sizeLess)) {
            std::sort(members_.begin(), members_.end(), sizeLess);
        }
        for (std::uint32_t k = 0; k < members_.size();) {
            std::uint32_t end = k + 1;
            while (end < members_.size() && !sizeLess(members_[k], members_[end])) {
                ++end;
            }
            if (end - k >= 2) {
                runs_.emplace_back(k, end);
                for (; k < end; ++k) {
                    inPlay[members_[k].second] = true;
                }
            }
            k = end;
        }
        return inPlay;
    }
    std::vector<std::pair<std::uint32_t, std::uint32_t>> refined;
    for (const auto& [begin, runEnd] : runs_) {
        const auto first = members_.begin() + begin;
        const auto last = std::partition(first, members_.begin() + runEnd, [&](const auto& m) {
            return TakesPart(files_[m.second], stage);
        });
        std::sort(first, last, [&](const auto& a, const auto& b) {
            return KeyLess(StageKey(files_[a.second], stage), StageKey(files_[b.second], stage));
        });
        for (auto k = first; k != last;) {
            const auto key = StageKey(files_[k->second], stage);
            auto end = k + 1;
            while (end != last && StageKey(files_[end->second], stage) == key) {
                ++end;
            }
            if (end - k >= 2) {
                refined.emplace_back(k - members_.begin(), end - members_.begin());
                for (; k != end; ++k) {
                    inPlay[k->second] = true;
                }
            }
            k = end;
        }
    }
    runs_ = std::move(refined);
    return inPlay;
}

// The files that need `stage`: those sharing their bucket, size and every
// earlier key with another file. Sets `owed` to what the files still in
// play have left to read.
std::vector<std::uint32_t> ContentStages::Select(Stage stage) {
    const auto bit = static_cast<std::uint8_t>(1u << static_cast<unsigned>(stage));
    const std::vector<bool> inPlay = Refine(static_cast<unsigned>(stage));
    std::vector<std::uint32_t> chosen;
    std::uint64_t owed = 0;
    std::uint64_t playing = 0;
    for (std::uint32_t f = 0; f < files_.size(); ++f) {
        if (!inPlay[f]) {
            continue;
        }
        ++playing;
        const StagedFile& file = files_[f];
        owed += Remaining(file, bit, options_.secret != nullptr);
        if (Applies(bit, file.seen.size) && (file.known & bit) == 0) {
            chosen.push_back(f);
        }
    }
    if (stage == Stage::Head) {
        shared_->filesToRead = playing;
    }
    if (!shared_->Stopped()) {
        shared_->filesDone = shared_->filesToRead - playing;
        shared_->owed = static_cast<std::int64_t>(owed);
    }
    return chosen;
}

// Looks at the file without opening it and takes what the cache holds for
// it as it is now. False when the file is not the expected one (its
// outcome set then).
bool ContentStages::LookUp(StagedFile& file, const std::string& path) {
    const PathStatus status = StatPath(path);
    const int error = status.error;
    if (error == ENAMETOOLONG) {
        return true;  // opened by parts instead, without the cache
    }
    const FileStamp& now = status.stamp;
    if (error != 0 || !status.regular || !file.Expected().HeldBy(now)) {
        file.outcome =
            error != 0 && error != ELOOP ? DigestOutcome::Unreadable : DigestOutcome::Changed;
        file.error = file.outcome == DigestOutcome::Unreadable ? error : 0;
        return false;
    }
    file.seen = now;
    file.looked = true;
    TakeFromCache(file);
    return true;
}

// The keys the cache holds for the file as it was seen, where its file
// system numbers inodes for good.
void ContentStages::TakeFromCache(StagedFile& file) const {
    const auto stable = shared_->stableDevices.find(file.seen.id.device);
    if (stable == shared_->stableDevices.end() || !stable->second) {
        return;
    }
    if (const std::optional<CachedDigests> cached = options_.cache->Find(file.seen)) {
        file.known = cached->known;
        file.cached = cached->known;
        file.head = cached->head;
        file.tail = cached->tail;
        file.whole = cached->whole;
    }
}

void ContentStages::FindStableDevices() {
    for (const StagedFile& file : files_) {
        const std::uint64_t device = file.seen.id.device;
        if (!shared_->stableDevices.contains(device)) {
            shared_->stableDevices[device] = InodesAreStableFor(pathOf_(file.source));
        }
    }
}

// Whether `file` needs opening for `stage`: not when the cache or an earlier
// read holds the stage's key already, nor when a look at it showed that it
// moved (its outcome set then).
bool ContentStages::NeedsOpen(Stage stage, StagedFile& file, const std::string& path) {
    Shared& shared = *shared_;
    const auto bit = static_cast<std::uint8_t>(1u << static_cast<unsigned>(stage));
    const bool keyed = options_.secret != nullptr;
    const auto planned = static_cast<std::int64_t>(Remaining(file, bit, keyed));
    if (stage == Stage::Head && options_.cache != nullptr && !file.looked && !LookUp(file, path)) {
        shared.owed.fetch_sub(planned, std::memory_order_relaxed);
        return false;
    }
    // What the cache answered is not read.
    shared.owed.fetch_sub(planned - static_cast<std::int64_t>(Remaining(file, bit, keyed)),
                          std::memory_order_relaxed);
    return (file.known & bit) == 0;
}

void ContentStages::ReadOpened(DigestReader& reader, Stage stage, StagedFile& file,
                               const std::string& path, StampedFile& open) {
    Shared& shared = *shared_;
    const auto bit = static_cast<std::uint8_t>(1u << static_cast<unsigned>(stage));
    const auto planned =
        static_cast<std::int64_t>(Remaining(file, bit, options_.secret != nullptr));
    std::int64_t readHere = 0;
    const auto failed = [&](DigestOutcome outcome, int error) {
        file.outcome = outcome;
        file.error = error;
        if (outcome != DigestOutcome::Stopped) {
            shared.owed.fetch_sub(planned - readHere, std::memory_order_relaxed);
        }
    };
    if (!open.IsOpen()) {
        return failed(open.Failure().outcome, open.Failure().error);
    }
    if (!file.looked) {
        file.seen = open.Opened();
        file.looked = true;
    }
    const ReadCallback onRead = [&](std::size_t bytes) {
        shared.bytesDone.fetch_add(bytes, std::memory_order_relaxed);
        readHere += static_cast<std::int64_t>(bytes);
        shared.owed.fetch_sub(static_cast<std::int64_t>(bytes), std::memory_order_relaxed);
        if (options_.afterRead) {
            options_.afterRead(path);
        }
        return !shared.Stopped();
    };
    // Keyed digests need not be XXH3-128 of the bytes: the whole stage then
    // reads only what lies between the head and the tail.
    const bool withTail = (file.known & StagedFile::kTail) != 0;
    FileDigest digest = stage == Stage::Head   ? open.Head(reader, onRead)
                        : stage == Stage::Tail ? open.Tail(reader, onRead)
                        : options_.secret != nullptr
                            ? open.Rest(reader, file.head, withTail ? &file.tail : nullptr, onRead)
                            : open.Whole(reader, onRead);
    // A key short of the whole file is checked by the next open instead.
    digest = digest.whole || stage == Stage::Whole ? open.Finish(digest) : open.Release(digest);
    if (digest.outcome != DigestOutcome::Done) {
        return failed(digest.outcome, digest.error);
    }
    (stage == Stage::Head ? file.head : stage == Stage::Tail ? file.tail : file.whole) = digest.key;
    file.known |= bit;
    if (digest.whole) {
        file.whole = digest.key;
        file.known |= StagedFile::kWhole;
    }
}

void ContentStages::ReadStage(Stage stage, const std::vector<std::uint32_t>& chosen) {
    Shared& shared = *shared_;
    std::vector<std::uint32_t> order = chosen;
    std::sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
        const FileId& x = files_[a].seen.id;
        const FileId& y = files_[b].seen.id;
        return std::tie(x.device, x.inode) < std::tie(y.device, y.inode);
    });
    if (order.empty() || shared.Stopped()) {
        return;
    }
    std::atomic<std::size_t> next{0};
    std::mutex mutex;
    std::condition_variable ended;
    auto running =
        static_cast<unsigned>(std::clamp<std::size_t>(options_.readers, 1, order.size()));
    std::vector<std::thread> threads;
    threads.reserve(running);
    for (unsigned t = running; t > 0; --t) {
        threads.emplace_back([&]() {
            DigestReader reader(options_.bufferBytes, options_.secret);
            FileBatches batches;
            std::vector<std::uint32_t> batch;
            std::vector<std::string> paths;
            std::vector<FileBatches::Request> requests;
            std::vector<StampedFile> opened;
            while (!shared.Stopped()) {
                const std::size_t first =
                    next.fetch_add(FileBatches::kMostFiles, std::memory_order_relaxed);
                if (first >= order.size()) {
                    break;
                }
                const std::size_t last = std::min(order.size(), first + FileBatches::kMostFiles);
                batch.clear();
                paths.clear();
                requests.clear();
                for (std::size_t w = first; w < last && !shared.Stopped(); ++w) {
                    std::string path = pathOf_(files_[order[w]].source);
                    if (NeedsOpen(stage, files_[order[w]], path)) {
                        batch.push_back(order[w]);
                        paths.push_back(std::move(path));
                    }
                }
                for (std::size_t i = 0; i < batch.size(); ++i) {
                    requests.push_back({&paths[i], files_[batch[i]].Expected()});
                }
                batches.Open(requests, opened,
                             stage == Stage::Head   ? FileBatches::Edge::Head
                             : stage == Stage::Tail ? FileBatches::Edge::Tail
                                                    : FileBatches::Edge::None);
                for (std::size_t i = 0; i < batch.size() && !shared.Stopped(); ++i) {
                    ReadOpened(reader, stage, files_[batch[i]], paths[i], opened[i]);
                }
                opened.clear();
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
            if (shared.progress != nullptr && *shared.progress) {
                const ContentProgress now = shared.Snapshot();
                lock.unlock();
                (*shared.progress)(now);
                lock.lock();
            }
        }
    }
    for (std::thread& thread : threads) {
        thread.join();
    }
}

bool ContentStages::Run(const std::function<bool()>& stopped,
                        const std::function<void(const ContentProgress&)>& progress) {
    Shared& shared = *shared_;
    shared.stopped = &stopped;
    shared.progress = &progress;
    if (options_.cache != nullptr) {
        FindStableDevices();
        for (StagedFile& file : files_) {
            if (file.looked) {
                TakeFromCache(file);
            }
        }
    }
    for (const Stage stage : {Stage::Head, Stage::Tail, Stage::Whole}) {
        const std::vector<std::uint32_t> chosen = Select(stage);
        if (!shared.Stopped()) {
            ReadStage(stage, chosen);
        }
        if (shared.Stopped()) {
            // What this stage or a later one would have read stays undecided.
            for (const std::uint32_t f : chosen) {
                if (files_[f].outcome == DigestOutcome::Done &&
                    (files_[f].known & (1u << static_cast<unsigned>(stage))) == 0) {
                    files_[f].outcome = DigestOutcome::Stopped;
                }
            }
        }
    }
    const bool finished = !shared.Stopped();
    ContentProgress end = shared.Snapshot();
    if (finished) {
        end.filesDone = end.filesToRead;
        end.bytesToRead = end.bytesDone;  // what failed files did not read is not owed
    }
    if (progress) {
        progress(end);
    }
    shared.stopped = nullptr;
    shared.progress = nullptr;
    return finished;
}

}  // namespace corvane
