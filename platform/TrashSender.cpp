#include "platform/TrashSender.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <ctime>

#include "platform/TrashMounts.h"

namespace corvane {

namespace {

constexpr int kNameTries = 1000;
// The first chunk is small, so that progress shows and a stop is heard
// soon; later ones grow, so that the syncs are few.
constexpr std::size_t kFirstChunk = 32;
constexpr std::size_t kLargestChunk = 1024;
constexpr int kFolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

std::string Absolute(const std::string& path) {
    if (!path.empty() && path.front() == '/') {
        return path;
    }
    char* cwd = ::getcwd(nullptr, 0);
    std::string result = cwd ? Join(cwd, path) : path;
    std::free(cwd);
    return result;
}

TrashResult Refused(TrashProblem problem, int error = 0) {
    return TrashResult{false, problem, error};
}

// The problem for an errno met while making or using a trash folder.
TrashResult FolderProblem(int error) {
    return error == EROFS ? Refused(TrashProblem::kNoTrash)
                          : Refused(TrashProblem::kTrashFolder, error);
}

// The problem for an errno met on the way to a file: a folder on its path
// gone, or swapped for a link or a file since its links were resolved.
TrashResult PathProblem(int error) {
    switch (error) {
        case ENOENT:
            return Refused(TrashProblem::kVanished);
        case ELOOP:
        case ENOTDIR:
            return Refused(TrashProblem::kChanged);
        default:
            return Refused(TrashProblem::kSystem, error);
    }
}

TrashResult EntryProblem(int error) {
    switch (error) {
        case ENAMETOOLONG:
            return Refused(TrashProblem::kNameTooLong);
        case EROFS:
            return Refused(TrashProblem::kNoTrash);
        default:
            return Refused(TrashProblem::kEntry, error);
    }
}

TrashResult MoveProblem(int error) {
    switch (error) {
        case ENOENT:
            return Refused(TrashProblem::kVanished);
        case ENAMETOOLONG:
            return Refused(TrashProblem::kNameTooLong);
        case EROFS:
            return Refused(TrashProblem::kNoTrash);
        case EXDEV:
            return Refused(TrashProblem::kCrossDevice);
        default:
            return Refused(TrashProblem::kMove, error);
    }
}

bool SameFile(const struct stat& st, const FileStamp& stamp) {
    return S_ISREG(st.st_mode) && StampOf(st) == stamp;
}

}  // namespace

TrashSender::TrashSender(const FileSystemCalls& fs, const TrashPlaces& places)
    : fs_(fs),
      homeTrash_(Join(Absolute(places.dataHome), "Trash")),
      journalFolder_(Join(places.stateHome, "corvane")),
      journal_(fs, journalFolder_),
      chain_(fs) {
    if (fs_.RealPath(homeTrash_.c_str(), homeTrashResolved_) != 0) {
        homeTrashResolved_ = homeTrash_;
    }
}

TrashSender::~TrashSender() {
    for (auto& [device, place] : places_) {
        CloseFolders(place);
    }
}

void TrashSender::CloseFolders(Place& place) {
    for (int* fd : {&place.files, &place.info}) {
        if (*fd >= 0) {
            fs_.Close(*fd);
            *fd = -1;
        }
    }
}

std::string TrashSender::Finish() {
    journal_.Finish();
    PruneJournals(fs_, journalFolder_, static_cast<std::int64_t>(std::time(nullptr)));
    return journal_.BatchId();
}

std::vector<TrashResult> TrashSender::Send(const std::vector<TrashRequest>& requests,
                                           const SendControl& control) {
    requests_ = &requests;
    control_ = &control;
    results_.assign(requests.size(), Refused(TrashProblem::kNotAttempted));
    done_ = 0;
    std::size_t next = 0;
    std::size_t size = kFirstChunk;
    while ((next < requests.size() || !again_.empty()) && !control.Stopped()) {
        std::vector<File> chunk;
        std::set<std::pair<const Place*, std::string>> planned;
        while (chunk.size() < size && (!again_.empty() || next < requests.size())) {
            File file;
            TrashResult result;
            if (!again_.empty()) {
                file = std::move(again_.front());
                again_.pop_front();
            } else {
                file.request = next++;
                result = Prepare(requests[file.request], file);
            }
            if (result.problem == TrashProblem::kNone) {
                result = PlanName(file, planned);
            }
            if (result.problem == TrashProblem::kNone) {
                chunk.push_back(std::move(file));
            } else {
                Done(file, result);
            }
        }
        RunChunk(chunk);
        size = std::min(size * 4, kLargestChunk);
    }
    while (!again_.empty()) {
        again_.pop_front();  // stopped: these stay, reported as not attempted
    }
    control.Report(requests.size(), requests.size());
    return std::move(results_);
}

void TrashSender::Done(const File& file, const TrashResult& result) {
    results_[file.request] = result;
    ++done_;
    control_->Report(done_, requests_->size());
}

const SysResult<std::string>& TrashSender::Resolved(const std::string& folder) {
    auto found = resolved_.find(folder);
    if (found == resolved_.end()) {
        std::string resolved;
        const int failure = ResolveFolder(fs_, folder, resolved);
        found = resolved_
                    .emplace(folder, failure == 0 ? SysResult<std::string>(std::move(resolved))
                                                  : SysResult<std::string>::Failure(failure))
                    .first;
    }
    return found->second;
}

TrashResult TrashSender::Prepare(const TrashRequest& request, File& file) {
    const std::string path = Absolute(request.path);
    file.base = BaseName(path);
    if (file.base.empty() || file.base == "." || file.base == "..") {
        return Refused(TrashProblem::kNotAFile);
    }
    const SysResult<std::string>& folder = Resolved(FolderOf(path));
    if (!folder) {
        return folder.error() == ENOTDIR ? Refused(TrashProblem::kVanished)
                                         : PathProblem(folder.error());
    }
    file.folder = folder.value();
    const int parent = chain_.Open(file.folder);
    if (parent < 0) {
        return PathProblem(errno);
    }
    if (fs_.StatAt(parent, file.base.c_str(), &file.st, AT_SYMLINK_NOFOLLOW) != 0) {
        return errno == ENOENT ? Refused(TrashProblem::kVanished)
                               : Refused(TrashProblem::kSystem, errno);
    }
    if (request.expected && !SameFile(file.st, *request.expected)) {
        return Refused(TrashProblem::kChanged);
    }
    if (!S_ISREG(file.st.st_mode)) {
        return Refused(TrashProblem::kNotAFile);
    }
    const std::string resolved = Join(file.folder, file.base);
    if (InsideTrash(resolved, homeTrashResolved_)) {
        return Refused(TrashProblem::kAlreadyInTrash);
    }
    file.place = &PlaceFor(file.st.st_dev);
    if (file.place->refusal.problem != TrashProblem::kNone) {
        return file.place->refusal;
    }
    // Drive trashes record the path from the drive's top, so the drive can
    // be mounted elsewhere later.
    const std::string& top = file.place->topdir;
    const std::string recorded =
        top.empty() ? resolved : resolved.substr(top == "/" ? 1 : top.size() + 1);
    file.text = TrashInfoText(recorded, std::time(nullptr));
    return {};
}

// The first entry name from file.counter on that neither an entry nor a stray
// file in files/ holds, nor another file of the chunk.
TrashResult TrashSender::PlanName(File& file,
                                  std::set<std::pair<const Place*, std::string>>& planned) {
    for (; file.counter <= kNameTries; ++file.counter) {
        file.name = TrashEntryName(file.base, file.counter);
        if (planned.count({file.place, file.name}) != 0) {
            continue;
        }
        struct stat st {};
        const std::string info = file.name + ".trashinfo";
        if (fs_.StatAt(file.place->info, info.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
            continue;
        }
        if (errno != ENOENT) {
            return EntryProblem(errno);
        }
        if (fs_.StatAt(file.place->files, file.name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0) {
            continue;
        }
        if (errno != ENOENT) {
            return EntryProblem(errno);
        }
        planned.emplace(file.place, file.name);
        return {};
    }
    return Refused(TrashProblem::kTooManyNames);
}

void TrashSender::RunChunk(std::vector<File>& chunk) {
    if (chunk.empty()) {
        return;
    }
    std::vector<JournalEntry> entries;
    for (const File& file : chunk) {
        entries.push_back(JournalEntry{Join(file.folder, file.base), file.place->folder, file.name,
                                       file.name + ".trashinfo", StampOf(file.st)});
    }
    std::size_t first = 0;
    if (const int error = journal_.Add(entries, first)) {
        for (const File& file : chunk) {
            Done(file, Refused(TrashProblem::kJournal, error));
        }
        return;
    }
    for (std::size_t i = 0; i < chunk.size(); ++i) {
        chunk[i].index = first + i;
        bool nameTaken = false;
        const TrashResult reserved = Reserve(chunk[i], nameTaken);
        if (!chunk[i].reserved) {
            states_.emplace_back(chunk[i].index, JournalEntry::State::kKept);
            if (nameTaken) {
                again_.push_back(chunk[i]);
            } else {
                Done(chunk[i], reserved);
            }
        }
    }
    MakeDurable(chunk);
    for (File& file : chunk) {
        if (!file.reserved) {
            continue;
        }
        if (control_->Stopped()) {
            Release(file);
            Done(file, Refused(TrashProblem::kNotAttempted));
            continue;
        }
        bool nameTaken = false;
        const TrashResult moved = Move(file, nameTaken);
        if (nameTaken) {
            ++file.counter;
            again_.push_back(file);
        } else {
            Done(file, moved);
        }
    }
    journal_.Record(states_);
    states_.clear();
}

TrashResult TrashSender::Reserve(File& file, bool& nameTaken) {
    const std::string info = file.name + ".trashinfo";
    const int fd = fs_.OpenAt(file.place->info, info.c_str(),
                              O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) {
        nameTaken = errno == EEXIST;
        return EntryProblem(errno);
    }
    int error = WriteAll(fs_, fd, file.text);
    if (fs_.Close(fd) != 0 && error == 0) {
        error = errno;
    }
    if (error != 0) {
        fs_.UnlinkAt(file.place->info, info.c_str(), 0);
        return Refused(TrashProblem::kEntry, error);
    }
    file.reserved = true;
    return {};
}

// One syncfs for each drive the chunk's entries are on.
void TrashSender::MakeDurable(std::vector<File>& chunk) {
    std::map<const Place*, int> synced;
    for (File& file : chunk) {
        if (!file.reserved) {
            continue;
        }
        auto found = synced.find(file.place);
        if (found == synced.end()) {
            const int error = fs_.SyncFs(file.place->info) == 0 ? 0 : errno;
            found = synced.emplace(file.place, error).first;
        }
        if (found->second != 0) {
            Release(file);
            Done(file, Refused(TrashProblem::kEntry, found->second));
        }
    }
}

void TrashSender::Release(File& file) {
    fs_.UnlinkAt(file.place->info, (file.name + ".trashinfo").c_str(), 0);
    states_.emplace_back(file.index, JournalEntry::State::kKept);
    file.reserved = false;
}

TrashResult TrashSender::Move(File& file, bool& nameTaken) {
    const TrashRequest& request = (*requests_)[file.request];
    const int parent = chain_.Open(file.folder);
    struct stat now {};
    if (parent < 0 || fs_.StatAt(parent, file.base.c_str(), &now, AT_SYMLINK_NOFOLLOW) != 0) {
        const int error = errno;
        Release(file);
        return PathProblem(error);
    }
    if (!SameFile(now, request.expected ? *request.expected : StampOf(file.st))) {
        Release(file);
        return Refused(TrashProblem::kChanged);
    }
    const int error = RenameNoReplaceAt(fs_, parent, file.base, file.place->files, file.name);
    if (error != 0) {
        Release(file);
        nameTaken = error == EEXIST;  // a stray file without an entry took the name
        return MoveProblem(error);
    }
    struct stat moved {};
    if (fs_.StatAt(file.place->files, file.name.c_str(), &moved, AT_SYMLINK_NOFOLLOW) != 0) {
        return PutBack(file, parent, errno);
    }
    if (!S_ISREG(moved.st_mode) || !SameFileMoved(StampOf(moved), StampOf(now))) {
        return PutBack(file, parent, 0);
    }
    states_.emplace_back(file.index, JournalEntry::State::kMoved);
    return TrashResult{true, TrashProblem::kNone, 0};
}

// The file in files/ is not known to be the one checked (`error` 0: it is
// another file, swapped in between the check and the rename): back where it
// came from, by the same descriptors. When even that fails it stays in the
// trash with its complete entry, and the journal can bring it back.
TrashResult TrashSender::PutBack(File& file, int parent, int error) {
    if (RenameNoReplaceAt(fs_, file.place->files, file.name, parent, file.base) == 0) {
        Release(file);
        return error == 0 ? Refused(TrashProblem::kChanged) : Refused(TrashProblem::kMove, error);
    }
    states_.emplace_back(file.index, JournalEntry::State::kMoved);
    return error == 0 ? Refused(TrashProblem::kChanged) : TrashResult{true, TrashProblem::kNone, 0};
}

int TrashSender::HomeDevice(dev_t& device) {
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

// files/ and info/ inside place.folder, made when missing, and opened; never
// through a link.
TrashResult TrashSender::UseFolder(Place& place) {
    const int top = fs_.Open(place.folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC, 0);
    if (top < 0) {
        return FolderProblem(errno);
    }
    int* const fds[] = {&place.files, &place.info};
    const char* const names[] = {"files", "info"};
    for (int k = 0; k < 2; ++k) {
        if (fs_.MkdirAt(top, names[k], 0700) != 0 && errno != EEXIST) {
            const int error = errno;
            fs_.Close(top);
            return FolderProblem(error);
        }
        *fds[k] = fs_.OpenAt(top, names[k], kFolderFlags, 0);
        if (*fds[k] < 0) {
            const int error = errno;
            fs_.Close(top);
            return error == ELOOP ? Refused(TrashProblem::kTrashFolder, ENOTDIR)
                                  : FolderProblem(error);
        }
    }
    fs_.Close(top);
    return {};
}

TrashSender::Place TrashSender::HomePlace(dev_t device) {
    Place place;
    place.folder = homeTrash_;
    if (const int error = MakeFolders(fs_, homeTrash_, 0700)) {
        place.refusal = FolderProblem(error);
        return place;
    }
    place.refusal = UseFolder(place);
    struct stat st {};
    if (place.refusal.problem == TrashProblem::kNone &&
        (fs_.Fstat(place.files, &st) != 0 || st.st_dev != device)) {
        // A mount inside the data folder: the file's own drive decides.
        place.refusal = Refused(TrashProblem::kTrashFolder, EXDEV);
    }
    return place;
}

TrashSender::Place TrashSender::DrivePlace(const std::string& topdir) {
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
    place.refusal = UseFolder(place);
    return place;
}

// The trash for files of `device`, found once a batch; the chain stands at
// the file's folder.
const TrashSender::Place& TrashSender::PlaceFor(dev_t device) {
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
        // The drive's top folder: the shallowest folder of the file's path on its drive.
        const std::string topdir = chain_.TopOf(device);
        const int error = errno;
        CloseFolders(place);
        place = Place{};
        if (topdir.empty()) {
            place.refusal = FolderProblem(error);
        } else if (DriveHasNoTrash(topdir)) {
            place.refusal = Refused(TrashProblem::kNoTrash);
            place.topdir = topdir;
        } else {
            place = DrivePlace(topdir);
        }
    }
    // A folder that could not be made may be made on the next try, in the next batch.
    return places_.emplace(device, std::move(place)).first->second;
}

}  // namespace corvane
