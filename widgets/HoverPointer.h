// The hover pointer: the optional cursor file "HAND-M.CUR".
#pragma once

#include <QCursor>
#include <QString>
#include <QStringList>
#include <optional>

namespace corvane {

// Where "HAND-M.CUR" is looked for, in order: the program's own folder, then
// the installed data folder.
QStringList HoverPointerCandidates();

// The first candidate that exists and reads as a cursor; none when there is
// no usable file. Needs a QGuiApplication.
std::optional<QCursor> LoadHoverPointer();

// A Windows .cur file as a cursor, with the hot spot stored in the file.
// None when the file is missing or is not a cursor file.
std::optional<QCursor> LoadCursorFile(const QString& path);

// The pointer for hover elements: the loaded cursor, or the platform's
// pointing hand when no cursor file was found.
QCursor HoverPointerOrHand(const std::optional<QCursor>& loaded);

}  // namespace corvane
