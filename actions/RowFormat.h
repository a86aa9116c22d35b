// How a result row's numbers read: the size text ("2 Bytes", "1,024 KB",
// "1.5 MB", "1. GB") and the last-modified text. Shared by the results
// window and corvane-find, so both show the same words.
#pragma once

#include <QLocale>
#include <QString>
#include <cstdint>
#include <string>

namespace corvane {

// 0, 1 and negative sizes give "". Units step by 1024; KB and Bytes are whole
// numbers, MB and GB keep up to two decimals and always show the decimal
// separator. Rounding is halves away from zero; grouping and the decimal
// separator come from `locale`.
QString SizeText(std::int64_t size, const QLocale& locale = QLocale());

// The same text with "," grouping and "." decimals whatever the locale, as
// the English (United States) locale writes it; for machine-read output.
std::string PlainSizeText(std::int64_t size);

// The last-modified text in local time: the locale's short date, a space and
// its long time without a time zone; exactly midnight gives the date alone.
// The time format is looked up once, so one object serves many rows.
class ModifiedTextFormat {
  public:
    explicit ModifiedTextFormat(const QLocale& locale = QLocale::system());
    QString Text(std::int64_t modifiedSeconds) const;

  private:
    QLocale locale_;
    QString timeFormat_;
};

// The whole modification time in local time, to the nanosecond, with its
// zone: "2026-12-08 14:03:27.123456789 CET". What the keep rules compare.
QString FullModifiedText(std::int64_t seconds, std::int32_t nanoseconds);

}  // namespace corvane
