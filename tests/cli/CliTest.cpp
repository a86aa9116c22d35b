// corvane-find as a user runs it: exit codes, TSV escaping, JSON, usage errors.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "actions/SavedList.h"
#include "actions/SearchTexts.h"
#include "platform/FileDigest.h"
#include "support/RunProgram.h"
#include "support/SearchTestSupport.h"
#include "support/TempDir.h"
#include "support/Unprivileged.h"

namespace corvane {
namespace {

using testing::MakeFolder;
using testing::Pattern;
using testing::Ran;
using testing::ReadFile;
using testing::RunProgram;
using testing::TempDir;
using testing::WriteFile;

// A key as corvane-find writes it (and xxh128sum): 32 lowercase hex digits.
std::string Hex(const ContentKey& key) {
    char text[33];
    std::snprintf(text, sizeof text, "%016llx%016llx", static_cast<unsigned long long>(key.high),
                  static_cast<unsigned long long>(key.low));
    return text;
}

// The TAB-separated fields of each line.
std::vector<std::vector<std::string>> Fields(const std::string& tsv) {
    std::vector<std::vector<std::string>> lines;
    std::istringstream in(tsv);
    for (std::string line; std::getline(in, line);) {
        std::vector<std::string> fields;
        std::istringstream parts(line);
        for (std::string field; std::getline(parts, field, '\t');) {
            fields.push_back(field);
        }
        lines.push_back(fields);
    }
    return lines;
}

// Runs the built corvane-find with exactly these arguments (no shell),
// through `wrapper` (a program and its arguments) when one is given.
Ran RunFind(const std::vector<std::string>& args, const std::string& scratch, const char* locale,
            const std::vector<std::string>& wrapper = {}) {
    std::vector<std::string> command = wrapper;
    command.push_back(CORVANE_FIND);
    command.insert(command.end(), args.begin(), args.end());
    // The trash and the send journal live in the test's own folder.
    std::vector<std::pair<std::string, std::string>> env = {{"HOME", scratch},
                                                            {"XDG_DATA_HOME", scratch + "/data"},
                                                            {"XDG_STATE_HOME", scratch + "/state"}};
    if (locale != nullptr) {
        env.emplace_back("LC_ALL", locale);
    }
    return RunProgram(command, scratch, env);
}

// A name that would retitle a terminal: ESC, BEL, 0x1f, DEL and the C1 CSI.
constexpr const char* kControls = "ctl\x1b]0;t\x07\x1f\x7f\xc2\x9b";

class CliTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.ok());
        MakeFolder(dir / "x");
        MakeFolder(dir / "y");
    }
    Ran Find(std::vector<std::string> args, const char* locale = nullptr,
             const std::vector<std::string>& wrapper = {}) {
        return RunFind(args, dir.path(), locale, wrapper);
    }

    TempDir dir;
};

TEST_F(CliTest, ExitStatusTellsRowsNoRowsAndFailures) {
    WriteFile(dir / "x/same", "1");
    WriteFile(dir / "x/alone", "22");
    WriteFile(dir / "y/same", "333");
    struct Case {
        std::vector<std::string> args;
        int status;
        bool rows;
        std::string err;
    } cases[] = {
        {{dir.path()}, 0, true, ""},
        {{"--close", dir.path()}, 1, false, ""},       // sizes differ
        {{"--exact", "--", dir / "x"}, 1, false, ""},  // one of each name
        {{dir / "missing", dir.path()}, 2, true, "corvane-find: '" + dir / "missing" + "': "},
        {{dir / "x/alone", dir.path()}, 2, true, "corvane-find: '" + dir / "x/alone" + "': "},
        {{"--quiet", "--slider", "5", "--format=tsv", dir.path()}, 0, true, ""},
    };
    for (const Case& c : cases) {
        const Ran run = Find(c.args);
        EXPECT_EQ(run.status, c.status) << c.args.front();
        EXPECT_EQ(!run.out.empty(), c.rows) << c.args.front();
        EXPECT_TRUE(run.err.starts_with(c.err)) << run.err;
        if (c.err.empty()) {
            EXPECT_EQ(run.err, "");  // not a terminal: no progress
        }
    }
}

