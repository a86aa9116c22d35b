// How corvane-find writes result rows: tsv, json or readable text.
#pragma once

#include <QLocale>
#include <cstdio>
#include <string>
#include <string_view>

#include <vector>

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

// Each writes the rows to `out` one at a time, so a million rows need no
// second copy in memory. Sizes in tsv and json use "," grouping and "."
// decimals whatever the locale.
void WriteTsv(const std::vector<ResultRow>& rows, std::FILE* out);
void WriteJson(const std::vector<ResultRow>& rows, std::FILE* out);
// Groups (rows of one shade in a run, as the window shades them) separated by
// blank lines, in `locale`.
void WriteText(const std::vector<ResultRow>& rows, const QLocale& locale, std::FILE* out);

}  // namespace corvane::cli
