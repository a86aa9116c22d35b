#include "widgets/Prompts.h"

#include <QMessageBox>

namespace corvane {

Prompts Prompts::MessageBoxes(PromptIcons icons) {
    const bool withIcons = icons == PromptIcons::kStandard;
    Prompts prompts;
    prompts.confirm = [withIcons](QWidget* owner, const QString& title, const QString& text,
                                  bool yesByDefault) {
        QMessageBox box(withIcons ? QMessageBox::Question : QMessageBox::NoIcon, title, text,
                        QMessageBox::Yes | QMessageBox::No, owner);
        box.setDefaultButton(yesByDefault ? QMessageBox::Yes : QMessageBox::No);
        return box.exec() == QMessageBox::Yes;
    };
    prompts.tell = [withIcons](QWidget* owner, const QString& title, const QString& text) {
        QMessageBox box(withIcons ? QMessageBox::Warning : QMessageBox::NoIcon, title, text,
                        QMessageBox::Ok, owner);
        box.exec();
    };
    return prompts;
}

}  // namespace corvane
