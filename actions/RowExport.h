// The rows in the forms scripts read (tsv and json), shared by corvane-find
// and the results window's "Save list...": one writer, one set of rules.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "search/ContentCheck.h"
#include "search/ResultRow.h"

namespace corvane {

// A byte path as one line of plain text: "\\" as "\\\\", TAB, LF and CR as "\\t",
// "\\n" and "\\r", each byte outside valid UTF-8 as "\\x" and two lowercase hex
// digits, everything else as it is. UnescapePath (SavedList.h) reverses it.
std::string EscapePath(std::string_view path);
// The same, appended to `out`.
void AppendEscapedPath(std::string_view path, std::string& out);
// The path as text output and messages show it: the same escapes, and
// "\\x" escapes besides for every other control character (C0, DEL and
// U+0080 to U+009F, byte by byte), so no name can reach a terminal as a
// command. UnescapePath reverses it too.
std::string ReadablePath(std::string_view path);

// The text as a JSON string literal, quotes included.
std::string JsonString(std::string_view text);

// A modification time as the json form writes it: local time,
// "yyyy-MM-ddTHH:mm:ss".
std::string JsonModifiedText(std::int64_t seconds);

// A key as 32 lowercase hex digits, high half first (as `xxh128sum` prints it).
std::string KeyHex(const ContentKey& key);
// The CONTENT field: the key's hex, or "-" for a row without a key
// (unreadable, changed or not checked).
std::string ContentField(const RowContent& content);
// The ACTION field: "trash" for a marked row, else "keep".
const char* ActionWord(bool marked);

// What --verify, --keep and --trash add to each row, one entry per row; any
// may be absent (nullptr), and then its field is left out. Fields come in
// this order after the path.
struct RowExtras {
    const std::vector<RowContent>* content = nullptr;   // CONTENT
    const std::vector<bool>* marked = nullptr;          // ACTION: "trash" where true
    const std::vector<std::string>* results = nullptr;  // RESULT: "trashed" or "failed: ..."
};

// Each writes the rows to `out` one at a time, so a million rows need no
// second copy in memory. Sizes use "," grouping and "." decimals whatever
// the locale. tsv: TYPE COLOUR SIZE_BYTES SIZE_TEXT PATH [CONTENT] [ACTION]
// [RESULT]; json: an array of objects (type, colour, size, size_text,
// modified, path, group, then content, action, result).
void WriteTsv(const ResultRows& rows, std::FILE* out, const RowExtras& extras = {});
void WriteJson(const ResultRows& rows, std::FILE* out, const RowExtras& extras = {});

}  // namespace corvane