TEST_F(CliTest, UsageErrorsGiveStatusTwoAndTheUsageLine) {
    const std::vector<std::vector<std::string>> cases = {
        {},
        {"--exact"},
        {"--bogus", dir.path()},
        {"--slider", "6", dir.path()},
        {"--slider", "-1", dir.path()},
        {"--slider", "x", dir.path()},
        {"--slider"},
        {"--format", "xml", dir.path()},
        {"-x", dir.path()},
        {"--keep", "largest", dir.path()},
        {"--keep"},
        {"--protect"},
        {"--verify=yes", dir.path()},
        {"--print0", "--format", "tsv", dir.path()},
        {"--undo", "--slider", "2"},
        {"--version", "extra"},
        {"--keep", "first", "--keep=oldest", dir.path()},
    };
    for (const std::vector<std::string>& args : cases) {
        const Ran run = Find(args);
        EXPECT_EQ(run.status, 2) << (args.empty() ? "" : args.front());
        EXPECT_NE(run.err.find("usage: corvane-find "), std::string::npos) << run.err;
        EXPECT_EQ(run.out, "");
    }
    EXPECT_EQ(Find({"--help"}).status, 0);
    EXPECT_TRUE(Find({"--version"}).out.starts_with("corvane-find "));
}

TEST_F(CliTest, TsvEscapesEveryAwkwardByte) {
    struct Case {
        std::string name, shown;
    } cases[] = {
        {"tab\there", "tab\\there"},
        {"line\nfeed", "line\\nfeed"},
        {"carriage\rreturn", "carriage\\rreturn"},
        {"back\\slash", "back\\\\slash"},
        {"bad\xff\xfe", "bad\\xff\\xfe"},
        {"caf\xc3\xa9", "caf\xc3\xa9"},
        {"over\xc0\xaflong", "over\\xc0\\xaflong"},  // an overlong "/" is not UTF-8
        {kControls, kControls},                      // as they are in tsv; json escapes them
    };
    std::string expected;
    for (const Case& c : cases) {
        WriteFile(dir / ("x/" + c.name), "12345");
        WriteFile(dir / ("y/" + c.name), "123");
    }
    // Rows in scan order: the x copies' names in byte order, each with its y copy.
    std::vector<Case> sorted(std::begin(cases), std::end(cases));
    std::sort(sorted.begin(), sorted.end(),
              [](const Case& a, const Case& b) { return a.name < b.name; });
    bool dark = false;
    for (const Case& c : sorted) {
        const std::string colour = dark ? "blue" : "light blue";
        expected += "Exact\t" + colour + "\t5\t5 Bytes\t" + dir.path() + "/x/" + c.shown + "\n";
        expected += "Exact\t" + colour + "\t3\t3 Bytes\t" + dir.path() + "/y/" + c.shown + "\n";
        dark = !dark;
    }
    const Ran run = Find({"--exact", "--format", "tsv", dir.path()});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, expected);

    // The json form carries the same escaped paths, and they come back whole.
    const Ran json = Find({"--exact", "--format", "json", dir.path()});
    const QJsonArray rows = QJsonDocument::fromJson(QByteArray::fromStdString(json.out)).array();
    ASSERT_EQ(static_cast<std::size_t>(rows.size()), 2 * sorted.size()) << json.out;
    for (std::size_t k = 0; k < sorted.size(); ++k) {
        std::string path;
        ASSERT_TRUE(UnescapePath(
            rows[static_cast<qsizetype>(2 * k)].toObject().value("path").toString().toStdString(),
            path));
        EXPECT_EQ(path, dir.path() + "/x/" + sorted[k].name);
    }

    // Text output and warnings are read on a terminal: no control byte of a
    // name reaches it raw.
    const Ran text = Find({"--exact", dir / (std::string("gone") + kControls), dir.path()});
    for (const std::string& shown : {text.out, text.err}) {
        EXPECT_NE(shown.find("ctl\\x1b]0;t\\x07\\x1f\\x7f\\xc2\\x9b"), std::string::npos) << shown;
        EXPECT_EQ(shown.find_first_of("\x1b\x07\x1f\x7f"), std::string::npos) << shown;
        EXPECT_EQ(shown.find("\xc2\x9b"), std::string::npos) << shown;
    }
}

