// The content of every row for --verify and the keep rules: "Same" rows take
// their group's key from the search, which compared their bytes already; the
// other rows are read by the content check.
#pragma once

#include <functional>
#include <vector>

#include "platform/FileDigest.h"
#include "platform/StopToken.h"
#include "search/ContentCheck.h"
#include "search/ResultRow.h"

namespace corvane {

// `sameKeys[g - 1]` is the key of the "Same" group numbered g (the search
// numbers them 1, 2, ... before any other group). A "Same" row is Identical
// with its group's key and is not read again; a "Same" row whose group has no
// key (a saved list read back) is read like the others.
ContentCheckResult ContentsOfRows(const ResultRows& rows, const std::vector<ContentKey>& sameKeys,
                                  const StopToken* stop = nullptr,
                                  const std::function<void(const ContentProgress&)>& progress = {});

}  // namespace corvane
