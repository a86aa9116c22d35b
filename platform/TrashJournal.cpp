#include "platform/TrashJournal.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdio>
#include <ctime>
#include <functional>
#include <map>
#include <utility>

namespace corvane {

namespace {

constexpr std::string_view kHeader = "corvane-trash-journal 1";
constexpr std::string_view kPrefix = "trash-";
constexpr std::string_view kOpen = ".journal";
constexpr std::string_view kUndone = ".undone";
// SSSSSSSSSSSS.NNNNNNNNN-CCCCCC
constexpr std::size_t kIdLength = 12 + 1 + 9 + 1 + 6;

bool Plain(unsigned char c) {
    return c > ' ' && c <= '~' && c != '\\';
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') {
        return c - '0';
    }
    if (c >= 'a' && c <= 'f') {
        return c - 'a' + 10;
    }
    return -1;
}

bool Unescape(std::string_view field, std::string& out) {
    out.clear();
    for (std::size_t i = 0; i < field.size(); ++i) {
        if (field[i] != '\\') {
            out += field[i];
            continue;
        }
        if (i + 3 >= field.size() || field[i + 1] != 'x') {
            return false;
        }
        const int high = HexDigit(field[i + 2]);
        const int low = HexDigit(field[i + 3]);
        if (high < 0 || low < 0) {
            return false;
        }
        const char byte = static_cast<char>(high * 16 + low);
        if (Plain(static_cast<unsigned char>(byte))) {
            return false;  // written plainly by Corvane, so not Corvane's
        }
        out += byte;
        i += 3;
    }
    return true;
}

template <typename Number>
bool ParseNumber(std::string_view text, Number& value) {
    if (text.empty() || text.size() > 20 || (text.size() > 1 && text[0] == '0')) {
        return false;
    }
    if (text[0] == '-' && (text.size() == 1 || text[1] == '0')) {
        return false;
    }
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

// An absolute path with no empty, "." or ".." part and no NUL.
bool CleanAbsolute(const std::string& path) {
    // Any length: paths longer than PATH_MAX are reached name by name.
    if (path.size() < 2 || path.size() > kMaxJournalLine || path[0] != '/' || path.back() == '/' ||
        path.find('\0') != std::string::npos) {
        return false;
    }
    std::size_t start = 1;
    while (start <= path.size()) {
        const auto slash = std::min(path.find('/', start), path.size());
        const std::string_view part(path.data() + start, slash - start);
        if (part.empty() || part == "." || part == "..") {
            return false;
        }
        start = slash + 1;
    }
    return true;
}

bool CleanName(const std::string& name) {
    return !name.empty() && name.size() <= NAME_MAX && name != "." && name != ".." &&
           name.find('/') == std::string::npos && name.find('\0') == std::string::npos;
}

// A trash folder of the kinds Corvane writes to: a home trash (…/Trash) or a
// drive's (…/.Trash-UID or …/.Trash/UID) of this user.
bool TrashFolderOfUser(const std::string& trash, unsigned uid) {
    if (!CleanAbsolute(trash)) {
        return false;
    }
    const std::string id = std::to_string(uid);
    const auto slash = trash.rfind('/');
    const std::string_view last = std::string_view(trash).substr(slash + 1);
    if (last == "Trash" || last == ".Trash-" + id) {
        return true;
    }
    return last == id && slash >= 7 && std::string_view(trash).substr(slash - 7, 7) == "/.Trash";
}

std::vector<std::string_view> Fields(std::string_view line) {
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    while (true) {
        const auto space = line.find(' ', start);
        fields.push_back(line.substr(start, space - start));
        if (space == std::string_view::npos) {
            break;
        }
        start = space + 1;
    }
    return fields;
}

bool ParseEntry(const std::vector<std::string_view>& f, unsigned uid, JournalEntry& entry) {
    if (f.size() != 10) {
        return false;
    }
    std::uint64_t device = 0, inode = 0;
    std::int64_t size = 0, seconds = 0;
    std::int32_t nanoseconds = 0;
    if (!Unescape(f[1], entry.path) || !Unescape(f[2], entry.trash) ||
        !Unescape(f[3], entry.filesName) || !Unescape(f[4], entry.infoName) ||
        !ParseNumber(f[5], device) || !ParseNumber(f[6], inode) || !ParseNumber(f[7], size) ||
        !ParseNumber(f[8], seconds) || !ParseNumber(f[9], nanoseconds)) {
        return false;
    }
    if (size < 0 || nanoseconds < 0 || nanoseconds >= 1000000000) {
        return false;
    }
    entry.stamp =
        FileStamp{FileId{device, inode}, size, ModifiedTime{seconds, nanoseconds}, ModifiedTime{}};
    return CleanAbsolute(entry.path) && TrashFolderOfUser(entry.trash, uid) &&
           CleanName(entry.filesName) && entry.infoName == entry.filesName + ".trashinfo" &&
           CleanName(entry.infoName);
}

// "trash-ID.journal" or "trash-ID.undone": the ID, else empty.
std::string BatchIdOf(std::string_view name, bool& undone) {
    if (name.substr(0, kPrefix.size()) != kPrefix) {
        return {};
    }
    name.remove_prefix(kPrefix.size());
    if (name.size() == kIdLength + kOpen.size() && name.substr(kIdLength) == kOpen) {
        undone = false;
    } else if (name.size() == kIdLength + kUndone.size() && name.substr(kIdLength) == kUndone) {
        undone = true;
    } else {
        return {};
    }
    for (std::size_t i = 0; i < kIdLength; ++i) {
        const char c = name[i];
        const bool ok = i == 12 ? c == '.' : i == 22 ? c == '-' : (c >= '0' && c <= '9');
        if (!ok) {
            return {};
        }
    }
    return std::string(name.substr(0, kIdLength));
}

std::string Padded(unsigned long long value, int width) {
    char text[32];
    std::snprintf(text, sizeof text, "%0*llu", width, value);
    return text;
}

std::string EntryLine(const JournalEntry& e) {
    std::string line = "entry ";
    for (const std::string* field : {&e.path, &e.trash, &e.filesName, &e.infoName}) {
        line += EscapeJournalField(*field);
        line += ' ';
    }
    line += std::to_string(e.stamp.id.device);
    line += ' ';
    line += std::to_string(e.stamp.id.inode);
    line += ' ';
    line += std::to_string(e.stamp.size);
    line += ' ';
    line += std::to_string(e.stamp.modified.seconds);
    line += ' ';
    line += std::to_string(e.stamp.modified.nanoseconds);
    line += '\n';
    return line;
}

}  // namespace

std::string EscapeJournalField(std::string_view bytes) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    out.reserve(bytes.size());
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (Plain(b)) {
            out += c;
        } else {
            out += '\\';
            out += 'x';
            out += kHex[b >> 4];
            out += kHex[b & 0xF];
        }
    }
    return out;
}

