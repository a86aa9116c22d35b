#include "actions/SendRows.h"

#include <algorithm>
#include <numeric>
#include <tuple>

#include "actions/KeepRules.h"

namespace corvane {
namespace {

// Whether the search compared the row's bytes with the rest of its group.
bool ComparedBySearch(const ResultRow& row, SameGroups same) {
    return row.type == MatchType::Same && same == SameGroups::kComparedBySearch;
}

// A row's content set within its group: all the rows of a "Same" group the
// search compared hold the same bytes, whatever the content check says of
// them; other rows are known only by a key from their whole content.
using SetKey = std::tuple<std::uint32_t, bool, std::uint64_t, std::uint64_t>;

SetKey SetOf(const ResultRow& row, const RowContent* content, SameGroups same) {
    if (ComparedBySearch(row, same)) {
        return {row.group, true, 0, 0};
    }
    return {row.group, false, content->key.high, content->key.low};
}

// The rows whose bytes are known, ordered so that each content set of a
// group is one run.
std::vector<std::size_t> RowsBySet(const ResultRows& rows, const std::vector<RowContent>* content,
                                   SameGroups same) {
    std::vector<std::size_t> order;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const bool keyed = content != nullptr && (*content)[r].source == KeySource::Content;
        if (rows[r].group != 0 && (ComparedBySearch(rows[r], same) || keyed)) {
            order.push_back(r);
        }
    }
    const auto setOf = [&](std::size_t r) {
        return SetOf(rows[r], content != nullptr ? &(*content)[r] : nullptr, same);
    };
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return setOf(a) < setOf(b); });
    return order;
}

// Gives the ticked rows of each set that leaves copies behind their set
// number (`setOfRow`), and the plan the set's kept copies.
void FindSets(const ResultRows& rows, const std::vector<bool>& ticked,
              const std::vector<RowContent>* content, SameGroups same, SendPlan& plan,
              std::vector<std::uint32_t>& setOfRow) {
    const std::vector<std::size_t> order = RowsBySet(rows, content, same);
    const auto setOf = [&](std::size_t r) {
        return SetOf(rows[r], content != nullptr ? &(*content)[r] : nullptr, same);
    };
    for (std::size_t begin = 0; begin < order.size();) {
        std::size_t end = begin + 1;
        while (end < order.size() && setOf(order[end]) == setOf(order[begin])) {
            ++end;
        }
        const auto first = order.begin() + static_cast<std::ptrdiff_t>(begin);
        const auto last = order.begin() + static_cast<std::ptrdiff_t>(end);
        const auto tickedCount =
            std::count_if(first, last, [&](std::size_t r) { return ticked[r]; });
        if (tickedCount > 0 && tickedCount < last - first) {
            const auto set = static_cast<std::uint32_t>(plan.keptCopies.size());
            std::vector<TrashRequest>& kept = plan.keptCopies.emplace_back();
            for (auto it = first; it != last; ++it) {
                if (ticked[*it]) {
                    setOfRow[*it] = set;
                } else if (rows[*it].stamped) {
                    kept.push_back(TrashRequest{rows[*it].path, rows[*it].stamp});
                }
            }
        }
        begin = end;
    }
}

// Per set: whether one of its kept copies is still the file the search saw.
std::vector<bool> KeptCopiesHold(const SendPlan& plan) {
    std::vector<bool> holds(plan.keptCopies.size(), false);
    for (std::size_t s = 0; s < plan.keptCopies.size(); ++s) {
        for (const TrashRequest& copy : plan.keptCopies[s]) {
            if (copy.expected &&
                CheckUnchanged(copy.path, *copy.expected).problem == TrashProblem::kNone) {
                holds[s] = true;
                break;
            }
        }
    }
    return holds;
}

