// Corvane: finds duplicate and near-duplicate files in the folders you choose.
#include <QApplication>
#include <QIcon>

#include "app/FindDupesCommand.h"
#include "platform/QtSettingsStore.h"
#include "results/ResultsWindow.h"
#include "shell/MainWindow.h"
#include "widgets/HoverPointer.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Quillmark"));
    QApplication::setApplicationName(QStringLiteral("Corvane"));
    QApplication::setApplicationVersion(QStringLiteral(CORVANE_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral("corvane"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/corvane/corvane.svg")));
    // The results window may be hidden while the main window is closed: the
    // program ends with either window, not with the last one.
    QApplication::setQuitOnLastWindowClosed(false);

    corvane::QtSettingsStore store;
    corvane::MainWindow mainWindow(store);
    corvane::ResultsWindow results(corvane::LoadHoverPointer());
    results.SetMainWindow(&mainWindow);
    corvane::FindDupesCommand findDupes(mainWindow, results, store);

    QObject::connect(&mainWindow, &corvane::MainWindow::findDupesRequested, &findDupes,
                     &corvane::FindDupesCommand::Start);
    // Closing the main window ends the program, also in the middle of a
    // search, which stops at its next poll; the command waits for it on the
    // way out.
    QObject::connect(&mainWindow, &corvane::MainWindow::closed, &app, [&findDupes, &results] {
        findDupes.Abandon();
        results.hide();
        QCoreApplication::quit();
    });
    mainWindow.show();
    return app.exec();
}
