// Names and .trashinfo text for any file name: an entry name is short enough
// for any drive, cut between UTF-8 letters, and the Path line decodes back to
// the exact bytes.
#include <QByteArray>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "platform/Trash.h"
#include "platform/Utf8.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 1) {
        return 0;
    }
    const int counter = 1 + data[0] % 50;
    std::string name(reinterpret_cast<const char*>(data + 1), size - 1);
    if (name.empty() || name.find('/') != std::string::npos ||
        name.find('\0') != std::string::npos || name == "." || name == "..") {
        return 0;  // not a file name
    }
    const std::string entry = corvane::TrashEntryName(name, counter);
    // ".trashinfo" (10 bytes) must still fit a 255-byte name.
    if (entry.empty() || entry.size() + 10 > 255 || entry.find('/') != std::string::npos ||
        entry == "." || entry == "..") {
        std::abort();
    }
    if (counter == 1 && name.size() <= corvane::kLongTrashName && entry != name) {
        std::abort();  // a short name is kept as it is
    }
    const std::string path = "/d/" + name;
    const std::string text = corvane::TrashInfoText(path, 0);
    const std::string encoded = corvane::TrashInfoPath(path);
    if (text.find("\nPath=" + encoded + "\n") == std::string::npos ||
        encoded.find_first_of(" \n\r\t") != std::string::npos ||
        QByteArray::fromPercentEncoding(QByteArray::fromStdString(encoded)).toStdString() != path) {
        std::abort();
    }
    return 0;
}
