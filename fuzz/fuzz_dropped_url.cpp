// Dropped URLs: whatever arrives, a local path comes back as its exact bytes
// or not at all; and every byte path survives the trip through a file URL.
#include <QByteArray>
#include <QUrl>
#include <cstdint>
#include <cstdlib>

#include "results/Desktop.h"
#include "shell/FolderDrop.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    for (const QUrl& url : {QUrl::fromEncoded(bytes), QUrl(QString::fromUtf8(bytes))}) {
        const auto path = corvane::LocalPathBytes(url);
        if (path && (path->isEmpty() || path->contains('\0'))) {
            std::abort();
        }
        (void)corvane::RowsFromDrop({url});
    }
    if (!bytes.isEmpty() && !bytes.contains('\0')) {
        const QByteArray path = bytes.startsWith('/') ? bytes : "/" + bytes;
        const auto back = corvane::LocalPathBytes(corvane::FileUrl(path));
        if (!back || *back != path) {
            std::abort();
        }
    }
    return 0;
}
