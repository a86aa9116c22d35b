// The folder browser behind Add Folder.
#pragma once

#include <QByteArray>
#include <QString>
#include <functional>

class QWidget;

namespace corvane {

// Shows a folder-only dialog owned by `owner`, starting in the user's home
// folder with nothing preselected. Returns the chosen folder's path bytes as
// the dialog gives it (the caller puts it in the folder list's form), or empty
// bytes when cancelled.
// The dialog works in text: a chosen folder whose name is not valid UTF-8
// would come back as bytes naming no folder, so the user is told to drop it
// instead and nothing is returned.
QByteArray ChooseFolder(QWidget* owner, const QString& title);

// What the folder list says about folders the dialog cannot hand back.
QString UndecodableFolderHint();

using FolderBrowser = std::function<QByteArray(QWidget* owner, const QString& title)>;

}  // namespace corvane