TEST_F(CliTest, TsvAndJsonSizesUseCommaGroupingWhateverTheLocale) {
    WriteFile(dir / "x/big", std::string(1536 * 1024, 'b'));
    WriteFile(dir / "y/big", std::string(2000, 'b'));
    const Ran tsv = Find({"--format", "tsv", dir.path()}, "de_DE.UTF-8");
    EXPECT_EQ(tsv.out, "Exact\tlight blue\t1572864\t1.5 MB\t" + dir / "x/big" +
                           "\nExact\tlight blue\t2000\t2 KB\t" + dir / "y/big" + "\n");

    WriteFile(dir / "x/quote\"d", "");
    WriteFile(dir / "y/quote\"d", "");
    const Ran json = Find({"--format", "json", dir.path()}, "de_DE.UTF-8");
    QJsonParseError error{};
    const QJsonDocument document =
        QJsonDocument::fromJson(QByteArray::fromStdString(json.out), &error);
    ASSERT_EQ(error.error, QJsonParseError::NoError) << json.out;
    const QJsonArray rows = document.array();
    ASSERT_EQ(rows.size(), 4);
    const QJsonObject first = rows[0].toObject();
    EXPECT_EQ(first.value(QStringLiteral("type")).toString(), QStringLiteral("Exact"));
    EXPECT_EQ(first.value(QStringLiteral("colour")).toString(), QStringLiteral("light blue"));
    EXPECT_EQ(first.value(QStringLiteral("size")).toInteger(), 1572864);
    EXPECT_EQ(first.value(QStringLiteral("size_text")).toString(), QStringLiteral("1.5 MB"));
    EXPECT_EQ(first.value(QStringLiteral("path")).toString(),
              QString::fromStdString(dir / "x/big"));
    EXPECT_TRUE(QDateTime::fromString(first.value(QStringLiteral("modified")).toString(),
                                      QStringLiteral("yyyy-MM-dd'T'HH:mm:ss"))
                    .isValid());
    EXPECT_EQ(rows[2].toObject().value(QStringLiteral("path")).toString(),
              QString::fromStdString(dir / "x/quote\"d"));
    EXPECT_EQ(rows[2].toObject().value(QStringLiteral("size_text")).toString(), QString());
}

TEST_F(CliTest, VerifyAndKeepAddContentAndActionFields) {
    const std::string same(10000, 's');
    std::string middle = same;
    middle[5000] = 'm';
    WriteFile(dir / "x/same", same);
    WriteFile(dir / "y/same", same);
    WriteFile(dir / "x/diff", same);
    WriteFile(dir / "y/diff", middle);
    WriteFile(dir / "x/sized", "12345");
    WriteFile(dir / "y/sized", "123456");
    WriteFile(dir / "x/empty", "");
    WriteFile(dir / "y/empty", "");
    const std::string sameKey = Hex(DigestOfBytes(same));
    // path, CONTENT (empty: any key but the others of its group), ACTION
    const std::vector<std::vector<std::string>> expected = {
        {"x/diff", Hex(DigestOfBytes(same)), "keep"},
        {"y/diff", Hex(DigestOfBytes(middle)), "keep"},
        {"x/empty", "99aa06d3014798d86001c324468d497f", "keep"},  // XXH3-128 of no bytes
        {"y/empty", "99aa06d3014798d86001c324468d497f", "trash"},
        {"x/same", sameKey, "keep"},
        {"y/same", sameKey, "trash"},
        {"x/sized", "", "keep"},
        {"y/sized", "", "keep"},
    };

    const Ran tsv = Find({"--exact", "--verify", "--keep", "first", "--format", "tsv", dir.path()});
    EXPECT_EQ(tsv.status, 0);
    EXPECT_EQ(tsv.err, "");
    const auto lines = Fields(tsv.out);
    ASSERT_EQ(lines.size(), expected.size()) << tsv.out;
    for (std::size_t r = 0; r < lines.size(); ++r) {
        ASSERT_EQ(lines[r].size(), 7u) << tsv.out;
        EXPECT_EQ(lines[r][4], dir / expected[r][0]);
        EXPECT_EQ(lines[r][5].size(), 32u);
        if (!expected[r][1].empty()) {
            EXPECT_EQ(lines[r][5], expected[r][1]) << expected[r][0];
        }
        EXPECT_EQ(lines[r][6], expected[r][2]) << expected[r][0];
    }
    EXPECT_NE(lines[6][5], lines[7][5]);

    // --verify alone adds CONTENT; --keep implies it (a name is no proof of
    // a copy); json carries both by name.
    EXPECT_EQ(Fields(Find({"--exact", "--verify", "--format=tsv", dir.path()}).out)[0].size(), 6u);
    EXPECT_EQ(Fields(Find({"--exact", "--keep=first", "--format=tsv", dir.path()}).out), lines);
    const Ran json =
        Find({"--exact", "--verify", "--keep", "first", "--format", "json", dir.path()});
    const QJsonArray rows = QJsonDocument::fromJson(QByteArray::fromStdString(json.out)).array();
    ASSERT_EQ(rows.size(), 8);
    for (qsizetype r = 0; r < rows.size(); ++r) {
        const QJsonObject row = rows[r].toObject();
        EXPECT_EQ(row.value(QStringLiteral("content")).toString().toStdString(), lines[r][5]);
        EXPECT_EQ(row.value(QStringLiteral("action")).toString().toStdString(), lines[r][6]);
    }
}

