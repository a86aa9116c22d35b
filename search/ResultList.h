// A result sink that keeps the rows in memory.
#pragma once

#include <vector>

#include "search/ResultRow.h"

namespace corvane {

class ResultList final : public ResultSink {
  public:
    void Clear() override { rows.clear(); }
    void AddRow(ResultRow row) override { rows.push_back(std::move(row)); }
    void AddRows(std::vector<ResultRow>&& more) override {
        if (rows.empty()) {
            rows = std::move(more);
        } else {
            ResultSink::AddRows(std::move(more));
        }
    }

    std::vector<ResultRow> rows;
};

}  // namespace corvane
