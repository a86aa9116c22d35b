#include "search/SearchTexts.h"

#include <QFile>

namespace corvane {

QString ProductCaption() {
    return QStringLiteral("Corvane");
}

QString AnalyzingCaption(std::string_view folder) {
    return ProductCaption() + QStringLiteral(" [Analyzing ") + DisplayPath(folder) +
           QStringLiteral(" folder - phase 1 of 2]");
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

QString DisplayPath(std::string_view path) {
    return QFile::decodeName(QByteArray(path.data(), static_cast<qsizetype>(path.size())));
}

}  // namespace corvane
