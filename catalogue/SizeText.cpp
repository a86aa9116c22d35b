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

QString Whole(std::int64_t value, const QLocale& locale) {
    // "#,###" writes no digits at all for zero.
    return value == 0 ? QString() : locale.toString(static_cast<qlonglong>(value));
}

// "#,###.##": whole part, the decimal separator always, then at most two
// decimals without trailing zeros.
QString TwoDecimals(std::int64_t size, std::int64_t unit, const QLocale& locale) {
    const std::int64_t hundredths = RoundedQuotient(static_cast<__int128>(size) * 100, unit);
    QString text = Whole(hundredths / 100, locale) + locale.decimalPoint();
    const std::int64_t decimals = hundredths % 100;
    if (decimals != 0) {
        text += QString::number(decimals / 10);
        if (decimals % 10 != 0) {
            text += QString::number(decimals % 10);
        }
    }
    return text;
}

}  // namespace

QString SizeText(std::int64_t size, const QLocale& locale) {
    if (size > 1 && size < kKiB) {
        return Whole(size, locale) + QStringLiteral(" Bytes");
    }
    if (size >= kKiB && size < kMiB) {
        return Whole(RoundedQuotient(size, kKiB), locale) + QStringLiteral(" KB");
    }
    if (size >= kMiB && size < kGiB) {
        return TwoDecimals(size, kMiB, locale) + QStringLiteral(" MB");
    }
    if (size >= kGiB) {
        return TwoDecimals(size, kGiB, locale) + QStringLiteral(" GB");
    }
    return QString();
}

}  // namespace corvane
