#include <gtest/gtest.h>

#include "actions/SearchTexts.h"

namespace corvane {
namespace {

TEST(SearchTexts, LargeSearchQuestionReadsAsWrittenWithOneBlankLine) {
    const QLocale english(QLocale::English, QLocale::UnitedStates);
    EXPECT_EQ(LargeSearchQuestion(10, 25431, english),
              QStringLiteral(
                  "The 10 folder(s) you've selected contains 25,431 files. This is over the "
                  "recommended amount of 20,000. Please remove some folders from the list by "
                  "selecting them and pressing 'Delete' on the keyboard or click 'Clear "
                  "List'.\n\nYou can still proceed, but the duplicate finding process may take a "
                  "long time. Would you like to proceed anyway?"));
    // The file count takes the locale's grouping; the folder count is never grouped.
    const QString german = LargeSearchQuestion(12345, 1234567, QLocale(QLocale::German));
    EXPECT_TRUE(
        german.startsWith(QStringLiteral("The 12345 folder(s) you've selected contains "
                                         "1.234.567 files.")))
        << german.toStdString();
    QLocale noGrouping = english;
    noGrouping.setNumberOptions(QLocale::OmitGroupSeparator);
    EXPECT_TRUE(LargeSearchQuestion(1, 20001, noGrouping).contains(QStringLiteral(" 20,001 ")));
}

TEST(SearchTexts, CaptionsShowTheFolderAsGiven) {
    EXPECT_EQ(AnalyzingCaption("/home/me/Photos/"),
              QStringLiteral("Corvane [Analyzing /home/me/Photos/ folder - phase 1 of 2]"));
    EXPECT_EQ(AnalyzingCaption("/"), QStringLiteral("Corvane [Analyzing / folder - phase 1 of 2]"));
    EXPECT_EQ(AnalyzingCaption("/tmp/caf\xc3\xa9-\xff"),
              QStringLiteral("Corvane [Analyzing /tmp/caf\u00e9-\\xff folder - phase 1 of 2]"));
    EXPECT_EQ(ComparingCaption(), QStringLiteral("Corvane [Finding duplicates - phase 2 of 2]"));
}

TEST(SearchTexts, CaptionsCountThreePhasesOnlyWithSameContents) {
    struct Case {
        SearchPhase phase;
        bool contents;
        const char* caption;
    } cases[] = {
        {SearchPhase::Scanning, false, "Corvane [Analyzing /p/ folder - phase 1 of 2]"},
        {SearchPhase::Comparing, false, "Corvane [Finding duplicates - phase 2 of 2]"},
        {SearchPhase::Scanning, true, "Corvane [Analyzing /p/ folder - phase 1 of 3]"},
        {SearchPhase::Contents, true, "Corvane [Finding identical files - phase 2 of 3]"},
        {SearchPhase::Comparing, true, "Corvane [Finding duplicates - phase 3 of 3]"},
        {SearchPhase::Idle, true, "Corvane"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CaptionFor(c.phase, "/p/", c.contents), QString::fromUtf8(c.caption));
    }
}

TEST(SearchTexts, PathsShowEveryNameDistinctlyOnOneLine) {
    // "a<LF>b" and "a b" must not look alike, no name may break a line, and
    // two different invalid bytes must not both become U+FFFD.
    EXPECT_EQ(DisplayPath("/t/a\nb\tc\\d"), QStringLiteral("/t/a\\nb\\tc\\\\d"));
    EXPECT_NE(DisplayPath("/t/\xff"), DisplayPath("/t/\xfe"));
    EXPECT_EQ(DisplayPath("/t/caf\xc3\xa9 x"), QStringLiteral("/t/caf\u00e9 x"));
}

TEST(SearchTexts, ContentColumnNamesEachSetOfAGroup) {
    using V = ContentVerdict;
    struct Case {
        V verdict;
        ContentSet set;
        const char* text;
    } cases[] = {
        {V::Identical, {1, true}, "Identical"},
        {V::Identical, {1, false}, "Identical A"},
        {V::Identical, {26, false}, "Identical Z"},
        {V::Identical, {27, false}, "Identical AA"},
        {V::Identical, {53, false}, "Identical BA"},
        {V::Differs, {}, "Unique"},
        {V::Identical, {}, "Unique"},  // its copies have left the list
        {V::Unreadable, {}, "Unreadable"},
        {V::Changed, {}, "Changed"},
        {V::NotChecked, {}, ""},
    };
    for (const Case& c : cases) {
        RowContent content;
        content.verdict = c.verdict;
        EXPECT_EQ(ContentText(content, c.set), QString::fromLatin1(c.text)) << c.text;
    }
}

}  // namespace
}  // namespace corvane
