// Phase 1 on trees made to trip it: odd names, paths past PATH_MAX, deep and
// wide trees, links and loops, FIFOs and sockets, folders that vanish or are
// swapped mid-walk, folders an ordinary user may not read or search. Each case
// checks what is catalogued, what is reported, and that nothing from outside
// the tree gets in.
#include <dirent.h>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <fstream>
#include <functional>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "platform/ErrnoText.h"
#include "search/FindDupes.h"
#include "search/FolderScan.h"
#include "support/RunProgram.h"
#include "support/SearchTestSupport.h"
#include "support/TempDir.h"
#include "support/Unprivileged.h"

namespace corvane {
namespace {

using testing::MakeFolder;
using testing::Ran;
using testing::RecordingObserver;
using testing::RunAsNobody;
using testing::TempDir;
using testing::WriteFile;

// Opens a folder of any length one component at a time (open() refuses a
// path of PATH_MAX bytes or more). -1 on failure.
int OpenLong(const std::string& path) {
    int fd = ::open(path.starts_with("/") ? "/" : ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    std::size_t start = 0;
    while (fd >= 0 && start < path.size()) {
        std::size_t end = path.find('/', start);
        end = end == std::string::npos ? path.size() : end;
        if (end > start) {
            const std::string part = path.substr(start, end - start);
            const int next = ::openat(fd, part.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
            ::close(fd);
            fd = next;
        }
        start = end + 1;
    }
    return fd;
}

// Makes `levels` folders named `name`, each inside the last, below `base`;
// `at(fd, level)` may fill each (level 1 is the first made). Returns the
// deepest folder's path.
std::string MakeChain(const std::string& base, const std::string& name, int levels,
                      const std::function<void(int, int)>& at = {}) {
    int fd = OpenLong(base);
    std::string path = base;
    for (int level = 1; level <= levels && fd >= 0; ++level) {
        ::mkdirat(fd, name.c_str(), 0755);
        const int next = ::openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ::close(fd);
        fd = next;
        path += "/" + name;
        if (at && fd >= 0) {
            at(fd, level);
        }
    }
    ::close(fd);
    return path;
}

void MakeFileAt(int folder, const std::string& name, const std::string& content = "") {
    const int fd = ::openat(folder, name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd >= 0) {
        (void)!::write(fd, content.data(), content.size());
        ::close(fd);
    }
}

// lstat of a file in a folder of any length.
struct stat StatLong(const std::string& folder, const std::string& name) {
    struct stat st {};
    const int fd = OpenLong(folder);
    ::fstatat(fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW);
    ::close(fd);
    return st;
}

// Removes a tree of any depth holding two descriptors at most (TempDir's
// nftw gives up on paths past PATH_MAX).
void RemoveTree(const std::string& path) {
    int fd = OpenLong(path);
    std::vector<std::string> below;  // the folders entered, outermost first
    while (fd >= 0) {
        ::fchmod(fd, 0755);
        DIR* dir = ::fdopendir(::dup(fd));
        std::string folder;
        while (const dirent* entry = dir != nullptr ? ::readdir(dir) : nullptr) {
            const std::string name = entry->d_name;
            if (name == "." || name == "..") {
                continue;
            }
            struct stat st {};
            if (::fstatat(fd, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode)) {
                folder = name;
                break;
            }
            ::unlinkat(fd, name.c_str(), 0);
        }
        if (dir != nullptr) {
            ::closedir(dir);
        }
        if (!folder.empty()) {
            const int next = ::openat(fd, folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW);
            if (next < 0) {
                ::fchmodat(fd, folder.c_str(), 0755, 0);
                continue;
            }
            ::close(fd);
            fd = next;
            below.push_back(folder);
            continue;
        }
        if (below.empty()) {
            ::close(fd);
            ::rmdir(path.c_str());
            return;
        }
        const int parent = ::openat(fd, "..", O_RDONLY | O_DIRECTORY);
        ::close(fd);
        fd = parent;
        ::unlinkat(fd, below.back().c_str(), AT_REMOVEDIR);
        below.pop_back();
    }
}

int OpenDescriptors() {
    int count = 0;
    DIR* dir = ::opendir("/proc/self/fd");
    while (dir != nullptr && ::readdir(dir) != nullptr) {
        ++count;
    }
    if (dir != nullptr) {
        ::closedir(dir);
    }
    return count;
}

// Lowers the soft limit on open descriptors for one scope.
class DescriptorLimit {
  public:
    explicit DescriptorLimit(rlim_t limit) {
        ::getrlimit(RLIMIT_NOFILE, &saved_);
        rlimit lowered = saved_;
        lowered.rlim_cur = std::min<rlim_t>(limit, saved_.rlim_max);
        ::setrlimit(RLIMIT_NOFILE, &lowered);
    }
    ~DescriptorLimit() { ::setrlimit(RLIMIT_NOFILE, &saved_); }

  private:
    rlimit saved_{};
};

// A walk of `folder` on one thread, so that folders are opened and let go
// in the same order every run; `hook` runs as each folder is listed. Paths
// are relative to `folder`: its files, and its folders that were skipped.
struct Walked {
    std::vector<std::string> files, skipped;
};
Walked WalkOnOneThread(const std::string& folder,
                       std::function<void(const std::string&)> hook = {}) {
    FolderWalk walk(1);
    walk.Start(folder + "/", nullptr, std::move(hook));
    EXPECT_TRUE(walk.Wait(std::chrono::seconds(60)));
    Walked walked;
    for (std::uint32_t k = 0; k < walk.Folders().size(); ++k) {
        const std::string path = walk.PathOf(k).substr(folder.size() + 1);
        if (walk.Folders()[k].error != 0) {
            walked.skipped.push_back(path);
        }
        walk.Folders()[k].files.ForEach([&](std::string_view name, const FileStamp&) {
            walked.files.push_back(path + std::string(name));
        });
    }
    return walked;
}

class HostileTreeTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.ok());
        tree = dir / "tree";
        outside = dir / "outside";
        MakeFolder(tree);
        MakeFolder(outside);
        for (const char* name : {"outside-1", "outside-2"}) {
            WriteFile(outside + "/" + name, "x");
        }
    }
    void TearDown() override { RemoveTree(tree); }

