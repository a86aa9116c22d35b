#include "actions/RowFormat.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

namespace corvane {
namespace {

struct SizeCase {
    std::int64_t size;
    const char* text;
};

TEST(SizeText, UnitsBoundariesAndRoundingInEnglish) {
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    const SizeCase cases[] = {
        {-5, ""},
        {0, ""},
        {1, ""},
        {2, "2 Bytes"},
        {1023, "1,023 Bytes"},
        {1024, "1 KB"},
        {1535, "1 KB"},
        {1536, "2 KB"},  // half a KB rounds up, not to even
        {2560, "3 KB"},  // 2.5 KB: away from zero, not banker's 2
        {1048575, "1,024 KB"},
        {1048576, "1. MB"},
        {1572864, "1.5 MB"},
        {1179648, "1.13 MB"},  // exactly 1.125 MB rounds its last decimal up
        {5000000, "4.77 MB"},
        {1073741823, "1,024. MB"},
        {1073741824, "1. GB"},
        {2147483647, "2. GB"},
        {2147483648LL, "2. GB"},
        {4294967306LL, "4. GB"},
        {5LL << 40, "5,120. GB"},
        {INT64_MAX, "8,589,934,592. GB"},
    };
    for (const SizeCase& c : cases) {
        EXPECT_EQ(SizeText(c.size, english), QString::fromUtf8(c.text)) << "size " << c.size;
        EXPECT_EQ(PlainSizeText(c.size), c.text) << "size " << c.size;
    }
}

TEST(SizeText, FollowsTheLocaleSeparators) {
    const QLocale german(QLocale::German, QLocale::Germany);
    EXPECT_EQ(SizeText(1023, german), QStringLiteral("1.023 Bytes"));
    EXPECT_EQ(SizeText(1572864, german), QStringLiteral("1,5 MB"));
    EXPECT_EQ(SizeText(1048576, german), QStringLiteral("1, MB"));
    EXPECT_EQ(SizeText(5LL << 40, german), QStringLiteral("5.120, GB"));
}

TEST(ModifiedText, LocalTimeWithoutZoneAndTheMidnightRule) {
    ::setenv("TZ", "UTC", 1);
    ::tzset();
    const ModifiedTextFormat english(QLocale(QLocale::English, QLocale::UnitedStates));
    const ModifiedTextFormat german(QLocale(QLocale::German, QLocale::Germany));

    // 2006-06-14 15:07:55 UTC
    const QString text = english.Text(1150297675);
    EXPECT_TRUE(text.startsWith(QStringLiteral("6/14/06 3:07:55"))) << text.toStdString();
    EXPECT_TRUE(text.endsWith(QStringLiteral("PM"))) << text.toStdString();  // no zone
    EXPECT_EQ(german.Text(1150297675), QStringLiteral("14.06.06 15:07:55"));

    // Exactly midnight gives the date alone; a second later does not.
    EXPECT_EQ(english.Text(1150243200), QStringLiteral("6/14/06"));  // 2006-06-14 00:00:00
    EXPECT_NE(english.Text(1150243201), QStringLiteral("6/14/06"));

    // The tooltip's full time keeps every digit of the nanoseconds.
    EXPECT_EQ(FullModifiedText(1150297675, 5), QStringLiteral("2006-06-14 15:07:55.000000005 UTC"));
    EXPECT_EQ(FullModifiedText(1150297675, 999999999),
              QStringLiteral("2006-06-14 15:07:55.999999999 UTC"));
}

}  // namespace
}  // namespace corvane