// corvane-find as the user nobody when the tests run as root (root reads
// refused files), from a folder nobody can reach; as the caller otherwise.
struct AsNobody {
    AsNobody() {
        ::chmod(here.path().c_str(), 0755);
        find = root ? testing::ReachableProgram(CORVANE_FIND, here.path()) : CORVANE_FIND;
    }
    Ran Find(std::vector<std::string> args) const {
        args.insert(args.begin(), find);
        return root ? testing::RunAsNobody(args, here.path()) : RunProgram(args, here.path());
    }
    bool CanRun() const { return !find.empty() && Find({"--version"}).status == 0; }

    const TempDir here{testing::ReachableScratch()};
    const bool root = ::geteuid() == 0;
    std::string find;
};

TEST_F(CliTest, UnreadableFilesGetNoKeyAWarningAndAreNeverMarked) {
    // Root reads anything: as root, corvane-find runs as the user nobody, on
    // files in a folder that user can enter; anyone else is refused already.
    const AsNobody nobody;
    ASSERT_TRUE(nobody.here.ok());
    if (!nobody.CanRun()) {
        GTEST_SKIP() << "cannot run " << nobody.find << " as nobody";
    }
    const TempDir& here = nobody.here;
    const auto Find = [&](const std::vector<std::string>& args) { return nobody.Find(args); };
    MakeFolder(here / "x");
    MakeFolder(here / "y");
    WriteFile(here / "x/secret", "same bytes");
    WriteFile(here / "y/secret", "same bytes");
    WriteFile(here / "y/z", "other");
    WriteFile(here / "x/z", "other");
    ::chmod((here / "x/secret").c_str(), 0);
    const Ran tsv = Find({"--verify", "--keep", "first", "--format", "tsv", here.path()});
    EXPECT_EQ(tsv.status, 0);  // a warning, not a failure
    EXPECT_EQ(tsv.err, "corvane-find: '" + here / "x/secret" + "': Permission denied\n");
    const auto lines = Fields(tsv.out);
    ASSERT_EQ(lines.size(), 4u) << tsv.out;
    EXPECT_EQ(lines[0][4], here / "x/secret");
    EXPECT_EQ(lines[0][5], "-");
    EXPECT_EQ(lines[1][5], Hex(DigestOfBytes("same bytes")));
    EXPECT_EQ(lines[1][6], "keep");  // its only copy could not be read
    EXPECT_EQ(lines[3][6], "trash");

    const Ran json = Find({"--verify", "--format", "json", here.path()});
    const QJsonArray rows = QJsonDocument::fromJson(QByteArray::fromStdString(json.out)).array();
    ASSERT_EQ(rows.size(), 4);
    EXPECT_TRUE(rows[0].toObject().value(QStringLiteral("content")).isNull());
    EXPECT_FALSE(rows[0].toObject().contains(QStringLiteral("action")));
}

