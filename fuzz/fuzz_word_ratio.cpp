// The name splitter and word ratio against a plain model: the input is two
// names split at the first NUL byte.
#include <QString>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Utf8.h"
#include "search/NameSimilarity.h"

namespace {

// Upper case one character at a time: a run-at-a-time conversion must agree.
std::string ModelUpper(std::string_view word) {
    std::string out;
    for (std::size_t i = 0; i < word.size();) {
        const std::size_t length = corvane::Utf8SequenceLength(word, i);
        if (length == 0) {
            out += word[i++];
            continue;
        }
        out += QString::fromUtf8(word.data() + i, static_cast<qsizetype>(length))
                   .toUpper()
                   .toStdString();
        i += length;
    }
    return out;
}

std::vector<std::string> ModelWords(std::string_view name) {
    std::vector<std::string> words;
    std::size_t start = 0;
    for (;;) {
        const std::size_t space = name.find(' ', start);
        words.push_back(ModelUpper(name.substr(start, space - start)));
        if (space == std::string_view::npos) {
            return words;
        }
        start = space + 1;
    }
}

double ModelRatio(std::string_view first, std::string_view second) {
    const std::vector<std::string> a = ModelWords(first), b = ModelWords(second);
    std::size_t matched = 0;
    for (const std::string& word : a) {
        for (const std::string& other : b) {
            if (word == other) {
                ++matched;
                break;
            }
        }
    }
    return static_cast<double>(matched) / static_cast<double>(std::max(a.size(), b.size()));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t cut = input.find('\0');
    const std::string_view first = input.substr(0, cut);
    const std::string_view second = cut == std::string_view::npos ? "" : input.substr(cut + 1);

    std::vector<std::string_view> words;
    if (corvane::SplitWords(first, words) != ModelWords(first).size()) {
        std::abort();
    }
    static corvane::WordMatcher matcher;  // reused, as phase 2 reuses it
    if (matcher.WordMatchRatio(first, second) != ModelRatio(first, second)) {
        std::abort();
    }
    return 0;
}
