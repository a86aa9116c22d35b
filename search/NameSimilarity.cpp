#include "search/NameSimilarity.h"

#include <QString>
#include <algorithm>

#include "platform/Utf8.h"

namespace corvane {

std::size_t SplitWords(std::string_view text, std::vector<std::string_view>& words) {
    words.clear();
    for (;;) {
        const std::size_t space = text.find(' ');
        if (space == std::string_view::npos) {
            words.push_back(text);
            return words.size();
        }
        words.push_back(text.substr(0, space));
        text.remove_prefix(space + 1);
    }
}

void AppendUpperCase(std::string_view word, std::string& out) {
    std::size_t i = 0;
    while (i < word.size()) {
        const unsigned char c = static_cast<unsigned char>(word[i]);
        if (c < 0x80) {
            out.push_back(c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A')
                                               : static_cast<char>(c));
            ++i;
            continue;
        }
        // A run of valid non-ASCII text goes through Qt's full case mapping;
        // a byte that starts no valid sequence stays as it is.
        std::size_t end = i;
        while (end < word.size() && static_cast<unsigned char>(word[end]) >= 0x80) {
            const std::size_t length = Utf8SequenceLength(word, end);
            if (length == 0) {
                break;
            }
            end += length;
        }
        if (end == i) {
            out.push_back(word[i]);
            ++i;
            continue;
        }
        const QByteArray upper =
            QString::fromUtf8(word.data() + i, static_cast<qsizetype>(end - i)).toUpper().toUtf8();
        out.append(upper.constData(), static_cast<std::size_t>(upper.size()));
        i = end;
    }
}

double MatchedShare(std::span<const std::string_view> first,
                    std::span<const std::string_view> second) {
    std::size_t matched = 0;
    for (const std::string_view word : first) {
        if (std::find(second.begin(), second.end(), word) != second.end()) {
            ++matched;
        }
    }
    const std::size_t larger = std::max(first.size(), second.size());
    return larger == 0 ? 0.0 : static_cast<double>(matched) / static_cast<double>(larger);
}

void WordMatcher::UpperWords::Fill(std::string_view name) {
    SplitWords(name, raw);
    text.clear();
    ends.clear();
    for (const std::string_view word : raw) {
        AppendUpperCase(word, text);
        ends.push_back(text.size());
    }
    // Views are taken only after `text` has stopped growing.
    words.clear();
    std::size_t start = 0;
    for (const std::size_t end : ends) {
        words.emplace_back(text.data() + start, end - start);
        start = end;
    }
}

double WordMatcher::WordMatchRatio(std::string_view name1, std::string_view name2) {
    first_.Fill(name1);
    second_.Fill(name2);
    return MatchedShare(first_.words, second_.words);
}

}  // namespace corvane
