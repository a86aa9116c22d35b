// How corvane-find writes result rows: tsv, json or readable text.
#pragma once

#include <QLocale>
#include <cstdio>
#include <string>
#include <string_view>

#include <vector>

#include "search/ContentCheck.h"
#include "search/ResultRow.h"

namespace corvane::cli {

// A byte path as one line of plain text: "\" as "\\", TAB, LF and CR as "\t",
// "\n" and "\r", each byte outside valid UTF-8 as "\x" and two lowercase hex
// digits, everything else as it is.
std::string EscapePath(std::string_view path);
// The same, appended to `out`.
void AppendEscapedPath(std::string_view path, std::string& out);

// The text as a JSON string literal, quotes included.
std::string JsonString(std::string_view text);

// What --verify and --keep add to each row, one entry per row; either may be
// absent (nullptr), and then its field is left out.
struct RowExtras {
    const std::vector<RowContent>* content = nullptr;  // CONTENT
    const std::vector<bool>* marked = nullptr;         // ACTION: "trash" where true
};

// A key as 32 lowercase hex digits, high half first (as `xxh128sum` prints it).
std::string KeyHex(const ContentKey& key);
// The CONTENT field: the key's hex, or "-" for a row without a key
// (unreadable, changed or not checked).
std::string ContentField(const RowContent& content);

// Each writes the rows to `out` one at a time, so a million rows need no
// second copy in memory. Sizes in tsv and json use "," grouping and "."
// decimals whatever the locale.
void WriteTsv(const std::vector<ResultRow>& rows, std::FILE* out, const RowExtras& extras = {});
void WriteJson(const std::vector<ResultRow>& rows, std::FILE* out, const RowExtras& extras = {});
// Groups (rows of one shade in a run, as the window shades them) separated by
// blank lines, in `locale`. Extras come as words before the path.
void WriteText(const std::vector<ResultRow>& rows, const QLocale& locale, std::FILE* out,
               const RowExtras& extras = {});
// Each row's path bytes as they are, followed by a NUL; with `marked`, only
// the rows marked for the trash.
void WritePrint0(const std::vector<ResultRow>& rows, std::FILE* out,
                 const std::vector<bool>* marked = nullptr);

}  // namespace corvane::cli
