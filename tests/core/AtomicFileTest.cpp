#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
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
    // A read-only file keeps its content. Root may write anything, so as root
    // the check runs in a child that has become an ordinary user.
    ::chmod(dir.path().c_str(), 0777);
    const std::string locked = dir.File("locked.dat");
    const pid_t child = ::fork();
    if (child == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(2);
        WriteAll(locked, "keep");
        ::chmod(locked.c_str(), 0444);
        const bool refused = !WriteFileAtomically(locked, "lost");
        ::_exit(refused && ReadAll(locked) == "keep" ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

}  // namespace

namespace {

// A replacing copy would leave the other names on the old content: refused.
// A new file takes the process's default mode (here umask 027).
TEST(AtomicFile, RefusesHardLinksAndGivesNewFilesTheDefaultMode) {
    TempDir dir;
    const std::string path = dir.File("schedule.dat");
    WriteAll(path, "old");
    fs::create_hard_link(path, dir.File("other-name.dat"));
    std::string error;
    EXPECT_FALSE(WriteFileAtomically(path, "new", &error));
    EXPECT_NE(error.find("hard links"), std::string::npos) << error;
    EXPECT_EQ(ReadAll(dir.File("other-name.dat")), "old");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 2);

    const mode_t old = ::umask(027);
    const bool written = WriteFileAtomically(dir.File("new.dat"), "x");
    ::umask(old);
    ASSERT_TRUE(written);
    EXPECT_EQ(Mode(dir.File("new.dat")), 0640u);
}

}  // namespace
