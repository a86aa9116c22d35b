#include "catalogue/SizeText.h"

namespace corvane {
namespace {

constexpr std::int64_t kKiB = 1024;
constexpr std::int64_t kMiB = kKiB * 1024;
constexpr std::int64_t kGiB = kMiB * 1024;

// value / divisor rounded halves away from zero, for non-negative values.
// Integer arithmetic keeps the .5 cases exact, which doubles would not.
std::int64_t RoundedQuotient(__int128 value, __int128 divisor) {
    return static_cast<std::int64_t>((2 * value + divisor) / (2 * divisor));
}

// A size text in parts: the whole number ("#,###": no digits for zero), for
// MB and GB the decimal separator and up to two decimals without trailing
// zeros ("#,###.##"), then the unit. Both renderings below follow it.
struct SizeParts {
    bool empty = true;
    std::int64_t whole = 0;
    bool point = false;
    std::int64_t hundredths = 0;  // only with `point`: 0 .. 99
    const char* unit = "";
};

SizeParts Split(std::int64_t size) {
    SizeParts parts;
    const auto twoDecimals = [&](std::int64_t unit, const char* name) {
        const std::int64_t hundredths = RoundedQuotient(static_cast<__int128>(size) * 100, unit);
        parts = SizeParts{false, hundredths / 100, true, hundredths % 100, name};
    };
    if (size > 1 && size < kKiB) {
        parts = SizeParts{false, size, false, 0, " Bytes"};
    } else if (size >= kKiB && size < kMiB) {
        parts = SizeParts{false, RoundedQuotient(size, kKiB), false, 0, " KB"};
    } else if (size >= kMiB && size < kGiB) {
        twoDecimals(kMiB, " MB");
    } else if (size >= kGiB) {
        twoDecimals(kGiB, " GB");
    }
    return parts;
}

// The decimals of `parts` without trailing zeros: "", "5" or "13".
std::string Decimals(const SizeParts& parts) {
    std::string text;
    if (parts.hundredths != 0) {
        text += static_cast<char>('0' + parts.hundredths / 10);
        if (parts.hundredths % 10 != 0) {
            text += static_cast<char>('0' + parts.hundredths % 10);
        }
    }
    return text;
}

}  // namespace

QString SizeText(std::int64_t size, const QLocale& locale) {
    const SizeParts parts = Split(size);
    if (parts.empty) {
        return QString();
    }
    QString text =
        parts.whole == 0 ? QString() : locale.toString(static_cast<qlonglong>(parts.whole));
    if (parts.point) {
        text += locale.decimalPoint() + QLatin1String(Decimals(parts));
    }
    return text + QLatin1String(parts.unit);
}

std::string PlainSizeText(std::int64_t size) {
    const SizeParts parts = Split(size);
    std::string text;
    if (parts.whole != 0) {
        const std::string digits = std::to_string(parts.whole);
        for (std::size_t k = 0; k < digits.size(); ++k) {
            if (k > 0 && (digits.size() - k) % 3 == 0) {
                text += ',';
            }
            text += digits[k];
        }
    }
    if (parts.point) {
        text += '.' + Decimals(parts);
    }
    return text + parts.unit;
}

}  // namespace corvane
