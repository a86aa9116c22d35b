#include "cli/FindOutput.h"

#include <QDateTime>
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "platform/Utf8.h"
#include "search/RowFormat.h"
#include "search/SearchTexts.h"

namespace corvane::cli {
namespace {

void AppendHex(std::string& out, const char* prefix, unsigned value, int digits) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%s%0*x", prefix, digits, value);
    out += buffer;
}

std::string Utf8(const QString& text) {
    return text.toStdString();
}

void Put(const std::string& text, std::FILE* out) {
    std::fwrite(text.data(), 1, text.size(), out);
}

bool PlainByte(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x80 && c != '\\' && c != '\t' && c != '\n' && c != '\r';
}

const char* ActionWord(bool marked) {
    return marked ? "trash" : "keep";
}

const char* VerdictWord(ContentVerdict verdict) {
    switch (verdict) {
        case ContentVerdict::NotChecked:
            return "not checked";
        case ContentVerdict::Identical:
            return "identical";
        case ContentVerdict::Differs:
            return "differs";
        case ContentVerdict::Unreadable:
            return "unreadable";
        case ContentVerdict::Changed:
            return "changed";
    }
    return "";
}

}  // namespace

std::string KeyHex(const ContentKey& key) {
    char buffer[33];
    std::snprintf(buffer, sizeof buffer, "%016llx%016llx",
                  static_cast<unsigned long long>(key.high),
                  static_cast<unsigned long long>(key.low));
    return buffer;
}

std::string ContentField(const RowContent& content) {
    return content.source == KeySource::None ? std::string("-") : KeyHex(content.key);
}

void AppendEscapedPath(std::string_view path, std::string& out) {
    for (std::size_t i = 0; i < path.size();) {
        // A run of bytes that stay as they are goes in one append.
        std::size_t end = i;
        while (end < path.size() && PlainByte(path[end])) {
            ++end;
        }
        out.append(path.substr(i, end - i));
        if (end == path.size()) {
            break;
        }
        i = end;
        const char c = path[i];
        switch (c) {
            case '\\':
                out += "\\\\";
                ++i;
                continue;
            case '\t':
                out += "\\t";
                ++i;
                continue;
            case '\n':
                out += "\\n";
                ++i;
                continue;
            case '\r':
                out += "\\r";
                ++i;
                continue;
            default:
                break;
        }
        const std::size_t length = Utf8SequenceLength(path, i);
        if (length == 0) {
            AppendHex(out, "\\x", static_cast<unsigned char>(c), 2);
            ++i;
        } else {
            out.append(path.substr(i, length));
            i += length;
        }
    }
}

std::string EscapePath(std::string_view path) {
    std::string out;
    out.reserve(path.size());
    AppendEscapedPath(path, out);
    return out;
}

std::string JsonString(std::string_view text) {
    std::string out = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            out += '\\';
            out += c;
        } else if (byte < 0x20) {
            AppendHex(out, "\\u", byte, 4);
        } else {
            out += c;
        }
    }
    out += '"';
    return out;
}

void WriteTsv(const std::vector<ResultRow>& rows, std::FILE* out, const RowExtras& extras) {
    std::string line;  // one buffer for every line
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const ResultRow& row = rows[r];
        line.clear();
        line += TypeName(row.type);
        line += '\t';
        line += ColourKeyword(row.type, row.shade);
        line += '\t';
        line += std::to_string(row.stamp.size);
        line += '\t';
        line += PlainSizeText(row.stamp.size);
        line += '\t';
        AppendEscapedPath(row.path, line);
        if (extras.content != nullptr) {
            line += '\t';
            line += ContentField((*extras.content)[r]);
        }
        if (extras.marked != nullptr) {
            line += '\t';
            line += ActionWord((*extras.marked)[r]);
        }
        line += '\n';
        Put(line, out);
    }
}

