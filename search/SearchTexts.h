// Every caption and message text of a search, so the windows and the
// command-line tool show the same words.
#pragma once

#include <QLocale>
#include <QString>
#include <cstddef>
#include <string_view>

namespace corvane {

inline constexpr std::size_t kLargeSearchFiles = 20000;  // more than this asks first

QString ProductCaption();  // "Corvane"
// Phase 1 caption; `folder` is shown exactly as given (decoded for display).
QString AnalyzingCaption(std::string_view folder);
QString ComparingCaption();  // phase 2

// The Yes/No question asked when more than 20,000 files were catalogued.
QString LargeSearchTitle();  // "Question"
QString LargeSearchQuestion(std::size_t folderCount, std::size_t fileCount,
                            const QLocale& locale = QLocale::system());

QString NoDuplicatesText();   // "No duplicates found."
QString NoDuplicatesTitle();  // "No dupes"

// A byte path as the user sees it: invalid UTF-8 shows as U+FFFD.
QString DisplayPath(std::string_view path);

}  // namespace corvane
