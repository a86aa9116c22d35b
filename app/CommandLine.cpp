#include "app/CommandLine.h"

#include "actions/SearchTexts.h"
#include "catalogue/PathParts.h"
#include "platform/FileStatus.h"
#include "shell/FolderDrop.h"

namespace corvane {

CommandLine ParseCommandLine(int argc, const char* const* argv) {
    CommandLine line;
    bool optionsEnded = false;
    for (int a = 1; a < argc; ++a) {
        const QByteArray arg(argv[a]);
        if (optionsEnded || arg == "-" || !arg.startsWith('-')) {
            line.folders.push_back(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (arg == "--help" || arg == "-h") {
            line.help = true;
        } else if (arg == "--version") {
            line.version = true;
        } else if (arg == "--open" || arg.startsWith("--open=")) {
            QByteArray file = arg.mid(7);
            if (arg == "--open") {
                if (a + 1 >= argc) {
                    line.error = QStringLiteral("--open needs a FILE");
                    return line;
                }
                file = argv[++a];
            }
            if (file.isEmpty()) {
                line.error = QStringLiteral("--open needs a FILE");
                return line;
            }
            line.openList = file;
        } else {
            line.error = QStringLiteral("unknown option '%1'")
                             .arg(DisplayPath(std::string_view(arg.constData(), arg.size())));
            return line;
        }
    }
    return line;
}

QByteArray FolderRowForArgument(const QByteArray& argument, const QByteArray& cwd) {
    QByteArray path = argument;
    if (!path.startsWith('/')) {
        path = cwd + (cwd.endsWith('/') ? "" : "/") + path;
    }
    // A file stands for its folder, as in a drop; a path that is not there
    // stays as given, so the search names it among the skipped folders.
    const QByteArray row = FileExists(path.toStdString()) ? FolderRowForDroppedPath(path) : path;
    const std::string_view form =
        WithoutTrailingSlash(std::string_view(row.constData(), row.size()));
    return QByteArray(form.data(), static_cast<qsizetype>(form.size()));
}

QString CommandLineHelp() {
    return QStringLiteral(
        "usage: corvane [--open FILE] [FOLDER...]\n"
        "\n"
        "Finds duplicate and near-duplicate files in the folders you choose.\n"
        "\n"
        "  FOLDER...     fill the folder list with these folders (a file stands for\n"
        "                its folder)\n"
        "  --open FILE   show a result list saved with \"Save list...\" (tsv or json)\n"
        "  --help        show this help\n"
        "  --version     show the version\n"
        "\n"
        "corvane-find runs the same search from the command line.\n");
}

}  // namespace corvane
