// How alike two file names are, by the words they share (case ignored).
#pragma once

#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace corvane {

// Cuts `text` at every space (byte 0x20, nothing else) into `words`, which is
// cleared first; returns the count. Double and trailing spaces give empty
// words; "" gives one empty word, so the count is never 0. The views point
// into `text`.
std::size_t SplitWords(std::string_view text, std::vector<std::string_view>& words);

// Appends the upper-case form of `word` to `out`: Unicode's default full
// mapping for valid UTF-8 ("straße" -> "STRASSE"); bytes that are not valid
// UTF-8 are copied as they are.
void AppendUpperCase(std::string_view word, std::string& out);

// The share of `first`'s words that equal at least one of `second`'s words,
// over the larger of the two counts. Both lists must already be upper-cased.
// Not symmetric: the first list is counted against the second.
double MatchedShare(std::span<const std::string_view> first,
                    std::span<const std::string_view> second);

// Splits and upper-cases two names and measures them with MatchedShare. Keeps
// its buffers between calls, so a comparison of ASCII names allocates nothing
// once the buffers have grown.
class WordMatcher {
  public:
    double WordMatchRatio(std::string_view name1, std::string_view name2);

  private:
    struct UpperWords {
        std::vector<std::string_view> raw;
        std::string text;
        std::vector<std::string_view> words;
        std::vector<std::size_t> ends;
        void Fill(std::string_view name);
    };
    UpperWords first_;
    UpperWords second_;
};

}  // namespace corvane