// --contents: renamed copies first, in green, groups by their first file;
// the name rules then see only the files left; without --contents nothing
// changes.
TEST_F(CliTest, ContentsListsRenamedCopiesFirstAndLeavesTheRestToTheNameRules) {
    const std::string photo = Pattern(9000, 3), report = Pattern(300, 4);
    WriteFile(dir / "x/IMG_2041.jpg", photo);
    WriteFile(dir / "y/IMG_2041 (1).jpg", photo);
    WriteFile(dir / "x/report.docx", report);
    WriteFile(dir / "y/Copy of report.docx", report);
    WriteFile(dir / "y/report.docx", Pattern(300, 5));  // its namesake is in a group
    WriteFile(dir / "x/empty", "");                     // never alike by contents
    WriteFile(dir / "y/empty", "");
    const auto rows = [&](std::vector<std::string> args, const std::string& folder = {}) {
        args.insert(args.end(), {"--format=tsv", "--", folder.empty() ? dir.path() : folder});
        const Ran run = Find(args);
        EXPECT_EQ(run.err, "");
        std::vector<std::string> lines;
        for (const auto& fields : Fields(run.out)) {
            lines.push_back(fields[0] + " " + fields[1] + " " +
                            fields[4].substr(dir.path().size() + 1));
        }
        return std::make_pair(run.status, lines);
    };
    const std::vector<std::string> same = {
        "Same light green x/IMG_2041.jpg", "Same light green y/IMG_2041 (1).jpg",
        "Same green x/report.docx", "Same green y/Copy of report.docx"};
    EXPECT_EQ(rows({"--contents"}), std::make_pair(0, same));
    std::vector<std::string> withExact = same;
    withExact.insert(withExact.end(), {"Exact light blue x/empty", "Exact light blue y/empty"});
    EXPECT_EQ(rows({"--contents", "--exact"}), std::make_pair(0, withExact));
    // Without --contents: the name rules alone, as --exact --close give them.
    const auto names = rows({});
    EXPECT_EQ(names, rows({"--exact", "--close"}));
    EXPECT_EQ(std::count(names.second.begin(), names.second.end(), "Exact light blue x/empty"), 1);
    EXPECT_EQ(rows({"--contents"}, dir / "x").first, 1);

    // --verify: a group's rows share its key, read once by the search; --keep
    // marks all but the kept file of each group.
    const auto lines = Fields(Find({"--contents", "--no-cache", "--verify", "--keep", "first",
                                    "--format=tsv", dir.path()})
                                  .out);
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[0][5], lines[1][5]);
    EXPECT_NE(lines[0][5], lines[2][5]);
    EXPECT_EQ(lines[0][5].size(), 32u);
    EXPECT_EQ((std::vector<std::string>{lines[0][6], lines[1][6], lines[2][6], lines[3][6]}),
              (std::vector<std::string>{"keep", "trash", "keep", "trash"}));
}

TEST_F(CliTest, ContentsWarnsOfUnreadableFilesWithoutChangingTheStatus) {
    // Root reads anything: as root, corvane-find runs as the user nobody, on
    // files in a folder that user can enter; anyone else is refused already.
    const AsNobody nobody;
    ASSERT_TRUE(nobody.here.ok());
    if (!nobody.CanRun()) {
        GTEST_SKIP() << "cannot run " << nobody.find << " as nobody";
    }
    const TempDir& here = nobody.here;
    const auto Find = [&](const std::vector<std::string>& args) { return nobody.Find(args); };
    MakeFolder(here / "x");
    MakeFolder(here / "y");
    WriteFile(here / "x/a", "same bytes");
    WriteFile(here / "x/b", "same bytes");
    WriteFile(here / "y/c", "same bytes");
    ::chmod((here / "y/c").c_str(), 0);
    const Ran run = Find({"--contents", "--no-cache", "--format=tsv", here.path()});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.err,
              "corvane-find: '" + here / "y/c" + "': " +
                  UngroupedReason({0, UngroupedFile::Reason::Unreadable, EACCES}).toStdString() +
                  "\n");
    EXPECT_EQ(Fields(run.out).size(), 2u);
}

TEST_F(CliTest, Print0WritesRawPathsOfEveryRowOrOfTheMarkedOnes) {
    WriteFile(dir / "x/new\nline\xff", "a");
    WriteFile(dir / "y/new\nline\xff", "b");
    WriteFile(dir / "x/copy", "c");
    WriteFile(dir / "y/copy", "c");
    const auto nul = [](const std::string& path) { return path + std::string(1, '\0'); };
    struct Case {
        std::vector<std::string> args;
        std::string out;
    } cases[] = {
        {{"--print0", "--exact", dir.path()},
         nul(dir / "x/copy") + nul(dir / "y/copy") + nul(dir / "x/new\nline\xff") +
             nul(dir / "y/new\nline\xff")},
        // Equal names are no proof: only the true copy is marked.
        {{"--print0", "--keep", "first", dir.path()}, nul(dir / "y/copy")},
    };
    for (const Case& c : cases) {
        const Ran run = Find(c.args);
        EXPECT_EQ(run.status, 0);
        EXPECT_EQ(run.out, c.out) << c.args[1];
    }
}

