// A result sink that keeps the rows in memory.
#pragma once

#include <vector>

#include "search/ResultRow.h"

namespace corvane {

class ResultList final : public ResultSink {
  public:
    void Clear() override { rows.clear(); }
    void AddRow(ResultRow row) override { rows.push_back(std::move(row)); }

    std::vector<ResultRow> rows;
};

}  // namespace corvane
