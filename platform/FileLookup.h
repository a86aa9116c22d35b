// One-path file-system questions, all by lstat: links are never followed and
// paths are never patterns. Failures answer a neutral value and show nothing.
#pragma once

#include <QLocale>
#include <QString>
#include <cstdint>
#include <string>

namespace corvane {

// The file's full 64-bit size, or 0 when it cannot be read.
std::int64_t FileSize2(const std::string& path);

// Last-modified time in local time: the locale's short date, a space and its
// long time without a time zone; exactly midnight gives the date alone.
// "" when the path cannot be read.
QString LastModifiedText(const std::string& path, const QLocale& locale = QLocale::system());
// The same text for a modification time already read (seconds since the epoch).
QString LastModifiedText(std::int64_t modifiedSeconds, const QLocale& locale = QLocale::system());

// LastModifiedText for many times in one locale: the time format is looked up
// once, not per call.
class ModifiedTextFormat {
  public:
    explicit ModifiedTextFormat(const QLocale& locale = QLocale::system());
    QString Text(std::int64_t modifiedSeconds) const;

  private:
    QLocale locale_;
    QString timeFormat_;
};

// True when the path is a folder (a link to a folder is not).
bool IsFolder(const std::string& path);

// True when lstat succeeds on the path.
bool FileExists(const std::string& path);

}  // namespace corvane
