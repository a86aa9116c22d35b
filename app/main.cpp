// Corvane: finds duplicate and near-duplicate files in the folders you choose.
#include <unistd.h>

#include <QApplication>
#include <QIcon>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "app/CommandLine.h"
#include "app/FindDupesCommand.h"
#include "app/OpenListCommand.h"
#include "platform/ProductName.h"
#include "platform/QtSettingsStore.h"
#include "results/ResultsWindow.h"
#include "shell/MainWindow.h"
#include "widgets/HoverPointer.h"

namespace {

// --help and --version answer before any window exists, so they work
// without a display.
bool AnswersAlone(int argc, char** argv) {
    for (int a = 1; a < argc && std::strcmp(argv[a], "--") != 0; ++a) {
        if (std::strcmp(argv[a], "--help") == 0 || std::strcmp(argv[a], "-h") == 0) {
            std::fputs(corvane::CommandLineHelp().toLocal8Bit().constData(), stdout);
            return true;
        }
        if (std::strcmp(argv[a], "--version") == 0) {
            std::printf("corvane %s\n", CORVANE_VERSION);
            return true;
        }
    }
    return false;
}

// The system's boxes; while `echo` holds, what they tell also goes to stderr.
corvane::Prompts EchoedPrompts(const bool& echo) {
    corvane::Prompts prompts = corvane::Prompts::MessageBoxes(corvane::PromptIcons::kNone);
    prompts.tell = [show = prompts.tell, &echo](QWidget* owner, const QString& title,
                                                const QString& text) {
        if (echo) {
            std::fprintf(stderr, "corvane: %s\n", text.toLocal8Bit().constData());
        }
        show(owner, title, text);
    };
    return prompts;
}

void NameTheApplication() {
    QApplication::setOrganizationName(QStringLiteral("Quillmark"));
    QApplication::setApplicationName(QLatin1String(corvane::kProductName));
    QApplication::setApplicationVersion(QStringLiteral(CORVANE_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral("org.quillmark.Corvane"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/corvane/corvane.svg")));
    // The results window may be hidden while the main window is closed: the
    // program ends with either window, not with the last one.
    QApplication::setQuitOnLastWindowClosed(false);
}

QByteArray WorkingFolder() {
    char* cwd = ::getcwd(nullptr, 0);
    const QByteArray path = cwd != nullptr ? QByteArray(cwd) : QByteArray("/");
    std::free(cwd);
    return path;
}

// Folders given on the command line (a file manager's "open with") join the
// remembered list as a drop would, leaving out those listed already.
void AddArgumentFolders(corvane::MainWindow& mainWindow, const std::vector<QByteArray>& arguments) {
    const QByteArray cwd = WorkingFolder();
    std::vector<QByteArray> folders;
    for (const QByteArray& folder : arguments) {
        folders.push_back(corvane::FolderRowForArgument(folder, cwd));
    }
    mainWindow.AddFolders(folders, false);
}

// Undo last send works from the main window too, also right after a start:
// the results window holds the trash and puts rows back. Closing the results
// window (or Ctrl+Q there) ends the program the way closing the main window
// does, which also keeps the folder list.
void ShareUndoAndClose(corvane::MainWindow& mainWindow, corvane::ResultsWindow& results) {
    mainWindow.SetUndoCheck([&results] { return results.CanUndo(); });
    QObject::connect(&mainWindow, &corvane::MainWindow::undoLastSendRequested, &results,
                     &corvane::ResultsWindow::UndoLastSend);
    results.SetCloseAction([&mainWindow] { mainWindow.close(); });
}

}  // namespace

int main(int argc, char* argv[]) {
    if (AnswersAlone(argc, argv)) {
        return 0;
    }
    QApplication app(argc, argv);  // takes Qt's own options out of argv
    const corvane::CommandLine line = corvane::ParseCommandLine(argc, argv);
    if (!line.error.isEmpty()) {
        std::fprintf(stderr, "corvane: %s\n%s", line.error.toLocal8Bit().constData(),
                     corvane::CommandLineHelp().toLocal8Bit().constData());
        return 2;
    }
    NameTheApplication();

    corvane::QtSettingsStore store;
    corvane::MainWindow mainWindow(store);
    corvane::ResultsWindow results(corvane::LoadHoverPointer());
    results.SetMainWindow(&mainWindow);
    // Started with --open: what the window says of that list also goes to
    // stderr, and the exit status tells whether any of it could be shown.
    bool opening = !line.openList.isEmpty();
    bool openFailed = false;
    corvane::FindDupesCommand findDupes(mainWindow, results, store);
    corvane::OpenListCommand openList(mainWindow, results, EchoedPrompts(opening));
    QObject::connect(&openList, &corvane::OpenListCommand::listOpened, &app,
                     [&opening, &openFailed](bool shown) {
                         openFailed = opening && !shown;
                         opening = false;
                     });

    AddArgumentFolders(mainWindow, line.folders);
    ShareUndoAndClose(mainWindow, results);

    // One of the two at a time: each shows its work in the main window.
    QObject::connect(&mainWindow, &corvane::MainWindow::findDupesRequested, &findDupes,
                     [&findDupes, &openList] {
                         if (!openList.Running()) {
                             findDupes.Start();
                         }
                     });
    QObject::connect(&mainWindow, &corvane::MainWindow::openListRequested, &openList,
                     [&findDupes, &openList](const QByteArray& fileName) {
                         if (!findDupes.Running()) {
                             openList.Open(fileName);
                         }
                     });
    // Closing the main window ends the program, also in the middle of a
    // search, which stops at its next poll; the command waits for it on the
    // way out.
    QObject::connect(&mainWindow, &corvane::MainWindow::closed, &app,
                     [&findDupes, &openList, &results] {
                         findDupes.Abandon();
                         openList.Abandon();
                         results.hide();
                         QCoreApplication::quit();
                     });
    mainWindow.show();
    if (!line.openList.isEmpty()) {
        openList.Open(line.openList);
    }
    const int status = app.exec();
    return status == 0 && openFailed ? 1 : status;
}
