#include "shell/FolderBrowser.h"

#include <QAbstractItemView>
#include <QDir>
#include <QFile>
#include <QFileDialog>

#include "platform/FileStatus.h"
#include "platform/ProductName.h"
#include "widgets/Prompts.h"

namespace corvane {

std::vector<QByteArray> ChooseFolders(QWidget* owner, const QString& title) {
    // Qt's own dialog: its views can be told to take several folders.
    QFileDialog dialog(owner, title, QDir::homePath());
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOptions(QFileDialog::ShowDirsOnly | QFileDialog::DontResolveSymlinks |
                      QFileDialog::DontUseNativeDialog);
    for (QAbstractItemView* view : dialog.findChildren<QAbstractItemView*>()) {
        if (view->objectName() == QLatin1String("listView") ||
            view->objectName() == QLatin1String("treeView")) {
            view->setSelectionMode(QAbstractItemView::ExtendedSelection);
        }
    }
    if (dialog.exec() != QDialog::Accepted) {
        return {};
    }
    std::vector<QByteArray> folders;
    bool undecodable = false;
    for (const QString& chosen : dialog.selectedFiles()) {
        const QByteArray path = QFile::encodeName(chosen);
        if (path.isEmpty()) {
            continue;
        }
        if (!IsFolder(path.toStdString())) {
            undecodable = true;
            continue;
        }
        folders.push_back(path);
    }
    if (undecodable) {
        Prompts::MessageBoxes(PromptIcons::kNone)
            .tell(owner, QLatin1String(kProductName), UndecodableFolderHint());
    }
    return folders;
}

QString UndecodableFolderHint() {
    return QStringLiteral(
        "A folder whose name is not valid UTF-8 cannot be chosen in the folder dialog: drag it "
        "onto the list instead.");
}

}  // namespace corvane
