// The questions and messages a window puts to the user: two functions, so
// that the windows pass message boxes and tests their own.
#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace corvane {

// Whether message boxes show the system's icons: a question mark on a
// question and a warning sign on a message, or none.
enum class PromptIcons { kNone, kStandard };

struct Prompts {
    // A Yes/No question over `owner`; true for Yes. With `yesByDefault`
    // false, Enter presses No.
    std::function<bool(QWidget* owner, const QString& title, const QString& text,
                       bool yesByDefault)>
        confirm;
    // A message with an OK button.
    std::function<void(QWidget* owner, const QString& title, const QString& text)> tell;

    // Modal message boxes.
    static Prompts MessageBoxes(PromptIcons icons);
};

}  // namespace corvane
