#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "core/AtomicFile.h"
#include "support/TempDir.h"

namespace {

using qsr::core::WriteFileAtomically;
using qsr::testing::ReadAll;
using qsr::testing::TempDir;
using qsr::testing::WriteAll;
namespace fs = std::filesystem;

mode_t Mode(const std::string& path) {
    struct stat st {};
    ::stat(path.c_str(), &st);
    return st.st_mode & 07777;
}

TEST(AtomicFile, ReplacesTheContentAndLeavesNoTemporaryFileBehind) {
    TempDir dir;
    const std::string path = dir.File("settings.dat");
    ASSERT_TRUE(WriteFileAtomically(path, "first"));
    ASSERT_TRUE(WriteFileAtomically(path, "second, longer"));
    EXPECT_EQ(ReadAll(path), "second, longer");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

TEST(AtomicFile, KeepsTheModeAndWritesThroughALinkToItsTarget) {
    TempDir dir;
    const std::string target = dir.File("real.dat");
    const std::string link = dir.File("link.dat");
    WriteAll(target, "old");
    ::chmod(target.c_str(), 0640);
    fs::create_symlink(target, link);
    ASSERT_TRUE(WriteFileAtomically(link, "new"));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(ReadAll(target), "new");
    EXPECT_EQ(Mode(target), 0640u);
}

TEST(AtomicFile, LeavesWhatItMayNotOrCannotReplaceUntouched) {
    TempDir dir;
    // A folder under the name: not a regular file.
    fs::create_directory(dir.File("folder.dat"));
    std::string error;
    EXPECT_FALSE(WriteFileAtomically(dir.File("folder.dat"), "x", &error));
    EXPECT_NE(error.find("not a regular file"), std::string::npos);
    EXPECT_TRUE(fs::is_directory(dir.File("folder.dat")));
    // A missing folder: the reason names it.
    EXPECT_FALSE(WriteFileAtomically(dir.File("missing/a.dat"), "x", &error));
    EXPECT_NE(error.find("missing"), std::string::npos);
    // A read-only file keeps its content (root may write anything, so only
    // an ordinary user sees the refusal).
    if (::geteuid() != 0) {
        const std::string locked = dir.File("locked.dat");
        WriteAll(locked, "keep");
        ::chmod(locked.c_str(), 0444);
        EXPECT_FALSE(WriteFileAtomically(locked, "lost"));
        EXPECT_EQ(ReadAll(locked), "keep");
    }
}

}  // namespace
