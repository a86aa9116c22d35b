// One file of the results list, as the search adds it.
#pragma once

#include <QString>
#include <cstdint>
#include <string>

#include "catalogue/FileCatalogue.h"

namespace corvane {

enum class MatchType { Exact, Close };

inline const char* TypeName(MatchType type) {
    return type == MatchType::Exact ? "Exact" : "Close";
}

inline QString TypeText(MatchType type) {
    return type == MatchType::Exact ? QStringLiteral("Exact") : QStringLiteral("Close");
}

struct ResultRow {
    std::string path;                  // exact bytes of the file's path; decode only to show it
    std::int64_t size = 0;             // read when the row was added
    QString sizeText;                  // SizeText(size)
    QString modified;                  // LastModifiedText(path)
    std::int64_t modifiedSeconds = 0;  // st_mtime, to notice a file changed since the search
    FileId id;                         // device and inode from the scan
    MatchType type = MatchType::Exact;
};

// Where the search puts its rows: the results window, or a plain list for
// tests and the command-line tool.
class ResultSink {
  public:
    virtual ~ResultSink() = default;
    virtual void Clear() = 0;
    // `colour` is the row's keyword: "light blue", "blue", "light red" or "red".
    virtual void AddRow(ResultRow row, std::string_view colour) = 0;
    // False for a sink that never shows `sizeText` and `modified`: its rows
    // leave both empty rather than format them for nothing.
    virtual bool ShowsTexts() const { return true; }
};

}  // namespace corvane
