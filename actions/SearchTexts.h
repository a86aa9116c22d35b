// Every caption and message text of a search, so the windows and the
// command-line tool show the same words.
#pragma once

#include <QLocale>
#include <QString>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "actions/KeepRules.h"
#include "search/ContentCheck.h"
#include "search/ResultRow.h"
#include "search/SameContents.h"
#include "search/SearchObserver.h"

namespace corvane {

QString ProductCaption();  // "Corvane"
// The main window's caption for a phase of the search; `folder` is the
// listed folder being scanned. With Same Contents on (`contents`) a search
// has three phases, and the captions count them so.
QString CaptionFor(SearchPhase phase, std::string_view folder, bool contents = false);
// Phase 1 caption; `folder` is shown exactly as given (decoded for display).
QString AnalyzingCaption(std::string_view folder, bool contents = false);
QString ContentsCaption();                        // Same Contents, phase 2 of 3
QString ComparingCaption(bool contents = false);  // phase 2 (of 2), or 3 of 3

// The Yes/No question asked when more than 20,000 files were catalogued.
QString LargeSearchTitle();  // "Question"
QString LargeSearchQuestion(std::size_t folderCount, std::size_t fileCount,
                            const QLocale& locale = QLocale::system());

QString NoDuplicatesText();   // "No duplicates found."
QString NoDuplicatesTitle();  // "No dupes"
// Find Dupes with none of the option boxes ticked.
QString NothingToLookForText();
// A search with more files or rows than Corvane can number.
QString TooLargeText();

// Why a folder was skipped, from the errno the walk gave: the system's words,
// except for a folder that turned into a link while it was searched.
QString FolderSkipReason(int error);

// Why Same Contents left a file out of every group: the system's words for
// an unreadable file, or that it changed while it was read.
QString UngroupedReason(const UngroupedFile& file);
// The one message after a search that left files out that way: how many,
// the first ten with their reasons (`paths` in the order of `files`).
QString UngroupedFilesText(const std::vector<std::string>& paths,
                           const std::vector<UngroupedFile>& files);

// A byte path as the user sees it: UTF-8 decoded, with the escapes of the
// tsv form for what could mislead ("\\n" for a newline, "\\\\" for a
// backslash, "\\xff" for a byte that is not UTF-8).
QString DisplayPath(std::string_view path);

// The colour keyword of a row: "light blue"/"blue" for Exact, "light
// red"/"red" for Close, "light green"/"green" for Same; what corvane-find
// prints and the list's colours follow.
const char* ColourKeyword(MatchType type, GroupShade shade);
const char* TypeName(MatchType type);  // "Exact", "Close", "Same"

// A content set's letters: "A" for 1 ... "Z", then "AA", "AB", ...
QString ContentSetLetters(std::uint32_t number);
// The Content column: "Identical" for a row of a set that is its whole
// group, "Identical A" (its set's letters) for a row of one of several sets,
// "Unique" for a row whose bytes match no other row of its group, else
// "Unreadable", "Changed" or "" (not checked).
QString ContentText(const RowContent& content, const ContentSet& set);

}  // namespace corvane
