#include "cli/FindOutput.h"

#include <QDateTime>
#include <algorithm>
#include <cstdio>

#include "catalogue/SizeText.h"
#include "search/SearchTexts.h"

namespace corvane::cli {
namespace {

// Length of the valid UTF-8 sequence at s[i], or 0 when there is none.
std::size_t Utf8Length(std::string_view s, std::size_t i) {
    const auto at = [&](std::size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char lead = at(i);
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xBF;
    if (lead < 0x80) {
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (i + length > s.size() || at(i + 1) < low || at(i + 1) > high) {
        return 0;
    }
    for (std::size_t k = 2; k < length; ++k) {
        if ((at(i + k) & 0xC0) != 0x80) {
            return 0;
        }
    }
    return length;
}

void AppendHex(std::string& out, const char* prefix, unsigned value, int digits) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%s%0*x", prefix, digits, value);
    out += buffer;
}

const QLocale& PlainLocale() {
    static const QLocale locale(QLocale::English, QLocale::UnitedStates);
    return locale;
}

std::string Utf8(const QString& text) {
    return text.toStdString();
}

}  // namespace

std::string EscapePath(std::string_view path) {
    std::string out;
    out.reserve(path.size());
    for (std::size_t i = 0; i < path.size();) {
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
        const std::size_t length = Utf8Length(path, i);
        if (length == 0) {
            AppendHex(out, "\\x", static_cast<unsigned char>(c), 2);
            ++i;
        } else {
            out.append(path.substr(i, length));
            i += length;
        }
    }
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

std::string FormatTsv(const ResultList& rows) {
    std::string out;
    for (const ResultList::Entry& entry : rows.entries) {
        const ResultRow& row = entry.row;
        out += Utf8(TypeText(row.type)) + '\t' + entry.colour + '\t' + std::to_string(row.size) +
               '\t' + Utf8(SizeText(row.size, PlainLocale())) + '\t' + EscapePath(row.path) + '\n';
    }
    return out;
}

std::string FormatJson(const ResultList& rows) {
    if (rows.entries.empty()) {
        return "[]\n";
    }
    std::string out = "[\n";
    for (std::size_t r = 0; r < rows.entries.size(); ++r) {
        const ResultList::Entry& entry = rows.entries[r];
        const ResultRow& row = entry.row;
        // A file gone before its row was made has no time: null, not 1970.
        const std::string modified =
            row.modified.isEmpty()
                ? std::string("null")
                : JsonString(Utf8(QDateTime::fromSecsSinceEpoch(row.modifiedSeconds, Qt::LocalTime)
                                      .toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss"))));
        out += "  {\"type\": " + JsonString(Utf8(TypeText(row.type))) +
               ", \"colour\": " + JsonString(entry.colour) +
               ", \"size\": " + std::to_string(row.size) +
               ", \"size_text\": " + JsonString(Utf8(SizeText(row.size, PlainLocale()))) +
               ", \"modified\": " + modified + ", \"path\": " + JsonString(EscapePath(row.path)) +
               (r + 1 < rows.entries.size() ? "},\n" : "}\n");
    }
    out += "]\n";
    return out;
}

std::string FormatText(const ResultList& rows, const QLocale& locale) {
    struct Line {
        QString type, size, modified, path;
        bool light;
    };
    std::vector<Line> lines;
    qsizetype sizeWidth = 0, modifiedWidth = 0;
    for (const ResultList::Entry& entry : rows.entries) {
        const ResultRow& row = entry.row;
        // Decoded for reading, but a control character must not break the line.
        QString path;
        for (const QChar c : DisplayPath(row.path)) {
            if (c.unicode() < 0x20 || c.unicode() == 0x7f) {
                path += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
            } else {
                path += c;
            }
        }
        Line line{TypeText(row.type), SizeText(row.size, locale), row.modified, path,
                  entry.colour.starts_with("light")};
        sizeWidth = std::max(sizeWidth, line.size.size());
        modifiedWidth = std::max(modifiedWidth, line.modified.size());
        lines.push_back(std::move(line));
    }
    std::string out;
    for (std::size_t r = 0; r < lines.size(); ++r) {
        const Line& line = lines[r];
        if (r > 0 && line.light != lines[r - 1].light) {
            out += '\n';
        }
        out += Utf8(line.type + QStringLiteral("  ") + line.size.rightJustified(sizeWidth) +
                    QStringLiteral("  ") + line.modified.leftJustified(modifiedWidth) +
                    QStringLiteral("  ") + line.path) +
               '\n';
    }
    return out;
}

}  // namespace corvane::cli
