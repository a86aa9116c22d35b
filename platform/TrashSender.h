// One batch of sends to the desktop trash, in chunks (the trash's own part of
// DesktopTrash::Send; see Trash.h for what a send promises).
//
// A chunk of files goes in four steps, each one sync for the whole chunk:
//   1. each file is checked and given a free entry name; the chunk's entry
//      lines go to the journal, which is synced (fsync);
//   2. each name is reserved by an exclusive .trashinfo, written whole, and
//      the drive is synced (syncfs) once for all of them;
//   3. each file is checked again (device, inode, size, both times) by
//      fstatat in its folder, opened name by name from "/" without following
//      a link, and renamed into files/ between the two folder descriptors
//      without replacing anything; the moved inode is checked, and a wrong
//      one goes back the same way;
//   4. what became of each entry is appended to the journal, unsynced.
// So a file is at any moment either in its place or in the trash with a
// complete .trashinfo and a journal line on disk, whatever fails or crashes.
#pragma once

#include <sys/stat.h>

#include <cstddef>
#include <deque>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/FileSystemCalls.h"
#include "platform/SysResult.h"
#include "platform/Trash.h"
#include "platform/TrashJournal.h"
#include "platform/TrashPaths.h"

namespace corvane {

class TrashSender {
  public:
    TrashSender(const FileSystemCalls& fs, const TrashPlaces& places);
    ~TrashSender();
    TrashSender(const TrashSender&) = delete;
    TrashSender& operator=(const TrashSender&) = delete;

    // One result per request, in order.
    std::vector<TrashResult> Send(const std::vector<TrashRequest>& requests,
                                  const SendControl& control);
    // Closes the journal and prunes old ones; the batch's name, empty when
    // nothing went.
    std::string Finish();

  private:
    // Where the files of one drive go.
    struct Place {
        TrashResult refusal;  // moved is never set; problem kNone when usable
        std::string folder;   // holds files/ and info/
        std::string topdir;   // the drive's top folder; empty for the home trash
        int files = -1;       // files/ and info/, open
        int info = -1;
    };
    // One file on its way.
    struct File {
        std::size_t request = 0;
        struct stat st {};
        std::string folder;  // its folder, links resolved
        std::string base;
        std::string text;  // of its .trashinfo
        const Place* place = nullptr;
        int counter = 1;  // of the entry name
        std::string name;
        std::size_t index = 0;  // in the journal
        bool reserved = false;
    };

    TrashResult Prepare(const TrashRequest& request, File& file);
    // `folder` with its links resolved, asked of the system once per folder.
    const SysResult<std::string>& Resolved(const std::string& folder);
    TrashResult PlanName(File& file, std::set<std::pair<const Place*, std::string>>& planned);
    void RunChunk(std::vector<File>& chunk);
    TrashResult Reserve(File& file, bool& nameTaken);
    void MakeDurable(std::vector<File>& chunk);
    TrashResult Move(File& file, bool& nameTaken);
    TrashResult PutBack(File& file, int parent, int error);
    void Release(File& file);
    void Done(const File& file, const TrashResult& result);

    const Place& PlaceFor(dev_t device);
    Place HomePlace(dev_t device);
    Place DrivePlace(const std::string& topdir);
    TrashResult UseFolder(Place& place);
    int HomeDevice(dev_t& device);
    void CloseFolders(Place& place);

    const FileSystemCalls& fs_;
    std::string homeTrash_;
    std::string homeTrashResolved_;
    std::string journalFolder_;
    JournalWriter journal_;
    FolderChain chain_;
    std::map<dev_t, Place> places_;
    std::map<std::string, SysResult<std::string>> resolved_;  // by the folder as asked
    // The send in hand.
    const std::vector<TrashRequest>* requests_ = nullptr;
    const SendControl* control_ = nullptr;
    std::vector<TrashResult> results_;
    std::size_t done_ = 0;
    std::deque<File> again_;  // files whose name was taken at the last moment
    std::vector<std::pair<std::size_t, JournalEntry::State>> states_;
};

}  // namespace corvane
