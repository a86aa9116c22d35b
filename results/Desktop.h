// How the results window reaches the desktop: opening a file, showing it in
// the file manager, the clipboard. Tests replace each of them.
#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>
#include <functional>

class QWidget;

namespace corvane {

struct Desktop {
    // Opens the file with its default program; false when nothing could.
    std::function<bool(const QByteArray& path)> open;
    // Shows the file in the file manager, selected where the file manager
    // can do that, else opens its folder.
    std::function<bool(const QByteArray& path)> showInFolder;
    std::function<void(const QString& text)> copy;
    // Asks where to save the list: the file's path bytes, or empty.
    std::function<QByteArray(QWidget* owner)> chooseSaveFile;

    static Desktop System();
};

// A file: URL for a byte path; every byte outside the unreserved set is
// percent-encoded, so a name that is not UTF-8 survives the trip.
QUrl FileUrl(const QByteArray& path);

}  // namespace corvane
