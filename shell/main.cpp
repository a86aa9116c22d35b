// Corvane: finds duplicate and near-duplicate files in the folders you choose.
#include <QApplication>
#include <QIcon>

#include "catalogue/FileCatalogue.h"
#include "platform/QtSettingsStore.h"
#include "results/Form4.h"
#include "shell/FindDupesCommand.h"
#include "shell/Form1.h"
#include "shell/HoverPointer.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Quillmark"));
    QApplication::setApplicationName(QStringLiteral("Corvane"));
    QGuiApplication::setDesktopFileName(QStringLiteral("corvane"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/corvane/corvane.svg")));
    // The results window may be hidden while the main window is closed: the
    // program ends with either window, not with the last one.
    QApplication::setQuitOnLastWindowClosed(false);

    corvane::QtSettingsStore store;
    corvane::FileCatalogue catalogue;
    corvane::Form1 form(store);
    corvane::Form4 results(corvane::LoadHoverPointer());
    results.SetMainWindow(&form);
    corvane::FindDupesCommand findDupes(form, results, catalogue, store);

    QObject::connect(&form, &corvane::Form1::findDupesRequested, &form,
                     [&findDupes] { findDupes.Run(); });
    // Closing the main window ends the program, also in the middle of a search,
    // which then stops at its next yield point.
    QObject::connect(&form, &corvane::Form1::closed, &app, [&findDupes, &results] {
        findDupes.Abandon();
        results.hide();
        QCoreApplication::quit();
    });
    form.show();
    return app.exec();
}
