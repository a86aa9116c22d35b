#include "search/NameSimilarity.h"

#include <gtest/gtest.h>

namespace corvane {
namespace {

TEST(SplitWords, CutsAtSpacesOnly) {
    struct Case {
        std::string_view text;
        std::vector<std::string_view> words;
    };
    const Case cases[] = {
        {"my song.mp3", {"my", "song.mp3"}},
        {"a  b", {"a", "", "b"}},
        {"a ", {"a", ""}},
        {" a", {"", "a"}},
        {"", {""}},
        {" ", {"", ""}},
        {"single", {"single"}},
        {"tab\tand_under", {"tab\tand_under"}},
        {"no\xa0"
         "break",
         {"no\xa0"
          "break"}},
    };
    std::vector<std::string_view> words{"stale", "words", "from", "before"};
    for (const Case& c : cases) {
        EXPECT_EQ(SplitWords(c.text, words), c.words.size()) << c.text;
        EXPECT_EQ(words, c.words) << c.text;
    }
}

TEST(UpperCase, FullMappingAndInvalidBytesKept) {
    struct Case {
        std::string_view in, out;
    };
    const Case cases[] = {
        {"abc.TXT", "ABC.TXT"},
        {"stra\xc3\x9f"
         "e",
         "STRASSE"},                                 // ß -> SS
        {"\xc3\xa9t\xc3\xa9", "\xc3\x89T\xc3\x89"},  // été -> ÉTÉ
        {"a\xff"
         "b",
         "A\xff"
         "B"},                               // lone invalid byte
        {"\xc3", "\xc3"},                    // truncated sequence
        {"\xe0\x80\x80x", "\xe0\x80\x80X"},  // overlong form is not decoded
        {"\xed\xa0\x80", "\xed\xa0\x80"},    // surrogate half
    };
    for (const Case& c : cases) {
        std::string out = "keep:";
        AppendUpperCase(c.in, out);
        EXPECT_EQ(out, "keep:" + std::string(c.out)) << c.in;
    }
}

TEST(WordMatchRatio, SharesOfWords) {
    struct Case {
        std::string_view first, second;
        double ratio;
    };
    const Case cases[] = {
        {"Holiday photo 1.jpg", "Holiday photo 2.jpg", 2.0 / 3},
        {"Report.doc", "report.doc", 1.0},
        {"a a", "a b", 1.0},  // each word of the first list counts once...
        {"a b", "a a", 0.5},  // ...so the measure is not symmetric
        {"a b c", "a", 1.0 / 3},
        {"a  b", "a b", 2.0 / 3},  // the empty word between the spaces is not found
        {"a ", "a  ", 2.0 / 3},    // empty words match empty words; 3 is the larger count
        {"x y", "z w", 0.0},
        {"", "", 1.0},
        {"stra\xc3\x9f"
         "e 1",
         "STRASSE 2", 0.5},
        {"\xff"
         "a b",
         "\xff"
         "A c",
         0.5},
        {"\xff"
         "a",
         "\xfe"
         "a",
         0.0},
    };
    WordMatcher matcher;
    for (const Case& c : cases) {
        EXPECT_DOUBLE_EQ(matcher.WordMatchRatio(c.first, c.second), c.ratio)
            << c.first << " / " << c.second;
    }
}

TEST(WordMatchRatio, RatiosAtTheThresholdsAreNotAbove) {
    // The search asks R > slider / 10 + 0.4; ratios equal to a threshold fail.
    WordMatcher matcher;
    EXPECT_FALSE(matcher.WordMatchRatio("a b", "a c") > 1 / 10.0 + 0.4);
    EXPECT_FALSE(matcher.WordMatchRatio("a b c d e", "a b c x y") > 2 / 10.0 + 0.4);
    EXPECT_FALSE(matcher.WordMatchRatio("a b c d e f g h i j", "a b c d e f g x y z") >
                 3 / 10.0 + 0.4);
    EXPECT_FALSE(matcher.WordMatchRatio("a b c d e", "a b c d x") > 4 / 10.0 + 0.4);
    EXPECT_TRUE(matcher.WordMatchRatio("Holiday photo 1.jpg", "Holiday photo 2.jpg") >
                2 / 10.0 + 0.4);
    EXPECT_FALSE(matcher.WordMatchRatio("Holiday photo 1.jpg", "Holiday photo 2.jpg") >
                 3 / 10.0 + 0.4);
}

}  // namespace
}  // namespace corvane
