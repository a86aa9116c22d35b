// Corvane: finds duplicate and near-duplicate files in the folders you choose.
#include <QApplication>
#include <QIcon>

#include "platform/QtSettingsStore.h"
#include "shell/Form1.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Quillmark"));
    QApplication::setApplicationName(QStringLiteral("Corvane"));
    QGuiApplication::setDesktopFileName(QStringLiteral("corvane"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/corvane/corvane.svg")));

    corvane::QtSettingsStore store;
    corvane::Form1 form(store);
    // Closing the main window ends the program, whatever else is open.
    QObject::connect(&form, &corvane::Form1::closed, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    form.show();
    return app.exec();
}
