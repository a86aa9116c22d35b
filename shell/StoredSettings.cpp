#include "shell/StoredSettings.h"

#include <cmath>

namespace corvane {
namespace {

std::optional<int> WholeNumber(const QString& text) {
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    return ok ? std::optional<int>(value) : std::nullopt;
}

}  // namespace

int SliderValueFromText(const QString& text) {
    const auto value = WholeNumber(text);
    return value && *value >= 0 && *value <= 5 ? *value : kInitialSliderValue;
}

StoredWindowState WindowStateFromText(const QString& text) {
    const auto value = WholeNumber(text);
    if (value == 1) {
        return StoredWindowState::Minimised;
    }
    if (value == 2) {
        return StoredWindowState::Maximised;
    }
    return StoredWindowState::Normal;
}

QString TextFromWindowState(StoredWindowState state) {
    return QString::number(static_cast<int>(state));
}

bool CheckedFromText(const QString& text) {
    return WholeNumber(text) == 1;
}

std::optional<int> TwipsFromText(const QString& text) {
    bool ok = false;
    const double value = text.trimmed().toDouble(&ok);
    // Qt caps a window near 16,777,215 pixels; beyond that a value is noise.
    constexpr double kLargest = 16777215.0 * 15;
    if (!ok || !std::isfinite(value) || value < 1 || value > kLargest) {
        return std::nullopt;
    }
    return static_cast<int>(std::lround(value));
}

}  // namespace corvane
