#include "shell/FolderBrowser.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QMessageBox>

#include "platform/FileStatus.h"

namespace corvane {

QByteArray ChooseFolder(QWidget* owner, const QString& title) {
    const QString chosen = QFileDialog::getExistingDirectory(
        owner, title, QDir::homePath(),
        QFileDialog::ShowDirsOnly | QFileDialog::DontResolveSymlinks);
    const QByteArray path = QFile::encodeName(chosen);
    if (!path.isEmpty() && !IsFolder(path.toStdString())) {
        QMessageBox::information(owner, QStringLiteral("Corvane"), UndecodableFolderHint());
        return {};
    }
    return path;
}

QString UndecodableFolderHint() {
    return QStringLiteral(
        "A folder whose name is not valid UTF-8 cannot be chosen in the folder dialog: drag it "
        "onto the list instead.");
}

}  // namespace corvane