// What became of one file the trash was asked to move: the answer gives the
// reason, the disk whether it is gone.
SentFile Settle(const SendFile& file, const TrashResult& answer) {
    SentFile sent;
    if (answer.problem == TrashProblem::kNotAttempted) {
        return sent;  // stopped before its turn: untouched
    }
    // A file the check refused was never moved: it stays, whatever now lies
    // at its path.
    const bool refusedByCheck = !answer.moved && (answer.problem == TrashProblem::kVanished ||
                                                  answer.problem == TrashProblem::kChanged);
    if (!refusedByCheck) {
        const PathStatus now = StatPath(file.path);
        sent.gone = now.error != 0 || now.stamp.id != file.stamp->id;
    }
    if (answer.moved) {
        sent.result = sent.gone ? SendResult::kTrashed : SendResult::kFailed;
        sent.problem = sent.gone ? TrashProblem::kNone : TrashProblem::kStillInPlace;
        return sent;
    }
    sent.result = SendResult::kFailed;
    sent.problem = answer.problem == TrashProblem::kNone ? TrashProblem::kNoAnswer : answer.problem;
    sent.error = answer.error;
    return sent;
}

}  // namespace

SendPlan PlanSend(const ResultRows& rows, const std::vector<bool>& ticked,
                  const std::vector<RowContent>* content, SameGroups same) {
    SendPlan plan;
    std::vector<std::uint32_t> setOfRow(rows.size(), kNoSet);
    const bool known = content != nullptr && content->size() == rows.size();
    FindSets(rows, ticked, known ? content : nullptr, same, plan, setOfRow);
    for (std::size_t r = 0; r < rows.size(); ++r) {
        if (!ticked[r] || rows[r].isProtected) {
            continue;  // a protected file is never sent, whatever ticked it
        }
        // The search compared the bytes of its "Same" rows; the others only
        // a content check that reached them.
        if (!ComparedBySearch(rows[r], same) &&
            (!known || (*content)[r].verdict == ContentVerdict::NotChecked)) {
            ++plan.neverCompared;
        }
        SendFile& file = plan.files.emplace_back();
        file.path = rows[r].path;
        if (rows[r].stamped) {
            file.stamp = rows[r].stamp;
        }
        file.set = setOfRow[r];
        plan.rows.push_back(r);
    }
    plan.groupsLosingEveryCopy = GroupsWhollyTicked(rows, ticked);
    return plan;
}

std::size_t SendReport::Count(SendResult result) const {
    return static_cast<std::size_t>(
        std::count_if(files.begin(), files.end(),
                      [result](const SentFile& file) { return file.result == result; }));
}

bool SendReport::AnyFailed() const {
    return Count(SendResult::kFailed) + Count(SendResult::kKeptCopyGone) > 0;
}

SendReport SendRows(const SendPlan& plan, Trash& trash, const SendControl& control) {
    SendReport report;
    report.files.resize(plan.files.size());
    const std::vector<bool> setHolds = KeptCopiesHold(plan);
    std::vector<TrashRequest> requests;
    std::vector<std::size_t> asked;  // the plan's file of each request
    for (std::size_t i = 0; i < plan.files.size(); ++i) {
        const SendFile& file = plan.files[i];
        if (!file.stamp) {
            // Nothing to compare the file with: it is not known to be the one listed.
            report.files[i] = SentFile{SendResult::kFailed, TrashProblem::kChanged, 0, false};
        } else if (file.set != kNoSet && !setHolds[file.set]) {
            report.files[i].result = SendResult::kKeptCopyGone;
        } else {
            requests.push_back(TrashRequest{file.path, file.stamp});
            asked.push_back(i);
        }
    }
    if (requests.empty()) {
        return report;
    }
    const TrashBatch batch = trash.Send(requests, control);
    report.batch = batch.id;
    report.stopped = control.Stopped();
    for (std::size_t k = 0; k < asked.size(); ++k) {
        const std::size_t i = asked[k];
        report.files[i] =
            Settle(plan.files[i], k < batch.results.size()
                                      ? batch.results[k]
                                      : TrashResult{false, TrashProblem::kNoAnswer, 0});
    }
    return report;
}

UndoOutcome UndoLastSend(Trash& trash, const UndoControl& control) {
    return trash.UndoLastBatch(control);
}

bool UndoFailed(const UndoOutcome& outcome) {
    if (outcome.problem != UndoProblem::kNone && outcome.problem != UndoProblem::kNotMarked) {
        return true;
    }
    return std::any_of(outcome.files.begin(), outcome.files.end(), [](const UndoResult& file) {
        return !file.restored && file.problem != TrashProblem::kUndoNotAttempted;
    });
}

}  // namespace corvane