TEST_F(CliTest, TrashSendsTheMarkedFilesAndUndoPutsThemBack) {
    WriteFile(dir / "x/a.txt", "same");
    WriteFile(dir / "y/a.txt", "same");
    WriteFile(dir / "x/b.txt", "alone");
    const std::string trashFiles = dir / "data/Trash/files";

    Ran run = Find({"--exact", "--verify", "--keep", "first", "--trash", "--format", "tsv",
                    dir / "x", dir / "y"});
    EXPECT_EQ(run.status, 0) << run.err;
    // Only the marked row, with CONTENT, ACTION and RESULT after the path.
    ASSERT_EQ(run.out.find('\n'), run.out.size() - 1) << run.out;
    EXPECT_NE(run.out.find("\t" + dir / "y/a.txt" + "\t"), std::string::npos);
    EXPECT_TRUE(run.out.ends_with("\ttrash\ttrashed\n")) << run.out;
    EXPECT_FALSE(testing::Exists(dir / "y/a.txt"));
    EXPECT_TRUE(testing::Exists(trashFiles + "/a.txt"));

    run = Find({"--undo", "--format", "tsv"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.out, dir / "y/a.txt" + "\trestored\n");
    EXPECT_TRUE(testing::Exists(dir / "y/a.txt"));
    EXPECT_EQ(Find({"--undo"}).status, 1);  // a batch is undone once

    // A file already in the trash is never sent again: status 3.
    WriteFile(trashFiles + "/a.txt", "same");
    run =
        Find({"--exact", "--keep", "first", "--trash", "--format", "json", dir / "x", trashFiles});
    EXPECT_EQ(run.status, 3) << run.err;
    EXPECT_NE(run.out.find("\"result\": \"failed: "), std::string::npos) << run.out;
    EXPECT_TRUE(testing::Exists(trashFiles + "/a.txt"));

    // An undo with the first file's place taken again still puts the last
    // one back, and says the batch failed.
    MakeFolder(dir / "z");
    for (const char* copy : {"x/c.txt", "y/c.txt", "z/c.txt"}) {
        WriteFile(dir / copy, "copy");
    }
    run = Find({"--exact", "--keep", "first", "--trash", dir / "x", dir / "y", dir / "z"});
    ASSERT_EQ(run.status, 0) << run.err;
    WriteFile(dir / "y/c.txt", "taken");
    run = Find({"--undo", "--format", "tsv"});
    EXPECT_EQ(run.status, 3) << run.out;
    EXPECT_TRUE(run.out.ends_with(dir / "z/c.txt" + "\trestored\n")) << run.out;

    // No rows: nothing to send, status 1.
    EXPECT_EQ(Find({"--exact", "--keep", "first", "--trash", dir / "z"}).status, 1);
    EXPECT_EQ(Find({"--trash", dir / "x"}).status, 2);  // --trash needs --keep
    EXPECT_EQ(Find({"--undo", dir / "x"}).status, 2);   // --undo takes no FOLDER
    EXPECT_EQ(Find({"--keep", "first", "--trash", "--print0", dir / "x"}).status, 2);
}

TEST_F(CliTest, ProtectedFilesAreNeverMarkedNorSentNorListedAlone) {
    MakeFolder(dir / "x/inner");
    WriteFile(dir / "x/a", "copy");
    WriteFile(dir / "y/a", "copy");
    WriteFile(dir / "x/b", "both protected");
    WriteFile(dir / "x/inner/b", "both protected");
    // The protected copy is the older: "newest" would keep the other.
    const timespec old[2] = {{1000, 0}, {1000, 0}};
    ASSERT_EQ(::utimensat(AT_FDCWD, (dir / "x/a").c_str(), old, 0), 0);
    const std::vector<std::vector<std::string>> cases = {
        {"--protect", dir / "x", dir / "y"},
        {dir / "y", dir / "x", "--protect", dir / "x"},  // listed twice, once protected
        {dir.path(), "--protect=" + dir / "x"},          // protected inside a listed folder
    };
    for (const std::vector<std::string>& folders : cases) {
        std::vector<std::string> args = {"--exact", "--keep", "newest", "--format", "tsv"};
        args.insert(args.end(), folders.begin(), folders.end());
        const Ran run = Find(args);
        EXPECT_EQ(run.status, 0) << run.err;
        std::map<std::string, std::string> action;  // path: ACTION
        for (const auto& line : Fields(run.out)) {
            action[line.at(4)] = line.at(6);
        }
        EXPECT_EQ(action, (std::map<std::string, std::string>{{dir / "x/a", "keep"},
                                                              {dir / "y/a", "trash"}}))
            << run.out;
    }

    const Ran run = Find({"--exact", "--keep", "newest", "--trash", "--format", "tsv", dir.path(),
                          "--protect", dir / "x", "--protect", dir / "y"});
    EXPECT_EQ(run.status, 1) << run.err;  // every group protected: no rows, nothing sent
    EXPECT_EQ(run.out, "");
    EXPECT_TRUE(testing::Exists(dir / "y/a"));
}

}  // namespace
}  // namespace corvane
