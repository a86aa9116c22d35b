// Short size text for the Size column: "2 Bytes", "1,024 KB", "1.5 MB", "1. GB".
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

}  // namespace corvane