    // Catalogue entries as full paths, after a scan of `folder` with `hook`
    // run once each folder is listed.
    std::vector<std::string> Scan(const std::string& folder,
                                  std::function<void(const std::string&)> hook = {}) {
        catalogue.Reset();
        observer.skipped.clear();
        StopCheck check(stop);
        FolderScan scan(catalogue, observer, check);
        scan.SetListedHook(std::move(hook));
        scan.ScanFolder(folder);
        std::vector<std::string> paths;
        for (std::size_t i = 0; i < catalogue.FileCount(); ++i) {
            paths.push_back(catalogue.FullPath(i));
        }
        return paths;
    }

    // True when some entry is a file of the outside tree (by device and
    // inode, whatever path it was catalogued under).
    bool OutsideFileListed() const {
        std::set<std::pair<std::uint64_t, std::uint64_t>> ids;
        DIR* folder = ::opendir(outside.c_str());
        while (const dirent* entry = folder != nullptr ? ::readdir(folder) : nullptr) {
            struct stat st {};
            if (::fstatat(::dirfd(folder), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 &&
                S_ISREG(st.st_mode)) {
                ids.emplace(st.st_dev, st.st_ino);
            }
        }
        if (folder != nullptr) {
            ::closedir(folder);
        }
        for (std::size_t i = 0; i < catalogue.FileCount(); ++i) {
            if (ids.contains({catalogue.Id(i).device, catalogue.Id(i).inode}) ||
                catalogue.FileName(i).starts_with("outside-")) {
                return true;
            }
        }
        return false;
    }

    TempDir dir;
    std::optional<TempDir> reachable;  // for a test that runs as nobody
    std::string tree, outside;
    StopToken stop;
    RecordingObserver observer;
    FileCatalogue catalogue;
};

TEST_F(HostileTreeTest, OddNamesOfFilesAndFoldersAreKeptAsTheirBytes) {
    // In byte order; each is a folder holding a file of the same name, and a
    // file "f" + name sits beside the folders.
    const std::vector<std::string> names = {" lead",       "*?[glob]",           "-dash",
                                            "back\\slash", "bad\xff\xfeutf8",    "new\nline",
                                            "tab\tname",   std::string(255, 'x')};
    ASSERT_TRUE(std::is_sorted(names.begin(), names.end()));
    for (const std::string& name : names) {
        MakeFolder(tree + "/" + name);
        WriteFile(tree + "/" + name + "/" + name);
        WriteFile(tree + "/f" + name.substr(0, 254));
    }
    std::vector<std::string> expected;
    for (const std::string& name : names) {
        expected.push_back(tree + "/f" + name.substr(0, 254));
    }
    std::sort(expected.begin(), expected.end());
    for (const std::string& name : names) {
        expected.push_back(tree + "/" + name + "/" + name);
    }
    EXPECT_EQ(Scan(tree), expected);
    EXPECT_TRUE(observer.skipped.empty());
}

TEST_F(HostileTreeTest, PathsPastPathMaxAreWalkedAndTheirRowsRead) {
    // Each case puts a twin of a top-level file deep down; a whole search must
    // list both, with the deep one's size and time read like any other.
    struct Case {
        const char* what;
        int levels;  // folders of 200 bytes below the tree
        std::size_t nameBytes;
    } cases[] = {
        {"folder short of 4096 bytes, file path past it", 19, 250},
        {"folder path past 4096 bytes", 21, 20},
        {"folder path past 8192 bytes", 42, 20},
    };
    const std::string component(200, 'p');
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string name = std::string(c.nameBytes - 4, 'n') + ".bin";
        const std::string top = tree + "/" + c.what;
        MakeFolder(top);
        WriteFile(top + "/" + name, "12345");
        const std::string deep = MakeChain(top, component, c.levels, [&](int fd, int level) {
            if (level == c.levels) {
                MakeFileAt(fd, name, "12345");
            }
        });
        ASSERT_GT(deep.size() + 1 + name.size(), 4096u);

        ResultRows rows;
        observer.options = SearchOptions{true, true, 3};
        EXPECT_EQ(FindDupes({top}, catalogue, stop, observer, rows), SearchOutcome::Finished);
        EXPECT_TRUE(observer.skipped.empty());
        ASSERT_EQ(rows.size(), 2u);
        EXPECT_EQ(rows[0].path, top + "/" + name);
        EXPECT_EQ(rows[1].path, deep + "/" + name);
        for (const ResultRow& row : rows) {
            const std::string folder = row.path.substr(0, row.path.rfind('/'));
            EXPECT_TRUE(row.stamped);
            EXPECT_EQ(row.stamp, StampOf(StatLong(folder, name)));
            EXPECT_EQ(row.stamp.size, 5);
        }
        RemoveTree(top);
    }
}

// The deep tree: a chain of 10,000 folders "d", each level also holding a
// folder "e", which the walk reaches only after the whole chain below it, so
// it must find its way back to every level. A file "f" sits in every 500th
// level and at the bottom, a file "g" in every 500th "e". Made once per build
// folder and only read: 20,000 folders take a minute to delete on a disk
// mounted with online discard.
constexpr int kDeepLevels = 10000;

std::string DeepTree() {
    const std::string path = CORVANE_TEST_SCRATCH "/deep-tree-10000";
    if (::access((path + "/.complete").c_str(), F_OK) == 0) {
        return path;
    }
    const std::string partial = path + ".partial-" + std::to_string(::getpid());
    MakeFolder(partial);
    MakeChain(partial, "d", kDeepLevels, [](int fd, int level) {
        if (level % 500 == 0 || level == kDeepLevels) {
            MakeFileAt(fd, "f");
        }
        if (level < kDeepLevels) {
            ::mkdirat(fd, "e", 0755);
            if (level % 500 == 0) {
                const int leaf = ::openat(fd, "e", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
                MakeFileAt(leaf, "g");
                ::close(leaf);
            }
        }
    });
    WriteFile(partial + "/.complete");  // hidden: not walked
    if (::rename(partial.c_str(), path.c_str()) != 0) {
        RemoveTree(partial);  // another test process made it first
    }
    return path;
}

TEST_F(HostileTreeTest, DeepTreesAreWalkedWithinTheDescriptorLimit) {
    const std::string top = DeepTree();
    // Pre-order, "d" before "e": down the chain, then the leaves bottom up.
    std::vector<std::string> expected, leafFiles;
    std::string path = top;
    for (int level = 1; level <= kDeepLevels; ++level) {
        path += "/d";
        if (level % 500 == 0 || level == kDeepLevels) {
            expected.push_back(path + "/f");
        }
        if (level % 500 == 0 && level < kDeepLevels) {
            leafFiles.push_back(path + "/e/g");
        }
    }
    expected.insert(expected.end(), leafFiles.rbegin(), leafFiles.rend());

    // The default limit, and one that leaves the walk 16 folders open.
    for (const rlim_t limit : {1024, 64}) {
        SCOPED_TRACE("limit " + std::to_string(limit));
        const int before = OpenDescriptors();
        std::vector<std::string> paths;
        {
            DescriptorLimit lowered(limit);
            paths = Scan(top);
        }
        EXPECT_EQ(OpenDescriptors(), before);
        EXPECT_TRUE(observer.skipped.empty()) << observer.skipped.size() << " skipped";
        EXPECT_TRUE(paths == expected)
            << paths.size() << " entries, " << expected.size() << " expected";
        EXPECT_EQ(catalogue.FileCount() > 0 ? catalogue.FullPath(0) : "", expected.front());
    }
}

TEST_F(HostileTreeTest, FoldersOpenedAgainDownFromAnAncestorLeakNoDescriptor) {
    // Three subfolders in every folder down to depth 6, a file in each at the
    // bottom. At a limit of 16 the walk keeps 4 folders open, so it lets go
    // of folders it still needs and opens them again from an ancestor, name
    // by name: a descriptor left open on the way soon costs folders to EMFILE.
    std::function<void(const std::string&, int)> make = [&](const std::string& at, int depth) {
        if (depth == 6) {
            WriteFile(at + "/f");
            return;
        }
        for (const char* name : {"a", "b", "c"}) {
            MakeFolder(at + "/" + name);
            make(at + "/" + name, depth + 1);
        }
    };
    make(tree, 0);
    const int before = OpenDescriptors();
    Walked walked;
    {
        DescriptorLimit lowered(16);
        walked = WalkOnOneThread(tree);
    }
    EXPECT_EQ(OpenDescriptors(), before);
    EXPECT_EQ(walked.skipped, std::vector<std::string>{});
    EXPECT_EQ(walked.files.size(), 729u);
}

TEST_F(HostileTreeTest, GoingBackUpRefusesAParentThatIsNoLongerTheListedOne) {
    // tree/p holds a and s; below a, folders of two subfolders each, deep
    // enough that at a limit of 16 (4 folders open) p is let go while a's
    // tree is walked. Once a's last subfolder is listed, a moves outside: its
    // ".." is no longer p. The walk must refuse it and reach p again down
    // from the tree, so s is still listed.
    for (const char* folder :
         {"p", "p/s", "p/a", "p/a/y1", "p/a/y2", "p/a/y1/z1", "p/a/y1/z2", "p/a/y1/z1/w1",
          "p/a/y1/z1/w2", "p/a/y1/z1/w1/v1", "p/a/y1/z1/w1/v2"}) {
        MakeFolder(tree + "/" + folder);
    }
    WriteFile(tree + "/p/s/in-s");
    Walked walked;
    {
        DescriptorLimit lowered(16);
        walked = WalkOnOneThread(tree, [&](const std::string& folder) {
            if (folder == tree + "/p/a/y2/") {
                ::rename((tree + "/p/a").c_str(), (outside + "/moved").c_str());
            }
        });
    }
    EXPECT_EQ(walked.files, std::vector<std::string>{"p/s/in-s"});
    EXPECT_EQ(walked.skipped, std::vector<std::string>{});
    RemoveTree(outside + "/moved");
}

TEST_F(HostileTreeTest, WideFoldersKeepByteOrder) {
    // 3,000 files and 300 subfolders (one file each) in one folder, made in
    // reverse so that the folder's own order is not byte order.
    std::vector<std::string> expected, folders;
    for (int i = 2999; i >= 0; --i) {
        WriteFile(tree + "/file" + std::to_string(i));
    }
    for (int i = 299; i >= 0; --i) {
        MakeFolder(tree + "/sub" + std::to_string(i));
        WriteFile(tree + "/sub" + std::to_string(i) + "/in");
    }
    for (int i = 0; i < 3000; ++i) {
        expected.push_back(tree + "/file" + std::to_string(i));
    }
    for (int i = 0; i < 300; ++i) {
        folders.push_back(tree + "/sub" + std::to_string(i) + "/in");
    }
    std::sort(expected.begin(), expected.end());
    std::sort(folders.begin(), folders.end());
    expected.insert(expected.end(), folders.begin(), folders.end());
    EXPECT_EQ(Scan(tree), expected);
}

TEST_F(HostileTreeTest, LinksFifosAndSocketsAreNeverFollowedOrOpened) {
    WriteFile(tree + "/plain");
    MakeFolder(tree + "/sub");
    WriteFile(tree + "/sub/inner");
    ASSERT_EQ(::symlink(outside.c_str(), (tree + "/to-outside").c_str()), 0);
    ASSERT_EQ(::symlink((outside + "/outside-1").c_str(), (tree + "/to-outside-file").c_str()), 0);
    ASSERT_EQ(::symlink("..", (tree + "/sub/up").c_str()), 0);
    ASSERT_EQ(::symlink("loop", (tree + "/loop").c_str()), 0);
    ASSERT_EQ(::symlink("sub", (tree + "/sub-again").c_str()), 0);
    // A FIFO with no writer would block an open() for ever.
    ASSERT_EQ(::mkfifo((tree + "/fifo").c_str(), 0644), 0);
    const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::string socketPath = tree + "/socket";
    ASSERT_LT(socketPath.size(), sizeof address.sun_path);
    socketPath.copy(address.sun_path, socketPath.size());
    ASSERT_EQ(::bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);

    // Named through a link, the tree is walked (the user chose it); inside
    // it no link is followed.
    const std::string viaLink = dir / "via-link";
    ASSERT_EQ(::symlink(tree.c_str(), viaLink.c_str()), 0);
    for (const std::string& named : {tree, viaLink}) {
        EXPECT_EQ(Scan(named), (std::vector<std::string>{named + "/plain", named + "/sub/inner"}));
        EXPECT_TRUE(observer.skipped.empty());
        EXPECT_FALSE(OutsideFileListed());
    }
    ::close(sock);
}

TEST_F(HostileTreeTest, FoldersSwappedOrRemovedMidWalkNeverLeadOutside) {
    // tree/a/b/c/in-c, and an outside tree of the same shape. Each case
    // changes the tree once `when` has been listed, before anything inside it
    // is opened.
    const auto makeShape = [](const std::string& base, const std::string& file) {
        MakeFolder(base + "/a");
        MakeFolder(base + "/a/b");
        MakeFolder(base + "/a/b/c");
        WriteFile(base + "/a/b/c/" + file, "x");
    };
    struct Case {
        const char* what;
        std::string when;  // relative to the tree, ending in "/"
        std::function<void()> change;
        std::vector<std::string> listed;  // relative to the tree
        std::vector<std::string> skipped;
    } cases[] = {
        // Opening c by its full path would go through the link at a.
        {"a folder above, swapped for a link to outside",
         "a/b/",
         [&] {
             ::rename((tree + "/a").c_str(), (tree + "/a-old").c_str());
             ::symlink((outside + "/a").c_str(), (tree + "/a").c_str());
         },
         {"a/b/c/in-c"},
         {}},
        // The folder itself moved outside, a link to it in its place: the
        // link leads to the very folder that was listed, so only refusing
        // links (no trailing "/", O_NOFOLLOW) keeps it out.
        {"the folder, moved outside and linked",
         "",
         [&] {
             ::rename((tree + "/a").c_str(), (outside + "/moved").c_str());
             ::symlink((outside + "/moved").c_str(), (tree + "/a").c_str());
         },
         {},
         {"a/"}},
        // A real folder from outside in its place: no link anywhere, but not
        // the folder that was listed.
        {"the folder, swapped for another folder",
         "",
         [&] {
             ::rename((tree + "/a").c_str(), (tree + "/a-old").c_str());
             ::rename((outside + "/a").c_str(), (tree + "/a").c_str());
         },
         {},
         {"a/"}},
        {"the folder, removed",
         "a/b/",
         [&] {
             std::remove((tree + "/a/b/c/in-c").c_str());
             ::rmdir((tree + "/a/b/c").c_str());
         },
         {},
         {"a/b/c/"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        RemoveTree(outside + "/moved");
        RemoveTree(outside + "/a");
        makeShape(outside, "outside-c");
        RemoveTree(tree);
        MakeFolder(tree);
        makeShape(tree, "in-c");
        const std::vector<std::string> paths = Scan(tree, [&](const std::string& folder) {
            if (folder == tree + "/" + c.when) {
                c.change();
            }
        });
        std::vector<std::string> listed, skipped;
        for (const std::string& path : paths) {
            listed.push_back(path.substr(tree.size() + 1));
        }
        for (const auto& [path, error] : observer.skipped) {
            skipped.push_back(path.substr(tree.size() + 1));
            EXPECT_NE(error, 0);
        }
        EXPECT_FALSE(OutsideFileListed());
        EXPECT_EQ(listed, c.listed);
        EXPECT_EQ(skipped, c.skipped);
    }
    RemoveTree(outside + "/moved");
}

TEST_F(HostileTreeTest, FoldersAnOrdinaryUserMayNotReadOrSearchAreReported) {
    // corvane-find run as the user nobody on a tree everyone may read, in a
    // folder that user can enter. Every folder holds "same"; only those of
    // "ok" and "ok2" may be listed.
    reachable.emplace(testing::ReachableScratch());
    ASSERT_TRUE(reachable->ok());
    ASSERT_EQ(::chmod(reachable->path().c_str(), 0755), 0);
    tree = *reachable / "tree";
    MakeFolder(tree);
    const std::string scratch = *reachable / "scratch";
    MakeFolder(scratch);
    const std::string find = testing::ReachableProgram(CORVANE_FIND, scratch);
    struct Refused {
        const char* name;
        mode_t mode;
    } refused[] = {
        {"no-search", 0644},  // names readable, but no entry may be looked at
        {"no-read", 0311},    // may be entered, not listed
        {"neither", 0000},
    };
    for (const char* name : {"ok", "ok2"}) {
        MakeFolder(tree + "/" + name);
        WriteFile(tree + "/" + name + "/same", "12");
    }
    for (const Refused& r : refused) {
        MakeFolder(tree + "/" + r.name);
        WriteFile(tree + "/" + r.name + "/same", "12");
        MakeFolder(tree + "/" + r.name + "/below");
        WriteFile(tree + "/" + r.name + "/below/same", "12");
        ASSERT_EQ(::chmod((tree + "/" + r.name).c_str(), r.mode), 0);
    }
    const Ran probe = RunAsNobody({find, "--version"}, scratch);
    if (probe.status != 0) {
        GTEST_SKIP() << "cannot run " << find << " as nobody (setpriv or runuser): " << probe.err;
    }

    // A refused folder inside the walk: warned about, the search goes on.
    Ran ran = RunAsNobody({find, "--exact", "--format", "tsv", tree}, scratch);
    EXPECT_EQ(ran.status, 0) << ran.err;
    EXPECT_EQ(ran.out, "Exact\tlight blue\t2\t2 Bytes\t" + tree + "/ok/same\n" +
                           "Exact\tlight blue\t2\t2 Bytes\t" + tree + "/ok2/same\n");
    const std::string denied = "': " + ErrnoText(EACCES).toStdString() + "\n";
    std::string warnings;
    for (const char* name : {"neither", "no-read", "no-search"}) {
        warnings += "corvane-find: '" + tree + "/" + name + "/" + denied;
    }
    EXPECT_EQ(ran.err, warnings);

    // A refused folder named on the command line: warned about as given,
    // exit status 2.
    ran = RunAsNobody({find, "--exact", tree + "/no-search", tree + "/ok"}, scratch);
    EXPECT_EQ(ran.status, 2);
    EXPECT_EQ(ran.err, "corvane-find: '" + tree + "/no-search" + denied);
}

}  // namespace
}  // namespace corvane
