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

QString AnalyzingCaption(std::string_view folder) {
    return ProductCaption() + QStringLiteral(" [Analyzing ") + DisplayPath(folder) +
           QStringLiteral(" folder - phase 1 of 2]");
}

QString CaptionFor(SearchPhase phase, std::string_view folder) {
    switch (phase) {
        case SearchPhase::Scanning:
            return AnalyzingCaption(folder);
        case SearchPhase::Comparing:
            return ComparingCaption();
        case SearchPhase::Idle:
            break;
    }
    return ProductCaption();
}

QString ComparingCaption() {
    return ProductCaption() + QStringLiteral(" [Finding duplicates - phase 2 of 2]");
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
        "Tick Exact Matches (files with equal names), Close Matches (files of equal size whose "
        "names share most words) or both, to say what to look for.");
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
    if (type == MatchType::Exact) {
        return dark ? "blue" : "light blue";
    }
    return dark ? "red" : "light red";
}

const char* TypeName(MatchType type) {
    return type == MatchType::Exact ? "Exact" : "Close";
}

}  // namespace corvane
