#include "cli/FindOutput.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "actions/RowExport.h"
#include "actions/RowFormat.h"
#include "actions/SearchTexts.h"

namespace corvane::cli {
namespace {

std::string Utf8(const QString& text) {
    return text.toStdString();
}

void Put(const std::string& text, std::FILE* out) {
    std::fwrite(text.data(), 1, text.size(), out);
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

void WriteText(const ResultRows& rows, const QLocale& locale, std::FILE* out,
               const RowExtras& extras) {
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
        if (extras.results != nullptr) {
            words += QString::fromStdString((*extras.results)[r]) + QStringLiteral("  ");
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
                 extraText(r) + DisplayPath(row.path)) +
                '\n',
            out);
    }
}

void WritePrint0(const ResultRows& rows, std::FILE* out, const std::vector<bool>* marked) {
    for (std::size_t r = 0; r < rows.size(); ++r) {
        if (marked == nullptr || (*marked)[r]) {
            std::fwrite(rows[r].path.data(), 1, rows[r].path.size(), out);
            std::fputc('\0', out);
        }
    }
}

void WriteUndo(const std::vector<std::pair<std::string, std::string>>& lines, UndoFormat format,
               std::FILE* out) {
    if (format == UndoFormat::Json) {
        Put(lines.empty() ? "[]\n" : "[\n", out);
        for (std::size_t k = 0; k < lines.size(); ++k) {
            Put("  {\"path\": " + JsonString(EscapePath(lines[k].first)) + ", \"result\": " +
                    JsonString(lines[k].second) + (k + 1 < lines.size() ? "},\n" : "}\n"),
                out);
        }
        if (!lines.empty()) {
            Put("]\n", out);
        }
        return;
    }
    for (const auto& [path, result] : lines) {
        Put(format == UndoFormat::Tsv ? EscapePath(path) + '\t' + result + '\n'
                                      : result + "  " + Utf8(DisplayPath(path)) + '\n',
            out);
    }
}

}  // namespace corvane::cli