namespace {

// Each trash entry belongs to one entry line at a time; a name given up
// ("kept") may be taken again by a later file of the batch.
using EntryHolders = std::map<std::pair<std::string, std::string>, std::size_t>;

// Applies one record line after the header; false when it is not one
// Corvane writes at that point.
bool ApplyRecord(const std::vector<std::string_view>& fields, unsigned uid, EntryHolders& holder,
                 std::vector<JournalEntry>& entries) {
    using State = JournalEntry::State;
    if (fields[0] == "entry") {
        JournalEntry entry;
        if (!ParseEntry(fields, uid, entry)) {
            return false;
        }
        const auto [it, added] = holder.try_emplace({entry.trash, entry.filesName}, entries.size());
        if (!added) {
            if (entries[it->second].state != State::kKept) {
                return false;
            }
            it->second = entries.size();
        }
        entries.push_back(std::move(entry));
        return true;
    }
    std::size_t index = 0;
    if (fields.size() != 2 || !ParseNumber(fields[1], index) || index >= entries.size()) {
        return false;
    }
    State& state = entries[index].state;
    if (fields[0] == "moved" || fields[0] == "kept") {
        if (state != State::kPending) {
            return false;
        }
        state = fields[0] == "moved" ? State::kMoved : State::kKept;
        return true;
    }
    if (fields[0] == "restored" || fields[0] == "lost") {
        // After any other state but kept: two undos may both say so.
        if (state == State::kKept) {
            return false;
        }
        state = fields[0] == "restored" ? State::kRestored : State::kLost;
        return true;
    }
    return false;
}

}  // namespace

ParsedJournal ParseJournal(std::string_view text, unsigned uid) {
    ParsedJournal result;
    EntryHolders holder;
    std::size_t number = 0;
    std::size_t start = 0;
    while (start < text.size()) {
        const auto end = text.find('\n', start);
        if (end == std::string_view::npos) {
            break;  // cut off by a crash while it was written
        }
        const std::string_view line = text.substr(start, end - start);
        start = end + 1;
        ++number;
        const bool printable =
            line.size() <= kMaxJournalLine &&
            std::all_of(line.begin(), line.end(), [](char c) { return c >= ' ' && c <= '~'; });
        const bool good =
            printable && (number == 1 ? line == kHeader
                                      : ApplyRecord(Fields(line), uid, holder, result.entries));
        if (!good) {
            result.entries.clear();
            result.damagedLine = number;
            return result;
        }
    }
    return result;
}

