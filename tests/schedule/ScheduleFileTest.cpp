#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <random>

#include "schedule/ScheduleFile.h"
#include "support/TempDir.h"

using namespace qsr::schedule;
namespace fs = std::filesystem;

namespace {

DateTime At(int y, int mo, int d, int h, int mi, int s) {
    return MakeDateTime(y, mo, d, h, mi, s).value();
}

TEST(ScheduleCells, DateTimeWrittenAndParsedInTheOneFixedForm) {
    EXPECT_EQ(FormatDateTime(At(2026, 12, 8, 10, 0, 0)), "2026-12-08 10:00:00");
    EXPECT_EQ(FormatDateTime(At(987, 1, 2, 3, 4, 5)), "0987-01-02 03:04:05");
    EXPECT_EQ(FormatDateTime(At(2024, 2, 29, 23, 59, 59)), "2024-02-29 23:59:59");
    EXPECT_EQ(ParseDateTime("2026-12-08 10:00:00"), At(2026, 12, 8, 10, 0, 0));
    EXPECT_EQ(ParseDateTime("  2024-02-29 23:59:59 "), At(2024, 2, 29, 23, 59, 59));
    for (int second : {0, 1, 59}) {
        const DateTime t = At(2026, 1, 31, 0, 30, second);
        EXPECT_EQ(ParseDateTime(FormatDateTime(t)), t);
    }
}

TEST(ScheduleCells, OtherFormsAndImpossibleDatesNeverConvert) {
    for (const char* cell : {"",
                             " ",
                             "2026-12-08",
                             "10:00:00",
                             "2026-12-08 10:00",
                             "2026-12-08T10:00:00",
                             "08.12.2026 10:00:00",
                             "12/8/2026 10:00:00 AM",
                             "2026-12-8 10:00:00",
                             "2026-12-08 10:00:00 x",
                             "2026-12-08  10:00:00",
                             "+026-12-08 10:00:00",
                             "2026-02-30 10:00:00",
                             "2025-02-29 10:00:00",
                             "2026-13-01 10:00:00",
                             "2026-00-10 10:00:00",
                             "2026-12-00 10:00:00",
                             "2026-12-08 24:00:00",
                             "2026-12-08 10:60:00",
                             "2026-12-08 10:00:60",
                             "2026-12-08 1a:00:00"}) {
        EXPECT_EQ(ParseDateTime(cell), std::nullopt) << cell;
    }
    EXPECT_EQ(MakeDateTime(2026, 2, 29, 0, 0, 0), std::nullopt);
    EXPECT_EQ(MakeDateTime(2026, 1, 1, -1, 0, 0), std::nullopt);
}

TEST(ScheduleLines, CellsSplitAtEveryTab) {
    const ScheduleRow full{"2026-12-08 10:00:00", "2026-12-08 10:00:30", "f.mp3", "Waiting",
                           "news"};
    EXPECT_EQ(JoinScheduleLine(full),
              "2026-12-08 10:00:00\t2026-12-08 10:00:30\tf.mp3\tWaiting\tnews");
    EXPECT_EQ(SplitScheduleLine(JoinScheduleLine(full)), full);
    // Two cells: start and stop, the rest empty.
    EXPECT_EQ(SplitScheduleLine("a\tb"), (ScheduleRow{"a", "b", "", "", ""}));
    EXPECT_EQ(SplitScheduleLine("only"), (ScheduleRow{"only", "", "", "", ""}));
    EXPECT_EQ(SplitScheduleLine(""), ScheduleRow{});
    // Further cells are ignored, empty ones keep their place.
    EXPECT_EQ(SplitScheduleLine("a\t\tc\td\te\tf\tg"), (ScheduleRow{"a", "", "c", "d", "e"}));
}

TEST(ScheduleLines, SeparatorsInsideACellCannotSplitTheRow) {
    const ScheduleRow row{"s", "t", "", "Done", "morning\tnews\r\nat 10"};
    EXPECT_EQ(JoinScheduleLine(row), "s\tt\t\tDone\tmorning news  at 10");
    const auto back = ParseScheduleText(ScheduleText({row, row}));
    ASSERT_EQ(back.size(), 2u);
    EXPECT_EQ(back[1].comment, "morning news  at 10");
}

TEST(ScheduleText, LinesEndInCrLfAndAnyEndingReadsBack) {
    const std::vector<ScheduleRow> rows = {{"a", "b", "", "Waiting", "x"},
                                           {"c", "d", "e", "Done", "ü"}};
    EXPECT_EQ(ScheduleText(rows), "a\tb\t\tWaiting\tx\r\nc\td\te\tDone\tü\r\n");
    EXPECT_EQ(ParseScheduleText(ScheduleText(rows)), rows);
    EXPECT_EQ(ParseScheduleText("a\tb\t\tWaiting\tx\nc\td\te\tDone\tü"), rows);
    EXPECT_EQ(ParseScheduleText("a\tb\t\tWaiting\tx\rc\td\te\tDone\tü\r"), rows);
    EXPECT_EQ(ParseScheduleText("\xEF\xBB\xBF"
                                "a\tb\t\tWaiting\tx\r\nc\td\te\tDone\tü\r\n"),
              rows);
    EXPECT_TRUE(ParseScheduleText("").empty());
    EXPECT_TRUE(ScheduleText({}).empty());
    // An empty line is a row of empty cells.
    EXPECT_EQ(ParseScheduleText("\r\n\r\n").size(), 2u);
    // A first cell that begins with a BOM keeps it through write and read.
    const std::vector<ScheduleRow> bom = {{"\xEF\xBB\xBFx", "", "", "", ""}};
    EXPECT_EQ(ParseScheduleText(ScheduleText(bom)), bom);
}

class ScheduleFileTest : public ::testing::Test {
  protected:
    qsr::testing::TempDir dir;
    std::string file = dir.File("schedule.dat");
};

TEST_F(ScheduleFileTest, CreatedEmptyWhenMissingAndNeverEmptiedWhenPresent) {
    ASSERT_TRUE(EnsureScheduleFile(file));
    EXPECT_TRUE(fs::exists(file));
    EXPECT_EQ(fs::file_size(file), 0u);
    qsr::testing::WriteAll(file, "a\tb\r\n");
    ASSERT_TRUE(EnsureScheduleFile(file));
    EXPECT_EQ(qsr::testing::ReadAll(file), "a\tb\r\n");
    EXPECT_FALSE(EnsureScheduleFile(dir.File("no-such-folder/schedule.dat")));
}

TEST_F(ScheduleFileTest, WrittenRowsReadBack) {
    const std::vector<ScheduleRow> rows = {
        {"2026-12-08 10:00:00", "2026-12-08 10:30:00", "", "Waiting", "Radio"},
        {"2026-12-09 08:00:00", "2026-12-09 09:00:00", "kept.mp3", "Done", ""}};
    ASSERT_TRUE(WriteScheduleFile(file, rows));
    std::vector<ScheduleRow> read = {{"old", "", "", "", ""}};
    ASSERT_TRUE(ReadScheduleFile(file, read));
    EXPECT_EQ(read, rows);
    // An empty list makes an empty file.
    ASSERT_TRUE(WriteScheduleFile(file, {}));
    EXPECT_EQ(fs::file_size(file), 0u);
    // No temporary file is left behind.
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.path()), fs::directory_iterator()), 1);
}

