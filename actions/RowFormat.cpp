#include "actions/RowFormat.h"

#include <QDateTime>
#include <algorithm>
#include <ctime>

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

// The long time format may name the zone ("t"); the column never shows it.
// Quoted literal text is kept as it is.
QString WithoutTimeZone(const QString& format) {
    QString out;
    bool quoted = false;
    for (const QChar c : format) {
        if (c == QLatin1Char('\'')) {
            quoted = !quoted;
        }
        if (quoted || c != QLatin1Char('t')) {
            out += c;
        }
    }
    return out.trimmed();
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

ModifiedTextFormat::ModifiedTextFormat(const QLocale& locale)
    : locale_(locale), timeFormat_(WithoutTimeZone(locale.timeFormat(QLocale::LongFormat))) {}

QString ModifiedTextFormat::Text(std::int64_t modifiedSeconds) const {
    // localtime_r rather than QDateTime's local time, which re-reads the zone
    // file on every call: a list with many rows calls this once per row.
    QDate date;
    QTime time;
    struct tm local {};
    const auto seconds = static_cast<time_t>(modifiedSeconds);
    if (::localtime_r(&seconds, &local) != nullptr) {
        date = QDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday);
        time = QTime(local.tm_hour, local.tm_min, std::min(local.tm_sec, 59));
    } else {
        const QDateTime when = QDateTime::fromSecsSinceEpoch(modifiedSeconds, Qt::LocalTime);
        date = when.date();
        time = when.time();
    }

    if (time == QTime(0, 0)) {
        return locale_.toString(date, QLocale::ShortFormat);
    }
    const QString timeText = locale_.toString(time, timeFormat_);
    if (date == QDate(1899, 12, 30)) {
        return timeText;  // day zero of the old date form: time alone
    }
    return locale_.toString(date, QLocale::ShortFormat) + QLatin1Char(' ') + timeText;
}

QString FullModifiedText(std::int64_t seconds, std::int32_t nanoseconds) {
    const QDateTime when = QDateTime::fromSecsSinceEpoch(seconds, Qt::LocalTime);
    return when.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.")) +
           QStringLiteral("%1 ").arg(nanoseconds, 9, 10, QLatin1Char('0')) +
           when.timeZoneAbbreviation();
}

}  // namespace corvane
