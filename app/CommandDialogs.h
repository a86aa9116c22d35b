// The modal boxes of the program's commands; tests answer them without a
// screen.
#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace corvane {

struct CommandDialogs {
    // One OK button, no icon.
    std::function<void(QWidget* owner, const QString& title, const QString& text)> inform;
    // Yes and No, Yes the default; true for Yes.
    std::function<bool(QWidget* owner, const QString& title, const QString& text)> askYesNo;
    static CommandDialogs System();
};

}  // namespace corvane
