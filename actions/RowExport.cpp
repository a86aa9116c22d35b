#include "actions/RowExport.h"

#include <QDateTime>
#include <algorithm>
#include <cstdio>

#include "actions/RowFormat.h"
#include "actions/SearchTexts.h"
#include "platform/Utf8.h"

namespace corvane {
namespace {

void AppendHex(std::string& out, const char* prefix, unsigned value, int digits) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%s%0*x", prefix, digits, value);
    out += buffer;
}

void Put(const std::string& text, std::FILE* out) {
    std::fwrite(text.data(), 1, text.size(), out);
}

bool ControlByte(unsigned char byte) {
    return byte < 0x20 || byte == 0x7f;
}

bool PlainByte(char c, bool controls) {
    const auto byte = static_cast<unsigned char>(c);
    return byte < 0x80 && c != '\\' && c != '\t' && c != '\n' && c != '\r' &&
           !(controls && ControlByte(byte));
}

// The tsv escapes; with `controls` also "\\x" escapes for every other
// control character: C0, DEL and the C1 range U+0080 to U+009F.
void AppendEscaped(std::string_view path, std::string& out, bool controls) {
    for (std::size_t i = 0; i < path.size();) {
        // A run of bytes that stay as they are goes in one append.
        std::size_t end = i;
        while (end < path.size() && PlainByte(path[end], controls)) {
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
        const auto byte = static_cast<unsigned char>(c);
        const std::size_t length = Utf8SequenceLength(path, i);
        const bool control =
            controls && (ControlByte(byte) || (length == 2 && byte == 0xc2 &&
                                               static_cast<unsigned char>(path[i + 1]) < 0xa0));
        if (length == 0 || control) {
            for (const std::size_t stop = i + std::max<std::size_t>(length, 1); i < stop; ++i) {
                AppendHex(out, "\\x", static_cast<unsigned char>(path[i]), 2);
            }
        } else {
            out.append(path.substr(i, length));
            i += length;
        }
    }
}

}  // namespace

const char* ActionWord(bool marked) {
    return marked ? "trash" : "keep";
}

std::string JsonModifiedText(std::int64_t seconds) {
    return QDateTime::fromSecsSinceEpoch(seconds, Qt::LocalTime)
        .toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss"))
        .toStdString();
}

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
    AppendEscaped(path, out, false);
}

std::string EscapePath(std::string_view path) {
    std::string out;
    out.reserve(path.size());
    AppendEscapedPath(path, out);
    return out;
}

std::string ReadablePath(std::string_view path) {
    std::string out;
    out.reserve(path.size());
    AppendEscaped(path, out, true);
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

void WriteTsv(const ResultRows& rows, std::FILE* out, const RowExtras& extras) {
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
        if (extras.results != nullptr) {
            line += '\t';
            line += (*extras.results)[r];
        }
        line += '\n';
        Put(line, out);
    }
}

void WriteJson(const ResultRows& rows, std::FILE* out, const RowExtras& extras) {
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
        if (extras.results != nullptr) {
            fields += ", \"result\": " + JsonString((*extras.results)[r]);
        }
        return fields;
    };
    Put("[\n", out);
    for (std::size_t r = 0; r < rows.size(); ++r) {
        const ResultRow& row = rows[r];
        // A file gone before its row was made has no time: null, not 1970.
        const std::string modified = !row.stamped
                                         ? std::string("null")
                                         : JsonString(JsonModifiedText(row.stamp.modified.seconds));
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

}  // namespace corvane
