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
QByteArray ChooseFolder(QWidget* owner, const QString& title);

using FolderBrowser = std::function<QByteArray(QWidget* owner, const QString& title)>;

}  // namespace corvane