void WriteJson(const std::vector<ResultRow>& rows, std::FILE* out, const RowExtras& extras) {
    if (rows.empty()) {
        Put("[]\n", out);
        return;
    }
    const auto extraFields = [&](std::size_t r) {
        std::string fields;
        if (extras.content != nullptr) {
            const std::string content = ContentField((*extras.content)[r]);
            fields += ", \"content\": " + (content == "-" ? "null" : JsonString(content));
        }
        if (extras.marked != nullptr) {
            fields += ", \"action\": " + JsonString(ActionWord((*extras.marked)[r]));
        }
        return fields;
    };
    Put("[\n", out);
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const ResultRow& row = rows[r];
        // A file gone before its row was made has no time: null, not 1970.
        const std::string modified =
            !row.stamped ? std::string("null")
                         : JsonString(Utf8(QDateTime::fromSecsSinceEpoch(row.stamp.modified.seconds,
                                                                         Qt::LocalTime)
                                               .toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss"))));
        Put("  {\"type\": " + JsonString(TypeName(row.type)) +
                ", \"colour\": " + JsonString(ColourKeyword(row.type, row.shade)) +
                ", \"size\": " + std::to_string(row.stamp.size) +
                ", \"size_text\": " + JsonString(PlainSizeText(row.stamp.size)) +
                ", \"modified\": " + modified + ", \"path\": " + JsonString(EscapePath(row.path)) +
                ", \"group\": " + std::to_string(row.group) + extraFields(r) +
                (r + 1 < rows.size() ? "},\n" : "}\n"),
            out);
    }
    Put("]\n", out);
}

void WriteText(const std::vector<ResultRow>& rows, const QLocale& locale, std::FILE* out,
               const RowExtras& extras) {
    // Decoded for reading, but a control character must not break the line.
    const auto shownPath = [](const std::string& bytes) {
        QString path;
        for (const QChar c : DisplayPath(bytes)) {
            if (c.unicode() < 0x20 || c.unicode() == 0x7f) {
                path += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
            } else {
                path += c;
            }
        }
        return path;
    };
    const ModifiedTextFormat modifiedFormat(locale);
    const auto modifiedText = [&](const ResultRow& row) {
        return row.stamped ? modifiedFormat.Text(row.stamp.modified.seconds) : QString();
    };
    // Verdict and action words, padded to one width, ahead of the path.
    const auto extraText = [&](std::size_t r) {
        QString words;
        if (extras.content != nullptr) {
            words += QString::fromLatin1(VerdictWord((*extras.content)[r].verdict))
                         .leftJustified(int(std::strlen("not checked"))) +
                     QStringLiteral("  ");
        }
        if (extras.marked != nullptr) {
            words += QString::fromLatin1(ActionWord((*extras.marked)[r])).leftJustified(5) +
                     QStringLiteral("  ");
        }
        return words;
    };
    qsizetype sizeWidth = 0, modifiedWidth = 0;
    for (const ResultRow& row : rows) {
        sizeWidth = std::max(sizeWidth, SizeText(row.stamp.size, locale).size());
        modifiedWidth = std::max(modifiedWidth, modifiedText(row).size());
    }
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const ResultRow& row = rows[r];
        if (r > 0 && row.shade != rows[r - 1].shade) {
            Put("\n", out);
        }
        Put(Utf8(QLatin1String(TypeName(row.type)) + QStringLiteral("  ") +
                 SizeText(row.stamp.size, locale).rightJustified(sizeWidth) + QStringLiteral("  ") +
                 modifiedText(row).leftJustified(modifiedWidth) + QStringLiteral("  ") +
                 extraText(r) + shownPath(row.path)) +
                '\n',
            out);
    }
}

void WritePrint0(const std::vector<ResultRow>& rows, std::FILE* out,
                 const std::vector<bool>* marked) {
    for (std::size_t r = 0; r < rows.size(); ++r) {
        if (marked == nullptr || (*marked)[r]) {
            std::fwrite(rows[r].path.data(), 1, rows[r].path.size(), out);
            std::fputc('\0', out);
        }
    }
}

}  // namespace corvane::cli
