// The digest cache file: what is stored comes back only for exactly the
// state it was stored with, a damaged, foreign or truncated file is never
// trusted, the bound keeps the entries used last, and the secret is made
// once and kept private.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cstring>
#include <string>

#include "platform/DigestCache.h"
#include "support/Files.h"
#include "support/TempDir.h"

namespace corvane {
namespace {

using testing::TempDir;

CachedDigests Entry(std::uint64_t inode, std::uint8_t known = 7) {
    CachedDigests d;
    d.state = FileStamp{FileId{2049, inode}, static_cast<std::int64_t>(inode * 100),
                        ModifiedTime{1700000000, 5}, ModifiedTime{1700000001, 6}};
    d.known = known;
    d.head = {inode, 1};
    d.tail = {inode, 2};
    d.whole = {inode, 3};
    return d;
}

const DigestSecret kSecret{{1, 2, 3}};

TEST(DigestCacheTest, EntriesComeBackOnlyForTheirExactState) {
    DigestCache cache(kSecret);
    for (const std::uint64_t inode : {5u, 3u, 9u, 3u}) {
        cache.Store(Entry(inode, inode == 9 ? 1 : 7));
    }
    DigestCache loaded(kSecret);
    ASSERT_TRUE(loaded.Parse(cache.Serialize()));
    EXPECT_EQ(loaded.Count(), 3u);
    const std::optional<CachedDigests> found = loaded.Find(Entry(9).state);
    ASSERT_TRUE(found);
    EXPECT_EQ(found->known, 1);
    EXPECT_EQ(found->whole, (ContentKey{9, 3}));
    struct Case {
        const char* name;
        void (*change)(FileStamp&);
    } cases[] = {
        {"size", [](FileStamp& s) { s.size += 1; }},
        {"modification time", [](FileStamp& s) { s.modified.nanoseconds += 1; }},
        {"change time alone", [](FileStamp& s) { s.changed.nanoseconds += 1; }},
        {"inode", [](FileStamp& s) { s.id.inode = 4; }},
        {"device", [](FileStamp& s) { s.id.device = 7; }},
    };
    for (const Case& c : cases) {
        FileStamp state = Entry(5).state;
        c.change(state);
        EXPECT_FALSE(loaded.Find(state)) << c.name;
    }
}

TEST(DigestCacheTest, DamagedForeignOrTruncatedFilesAreNeverTrusted) {
    DigestCache cache(kSecret);
    cache.Store(Entry(1));
    cache.Store(Entry(2));
    const std::string good = cache.Serialize();
    DigestCache reader(kSecret);
    ASSERT_TRUE(reader.Parse(good));
    // Every single flipped bit anywhere: header, entries, checksum.
    for (std::size_t at = 0; at < good.size(); ++at) {
        std::string bad = good;
        bad[at] = static_cast<char>(bad[at] ^ 0x10);
        EXPECT_FALSE(reader.Parse(bad)) << "byte " << at;
        EXPECT_EQ(reader.Count(), 0u);
    }
    for (std::size_t size : {std::size_t{0}, std::size_t{47}, good.size() - 1, good.size() / 2}) {
        EXPECT_FALSE(reader.Parse(std::string_view(good).substr(0, size))) << size;
    }
    EXPECT_FALSE(reader.Parse(good + "x"));
    DigestCache otherSecret(DigestSecret{{9}});
    EXPECT_FALSE(otherSecret.Parse(good));
}

TEST(DigestCacheTest, TheBoundKeepsTheEntriesStoredLast) {
    TempDir dir;
    DigestCache first(kSecret, 3);
    for (std::uint64_t inode = 1; inode <= 3; ++inode) {
        first.Store(Entry(inode));
    }
    ASSERT_TRUE(first.Save(dir.path()).ok());
    DigestCache second(kSecret, 3);
    ASSERT_TRUE(second.Load(dir.path()));
    second.Store(Entry(2));  // used again in this run
    EXPECT_FALSE(second.Changed());
    second.Store(Entry(10));
    EXPECT_TRUE(second.Changed());
    ASSERT_TRUE(second.Save(dir.path()).ok());
    DigestCache third(kSecret, 3);
    ASSERT_TRUE(third.Load(dir.path()));
    EXPECT_EQ(third.Count(), 3u);
    EXPECT_TRUE(third.Find(Entry(10).state));
    EXPECT_TRUE(third.Find(Entry(2).state));
    EXPECT_NE(third.Find(Entry(1).state).has_value(), third.Find(Entry(3).state).has_value());
    struct stat st {};
    ASSERT_EQ(::stat((dir.path() + "/digests").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
}

TEST(DigestCacheTest, TheSecretIsMadeOnceAndPrivate) {
    TempDir dir;
    const std::string folder = dir / "a/b";
    const LoadedSecret made = LoadOrMakeSecret(folder);
    ASSERT_TRUE(made.stored);
    EXPECT_EQ(LoadOrMakeSecret(folder).secret.bytes, made.secret.bytes);
    struct stat st {};
    ASSERT_EQ(::stat((folder + "/digest-secret").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    ASSERT_EQ(::stat(folder.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    // A damaged secret is replaced; where none can be stored, one for the run.
    testing::WriteFile(folder + "/digest-secret", "short");
    const LoadedSecret remade = LoadOrMakeSecret(folder);
    EXPECT_TRUE(remade.stored);
    EXPECT_NE(remade.secret.bytes, made.secret.bytes);
    testing::WriteFile(dir / "file");
    EXPECT_FALSE(LoadOrMakeSecret(dir / "file/below").stored);
}

TEST(DigestCacheTest, OnlyFileSystemsThatKeepTheirInodeNumbersAreCached) {
    struct Case {
        long type;
        bool stable;
    } cases[] = {
        {0xEF53, true},                          // ext4
        {0x58465342, true},                      // XFS
        {0x9123683E, true},                      // Btrfs
        {0x01021994, true},                      // tmpfs
        {0x6969, false},                         // NFS
        {static_cast<long>(0xFF534D42), false},  // CIFS
        {static_cast<long>(0xFE534D42), false},  // SMB2
        {0x65735546, false},                     // FUSE
        {0x01021997, false},                     // 9P
    };
    for (const Case& c : cases) {
        EXPECT_EQ(InodesAreStable(c.type), c.stable) << std::hex << c.type;
    }
}

}  // namespace
}  // namespace corvane
