#include "shell/FolderBrowser.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>

namespace corvane {

QByteArray ChooseFolder(QWidget* owner, const QString& title) {
    const QString chosen = QFileDialog::getExistingDirectory(
        owner, title, QDir::homePath(),
        QFileDialog::ShowDirsOnly | QFileDialog::DontResolveSymlinks);
    return QFile::encodeName(chosen);
}

}  // namespace corvane
