#include <gtest/gtest.h>

#include <filesystem>

#include "app/ProjectFile.h"
#include "support/TempDir.h"

using namespace qsr::app;
using qsr::testing::ReadAll;
using qsr::testing::TempDir;
using qsr::testing::WriteAll;

namespace {

const RecordingRow kRow{"1", "/home/ü/Rec/recorded.MP3", "1.5MB", "1:15.042", "12/7/26 2:05:09 PM"};

}  // namespace

TEST(ProjectLine, FiveCellsJoinedByTabs) {
    EXPECT_EQ(JoinProjectLine(kRow),
              "1\t/home/ü/Rec/recorded.MP3\t1.5MB\t1:15.042\t12/7/26 2:05:09 PM");
    EXPECT_EQ(SplitProjectLine(JoinProjectLine(kRow)), kRow);
}

TEST(ProjectLine, FewerCellsFillWhatTheyHaveAndExtraCellsAreIgnored) {
    EXPECT_EQ(SplitProjectLine("7\t/a.WAV"), (RecordingRow{"7", "/a.WAV", "", "", ""}));
    EXPECT_EQ(SplitProjectLine(""), RecordingRow{});
    EXPECT_EQ(SplitProjectLine("1\t2\t3\t4\t5\t6\t7"), (RecordingRow{"1", "2", "3", "4", "5"}));
    EXPECT_EQ(SplitProjectLine("\t\t\t\t"), RecordingRow{});
}

TEST(ProjectText, LinesEndWithCrLfAndReadAnyLineEnding) {
    const std::vector<RecordingRow> rows{kRow, {"2", "/b.OGG", "0.01MB", "0:00.500", "t"}};
    const std::string text = ProjectText(rows);
    EXPECT_EQ(text, JoinProjectLine(rows[0]) + "\r\n" + JoinProjectLine(rows[1]) + "\r\n");
    EXPECT_EQ(ParseProjectText(text), rows);
    EXPECT_EQ(ParseProjectText("\xEF\xBB\xBF"
                               "1\ta\r\n2\tb\n3\tc\r4\td")
                  .size(),
              4u);
    EXPECT_EQ(ParseProjectText("\xEF\xBB\xBF"
                               "1\ta")[0]
                  .number,
              "1");
    // An empty line in the middle is a row of empty cells, as stored.
    EXPECT_EQ(ParseProjectText("1\r\n\r\n3\r\n").size(), 3u);
    EXPECT_TRUE(ParseProjectText("").empty());
}

TEST(ProjectFile, RoundTripKeepsTheFiveTexts) {
    TempDir dir;
    const std::string file = dir.File("p.rpf");
    const std::vector<RecordingRow> rows{kRow, {"9", "/b.OGG", "", "0:00.500", "t"}};
    ASSERT_TRUE(WriteProjectFile(file, rows));
    std::vector<RecordingRow> read;
    ASSERT_TRUE(ReadProjectFile(file, read));
    EXPECT_EQ(read, rows);
    // Nothing of ours is left beside it.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                            std::filesystem::directory_iterator()),
              1);
}

TEST(ProjectFile, OpeningTwiceAppendsTheRowsAgainNumberedAsStored) {
    TempDir dir;
    const std::string file = dir.File("p.rpf");
    WriteAll(file, "4\t/a.WAV\t1MB\t0:01.000\tt\r\n5\t/b.WAV\t2MB\t0:02.000\tt\r\n");
    std::vector<RecordingRow> rows{{"1", "/x.WAV", "", "", ""}};
    ASSERT_TRUE(ReadProjectFile(file, rows));
    ASSERT_TRUE(ReadProjectFile(file, rows));
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[0].number, "1");
    EXPECT_EQ(rows[1].number, "4");
    EXPECT_EQ(rows[2].number, "5");
    EXPECT_EQ(rows[3].number, "4");
    EXPECT_EQ(rows[4].fileName, "/b.WAV");
}

TEST(ProjectFile, SavingAnEmptyListMakesAnEmptyFile) {
    TempDir dir;
    const std::string file = dir.File("p.rpf");
    WriteAll(file, "old content");
    ASSERT_TRUE(WriteProjectFile(file, {}));
    EXPECT_TRUE(std::filesystem::exists(file));
    EXPECT_EQ(std::filesystem::file_size(file), 0u);
}

TEST(ProjectFile, AFailedWriteLeavesTheOldFileAndAMissingFileReadsNothing) {
    TempDir dir;
    // Writing into a folder that does not exist fails and reports it.
    EXPECT_FALSE(WriteProjectFile(dir.File("none/p.rpf"), {kRow}));
    // A target that cannot be replaced (a non-empty folder) keeps its content.
    std::filesystem::create_directory(dir.File("taken"));
    WriteAll(dir.File("taken/keep"), "k");
    EXPECT_FALSE(WriteProjectFile(dir.File("taken"), {kRow}));
    EXPECT_EQ(ReadAll(dir.File("taken/keep")), "k");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                            std::filesystem::directory_iterator()),
              1);

    std::vector<RecordingRow> rows{kRow};
    EXPECT_FALSE(ReadProjectFile(dir.File("missing.rpf"), rows));
    EXPECT_EQ(rows.size(), 1u);
}

TEST(ProjectFile, RowsWithControlCharactersAndFilesThatAreNotTextAreRefused) {
    // A NUL would cut the path Delete or Play acts on: the row is left out.
    const std::string text = std::string("1\t/a/b.WAV\t1MB\t0:01.000\tnow\r\n") + "2\t/a/c" +
                             '\x01' + ".WAV\t1MB\t0:01.000\tnow\r\n" + "3\t/a/d.WAV\t\t\t\r\n";
    const auto rows = ParseProjectText(text);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[1].fileName, "/a/d.WAV");

    TempDir dir;
    std::vector<RecordingRow> read;
    std::string why;
    WriteAll(dir.File("binary.rpf"), std::string("1\t/a\0b.WAV\r\n", 12));
    EXPECT_FALSE(ReadProjectFile(dir.File("binary.rpf"), read, &why));
    EXPECT_EQ(why, "it holds a NUL byte, so it is not a recording project");
    std::filesystem::create_directory(dir.File("folder.rpf"));
    EXPECT_FALSE(ReadProjectFile(dir.File("folder.rpf"), read, &why));
    EXPECT_EQ(why, "a folder");
    EXPECT_TRUE(read.empty());
}
