#include "search/ResultRows.h"

#include <sys/stat.h>

#include "catalogue/SizeText.h"
#include "platform/FileLookup.h"

namespace corvane {

const char* ColourKeyword(MatchType type, int shade) {
    if (type == MatchType::Exact) {
        return shade == 1 ? "blue" : "light blue";
    }
    return shade == 1 ? "red" : "light red";
}

ResultRows::ResultRows(FileCatalogue& catalogue, ResultSink& sink, const QLocale& locale)
    : catalogue_(catalogue),
      sink_(sink),
      locale_(locale),
      knownListed_(catalogue.FileCount(), false) {}

bool ResultRows::IsListed(std::size_t k) {
    if (knownListed_[k]) {
        return true;
    }
    const FileId id = catalogue_.Id(k);
    // An entry made without an id ({0, 0}) is known by its path alone.
    const bool listed =
        (id != FileId{} && ids_.contains(id)) || paths_.contains(catalogue_.FullPath(k));
    if (listed) {
        knownListed_[k] = true;
    }
    return listed;
}

void ResultRows::AddResultRow(std::size_t k, MatchType type, bool first) {
    if (IsListed(k)) {
        return;
    }
    if (first) {
        newGroup_ = true;
    }
    ResultRow row;
    row.path = catalogue_.FullPath(k);
    row.id = catalogue_.Id(k);
    row.type = type;
    // Size and time are read again now, not taken from the scan.
    struct stat st {};
    if (::lstat(row.path.c_str(), &st) == 0) {
        row.size = static_cast<std::int64_t>(st.st_size);
        row.modifiedSeconds = static_cast<std::int64_t>(st.st_mtime);
    }
    row.sizeText = SizeText(row.size, locale_);
    row.modified = LastModifiedText(row.path, locale_);

    paths_.insert(row.path);
    if (row.id != FileId{}) {
        ids_.insert(row.id);
    }
    knownListed_[k] = true;

    const char* keyword = ColourKeyword(type, shade_);
    catalogue_.SetRowColor(rowCount_, keyword);
    ++rowCount_;
    sink_.AddRow(std::move(row), keyword);
}

void ResultRows::EndOuterPass() {
    if (newGroup_) {
        newGroup_ = false;
        shade_ = 1 - shade_;
    }
}

}  // namespace corvane
