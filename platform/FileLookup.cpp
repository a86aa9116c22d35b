#include "platform/FileLookup.h"

#include <sys/stat.h>

#include <algorithm>
#include <ctime>

#include <QDateTime>

namespace corvane {
namespace {

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

std::int64_t FileSize2(const std::string& path) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) {
        return 0;
    }
    return static_cast<std::int64_t>(st.st_size);
}

QString LastModifiedText(const std::string& path, const QLocale& locale) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) {
        return QString();
    }
    return LastModifiedText(static_cast<std::int64_t>(st.st_mtime), locale);
}

QString LastModifiedText(std::int64_t modifiedSeconds, const QLocale& locale) {
    return ModifiedTextFormat(locale).Text(modifiedSeconds);
}

ModifiedTextFormat::ModifiedTextFormat(const QLocale& locale)
    : locale_(locale), timeFormat_(WithoutTimeZone(locale.timeFormat(QLocale::LongFormat))) {}

QString ModifiedTextFormat::Text(std::int64_t modifiedSeconds) const {
    // localtime_r rather than QDateTime's local time, which re-reads the zone
    // file on every call: a search with many rows calls this once per row.
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

bool IsFolder(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool FileExists(const std::string& path) {
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0;
}

}  // namespace corvane
