#include "actions/SavedList.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <charconv>
#include <cstring>
#include <set>
#include <unordered_map>

#include "actions/RowExport.h"
#include "actions/SearchTexts.h"
#include "platform/ErrnoText.h"
#include "platform/FileStamp.h"

namespace corvane {
namespace {

constexpr std::size_t kMaxListBytes = std::size_t{1} << 30;  // a million rows need ~200 MB
constexpr std::size_t kMaxLineBytes = 64 * 1024;             // a 4,096-byte path escaped is 16 KiB

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    if (c >= 'A' && c <= 'F') {
        return c - 'A' + 10;
    }
    return -1;
}

// An absolute path without empty, "." or ".." parts in the middle: what the
// scan itself produces. Anything else in a saved list was not written by us.
bool PlausiblePath(std::string_view path) {
    if (path.size() < 2 || path.front() != '/' || path.back() == '/') {
        return false;
    }
    for (std::size_t start = 1; start <= path.size();) {
        const std::size_t slash = std::min(path.find('/', start), path.size());
        const std::string_view part = path.substr(start, slash - start);
        if (part.empty() || part == "." || part == "..") {
            return false;
        }
        start = slash + 1;
    }
    return true;
}

bool ReadFileText(const std::string& fileName, std::string& text, QString& error) {
    // O_NOFOLLOW | O_NONBLOCK: never a link's target, never a FIFO that hangs.
    const int fd = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) {
        error = ErrnoText(errno);
        return false;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        error = QStringLiteral("it is not a plain file");
        return false;
    }
    if (static_cast<std::size_t>(st.st_size) > kMaxListBytes) {
        ::close(fd);
        error = QStringLiteral("it is too large for a result list");
        return false;
    }
    text.resize(static_cast<std::size_t>(st.st_size));
    std::size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = ::read(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            error = n < 0 ? ErrnoText(errno) : QStringLiteral("it changed while it was read");
            ::close(fd);
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    ::close(fd);
    return true;
}

bool ParseSize(std::string_view digits, std::int64_t& size) {
    if (digits.empty() || digits.size() > 19) {
        return false;
    }
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), size);
    return ec == std::errc() && end == digits.data() + digits.size() && size >= 0;
}

// "Exact"/"Close"/"Same" and the six colour keywords, as corvane-find writes them.
bool ParseKind(std::string_view type, std::string_view colour, ResultRow& row) {
    const MatchType types[] = {MatchType::Exact, MatchType::Close, MatchType::Same};
    const auto named = std::find_if(std::begin(types), std::end(types),
                                    [type](MatchType t) { return type == TypeName(t); });
    if (named == std::end(types)) {
        return false;
    }
    row.type = *named;
    for (const GroupShade shade : {GroupShade::Light, GroupShade::Dark}) {
        if (colour == ColourKeyword(row.type, shade)) {
            row.shade = shade;
            return true;
        }
    }
    return false;
}

QString AtLine(std::size_t line, const QString& what) {
    return QStringLiteral("line %1: %2").arg(line).arg(what);
}

SavedRows ReadTsv(std::string_view text) {
    SavedRows saved;
    std::size_t line = 0;
    std::uint32_t group = 0;
    while (!text.empty()) {
        ++line;
        const std::size_t end = text.find('\n');
        if (end == std::string_view::npos) {
            saved.error = AtLine(line, QStringLiteral("the last line has no end"));
            return {{}, {}, saved.error};
        }
        const std::string_view fields = text.substr(0, end);
        text.remove_prefix(end + 1);
        if (fields.size() > kMaxLineBytes) {
            return {{}, {}, AtLine(line, QStringLiteral("the line is too long"))};
        }
        if (fields.ends_with('\r')) {
            // corvane-find escapes every CR; one here comes from a Windows line end.
            return {{},
                    {},
                    AtLine(line, QStringLiteral("the line ends in CR LF; corvane-find ends its "
                                                "lines with LF alone"))};
        }
        std::vector<std::string_view> parts;
        for (std::size_t start = 0;;) {
            const std::size_t tab = fields.find('\t', start);
            parts.push_back(fields.substr(start, tab - start));
            if (tab == std::string_view::npos) {
                break;
            }
            start = tab + 1;
        }
        // TYPE COLOUR SIZE_BYTES SIZE_TEXT PATH, then CONTENT and/or ACTION.
        ResultRow row;
        std::string path;
        if (parts.size() < 5 || parts.size() > 7) {
            return {{}, {}, AtLine(line, QStringLiteral("it does not have the fields of a row"))};
        }
        if (!ParseKind(parts[0], parts[1], row) || !ParseSize(parts[2], row.stamp.size) ||
            !UnescapePath(parts[4], path) || !PlausiblePath(path)) {
            return {{}, {}, AtLine(line, QStringLiteral("it is not a row corvane-find writes"))};
        }
        // A group's rows share a shade; "Same" groups and the name groups after
        // them count their shades apart, so the first name group may share the
        // last "Same" group's shade.
        if (saved.rows.empty() || saved.rows.back().shade != row.shade ||
            (saved.rows.back().type == MatchType::Same) != (row.type == MatchType::Same)) {
            ++group;
        }
        row.group = group;
        row.path = std::move(path);
        saved.rows.push_back(std::move(row));
        saved.modified.emplace_back();
    }
    return saved;
}

