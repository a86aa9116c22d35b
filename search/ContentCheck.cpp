#include "search/ContentCheck.h"

#include <algorithm>
#include <tuple>
#include <unordered_map>

namespace corvane {
namespace {

constexpr std::uint32_t kNoFile = UINT32_MAX;

// An empty file is empty content only while a fresh lstat still shows it
// empty and as stamped: a file that grew since holds data.
RowContent EmptyRow(const ResultRow& row) {
    RowContent content;
    const PathStatus now = StatPath(row.path);
    if (now.error != 0) {
        content.verdict = ContentVerdict::Unreadable;
        content.error = now.error;
    } else if (!now.regular || !(now.stamp == row.stamp)) {
        content.verdict = ContentVerdict::Changed;
    } else {
        content.source = KeySource::Content;
        content.key = KeyOfNoBytes();
    }
    return content;
}

// What needs no reading is settled in `result`; every other row becomes a
// member of its group's bucket in `stages`, one file per device and inode.
std::vector<std::uint32_t> PlanRows(const ResultRows& rows, ContentStages& stages,
                                    ContentCheckResult& result) {
    std::vector<std::uint32_t> rowFile(rows.size(), kNoFile);
    std::unordered_map<std::uint64_t, std::uint32_t> perSize;  // rows of a group and size
    const auto sizeKey = [&](const ResultRow& row) {
        return (static_cast<std::uint64_t>(row.group) << 40) ^
               static_cast<std::uint64_t>(row.stamp.size);
    };
    for (const ResultRow& row : rows) {
        if (row.stamped && row.stamp.size > 0) {
            ++perSize[sizeKey(row)];
        }
    }
    std::unordered_map<FileId, std::uint32_t, FileIdHash> fileOf;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const ResultRow& row = rows[r];
        RowContent& content = result.rows[r];
        if (!row.stamped) {
            // Gone when its row was made: is it back?
            const PathStatus now = StatPath(row.path);
            content.verdict = now.error != 0 ? ContentVerdict::Unreadable : ContentVerdict::Changed;
            content.error = now.error;
        } else if (row.stamp.size == 0) {
            content = EmptyRow(row);
        } else if (perSize[sizeKey(row)] < 2) {
            content.verdict = ContentVerdict::Differs;
            content.source = KeySource::Distinct;
            content.key = KeyNotFromContent(row.stamp.size);
        } else {
            const auto found = row.stamp.id.Known() ? fileOf.find(row.stamp.id) : fileOf.end();
            if (found == fileOf.end()) {
                rowFile[r] = stages.AddFile(static_cast<std::uint32_t>(r), row.stamp, true);
                if (row.stamp.id.Known()) {
                    fileOf.emplace(row.stamp.id, rowFile[r]);
                }
            } else if (!(stages.File(found->second).seen == row.stamp)) {
                content.verdict = ContentVerdict::Changed;  // between its two rows
                continue;
            } else {
                rowFile[r] = found->second;
            }
            stages.AddMember(row.group, rowFile[r]);
        }
    }
    return rowFile;
}

// A read row's answer from its file's stages.
void AnswerRow(const StagedFile& file, RowContent& content, bool& pending) {
    switch (file.outcome) {
        case DigestOutcome::Stopped:
            pending = true;
            break;
        case DigestOutcome::Unreadable:
            content.verdict = ContentVerdict::Unreadable;
            content.error = file.error;
            break;
        case DigestOutcome::Changed:
            content.verdict = ContentVerdict::Changed;
            break;
        case DigestOutcome::Done:
            content.key = file.Key();
            content.source = file.Whole() ? KeySource::Content : KeySource::Distinct;
            if (!file.Whole()) {
                content.verdict = ContentVerdict::Differs;
            }
            break;
    }
}

// Each row's verdict within its group and size; a bucket with a file left
// unread by a stop is undecided as a whole, since any of its rows might
// equal that file.
void Decide(const ResultRows& rows, const std::vector<std::uint32_t>& rowFile,
            const ContentStages& stages, ContentCheckResult& result) {
    const auto sizeOf = [&](std::size_t r) -> std::int64_t {
        return rows[r].stamped ? rows[r].stamp.size : -1;
    };
    std::vector<std::uint32_t> order(rows.size());
    for (std::size_t r = 0; r < rows.size(); ++r) {
        order[r] = static_cast<std::uint32_t>(r);
    }
    std::sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
        return std::make_tuple(rows[a].group, sizeOf(a), a) <
               std::make_tuple(rows[b].group, sizeOf(b), b);
    });
    std::vector<std::pair<ContentKey, std::uint32_t>> keys;  // key, row
    for (std::size_t begin = 0; begin < order.size();) {
        std::size_t end = begin + 1;
        while (end < order.size() && rows[order[end]].group == rows[order[begin]].group &&
               sizeOf(order[end]) == sizeOf(order[begin])) {
            ++end;
        }
        bool pending = false;
        keys.clear();
        for (std::size_t o = begin; o < end; ++o) {
            const std::uint32_t r = order[o];
            if (rowFile[r] != kNoFile) {
                AnswerRow(stages.File(rowFile[r]), result.rows[r], pending);
            }
            if (result.rows[r].source == KeySource::Content) {
                keys.emplace_back(result.rows[r].key, r);
            }
        }
        for (std::size_t o = begin; pending && o < end; ++o) {
            RowContent& content = result.rows[order[o]];
            if (content.verdict != ContentVerdict::Unreadable &&
                content.verdict != ContentVerdict::Changed) {
                content = RowContent();
            }
        }
        if (!pending) {
            std::sort(keys.begin(), keys.end(), [](const auto& a, const auto& b) {
                return std::tie(a.first.high, a.first.low, a.second) <
                       std::tie(b.first.high, b.first.low, b.second);
            });
            for (std::size_t k = 0; k < keys.size(); ++k) {
                const bool shared = (k > 0 && keys[k - 1].first == keys[k].first) ||
                                    (k + 1 < keys.size() && keys[k + 1].first == keys[k].first);
                result.rows[keys[k].second].verdict =
                    shared ? ContentVerdict::Identical : ContentVerdict::Differs;
            }
        }
        begin = end;
    }
}

}  // namespace

ContentCheckResult CheckContents(const ResultRows& rows, const StopToken* stop,
                                 const std::function<void(const ContentProgress&)>& progress,
                                 const ContentCheckOptions& options) {
    ContentCheckResult result;
    result.rows.resize(rows.size());
    ContentStagesOptions stageOptions;
    stageOptions.readers = options.readers;
    stageOptions.bufferBytes = options.bufferBytes;
    ContentStages stages([&rows](std::uint32_t r) { return rows[r].path; }, stageOptions);
    const std::vector<std::uint32_t> rowFile = PlanRows(rows, stages, result);
    const std::function<bool()> stopped = [stop]() { return stop != nullptr && stop->Stopped(); };
    result.stopped = !stages.Run(stopped, progress);
    result.bytesRead = stages.BytesRead();
    Decide(rows, rowFile, stages, result);
    return result;
}

}  // namespace corvane
