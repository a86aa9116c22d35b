#include "platform/Trash.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <map>
#include <utility>

#include "platform/TrashJournal.h"
#include "platform/TrashMounts.h"
#include "platform/Utf8.h"

namespace corvane {

namespace {

constexpr int kNameTries = 1000;

std::string BaseName(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The folder part of an absolute path: "/a/b" -> "/a", "/a" -> "/".
std::string FolderOf(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == 0 || slash == std::string::npos ? std::string("/") : path.substr(0, slash);
}

std::string Join(const std::string& folder, const std::string& name) {
    return folder == "/" ? "/" + name : folder + "/" + name;
}

std::string Absolute(const std::string& path) {
    if (!path.empty() && path.front() == '/') {
        return path;
    }
    char* cwd = ::getcwd(nullptr, 0);
    std::string result = cwd ? Join(cwd, path) : path;
    std::free(cwd);
    return result;
}

bool Digits(std::string_view text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

TrashResult Refused(TrashProblem problem, int error = 0) {
    return TrashResult{false, problem, error};
}

// The problem for an errno met while making or using a trash folder.
TrashResult FolderProblem(int error) {
    return error == EROFS ? Refused(TrashProblem::kNoTrash)
                          : Refused(TrashProblem::kTrashFolder, error);
}

bool SameFile(const struct stat& st, const FileStamp& stamp) {
    return S_ISREG(st.st_mode) && StampOf(st) == stamp;
}

// Where the files of one drive go.
struct Place {
    TrashResult refusal;  // moved is never set; problem kNone when usable
    std::string folder;   // holds files/ and info/
    std::string topdir;   // the drive's top folder; empty for the home trash
};

// One batch of sends: the journal, and the trash chosen for each drive.
class Sender {
  public:
    Sender(const FileSystemCalls& fs, const TrashPlaces& places)
        : fs_(fs),
          homeTrash_(Join(Absolute(places.dataHome), "Trash")),
          journal_(fs, Join(places.stateHome, "corvane")) {
        if (fs_.RealPath(homeTrash_.c_str(), homeTrashResolved_) != 0) {
            homeTrashResolved_ = homeTrash_;
        }
    }

    TrashResult SendOne(const TrashRequest& request);
    std::string Finish() {
        journal_.Finish();
        return journal_.BatchId();
    }

  private:
    // A file checked and ready to go, and the entry reserved for it.
    struct Prepared {
        struct stat st {};
        std::string base;
        std::string resolved;  // its folders' links resolved
        const Place* place = nullptr;
        std::string text;  // of its .trashinfo
    };
    struct Reserved {
        std::string name;
        std::string info;
        std::string trashed;
        std::size_t index = 0;  // in the journal
    };

    TrashResult Prepare(const TrashRequest& request, Prepared& file);
    TrashResult Reserve(const Prepared& file, int& counter, Reserved& entry);
    TrashResult Move(const Prepared& file, const Reserved& entry, bool& nameTaken);
    const Place& PlaceFor(dev_t device, const std::string& folder);
    Place HomePlace(dev_t device);
    Place DrivePlace(const std::string& topdir);
    TrashResult UseFolder(const std::string& folder);
    int HomeDevice(dev_t& device);
    TrashResult Verify(const std::string& trashed, const struct stat& sent, const std::string& info,
                       const std::string& text);

    const FileSystemCalls& fs_;
    std::string homeTrash_;
    std::string homeTrashResolved_;
    JournalWriter journal_;
    std::map<dev_t, Place> places_;
};

int Sender::HomeDevice(dev_t& device) {
    // The home trash may not exist yet: its drive is the one it would be made on.
    std::string path = homeTrash_;
    while (true) {
        struct stat st {};
        if (fs_.Stat(path.c_str(), &st) == 0) {
            device = st.st_dev;
            return 0;
        }
        if (errno != ENOENT || path == "/" || path.empty()) {
            return errno;
        }
        path = FolderOf(path);
    }
}

// files/ and info/ inside `folder`, made when missing; never through a link.
TrashResult Sender::UseFolder(const std::string& folder) {
    for (const char* part : {"files", "info"}) {
        const std::string sub = Join(folder, part);
        struct stat st {};
        if (fs_.Lstat(sub.c_str(), &st) == 0) {
            if (!S_ISDIR(st.st_mode)) {
                return Refused(TrashProblem::kTrashFolder, ENOTDIR);
            }
            continue;
        }
        if (errno != ENOENT) {
            return FolderProblem(errno);
        }
        if (fs_.Mkdir(sub.c_str(), 0700) != 0 && errno != EEXIST) {
            return FolderProblem(errno);
        }
    }
    return {};
}

Place Sender::HomePlace(dev_t device) {
    Place place;
    place.folder = homeTrash_;
    if (const int error = MakeFolders(fs_, homeTrash_, 0700)) {
        place.refusal = FolderProblem(error);
        return place;
    }
    place.refusal = UseFolder(homeTrash_);
    struct stat st {};
    if (place.refusal.problem == TrashProblem::kNone &&
        (fs_.Stat(Join(homeTrash_, "files").c_str(), &st) != 0 || st.st_dev != device)) {
        // A mount inside the data folder: the file's own drive decides.
        place.refusal = Refused(TrashProblem::kTrashFolder, EXDEV);
    }
    return place;
}

Place Sender::DrivePlace(const std::string& topdir) {
    Place place;
    place.topdir = topdir;
    const uid_t uid = ::getuid();
    const std::string id = std::to_string(uid);
    // An administrator's .Trash: a real folder with the sticky bit, one folder per user.
    const std::string shared = Join(topdir, ".Trash");
    struct stat st {};
    if (fs_.Lstat(shared.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && (st.st_mode & S_ISVTX)) {
        const std::string mine = Join(shared, id);
        if (fs_.Lstat(mine.c_str(), &st) == 0) {
            if (S_ISDIR(st.st_mode) && st.st_uid == uid) {
                place.folder = mine;
            }
        } else if (errno == ENOENT && fs_.Mkdir(mine.c_str(), 0700) == 0) {
            place.folder = mine;
        }
    }
    if (place.folder.empty()) {
        const std::string own = Join(topdir, ".Trash-" + id);
        if (fs_.Lstat(own.c_str(), &st) == 0) {
            if (!S_ISDIR(st.st_mode) || st.st_uid != uid) {
                place.refusal = Refused(TrashProblem::kTrashFolder);
                return place;
            }
        } else if (errno != ENOENT) {
            place.refusal = FolderProblem(errno);
            return place;
        } else if (fs_.Mkdir(own.c_str(), 0700) != 0 && errno != EEXIST) {
            place.refusal = FolderProblem(errno);
            return place;
        }
        place.folder = own;
    }
    place.refusal = UseFolder(place.folder);
    return place;
}

const Place& Sender::PlaceFor(dev_t device, const std::string& folder) {
    if (const auto found = places_.find(device); found != places_.end()) {
        return found->second;
    }
    Place place;
    dev_t homeDevice = 0;
    if (const int error = HomeDevice(homeDevice)) {
        // Unsure which trash is right: none rather than a wrong one.
        place.refusal = FolderProblem(error);
        return places_.emplace(device, std::move(place)).first->second;
    }
    if (homeDevice == device) {
        place = HomePlace(device);
    }
    if (place.folder.empty() || place.refusal.error == EXDEV) {
        // The drive's top folder: the last folder up from the file on its drive.
        std::string topdir = folder;
        while (topdir != "/") {
            struct stat st {};
            const std::string up = FolderOf(topdir);
            if (fs_.Stat(up.c_str(), &st) != 0) {
                place = Place{FolderProblem(errno), {}, {}};
                return places_.emplace(device, std::move(place)).first->second;
            }
            if (st.st_dev != device) {
                break;
            }
            topdir = up;
        }
        if (DriveHasNoTrash(topdir)) {
            place = Place{Refused(TrashProblem::kNoTrash), {}, topdir};
        } else {
            place = DrivePlace(topdir);
        }
    }
    // A folder that could not be made may be made on the next try, in the next batch.
    return places_.emplace(device, std::move(place)).first->second;
}

TrashResult Sender::Verify(const std::string& trashed, const struct stat& sent,
                           const std::string& info, const std::string& text) {
    struct stat st {};
    if (fs_.Lstat(trashed.c_str(), &st) != 0) {
        return Refused(TrashProblem::kEntryUnverified, errno);
    }
    if (!S_ISREG(st.st_mode) || !SameFileMoved(StampOf(st), StampOf(sent))) {
        // Another file took its place between the check and the move.
        return Refused(TrashProblem::kChanged);
    }
    const int fd = fs_.Open(info.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC, 0);
    if (fd < 0) {
        return Refused(TrashProblem::kEntryUnverified, errno);
    }
    std::string back;
    const int error = ReadUpTo(fs_, fd, text.size() + 1, back);
    fs_.Close(fd);
    if (error != 0 || back != text) {
        return Refused(TrashProblem::kEntryUnverified, error);
    }
    return {};
}

TrashResult Sender::Prepare(const TrashRequest& request, Prepared& file) {
    const std::string path = Absolute(request.path);
    if (fs_.Lstat(path.c_str(), &file.st) != 0) {
        return errno == ENOENT || errno == ENOTDIR ? Refused(TrashProblem::kVanished)
                                                   : Refused(TrashProblem::kSystem, errno);
    }
    if (request.expected && !SameFile(file.st, *request.expected)) {
        return Refused(TrashProblem::kChanged);
    }
    if (!S_ISREG(file.st.st_mode)) {
        return Refused(TrashProblem::kNotAFile);
    }
    file.base = BaseName(path);
    std::string folder;
    if (fs_.RealPath(FolderOf(path).c_str(), folder) != 0) {
        return errno == ENOENT ? Refused(TrashProblem::kVanished)
                               : Refused(TrashProblem::kSystem, errno);
    }
    file.resolved = Join(folder, file.base);
    if (InsideTrash(file.resolved, homeTrashResolved_)) {
        return Refused(TrashProblem::kAlreadyInTrash);
    }
    file.place = &PlaceFor(file.st.st_dev, folder);
    if (file.place->refusal.problem != TrashProblem::kNone) {
        return file.place->refusal;
    }
    // Drive trashes record the path from the drive's top, so the drive can
    // be mounted elsewhere later.
    const std::string& top = file.place->topdir;
    const std::string recorded =
        top.empty() ? file.resolved : file.resolved.substr(top == "/" ? 1 : top.size() + 1);
    file.text = TrashInfoText(recorded, std::time(nullptr));
    return {};
}

// Takes the first free entry name from `counter` on: an exclusive .trashinfo,
// written whole and synced, and the journal's entry line for it.
TrashResult Sender::Reserve(const Prepared& file, int& counter, Reserved& entry) {
    for (; counter <= kNameTries; ++counter) {
        entry.name = TrashEntryName(file.base, counter);
        entry.info = Join(file.place->folder, "info/" + entry.name + ".trashinfo");
        entry.trashed = Join(file.place->folder, "files/" + entry.name);
        const int fd = fs_.Open(entry.info.c_str(),
                                O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd < 0) {
            if (errno == EEXIST) {
                continue;
            }
            if (errno == ENAMETOOLONG) {
                return Refused(TrashProblem::kNameTooLong);
            }
            return errno == EROFS ? Refused(TrashProblem::kNoTrash)
                                  : Refused(TrashProblem::kEntry, errno);
        }
        int error = WriteAll(fs_, fd, file.text);
        if (error == 0 && fs_.Fsync(fd) != 0) {
            error = errno;
        }
        if (fs_.Close(fd) != 0 && error == 0) {
            error = errno;
        }
        if (error != 0) {
            fs_.Unlink(entry.info.c_str());
            return Refused(TrashProblem::kEntry, error);
        }
        const JournalEntry line{file.resolved, file.place->folder, entry.name,
                                entry.name + ".trashinfo", StampOf(file.st)};
        if (const int journalError = journal_.Add(line, entry.index)) {
            fs_.Unlink(entry.info.c_str());
            return Refused(TrashProblem::kJournal, journalError);
        }
        return {};
    }
    return Refused(TrashProblem::kTooManyNames);
}

// Renames the file onto its reserved entry. `nameTaken` is set when a file
// without an entry holds the name, so the next name must be tried.
TrashResult Sender::Move(const Prepared& file, const Reserved& entry, bool& nameTaken) {
    nameTaken = false;
    const int error = RenameNoReplace(fs_, file.resolved, entry.trashed);
    if (error != 0) {
        fs_.Unlink(entry.info.c_str());
        journal_.SetState(entry.index, JournalEntry::State::kKept);
        nameTaken = error == EEXIST;
        switch (error) {
            case ENOENT:
                return Refused(TrashProblem::kVanished);
            case ENAMETOOLONG:
                return Refused(TrashProblem::kNameTooLong);
            case EROFS:
                return Refused(TrashProblem::kNoTrash);
            default:
                return Refused(TrashProblem::kMove, error);
        }
    }
    const TrashResult verified = Verify(entry.trashed, file.st, entry.info, file.text);
    if (verified.problem != TrashProblem::kNone &&
        RenameNoReplace(fs_, entry.trashed, file.resolved) == 0) {
        fs_.Unlink(entry.info.c_str());
        journal_.SetState(entry.index, JournalEntry::State::kKept);
        return verified;
    }
    // Either complete, or it cannot be put back: then it stays in the trash
    // with the entry written and synced above, and the journal can bring it back.
    journal_.SetState(entry.index, JournalEntry::State::kMoved);
    return TrashResult{true, TrashProblem::kNone, 0};
}

TrashResult Sender::SendOne(const TrashRequest& request) {
    Prepared file;
    if (const TrashResult refused = Prepare(request, file);
        refused.problem != TrashProblem::kNone) {
        return refused;
    }
    for (int counter = 1;; ++counter) {
        Reserved entry;
        if (const TrashResult refused = Reserve(file, counter, entry);
            refused.problem != TrashProblem::kNone) {
            return refused;
        }
        bool nameTaken = false;
        const TrashResult moved = Move(file, entry, nameTaken);
        if (!nameTaken) {
            return moved;
        }
    }
}

}  // namespace

TrashBatch Trash::Send(const std::vector<TrashRequest>& requests, const SendControl& control) {
    TrashBatch batch;
    batch.results.resize(requests.size());
    std::vector<std::string> paths;
    std::vector<std::size_t> places;
    for (std::size_t i = 0; i < requests.size(); ++i) {
        if (control.Stopped()) {
            batch.results[i] = Refused(TrashProblem::kNotAttempted);
            continue;
        }
        if (requests[i].expected) {
            batch.results[i] = CheckUnchanged(requests[i].path, *requests[i].expected);
            if (batch.results[i].problem != TrashProblem::kNone) {
                continue;
            }
        }
        paths.push_back(requests[i].path);
        places.push_back(i);
    }
    if (!paths.empty()) {
        const std::vector<TrashResult> moved = MoveToTrash(paths);
        for (std::size_t k = 0; k < places.size(); ++k) {
            batch.results[places[k]] =
                k < moved.size() ? moved[k] : TrashResult{false, TrashProblem::kNoAnswer, 0};
        }
    }
    control.Report(requests.size(), requests.size());
    return batch;
}

TrashResult CheckUnchanged(const std::string& path, const FileStamp& expected,
                           const FileSystemCalls& fs) {
    struct stat st {};
    if (fs.Lstat(path.c_str(), &st) != 0) {
        return errno == ENOENT || errno == ENOTDIR ? Refused(TrashProblem::kVanished)
                                                   : Refused(TrashProblem::kSystem, errno);
    }
    // Nanoseconds count: a file rewritten at the same size within the
    // second is no longer the file the user saw.
    return SameFile(st, expected) ? TrashResult{} : Refused(TrashProblem::kChanged);
}

DesktopTrash::DesktopTrash() : fs_(SystemCalls()) {}

DesktopTrash::DesktopTrash(TrashPlaces places, const FileSystemCalls& fs)
    : places_(std::move(places)), fs_(fs) {}

const TrashPlaces& DesktopTrash::Places() {
    const std::lock_guard lock(answerLock_);
    if (!places_) {
        places_ = TrashPlaces{UserDataFolder(), UserStateFolder()};
    }
    return *places_;
}

std::string DesktopTrash::JournalFolder() {
    return Join(Places().stateHome, "corvane");
}

void DesktopTrash::ForgetBatchAnswer() {
    const std::lock_guard lock(answerLock_);
    hasBatch_.reset();
}

TrashBatch DesktopTrash::Send(const std::vector<TrashRequest>& requests,
                              const SendControl& control) {
    TrashBatch batch;
    Sender sender(fs_, Places());
    batch.results.reserve(requests.size());
    for (const TrashRequest& request : requests) {
        if (control.Stopped()) {
            batch.results.push_back(Refused(TrashProblem::kNotAttempted));
            continue;
        }
        batch.results.push_back(sender.SendOne(request));
        control.Report(batch.results.size(), requests.size());
    }
    batch.id = sender.Finish();
    ForgetBatchAnswer();
    control.Report(requests.size(), requests.size());
    return batch;
}

std::vector<TrashResult> DesktopTrash::MoveToTrash(const std::vector<std::string>& paths) {
    std::vector<TrashRequest> requests;
    requests.reserve(paths.size());
    for (const auto& path : paths) {
        requests.push_back(TrashRequest{path, std::nullopt});
    }
    return Send(requests).results;
}

bool DesktopTrash::HasBatchToUndo() {
    const std::string folder = JournalFolder();
    struct stat now {};
    if (fs_.Stat(folder.c_str(), &now) != 0) {
        now = {};  // no folder yet: no batch, until one is made
    }
    const auto same = [](const struct stat& a, const struct stat& b) {
        return a.st_dev == b.st_dev && a.st_ino == b.st_ino &&
               a.st_mtim.tv_sec == b.st_mtim.tv_sec && a.st_mtim.tv_nsec == b.st_mtim.tv_nsec &&
               a.st_ctim.tv_sec == b.st_ctim.tv_sec && a.st_ctim.tv_nsec == b.st_ctim.tv_nsec;
    };
    {
        const std::lock_guard lock(answerLock_);
        if (hasBatch_ && same(now, answeredFor_)) {
            return *hasBatch_;
        }
    }
    const bool answer = ReadNewestBatch(fs_, folder).problem != UndoProblem::kNoBatch;
    const std::lock_guard lock(answerLock_);
    hasBatch_ = answer;
    answeredFor_ = now;
    return answer;
}

namespace {

// Puts one file of the batch back, or says why not.
void RestoreOne(const FileSystemCalls& fs, const JournalEntry& entry, UndoResult& file) {
    file.path = entry.path;
    file.stamp = entry.stamp;
    const std::string trashed = entry.trash + "/files/" + entry.filesName;
    const std::string info = entry.trash + "/info/" + entry.infoName;
    struct stat st {};
    const bool back = fs.Lstat(entry.path.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
                      SameFileMoved(StampOf(st), entry.stamp);
    struct stat inTrash {};
    const int trashError = fs.Lstat(trashed.c_str(), &inTrash) == 0 ? 0 : errno;
    const bool ours =
        trashError == 0 && S_ISREG(inTrash.st_mode) && SameFileMoved(StampOf(inTrash), entry.stamp);
    if (back) {
        // Never moved (a crash between reserving the entry and the move),
        // or put back by other means: what is left of the entry is ours.
        bool held = trashError != ENOENT;
        if (ours && inTrash.st_nlink > 1 && fs.Unlink(trashed.c_str()) == 0) {
            held = false;  // it was a second name of the file, left by a link fallback
        }
        if (!held) {
            fs.Unlink(info.c_str());
        }
        file.restored = true;
        return;
    }
    if (trashError != 0) {
        file.problem = trashError == ENOENT ? TrashProblem::kEntryGone : TrashProblem::kRestore;
        file.error = trashError == ENOENT ? 0 : trashError;
        return;
    }
    if (!ours) {
        file.problem = TrashProblem::kEntryChanged;
        return;
    }
    int error = RenameNoReplace(fs, trashed, entry.path);
    if (error == ENOENT && MakeFolders(fs, FolderOf(entry.path), 0755) == 0) {
        error = RenameNoReplace(fs, trashed, entry.path);
    }
    if (error != 0) {
        file.problem = error == EEXIST ? TrashProblem::kOriginalTaken : TrashProblem::kRestore;
        file.error = error == EEXIST ? 0 : error;
        return;
    }
    // Only now that the file is back: its entry may go.
    fs.Unlink(info.c_str());
    file.restored = true;
}

}  // namespace

UndoOutcome DesktopTrash::UndoLastBatch(const UndoControl& control) {
    const std::string folder = JournalFolder();
    const JournalBatch batch = ReadNewestBatch(fs_, folder);
    UndoOutcome outcome{batch.problem, batch.error, batch.line, batch.id, {}, false};
    if (batch.problem != UndoProblem::kNone) {
        return outcome;
    }
    std::size_t total = 0;
    for (const JournalEntry& entry : batch.entries) {
        total += entry.state == JournalEntry::State::kKept ? 0 : 1;
    }
    for (const JournalEntry& entry : batch.entries) {
        if (entry.state == JournalEntry::State::kKept) {
            continue;
        }
        UndoResult& file = outcome.files.emplace_back();
        if (control.Stopped()) {
            file.path = entry.path;
            file.stamp = entry.stamp;
            file.problem = TrashProblem::kUndoNotAttempted;
            outcome.stillUndoable = true;
            continue;
        }
        RestoreOne(fs_, entry, file);
        control.Report(outcome.files.size(), total);
    }
    if (!outcome.stillUndoable) {
        if (const int error = MarkBatchUndone(fs_, folder, batch.id)) {
            outcome.problem = UndoProblem::kNotMarked;
            outcome.error = error;
        }
    }
    ForgetBatchAnswer();
    control.Report(total, total);
    return outcome;
}

std::string TrashEntryName(const std::string& base, int counter) {
    if (counter <= 1 && base.size() <= kLongTrashName) {
        return base;
    }
    std::string ext;
    const auto dot = base.rfind('.');
    if (dot != std::string::npos && dot > 0 && base.size() - dot <= 16) {
        ext = base.substr(dot);
    }
    std::string suffix;
    if (counter > 1) {
        // Appended piece by piece: GCC 12 at -O3 warns falsely (-Wrestrict)
        // on "~" + std::to_string(counter).
        suffix += '~';
        suffix += std::to_string(counter);
    }
    const std::size_t stemBytes = base.size() - ext.size();
    const std::size_t budget = kLongTrashName - ext.size() - suffix.size();
    std::size_t cut = 0;
    while (cut < stemBytes) {
        const std::size_t letter = std::max<std::size_t>(1, Utf8SequenceLength(base, cut));
        if (cut + letter > budget || cut + letter > stemBytes) {
            break;
        }
        cut += letter;
    }
    std::string name = base.substr(0, cut);
    name += suffix;
    name += ext;
    return name;
}

std::string TrashInfoPath(const std::string& path) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(path.size() * 3);
    for (const char c : path) {
        const auto b = static_cast<unsigned char>(c);
        const bool plain = (b >= 'A' && b <= 'Z') || (b >= 'a' && b <= 'z') ||
                           (b >= '0' && b <= '9') || b == '-' || b == '.' || b == '_' || b == '~' ||
                           b == '/';
        if (plain) {
            out += c;
        } else {
            out += '%';
            out += kHex[b >> 4];
            out += kHex[b & 0xF];
        }
    }
    return out;
}

std::string TrashInfoText(const std::string& recordedPath, std::time_t when) {
    char date[32] = {};
    std::tm local{};
    localtime_r(&when, &local);
    std::strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%S", &local);
    std::string text = "[Trash Info]\nPath=";
    text += TrashInfoPath(recordedPath);
    text += "\nDeletionDate=";
    text += date;
    text += '\n';
    return text;
}

bool InsideTrash(const std::string& path, const std::string& homeTrash) {
    if (path.size() > homeTrash.size() && path.compare(0, homeTrash.size(), homeTrash) == 0 &&
        path[homeTrash.size()] == '/') {
        return true;
    }
    std::vector<std::string_view> parts;
    std::size_t start = 0;
    while (start < path.size()) {
        const auto slash = path.find('/', start);
        const auto end = slash == std::string::npos ? path.size() : slash;
        if (end > start) {
            parts.emplace_back(path.data() + start, end - start);
        }
        start = end + 1;
    }
    const auto isPart = [](std::string_view p) { return p == "files" || p == "info"; };
    // The last part is the file itself, so a trash's folders come before it.
    for (std::size_t i = 0; i + 2 < parts.size(); ++i) {
        const std::string_view p = parts[i];
        if (p.substr(0, 7) == ".Trash-" && Digits(p.substr(7)) && isPart(parts[i + 1])) {
            return true;
        }
        if (p == ".Trash" && i + 3 < parts.size() && Digits(parts[i + 1]) && isPart(parts[i + 2])) {
            return true;
        }
    }
    return false;
}

}  // namespace corvane