TEST_F(ScheduleFileTest, AFailedWriteLeavesTheOldScheduleWhole) {
    qsr::testing::WriteAll(file, "old\r\n");
    ::chmod(file.c_str(), 0640);
    ASSERT_TRUE(WriteScheduleFile(file, {{"new", "", "", "", ""}}));
    struct stat st {};
    ASSERT_EQ(::stat(file.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u) << "the replaced file keeps its permissions";

    // A folder that refuses new files: the write fails and the file is as it was.
    ::chmod(dir.path().c_str(), 0500);
    const bool written = WriteScheduleFile(file, {{"lost", "", "", "", ""}});
    ::chmod(dir.path().c_str(), 0700);
    if (::geteuid() != 0) {
        EXPECT_FALSE(written);
        EXPECT_EQ(qsr::testing::ReadAll(file), "new\t\t\t\t\r\n");
    }
    EXPECT_FALSE(WriteScheduleFile(dir.File("no-such-folder/schedule.dat"), {}));
    // A path that is a folder cannot be replaced by a file.
    fs::create_directory(dir.File("sub"));
    EXPECT_FALSE(WriteScheduleFile(dir.File("sub"), {}));
    EXPECT_TRUE(fs::is_directory(dir.File("sub")));
}

TEST_F(ScheduleFileTest, DamagedFilesLoadWithoutHarm) {
    std::vector<ScheduleRow> rows = {{"kept", "", "", "", ""}};
    EXPECT_FALSE(ReadScheduleFile(dir.File("missing.dat"), rows));
    EXPECT_FALSE(ReadScheduleFile(dir.path().string(), rows)) << "a folder";
    EXPECT_EQ(rows.size(), 1u);

    // 10 MB of random bytes: every line is a row, nothing converts to a date.
    std::string noise(10 * 1024 * 1024, '\0');
    std::mt19937 random(15);
    for (char& c : noise) c = static_cast<char>(random());
    qsr::testing::WriteAll(file, noise);
    ASSERT_TRUE(ReadScheduleFile(file, rows));
    EXPECT_GT(rows.size(), 1000u);
    for (const ScheduleRow& row : rows) {
        ASSERT_FALSE(ParseDateTime(row.start));
        ASSERT_FALSE(ParseDateTime(row.stop));
    }

    // Larger than any schedule: refused, the list keeps what it had.
    rows = {{"kept", "", "", "", ""}};
    qsr::testing::WriteAll(file, std::string(kMaxScheduleFileSize + 1, '\t'));
    EXPECT_FALSE(ReadScheduleFile(file, rows));
    EXPECT_EQ(rows.size(), 1u);
}

}  // namespace