// Groups numbered from 1 in order of first appearance, as a search numbers
// them: a list may hold any number up to 2^32 - 1, and what counts rows per
// group should not have to size itself by the largest.
void RenumberGroups(ResultRows& rows) {
    std::unordered_map<std::uint32_t, std::uint32_t> numbers;
    for (ResultRow& row : rows) {
        row.group = numbers.try_emplace(row.group, static_cast<std::uint32_t>(numbers.size() + 1))
                        .first->second;
    }
}

SavedRows ReadJson(const std::string& text) {
    QJsonParseError parse{};
    const QJsonDocument document = QJsonDocument::fromJson(
        QByteArray::fromRawData(text.data(), static_cast<qsizetype>(text.size())), &parse);
    if (parse.error != QJsonParseError::NoError || !document.isArray()) {
        return {
            {}, {}, QStringLiteral("it is not a json list of rows (%1)").arg(parse.errorString())};
    }
    SavedRows saved;
    const QJsonArray array = document.array();
    for (qsizetype i = 0; i < array.size(); ++i) {
        const QJsonObject object = array.at(i).toObject();
        const auto bad = [&] {
            return SavedRows{
                {}, {}, QStringLiteral("row %1 is not a row corvane-find writes").arg(i + 1)};
        };
        const QJsonValue size = object.value(QLatin1String("size"));
        const QJsonValue group = object.value(QLatin1String("group"));
        const QJsonValue modified = object.value(QLatin1String("modified"));
        ResultRow row;
        std::string path;
        if (!ParseKind(object.value(QLatin1String("type")).toString().toStdString(),
                       object.value(QLatin1String("colour")).toString().toStdString(), row) ||
            !size.isDouble() || size.toDouble() < 0 || size.toDouble() > 9.0e15 ||
            size.toDouble() != static_cast<double>(static_cast<std::int64_t>(size.toDouble())) ||
            !group.isDouble() || group.toDouble() < 1 || group.toDouble() > 4294967295.0 ||
            !(modified.isString() || modified.isNull()) ||
            !UnescapePath(object.value(QLatin1String("path")).toString().toStdString(), path) ||
            !PlausiblePath(path)) {
            return bad();
        }
        row.stamp.size = static_cast<std::int64_t>(size.toDouble());
        row.group = static_cast<std::uint32_t>(group.toDouble());
        row.path = std::move(path);
        saved.rows.push_back(std::move(row));
        saved.modified.push_back(modified.isString() ? modified.toString().toStdString()
                                                     : std::string());
    }
    RenumberGroups(saved.rows);
    return saved;
}

}  // namespace

bool UnescapePath(std::string_view escaped, std::string& path) {
    path.clear();
    for (std::size_t i = 0; i < escaped.size(); ++i) {
        const char c = escaped[i];
        if (c == '\0') {
            return false;
        }
        if (c != '\\') {
            path += c;
            continue;
        }
        if (++i == escaped.size()) {
            return false;
        }
        switch (escaped[i]) {
            case '\\':
                path += '\\';
                break;
            case 't':
                path += '\t';
                break;
            case 'n':
                path += '\n';
                break;
            case 'r':
                path += '\r';
                break;
            case 'x': {
                const int high = i + 2 < escaped.size() ? HexDigit(escaped[i + 1]) : -1;
                const int low = high >= 0 ? HexDigit(escaped[i + 2]) : -1;
                if (low < 0 || (high == 0 && low == 0)) {
                    return false;
                }
                path += static_cast<char>(high * 16 + low);
                i += 2;
                break;
            }
            default:
                return false;
        }
    }
    return true;
}

SavedRows ReadSavedList(const std::string& fileName) {
    std::string text;
    QString error;
    if (!ReadFileText(fileName, text, error)) {
        return {{}, {}, error};
    }
    return ReadSavedListText(text);
}

SavedRows ReadSavedListText(const std::string& text) {
    if (text.size() > kMaxListBytes) {
        return {{}, {}, QStringLiteral("it is too large for a result list")};
    }
    const std::size_t first = text.find_first_not_of(" \t\r\n");
    if (first != std::string::npos && text[first] == '[') {
        return ReadJson(text);
    }
    if (first != std::string::npos && text[first] == '{') {
        return {{},
                {},
                QStringLiteral("it is a json object, not the json array of rows corvane-find "
                               "writes")};
    }
    return ReadTsv(text);
}

RecheckedList CheckAgain(SavedRows saved) {
    RecheckedList result;
    std::set<std::pair<std::uint64_t, std::uint64_t>> files;  // device and inode of each kept row
    for (std::size_t r = 0; r < saved.rows.size(); ++r) {
        ResultRow& row = saved.rows[r];
        const PathStatus now = StatPath(row.path);
        if (now.error != 0 || !now.regular) {
            ++result.gone;
            continue;
        }
        const std::string& modified = r < saved.modified.size() ? saved.modified[r] : std::string();
        if (now.stamp.size != row.stamp.size ||
            (!modified.empty() && JsonModifiedText(now.stamp.modified.seconds) != modified)) {
            ++result.changed;
            continue;
        }
        if (!files.emplace(now.stamp.id.device, now.stamp.id.inode).second) {
            ++result.repeated;
            continue;
        }
        row.stamp = now.stamp;
        row.stamped = true;
        result.kept.push_back(std::move(row));
    }
    return result;
}

}  // namespace corvane
