#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>

#include "core/TextFile.h"
#include "support/TempDir.h"

namespace {

using qsr::core::OverLimit;
using qsr::core::ReadTextFile;
using qsr::testing::TempDir;
using qsr::testing::WriteAll;

TEST(TextFile, ReadsARegularFileWholeAndRefusesWhatIsNotOne) {
    TempDir dir;
    const std::string file = dir.File("a.txt");
    WriteAll(file, std::string("one\0two\n", 8));
    auto read = ReadTextFile(file, 8);
    ASSERT_TRUE(read.ok) << read.why;
    EXPECT_EQ(read.text, std::string("one\0two\n", 8));
    EXPECT_FALSE(read.truncated);

    // A named pipe without a writer is refused at once instead of waiting.
    const std::string fifo = dir.File("fifo");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    read = ReadTextFile(fifo, 100);
    EXPECT_FALSE(read.ok);
    EXPECT_EQ(read.why, "a named pipe");
    EXPECT_EQ(ReadTextFile("/dev/zero", 100).why, "a device");
    EXPECT_EQ(ReadTextFile(dir.path(), 100).why, "a folder");
    EXPECT_EQ(ReadTextFile(dir.File("missing"), 100).why, "No such file or directory");

    // A file the system cannot size beforehand is read to its end.
    read = ReadTextFile("/proc/self/stat", 1 << 16);
    ASSERT_TRUE(read.ok) << read.why;
    EXPECT_EQ(read.text.substr(0, std::to_string(::getpid()).size() + 1),
              std::to_string(::getpid()) + " ");
}

TEST(TextFile, AFileOverTheLimitIsRefusedOrCutAsTheCallerChooses) {
    TempDir dir;
    const std::string file = dir.File("big.txt");
    WriteAll(file, std::string(3 * 1024 + 1, 'x'));
    auto read = ReadTextFile(file, 3 * 1024);
    EXPECT_FALSE(read.ok);
    EXPECT_EQ(read.why, "larger than 3 KB");
    EXPECT_TRUE(read.text.empty());
    read = ReadTextFile(file, 3 * 1024, OverLimit::Truncate);
    ASSERT_TRUE(read.ok);
    EXPECT_TRUE(read.truncated);
    EXPECT_EQ(read.text.size(), 3u * 1024);
    // Exactly at the limit is whole.
    read = ReadTextFile(file, 3 * 1024 + 1, OverLimit::Truncate);
    EXPECT_TRUE(read.ok && !read.truncated && read.text.size() == 3 * 1024 + 1);
    // A file the system cannot size is cut at the limit all the same.
    read = ReadTextFile("/proc/self/maps", 10, OverLimit::Refuse);
    EXPECT_EQ(read.why, "larger than 10 bytes");
}

}  // namespace
