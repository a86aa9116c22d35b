// How corvane-find writes result rows: tsv, json or readable text.
#pragma once

#include <QLocale>
#include <string>
#include <string_view>

#include "search/ResultList.h"

namespace corvane::cli {

// A byte path as one line of plain text: "\" as "\\", TAB, LF and CR as "\t",
// "\n" and "\r", each byte outside valid UTF-8 as "\x" and two lowercase hex
// digits, everything else as it is.
std::string EscapePath(std::string_view path);

// The text as a JSON string literal, quotes included.
std::string JsonString(std::string_view text);

// Sizes in tsv and json use "," grouping and "." decimals whatever the locale.
std::string FormatTsv(const ResultList& rows);
std::string FormatJson(const ResultList& rows);
// Groups (rows of one shade in a run) separated by blank lines, in `locale`.
std::string FormatText(const ResultList& rows, const QLocale& locale);

}  // namespace corvane::cli
