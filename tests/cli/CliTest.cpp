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
#include <sstream>
#include <string>
#include <vector>

#include "support/SearchTestSupport.h"
#include "support/TempDir.h"

namespace corvane {
namespace {

using testing::MakeFile;
using testing::MakeFolder;
using testing::TempDir;

struct Ran {
    int status = -1;
    std::string out, err;
};

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// Runs the built corvane-find with exactly these arguments (no shell).
Ran RunFind(const std::vector<std::string>& args, const std::string& scratch, const char* locale) {
    const std::string outPath = scratch + "/.out", errPath = scratch + "/.err";
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int out = ::open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int err = ::open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(out, STDOUT_FILENO);
        ::dup2(err, STDERR_FILENO);
        if (locale != nullptr) {
            ::setenv("LC_ALL", locale, 1);
        }
        std::vector<char*> argv{const_cast<char*>(CORVANE_FIND)};
        for (const std::string& arg : args) {
            argv.push_back(const_cast<char*>(arg.c_str()));
        }
        argv.push_back(nullptr);
        ::execv(CORVANE_FIND, argv.data());
        ::_exit(127);
    }
    Ran run;
    int status = 0;
    ::waitpid(pid, &status, 0);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.out = ReadAll(outPath);
    run.err = ReadAll(errPath);
    return run;
}

class CliTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.ok());
        MakeFolder(dir / "x");
        MakeFolder(dir / "y");
    }
    Ran Find(std::vector<std::string> args, const char* locale = nullptr) {
        return RunFind(args, dir.path(), locale);
    }

    TempDir dir;
};

TEST_F(CliTest, ExitStatusTellsRowsNoRowsAndFailures) {
    MakeFile(dir / "x/same", "1");
    MakeFile(dir / "x/alone", "22");
    MakeFile(dir / "y/same", "333");
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
    };
    std::string expected;
    for (const Case& c : cases) {
        MakeFile(dir / ("x/" + c.name), "12345");
        MakeFile(dir / ("y/" + c.name), "123");
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
}

TEST_F(CliTest, TsvAndJsonSizesUseCommaGroupingWhateverTheLocale) {
    MakeFile(dir / "x/big", std::string(1536 * 1024, 'b'));
    MakeFile(dir / "y/big", std::string(2000, 'b'));
    const Ran tsv = Find({"--format", "tsv", dir.path()}, "de_DE.UTF-8");
    EXPECT_EQ(tsv.out, "Exact\tlight blue\t1572864\t1.5 MB\t" + dir / "x/big" +
                           "\nExact\tlight blue\t2000\t2 KB\t" + dir / "y/big" + "\n");

    MakeFile(dir / "x/quote\"d", "");
    MakeFile(dir / "y/quote\"d", "");
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

}  // namespace
}  // namespace corvane