JournalWriter::JournalWriter(const FileSystemCalls& fs, std::string folder)
    : fs_(fs), folder_(std::move(folder)) {}

JournalWriter::~JournalWriter() {
    Finish();
}

int JournalWriter::Open() {
    if (const int error = MakeFolders(fs_, folder_, 0700)) {
        return error;
    }
    struct stat st {};
    if (fs_.Lstat(folder_.c_str(), &st) != 0) {
        return errno;
    }
    if (!S_ISDIR(st.st_mode)) {
        return ENOTDIR;
    }
    // Greater than every batch there, whatever the clock says.
    std::vector<std::string> names;
    if (fs_.ListFolder(folder_.c_str(), names) != 0) {
        return errno;
    }
    std::string newest;
    for (const auto& name : names) {
        bool undone = false;
        newest = std::max(newest, BatchIdOf(name, undone));
    }
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    std::string time =
        Padded(static_cast<unsigned long long>(std::max<time_t>(now.tv_sec, 0)), 12) + "." +
        Padded(static_cast<unsigned long long>(now.tv_nsec), 9);
    unsigned long long counter = 0;
    if (!newest.empty() && newest.substr(0, 22) >= time) {
        time = newest.substr(0, 22);
        counter = std::stoull(newest.substr(23)) + 1;
    }
    for (; counter < 1000000; ++counter) {
        const std::string id = time + "-" + Padded(counter, 6);
        const std::string file = folder_ + "/" + std::string(kPrefix) + id + std::string(kOpen);
        const int fd = fs_.Open(
            file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_APPEND | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd >= 0) {
            fd_ = fd;
            id_ = id;
            file_ = file;
            return 0;
        }
        if (errno != EEXIST) {
            return errno;
        }
    }
    return EEXIST;
}

int JournalWriter::Append(const std::string& text, bool wait) {
    if (failure_ != 0) {
        return failure_;
    }
    int error = WriteAll(fs_, fd_, text);
    if (error == 0 && wait && fs_.Fsync(fd_) != 0) {
        error = errno;
    }
    failure_ = error;
    return error;
}

int JournalWriter::Add(const std::vector<JournalEntry>& entries, std::size_t& first) {
    if (failure_ != 0) {
        return failure_;
    }
    if (fd_ < 0) {
        if (const int error = Open()) {
            failure_ = error;
            return error;
        }
    }
    std::string text;
    if (!headerWritten_) {
        text = std::string(kHeader) + "\n";
    }
    for (const JournalEntry& entry : entries) {
        text += EntryLine(entry);
    }
    if (const int error = Append(text, true)) {
        return error;
    }
    if (!headerWritten_) {
        headerWritten_ = true;
        // The new name itself must last, or the entries are lost with it.
        if (const int error = SyncFolder(fs_, folder_)) {
            failure_ = error;
            return error;
        }
    }
    first = entries_;
    entries_ += entries.size();
    return 0;
}

void JournalWriter::Record(const std::vector<std::pair<std::size_t, JournalEntry::State>>& states) {
    std::string text;
    for (const auto& [index, state] : states) {
        const bool moved = state == JournalEntry::State::kMoved;
        moved_ += moved ? 1 : 0;
        text += moved ? "moved " : "kept ";
        text += std::to_string(index);
        text += '\n';
    }
    if (!text.empty()) {
        Append(text, false);
    }
}

void JournalWriter::Finish() {
    if (fd_ < 0) {
        return;
    }
    if (moved_ == 0) {
        fs_.Close(fd_);
        fs_.Unlink(file_.c_str());
        id_.clear();
    } else {
        fs_.Fsync(fd_);
        fs_.Close(fd_);
    }
    fd_ = -1;
}

namespace {

// The newest batch's id among a journal folder's names; "" when there is
// none or the newest is undone.
std::string NewestOpenBatch(const std::vector<std::string>& names) {
    std::string newest;
    bool newestUndone = false;
    for (const auto& name : names) {
        bool undone = false;
        const std::string id = BatchIdOf(name, undone);
        if (!id.empty() && (id > newest || (id == newest && undone))) {
            newest = id;
            newestUndone = undone;
        }
    }
    return newestUndone ? std::string() : newest;
}

// Reads a batch's record, at most kMaxJournalBytes + 1 bytes: only a regular
// file of this user, never through a link, never waiting on a pipe put in its
// place. Sets `batch.problem` and answers false when it cannot.
bool ReadRecord(const FileSystemCalls& fs, const std::string& file, JournalBatch& batch,
                std::string& text) {
    const int fd = fs.Open(file.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC, 0);
    if (fd < 0) {
        batch.problem = errno == ELOOP ? UndoProblem::kNotAFile : UndoProblem::kUnreadable;
        batch.error = errno;
        return false;
    }
    struct stat st {};
    int error = fs.Fstat(fd, &st) == 0 ? 0 : errno;
    if (error == 0 && (!S_ISREG(st.st_mode) || st.st_uid != ::geteuid())) {
        batch.problem = UndoProblem::kNotAFile;
    } else if (error == 0) {
        error = ReadUpTo(fs, fd, kMaxJournalBytes + 1, text);
    }
    fs.Close(fd);
    if (batch.problem == UndoProblem::kNone && error != 0) {
        batch.problem = UndoProblem::kUnreadable;
        batch.error = error;
    }
    return batch.problem == UndoProblem::kNone;
}

}  // namespace

