#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <thread>

#include "support/TempDir.h"
#include "tags/SplitPath.h"
#include "tags/clsFind.h"

using namespace qsr::tags;
using qsr::testing::TempDir;
using qsr::testing::WriteAll;

namespace {

std::vector<std::string> Names(const clsFind& find, const std::string& root) {
    std::vector<std::string> names;
    for (const auto& f : find) names.push_back(f->sFilename().substr(root.size()));
    return names;
}

}  // namespace

TEST(SplitPath, Parts) {
    EXPECT_EQ(SplitPath("/a.b/file", kSplitName), "file");
    EXPECT_EQ(SplitPath("/a.b/file", kSplitExtension), "");
    EXPECT_EQ(SplitPath("/a.b/file", kSplitName | kSplitExtension), "file");
    EXPECT_EQ(SplitPath("/dir/song.live.mp3", kSplitName), "song.live");
    EXPECT_EQ(SplitPath("/dir/song.live.mp3", kSplitExtension), "mp3");
    EXPECT_EQ(SplitPath("/dir/song.live.mp3", kSplitName | kSplitExtension), "song.live.mp3");
    EXPECT_EQ(SplitPath("/dir/song.live.mp3", kSplitFolder), "/dir/");
    EXPECT_EQ(SplitPath("/dir/song.mp3", kSplitFolder | kSplitName), "/dir/song");
    EXPECT_EQ(SplitPath("song.mp3", kSplitName), "song");
    EXPECT_EQ(SplitPath("song.mp3", kSplitFolder), "");
    EXPECT_EQ(SplitPath("/dir/", kSplitName | kSplitExtension), "");
    EXPECT_EQ(SplitPath("/dir/.hidden", kSplitName), "");
    EXPECT_EQ(SplitPath("/dir/.hidden", kSplitExtension), "hidden");
    EXPECT_EQ(SplitPath("", 7), "");
}

TEST(MatchesPattern, WildcardsIgnoreCase) {
    EXPECT_TRUE(MatchesPattern("SONG.MP3", "*.mp3"));
    EXPECT_TRUE(MatchesPattern("a.mp3", "?.mp3"));
    EXPECT_FALSE(MatchesPattern("ab.mp3", "?.mp3"));
    EXPECT_FALSE(MatchesPattern("song.mp3x", "*.mp3"));
    EXPECT_TRUE(MatchesPattern("noext", "*.*"));
    EXPECT_TRUE(MatchesPattern("a.b.c.mp3", "*.*.mp3"));
    EXPECT_FALSE(MatchesPattern("song.wav", "*.mp3"));
    EXPECT_TRUE(MatchesPattern("track01.mp3", "track??.mp3"));
}

TEST(MatchesPattern, StarInTheNameIsNoObstacleAndCaseFoldsBeyondAscii) {
    // A "*" in the name must not be taken literally by the "*" of the pattern.
    EXPECT_TRUE(MatchesPattern("*x.mp3", "*.mp3"));
    EXPECT_TRUE(MatchesPattern("x*y.mp3", "x*.mp3"));
    EXPECT_TRUE(MatchesPattern("a*b*c", "*c"));
    EXPECT_FALSE(MatchesPattern("x*y.mp3", "x*.wav"));
    EXPECT_TRUE(MatchesPattern("ÉTÉ.MP3", "été.mp3"));
    EXPECT_TRUE(MatchesPattern("Жара.mp3", "жара*"));
    EXPECT_TRUE(MatchesPattern("ΣΟΦΙΑ.mp3", "σοφια.MP3"));
    // "?" is one character, not one byte.
    EXPECT_TRUE(MatchesPattern("é.mp3", "?.mp3"));
    EXPECT_FALSE(MatchesPattern("é.mp3", "??.mp3"));
    // Bytes that are not UTF-8 match only themselves.
    EXPECT_TRUE(MatchesPattern("\xE9t\xE9.mp3", "\xE9T\xE9.mp3"));
    EXPECT_FALSE(MatchesPattern("\xE9.mp3", "é.mp3"));
}

