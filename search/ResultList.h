// A result sink that keeps the rows in memory, for the command-line tool and tests.
#pragma once

#include <string>
#include <vector>

#include "search/ResultRow.h"

namespace corvane {

class ResultList final : public ResultSink {
  public:
    struct Entry {
        ResultRow row;
        std::string colour;
    };

    void Clear() override { entries.clear(); }
    void AddRow(ResultRow row, std::string_view colour) override {
        entries.push_back(Entry{std::move(row), std::string(colour)});
    }

    bool ShowsTexts() const override { return showsTexts; }

    std::vector<Entry> entries;
    bool showsTexts = true;
};

}  // namespace corvane
