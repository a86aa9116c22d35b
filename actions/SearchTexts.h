// Every caption and message text of a search, so the windows and the
// command-line tool show the same words.
#pragma once

#include <QLocale>
#include <QString>
#include <cstddef>
#include <string_view>

#include "search/ResultRow.h"
#include "search/SearchObserver.h"

namespace corvane {

QString ProductCaption();  // "Corvane"
// The main window's caption for a phase of the search; `folder` is the
// listed folder being scanned.
QString CaptionFor(SearchPhase phase, std::string_view folder);
// Phase 1 caption; `folder` is shown exactly as given (decoded for display).
QString AnalyzingCaption(std::string_view folder);
QString ComparingCaption();  // phase 2

// The Yes/No question asked when more than 20,000 files were catalogued.
QString LargeSearchTitle();  // "Question"
QString LargeSearchQuestion(std::size_t folderCount, std::size_t fileCount,
                            const QLocale& locale = QLocale::system());

QString NoDuplicatesText();   // "No duplicates found."
QString NoDuplicatesTitle();  // "No dupes"
// Find Dupes with neither Exact Matches nor Close Matches ticked.
QString NothingToLookForText();
// A search with more files or rows than Corvane can number.
QString TooLargeText();

// Why a folder was skipped, from the errno the walk gave: the system's words,
// except for a folder that turned into a link while it was searched.
QString FolderSkipReason(int error);

// A byte path as the user sees it: UTF-8 decoded, with the escapes of the
// tsv form for what could mislead ("\\n" for a newline, "\\\\" for a
// backslash, "\\xff" for a byte that is not UTF-8).
QString DisplayPath(std::string_view path);

// The colour keyword of a row: "light blue"/"blue" for Exact, "light
// red"/"red" for Close; what corvane-find prints and the list's colours follow.
const char* ColourKeyword(MatchType type, GroupShade shade);
const char* TypeName(MatchType type);  // "Exact", "Close"

}  // namespace corvane
