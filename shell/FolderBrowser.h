// The folder browser behind Add Folder.
#pragma once

#include <QByteArray>
#include <QString>
#include <functional>
#include <vector>

class QWidget;

namespace corvane {

// Shows a folder-only dialog owned by `owner`, starting in the user's home
// folder with nothing preselected; several folders can be picked at once
// (Ctrl or Shift with a click). Returns the chosen folders' path bytes as the
// dialog gives them (the caller puts them in the folder list's form), in the
// dialog's order, or none when cancelled.
// The dialog works in text: a chosen folder whose name is not valid UTF-8
// would come back as bytes naming no folder, so the user is told to drop it
// instead and it is left out.
std::vector<QByteArray> ChooseFolders(QWidget* owner, const QString& title);

// What the folder list says about folders the dialog cannot hand back.
QString UndecodableFolderHint();

using FolderBrowser = std::function<std::vector<QByteArray>(QWidget* owner, const QString& title)>;

}  // namespace corvane
