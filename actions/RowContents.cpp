#include "actions/RowContents.h"

namespace corvane {

ContentCheckResult ContentsOfRows(const ResultRows& rows, const std::vector<ContentKey>& sameKeys,
                                  const StopToken* stop,
                                  const std::function<void(const ContentProgress&)>& progress) {
    const auto known = [&sameKeys](const ResultRow& row) {
        return row.type == MatchType::Same && row.group >= 1 && row.group <= sameKeys.size();
    };
    ResultRows toRead;
    for (const ResultRow& row : rows) {
        if (!known(row)) {
            toRead.push_back(row);
        }
    }
    ContentCheckResult read = CheckContents(toRead, stop, progress);
    ContentCheckResult result;
    result.stopped = read.stopped;
    result.bytesRead = read.bytesRead;
    result.rows.reserve(rows.size());
    std::size_t next = 0;
    for (const ResultRow& row : rows) {
        if (known(row)) {
            result.rows.push_back(
                RowContent{ContentVerdict::Identical, KeySource::Content, sameKeys[row.group - 1]});
        } else {
            result.rows.push_back(read.rows[next++]);
        }
    }
    return result;
}

}  // namespace corvane