JournalBatch ReadNewestBatch(const FileSystemCalls& fs, const std::string& folder) {
    JournalBatch batch;
    std::vector<std::string> names;
    if (fs.ListFolder(folder.c_str(), names) != 0) {
        batch.problem = errno == ENOENT ? UndoProblem::kNoBatch : UndoProblem::kUnreadable;
        batch.error = batch.problem == UndoProblem::kUnreadable ? errno : 0;
        return batch;
    }
    batch.id = NewestOpenBatch(names);
    if (batch.id.empty()) {
        batch.problem = UndoProblem::kNoBatch;
        return batch;
    }
    std::string text;
    const std::string file = folder + "/" + std::string(kPrefix) + batch.id + std::string(kOpen);
    if (!ReadRecord(fs, file, batch, text)) {
        return batch;
    }
    if (text.size() > kMaxJournalBytes) {
        batch.problem = UndoProblem::kDamaged;
        return batch;
    }
    ParsedJournal parsed = ParseJournal(text, ::getuid());
    if (parsed.damagedLine != 0) {
        batch.problem = UndoProblem::kDamaged;
        batch.line = parsed.damagedLine;
        return batch;
    }
    const bool anyWent =
        std::any_of(parsed.entries.begin(), parsed.entries.end(), [](const JournalEntry& e) {
            return e.state == JournalEntry::State::kPending ||
                   e.state == JournalEntry::State::kMoved;
        });
    if (!anyWent) {
        batch.problem = UndoProblem::kNoBatch;
        return batch;
    }
    batch.entries = std::move(parsed.entries);
    return batch;
}

int MarkBatchUndone(const FileSystemCalls& fs, const std::string& folder, const std::string& id) {
    const std::string base = folder + "/" + std::string(kPrefix) + id;
    const int error = RenameNoReplace(fs, base + std::string(kOpen), base + std::string(kUndone));
    struct stat st {};
    if (error == ENOENT && fs.Lstat((base + std::string(kUndone)).c_str(), &st) == 0) {
        return 0;  // another undo of the same batch was quicker
    }
    if (error != 0) {
        return error;
    }
    return SyncFolder(fs, folder);
}

int RecordSettled(const FileSystemCalls& fs, const std::string& folder, const std::string& id,
                  const std::vector<std::pair<std::size_t, JournalEntry::State>>& settled) {
    if (settled.empty()) {
        return 0;
    }
    const std::string file = folder + "/" + std::string(kPrefix) + id + std::string(kOpen);
    const int fd = fs.Open(file.c_str(), O_WRONLY | O_APPEND | O_NOFOLLOW | O_CLOEXEC, 0);
    if (fd < 0) {
        return errno;
    }
    std::string text;
    for (const auto& [n, state] : settled) {
        text += (state == JournalEntry::State::kRestored ? "restored " : "lost ") +
                std::to_string(n) + "\n";
    }
    int error = WriteAll(fs, fd, text);
    if (fs.Close(fd) != 0 && error == 0) {
        error = errno;
    }
    return error;
}

void PruneJournals(const FileSystemCalls& fs, const std::string& folder, std::int64_t now,
                   std::size_t keep, std::int64_t maxAgeSeconds) {
    std::vector<std::string> names;
    if (fs.ListFolder(folder.c_str(), names) != 0) {
        return;
    }
    std::vector<std::pair<std::string, std::string>> batches;  // id, name
    for (auto& name : names) {
        bool undone = false;
        std::string id = BatchIdOf(name, undone);
        if (!id.empty()) {
            batches.emplace_back(std::move(id), std::move(name));
        }
    }
    std::sort(batches.begin(), batches.end(), std::greater<>());
    for (std::size_t i = keep; i < batches.size(); ++i) {
        const std::int64_t sent = std::stoll(batches[i].first.substr(0, 12));
        if (now - sent > maxAgeSeconds) {
            fs.Unlink((folder + "/" + batches[i].second).c_str());
        }
    }
}

}  // namespace corvane