TEST(clsFind, FolderWithOrWithoutSlashAndTwoPatternsInOrder) {
    TempDir dir;
    const std::string root = dir.path().string() + "/";
    for (const char* n : {"a.wav", "b.mp3", "C.MP3", "d.txt"}) WriteAll(root + n, "x");
    std::filesystem::create_directory(root + "sub.mp3");  // a folder is never collected

    clsFind plain;
    EXPECT_EQ(plain.Find(dir.path().string(), "*.mp3", false), 2);
    clsFind slashed;
    EXPECT_EQ(slashed.Find(root, "*.mp3", false), 2);
    auto a = Names(plain, root), b = Names(slashed, root);
    std::sort(a.begin(), a.end());
    std::sort(b.begin(), b.end());
    EXPECT_EQ(a, (std::vector<std::string>{"C.MP3", "b.mp3"}));
    EXPECT_EQ(a, b);

    clsFind two;
    EXPECT_EQ(two.Find(root, "*.mp3;*.wav", false), 3);
    EXPECT_EQ(Names(two, root).back(), "a.wav");
    // Appends; a file matching two patterns counts twice; empty patterns find nothing.
    EXPECT_EQ(two.Find(root, "b.*;*.mp3", false), 6);
    EXPECT_EQ(two.Find(root, "", false), 6);
    EXPECT_EQ(two.Find(root + "missing", "*.*", true), 6);

    two.Remove(1);
    EXPECT_EQ(two.Count(), 5);
    EXPECT_EQ(two.Item(5)->sFilename(), two.NewEnum().back()->sFilename());
    EXPECT_EQ(two.Item(0), nullptr);
    EXPECT_EQ(two.Item(6), nullptr);
    two.Clear();
    EXPECT_EQ(two.Count(), 0);
}

TEST(clsFind, SubfoldersCompletelyBeforeTheFolderOwnFiles) {
    TempDir dir;
    const std::string root = dir.path().string() + "/";
    std::filesystem::create_directories(root + "A/Deep");
    WriteAll(root + "top.mp3", "x");
    WriteAll(root + "A/inner.mp3", "x");
    WriteAll(root + "A/Deep/deepest.mp3", "x");
    // A link back up must not make the search endless.
    std::filesystem::create_directory_symlink(root, root + "A/loop");

    clsFind find;
    EXPECT_EQ(find.Find(root, "*.mp3", true), 3);
    EXPECT_EQ(Names(find, root),
              (std::vector<std::string>{"A/Deep/deepest.mp3", "A/inner.mp3", "top.mp3"}));
    clsFind flat;
    EXPECT_EQ(flat.Find(root, "*.mp3", false), 1);
}

TEST(clsFile, InformationSizeNamesAndTimes) {
    TempDir dir;
    const auto path = dir.File("song.live.mp3");
    WriteAll(path, std::string(1234, 'x'));
    clsFile file;
    EXPECT_EQ(file.lSize(), 0);
    file.sFilename(path);
    EXPECT_EQ(file.lSize(), 1234);
    EXPECT_EQ(file.sName(), "song.live");
    EXPECT_EQ(file.sExtension(), "mp3");
    EXPECT_EQ(file.sNameAndExtension(), "song.live.mp3");
    EXPECT_EQ(file.eFileAttributes() & kAttrDirectory, 0u);

    // Last write time to the second, in local time.
    const std::time_t when = 1700000000;  // 2023-11-14 22:13:20 UTC
    struct timespec times[2] = {{when, 0}, {when, 999999999}};
    ASSERT_EQ(::utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    file.RefreshInfo();
    std::tm local{};
    ::localtime_r(&when, &local);
    const FileDate expected{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                            local.tm_hour,        local.tm_min,     local.tm_sec};
    EXPECT_EQ(file.dLastWriteTime(), expected);
    EXPECT_EQ(file.dLastAccessTime(), expected);
    EXPECT_EQ(file.RefreshInfo(), false);

    // A file that goes away keeps its last record.
    std::filesystem::remove(path);
    file.RefreshInfo();
    EXPECT_EQ(file.lSize(), 1234);
}

TEST(clsFile, SizesOfTwoGibAndMore) {
    TempDir dir;
    const auto path = dir.File("big.bin");
    WriteAll(path, "");
    const std::int64_t size = (std::int64_t{1} << 32) + 5;  // sparse: no disk used
    ASSERT_EQ(::truncate(path.c_str(), size), 0);
    clsFile file;
    file.sFilename(path);
    EXPECT_EQ(file.lSize(), size);
}

TEST(clsFile, ReadOnlyAttribute) {
    TempDir dir;
    const auto path = dir.File("a.mp3");
    WriteAll(path, "x");
    clsFile file;
    file.sFilename(path);
    EXPECT_EQ(file.eFileAttributes() & kAttrReadOnly, 0u);
    file.eFileAttributes(kAttrReadOnly | kAttrArchive);
    EXPECT_EQ(file.eFileAttributes(), kAttrReadOnly | kAttrArchive);
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & S_IWUSR, 0u);
    file.RefreshInfo();
    EXPECT_NE(file.eFileAttributes() & kAttrReadOnly, 0u);
    file.eFileAttributes(kAttrArchive);
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_NE(st.st_mode & S_IWUSR, 0u);
}
