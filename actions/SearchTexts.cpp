#include "actions/SearchTexts.h"

#include <QFile>
#include <cerrno>

#include "actions/RowExport.h"
#include "platform/ErrnoText.h"
#include "platform/ProductName.h"

namespace corvane {

QString ProductCaption() {
    return QLatin1String(kProductName);
}

QString AnalyzingCaption(std::string_view folder, bool contents) {
    return ProductCaption() + QStringLiteral(" [Analyzing ") + DisplayPath(folder) +
           (contents ? QStringLiteral(" folder - phase 1 of 3]")
                     : QStringLiteral(" folder - phase 1 of 2]"));
}

QString CaptionFor(SearchPhase phase, std::string_view folder, bool contents) {
    switch (phase) {
        case SearchPhase::Scanning:
            return AnalyzingCaption(folder, contents);
        case SearchPhase::Contents:
            return ContentsCaption();
        case SearchPhase::Comparing:
            return ComparingCaption(contents);
        case SearchPhase::Idle:
            break;
    }
    return ProductCaption();
}

QString ContentsCaption() {
    return ProductCaption() + QStringLiteral(" [Finding identical files - phase 2 of 3]");
}

QString ComparingCaption(bool contents) {
    return ProductCaption() + (contents ? QStringLiteral(" [Finding duplicates - phase 3 of 3]")
                                        : QStringLiteral(" [Finding duplicates - phase 2 of 2]"));
}

QString LargeSearchTitle() {
    return QStringLiteral("Question");
}

QString LargeSearchQuestion(std::size_t folderCount, std::size_t fileCount, const QLocale& locale) {
    QLocale grouped = locale;
    grouped.setNumberOptions(grouped.numberOptions() & ~QLocale::OmitGroupSeparator);
    return QStringLiteral("The ") + QString::number(folderCount) +
           QStringLiteral(" folder(s) you've selected contains ") +
           grouped.toString(static_cast<qulonglong>(fileCount)) +
           QStringLiteral(
               " files. This is over the recommended amount of 20,000. Please remove some "
               "folders from the list by selecting them and pressing 'Delete' on the keyboard "
               "or click 'Clear List'.") +
           QStringLiteral("\n\n") +
           QStringLiteral(
               "You can still proceed, but the duplicate finding process may take a long time. "
               "Would you like to proceed anyway?");
}

QString NoDuplicatesText() {
    return QStringLiteral("No duplicates found.");
}
QString NoDuplicatesTitle() {
    return QStringLiteral("No dupes");
}

QString NothingToLookForText() {
    return QStringLiteral(
        "Tick Same Contents (files with identical bytes), Exact Matches (files with equal "
        "names), Close Matches (files of equal size whose names share most words) or more of "
        "them, to say what to look for.");
}

QString TooLargeText() {
    return QStringLiteral(
        "These folders hold more files than one search can compare. Please search fewer "
        "folders at a time.");
}

QString FolderSkipReason(int error) {
    if (error == ELOOP) {
        return QStringLiteral(
            "it was replaced by a link while it was searched, so it was not "
            "entered");
    }
    return ErrnoText(error);
}

QString UngroupedReason(const UngroupedFile& file) {
    if (file.reason == UngroupedFile::Reason::Changed) {
        return QStringLiteral("it changed while it was read");
    }
    return ErrnoText(file.error);
}

QString UngroupedFilesText(const std::vector<std::string>& paths,
                           const std::vector<UngroupedFile>& files) {
    constexpr std::size_t kShown = 10;
    QString text =
        files.size() == 1
            ? QStringLiteral("1 file could not be compared by its contents:")
            : QStringLiteral("%1 files could not be compared by their contents:").arg(files.size());
    for (std::size_t i = 0; i < files.size() && i < kShown; ++i) {
        text += QLatin1Char('\n') + DisplayPath(paths[i]) + QStringLiteral("\n    ") +
                UngroupedReason(files[i]);
    }
    if (files.size() > kShown) {
        text += QStringLiteral("\n...and %1 more.").arg(files.size() - kShown);
    }
    return text;
}

QString DisplayPath(std::string_view path) {
    // A newline or tab in a name would cut the line or look like a space,
    // two names with different invalid bytes would both look like U+FFFD,
    // and an escape character could drive a terminal: the escapes keep every
    // name distinct, inert and visible in any font. Ordinary names pass
    // through unchanged.
    const std::string shown = ReadablePath(path);
    return QString::fromUtf8(shown.data(), static_cast<qsizetype>(shown.size()));
}

const char* ColourKeyword(MatchType type, GroupShade shade) {
    const bool dark = shade == GroupShade::Dark;
    switch (type) {
        case MatchType::Exact:
            return dark ? "blue" : "light blue";
        case MatchType::Close:
            return dark ? "red" : "light red";
        case MatchType::Same:
            break;
    }
    return dark ? "green" : "light green";
}

const char* TypeName(MatchType type) {
    switch (type) {
        case MatchType::Exact:
            return "Exact";
        case MatchType::Close:
            return "Close";
        case MatchType::Same:
            break;
    }
    return "Same";
}

QString ContentSetLetters(std::uint32_t number) {
    QString letters;
    for (; number > 0; number = (number - 1) / 26) {
        letters.prepend(QChar(u'A' + (number - 1) % 26));
    }
    return letters;
}

QString ContentText(const RowContent& content, const ContentSet& set) {
    if (set.number != 0) {
        return set.wholeGroup ? QStringLiteral("Identical")
                              : QStringLiteral("Identical ") + ContentSetLetters(set.number);
    }
    switch (content.verdict) {
        case ContentVerdict::Identical:  // its copies left the list
        case ContentVerdict::Differs:
            return QStringLiteral("Unique");
        case ContentVerdict::Unreadable:
            return QStringLiteral("Unreadable");
        case ContentVerdict::Changed:
            return QStringLiteral("Changed");
        case ContentVerdict::NotChecked:
            break;
    }
    return {};
}

}  // namespace corvane
