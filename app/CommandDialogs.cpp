#include "app/CommandDialogs.h"

#include <QMessageBox>

namespace corvane {

CommandDialogs CommandDialogs::System() {
    CommandDialogs dialogs;
    dialogs.inform = [](QWidget* owner, const QString& title, const QString& text) {
        QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Ok, owner);
        box.exec();
    };
    dialogs.askYesNo = [](QWidget* owner, const QString& title, const QString& text) {
        QMessageBox box(QMessageBox::NoIcon, title, text, QMessageBox::Yes | QMessageBox::No,
                        owner);
        box.setDefaultButton(QMessageBox::Yes);
        return box.exec() == QMessageBox::Yes;
    };
    return dialogs;
}

}  // namespace corvane
