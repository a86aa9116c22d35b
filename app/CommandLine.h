// What `corvane` was started with: `corvane [--open FILE] [FOLDER...]`,
// `--help`, `--version`. Arguments are bytes, like every path in Corvane.
#pragma once

#include <QByteArray>
#include <QString>
#include <vector>

namespace corvane {

struct CommandLine {
    bool help = false;
    bool version = false;
    QByteArray openList;              // a saved result list to show, or empty
    std::vector<QByteArray> folders;  // as given, in order
    QString error;                    // a usage error; empty when the line is good
};

// Reads argv[1..] (Qt's own options already taken out by QApplication).
// "--" ends the options; "-" alone and anything not starting with "-" is a
// folder.
CommandLine ParseCommandLine(int argc, const char* const* argv);

// The folder list row for a folder argument: relative to `cwd` when it is
// not absolute; a file stands for the folder holding it, as in a drop; a
// path that does not exist stays itself (the search then reports it).
QByteArray FolderRowForArgument(const QByteArray& argument, const QByteArray& cwd);

QString CommandLineHelp();

}  // namespace corvane
