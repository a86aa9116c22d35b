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
#include "platform/TrashPaths.h"
#include "platform/TrashSender.h"
#include "platform/TrashUndo.h"
#include "platform/Utf8.h"

namespace corvane {

namespace {

bool Digits(std::string_view text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

TrashResult Refused(TrashProblem problem, int error = 0) {
    return TrashResult{false, problem, error};
}

bool SameFile(const struct stat& st, const FileStamp& stamp) {
    return S_ISREG(st.st_mode) && StampOf(st) == stamp;
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
    {
        TrashSender sender(fs_, Places());
        batch.results = sender.Send(requests, control);
        batch.id = sender.Finish();
    }
    ForgetBatchAnswer();
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

UndoOutcome DesktopTrash::UndoLastBatch(const UndoControl& control) {
    UndoOutcome outcome = UndoNewestBatch(fs_, JournalFolder(), control);
    ForgetBatchAnswer();
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
