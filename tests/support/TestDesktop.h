// A desktop for MainWindow tests: fixed screen and work area, a scripted folder
// browser and a message box that only records what it would have shown.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <deque>
#include <vector>

#include "shell/MainWindow.h"

namespace corvane::testing {

struct TestDesktop {
    int workAreaWidth = 1920;
    QSize screen{1920, 1080};
    QList<QRect> available;                              // none: the whole of `screen`
    std::deque<std::vector<QByteArray>> browserAnswers;  // one per Add Folder; none is Cancel
    QStringList browserTitles;
    QStringList messageTitles;
    QStringList messageTexts;

    MainWindowDesktop Make() {
        MainWindowDesktop desktop;
        desktop.workAreaWidth = [this] { return workAreaWidth; };
        desktop.screenSize = [this] { return screen; };
        desktop.availableScreens = [this] {
            return available.isEmpty() ? QList<QRect>{QRect(QPoint(), screen)} : available;
        };
        desktop.chooseFolder = [this](QWidget*, const QString& title) {
            browserTitles << title;
            std::vector<QByteArray> answer =
                browserAnswers.empty() ? std::vector<QByteArray>() : browserAnswers.front();
            if (!browserAnswers.empty()) {
                browserAnswers.pop_front();
            }
            return answer;
        };
        desktop.prompts.tell = [this](QWidget*, const QString& title, const QString& text) {
            messageTitles << title;
            messageTexts << text;
        };
        return desktop;
    }
};

}  // namespace corvane::testing
