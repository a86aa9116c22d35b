// Stored setting values from a hand-edited or damaged settings file: each
// reads as a value the window can use.
#include <QString>
#include <cstdint>
#include <cstdlib>

#include "shell/StoredSettings.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString text =
        QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const int slider = corvane::SliderValueFromText(text);
    if (slider < 0 || slider > 5) {
        std::abort();
    }
    const auto state = corvane::WindowStateFromText(text);
    if (corvane::WindowStateFromText(corvane::TextFromWindowState(state)) != state) {
        std::abort();
    }
    (void)corvane::CheckedFromText(text);
    const auto twips = corvane::TwipsFromText(text);
    if (twips && (*twips < 1 || *twips > 16777215 * 15)) {
        std::abort();
    }
    return 0;
}
