// How corvane-find writes result rows for people (text) and for xargs -0;
// tsv and json come from actions/RowExport.h.
#pragma once

#include <QLocale>
#include <cstdio>
#include <string>
#include <string_view>

#include <vector>

#include "actions/RowExport.h"
#include "search/ContentCheck.h"
#include "search/ResultRow.h"

namespace corvane::cli {

// Groups (rows of one shade in a run, as the window shades them) separated by
// blank lines, in `locale`. Extras come as words before the path.
void WriteText(const ResultRows& rows, const QLocale& locale, std::FILE* out,
               const RowExtras& extras = {});
// Each row's path bytes as they are, followed by a NUL; with `marked`, only
// the rows marked for the trash.
void WritePrint0(const ResultRows& rows, std::FILE* out, const std::vector<bool>* marked = nullptr);

// The lines of --undo: each file's path and RESULT ("restored" or
// "failed: REASON"). tsv: escaped PATH, TAB, RESULT; json: objects with
// "path" and "result"; text: RESULT, two spaces, the path as shown.
enum class UndoFormat { Text, Tsv, Json };
void WriteUndo(const std::vector<std::pair<std::string, std::string>>& lines, UndoFormat format,
               std::FILE* out);

}  // namespace corvane::cli
