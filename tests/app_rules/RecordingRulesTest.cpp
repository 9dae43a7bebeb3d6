#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "TempDir.h"
#include "app/RecordingRules.h"

using namespace qsr::app;
using qsr::testing::TempDir;
using qsr::testing::WriteAll;

namespace {

OutputNaming Naming(const std::string& dateTime, const std::string& existedFile) {
    OutputNaming n;
    n.outputFolder = "/rec";
    n.applicationFolder = "/app";
    n.baseName = "recorded";
    n.dateTime = dateTime;
    n.existedFile = existedFile;
    n.extension = "WAV";
    n.listRows = 4;
    n.start = StartTime{2026, 12, 7, 14, 5, 9};
    return n;
}

FileExists Taken(std::set<std::string> names) {
    return [names = std::move(names)](const std::string& p) { return names.count(p) > 0; };
}

}  // namespace

TEST(OutputPath, DateAndTimeFollowTheBaseNameAsMmddyyhhmmss) {
    OutputNaming n = Naming("1", "0");
    n.extension = "MP3";
    EXPECT_EQ(OutputPath(n, Taken({})), "/rec/recorded120726140509.MP3");
    // An absent datetime counts as on; single digits get their leading zero.
    n.dateTime = "";
    n.start = StartTime{2009, 1, 2, 3, 4, 5};
    EXPECT_EQ(OutputPath(n, Taken({})), "/rec/recorded010209030405.MP3");
}

TEST(OutputPath, TheStampIsTheLocalTime) {
    ::setenv("TZ", "UTC", 1);
    ::tzset();
    // 2026-12-07 14:05:09 UTC
    EXPECT_EQ(DateTimeStamp(LocalStartTime(1796652309)), "120726140509");
}

TEST(OutputPath, ATakenNameIsNumberedWithABlankAfterTheUnderscore) {
    const OutputNaming n = Naming("0", "0");
    EXPECT_EQ(OutputPath(n, Taken({})), "/rec/recorded.WAV");
    EXPECT_EQ(OutputPath(n, Taken({"/rec/recorded.WAV"})), "/rec/recorded_ 5.WAV");
}

TEST(OutputPath, NumberingMovesOnUntilTheNameIsFree) {
    const OutputNaming n = Naming("0", "");
    EXPECT_EQ(
        OutputPath(n, Taken({"/rec/recorded.WAV", "/rec/recorded_ 5.WAV", "/rec/recorded_ 6.WAV"})),
        "/rec/recorded_ 7.WAV");
}

TEST(OutputPath, TwoStartsInTheSameSecondDoNotShareAFile) {
    const OutputNaming n = Naming("1", "0");
    EXPECT_EQ(OutputPath(n, Taken({"/rec/recorded120726140509.WAV"})),
              "/rec/recorded120726140509_ 5.WAV");
}

TEST(OutputPath, OverwriteKeepsTheTakenName) {
    EXPECT_EQ(OutputPath(Naming("0", "1"), Taken({"/rec/recorded.WAV"})), "/rec/recorded.WAV");
    EXPECT_EQ(OutputPath(Naming("1", "1"), Taken({"/rec/recorded120726140509.WAV"})),
              "/rec/recorded120726140509.WAV");
}

TEST(OutputPath, EmptyOrZeroFolderMeansTheApplicationFolder) {
    OutputNaming n = Naming("0", "1");
    n.outputFolder = "";
    EXPECT_EQ(OutputPath(n, Taken({})), "/app/recorded.WAV");
    n.outputFolder = "0";
    EXPECT_EQ(OutputPath(n, Taken({})), "/app/recorded.WAV");
    n.outputFolder = "/rec/";
    EXPECT_EQ(OutputPath(n, Taken({})), "/rec/recorded.WAV");
}

TEST(OutputPath, AsksTheRealFileSystem) {
    TempDir dir;
    OutputNaming n = Naming("0", "0");
    n.outputFolder = dir.path().string();
    n.listRows = 0;
    WriteAll(dir.File("recorded.WAV"), "x");
    WriteAll(dir.File("recorded_ 1.WAV"), "x");
    EXPECT_EQ(OutputPath(n), dir.File("recorded_ 2.WAV"));
}

TEST(RecordingTexts, ElapsedTimeIsMinutesSecondsAndMilliseconds) {
    EXPECT_EQ(ElapsedText(0), "0:00.000");
    EXPECT_EQ(ElapsedText(75042), "1:15.042");
    EXPECT_EQ(ElapsedText(59999), "0:59.999");
    EXPECT_EQ(ElapsedText(60000), "1:00.000");
    EXPECT_EQ(ElapsedText(125LL * 60000 + 7005), "125:07.005");
    EXPECT_EQ(ElapsedText(-5), "0:00.000");
}

TEST(RecordingTexts, SizeHasUpToTwoDecimalsAndMB) {
    EXPECT_EQ(SizeText(1572864), "1.5MB");
    EXPECT_EQ(SizeText(1048576), "1MB");
    EXPECT_EQ(SizeText(0), "0MB");
    EXPECT_EQ(SizeText(1048576 + 10486), "1.01MB");  // 1.0100004
    EXPECT_EQ(SizeText(1048576 * 2 - 1), "2MB");     // 1.999999 rounds up to a whole
    EXPECT_EQ(SizeText(5242), "0MB");                // 0.004999
    EXPECT_EQ(SizeText(5243), "0.01MB");             // 0.0050001
    EXPECT_EQ(SizeText(1048576ULL * 1000 + 524288), "1000.5MB");
}

TEST(RecordingTexts, FileSizeIsEmptyWhenTheFileCannotBeExamined) {
    TempDir dir;
    WriteAll(dir.File("a.WAV"), std::string(1572864, 'x'));
    EXPECT_EQ(FileSizeText(dir.File("a.WAV")), "1.5MB");
    EXPECT_EQ(FileSizeText(dir.File("missing.WAV")), "");
}

TEST(RecordingTexts, StartFailureNamesFileAndReason) {
    EXPECT_EQ(StartFailedMessage("/rec/a.WAV", "Permission denied"),
              "Cannot record to /rec/a.WAV: Permission denied");
}

TEST(RecordingsList, NewRowsAreNumberedAfterTheRowsBeforeAndRenumberingCloses) {
    std::vector<RecordingRow> rows;
    for (std::size_t i = 0; i < 3; ++i)
        rows.push_back(
            NewRecordingRow(rows.size(), "/r/" + std::to_string(i), "1MB", "0:01.000", "t"));
    EXPECT_EQ(rows[2].number, "3");
    EXPECT_EQ(rows[2].fileName, "/r/2");
    rows.erase(rows.begin() + 1);
    RenumberList(rows);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].number, "1");
    EXPECT_EQ(rows[1].number, "2");
    EXPECT_EQ(rows[1].fileName, "/r/2");
}

TEST(PlaybackArithmetic, SliderAndSamplePositions) {
    EXPECT_EQ(SliderToSample(500, 441000), 220500);
    EXPECT_EQ(SliderToSample(0, 441000), 0);
    EXPECT_EQ(SliderToSample(1000, 441000), 441000);
    EXPECT_EQ(SliderToSample(333, 1001), 333);  // whole part of 333.333
    EXPECT_EQ(SliderToSample(2000, 441000), 441000);
    EXPECT_EQ(SliderToSample(500, 0), 0);
    // Files longer than 32-bit sample counts stay exact.
    EXPECT_EQ(SliderToSample(999, 10'000'000'000'001LL), 9'990'000'000'000LL);

    EXPECT_EQ(SampleToSlider(220500, 441000), 500);
    EXPECT_EQ(SampleToSlider(441, 441000), 1);
    EXPECT_EQ(SampleToSlider(220, 441000), 0);  // 0.499 rounds down
    EXPECT_EQ(SampleToSlider(221, 441000), 1);  // 0.501 rounds up
    EXPECT_EQ(SampleToSlider(900000, 441000), 1000);
    EXPECT_EQ(SampleToSlider(10, 0), 0);
}

TEST(PlaybackArithmetic, PauseAndResumeGoOnFromWherePlaybackStopped) {
    // Seek to 220500, play 44100, pause: the offset is where it stopped.
    std::int64_t offset = SliderToSample(500, 441000);
    offset = OffsetAfterPause(offset, 44100);
    EXPECT_EQ(offset, 264600);
    // The player's count restarts at 0 after resume; the display goes on.
    EXPECT_EQ(PlaybackPosition(offset, 0), 264600);
    EXPECT_EQ(PlaybackPosition(offset, 4410), 269010);
    EXPECT_EQ(RemainingSamples(269010, 441000), 171990);
    EXPECT_EQ(RemainingSamples(441000, 441000), 0);
    EXPECT_EQ(RemainingSamples(500000, 441000), 0);
}

TEST(Rename, MessagesForAMissingFileAndThePrompt) {
    EXPECT_EQ(RenameMissingMessage("/r/a.WAV"), "/r/a.WAV is not exist!");
    EXPECT_EQ(RenamePrompt("/r/a.WAV"),
              "Old audio file name is: /r/a.WAV\n\nPlease enter new Audio file name:");
}

TEST(Rename, MovesTheFileAndReportsSuccess) {
    TempDir dir;
    WriteAll(dir.File("a.WAV"), "a");
    const RenameOutcome r = RenameAudioFile(dir.File("a.WAV"), "  " + dir.File("b.WAV") + " ");
    EXPECT_EQ(r.status, RenameStatus::Succeeded);
    EXPECT_EQ(r.message, "Rename audio file is  succeeded!");
    EXPECT_EQ(r.newPath, dir.File("b.WAV"));
    EXPECT_FALSE(std::filesystem::exists(dir.File("a.WAV")));
    EXPECT_EQ(qsr::testing::ReadAll(dir.File("b.WAV")), "a");
}

TEST(Rename, OntoItselfSucceedsAndKeepsTheFile) {
    TempDir dir;
    WriteAll(dir.File("a.WAV"), "a");
    const RenameOutcome r = RenameAudioFile(dir.File("a.WAV"), dir.File("a.WAV"));
    EXPECT_EQ(r.status, RenameStatus::Succeeded);
    EXPECT_EQ(r.message, kRenameSucceeded);
    EXPECT_EQ(qsr::testing::ReadAll(dir.File("a.WAV")), "a");
}

TEST(Rename, NeverDestroysAnotherExistingFile) {
    TempDir dir;
    WriteAll(dir.File("a.WAV"), "a");
    WriteAll(dir.File("b.WAV"), "b");
    const RenameOutcome r = RenameAudioFile(dir.File("a.WAV"), dir.File("b.WAV"));
    EXPECT_EQ(r.status, RenameStatus::Failed);
    EXPECT_EQ(r.message, "Rename audio file is  Faild!");
    EXPECT_EQ(qsr::testing::ReadAll(dir.File("a.WAV")), "a");
    EXPECT_EQ(qsr::testing::ReadAll(dir.File("b.WAV")), "b");
}

TEST(Rename, ARefusedRenameReportsFailure) {
    TempDir dir;
    WriteAll(dir.File("a.WAV"), "a");
    const RenameOutcome r = RenameAudioFile(dir.File("a.WAV"), dir.File("no/such/folder/b.WAV"));
    EXPECT_EQ(r.status, RenameStatus::Failed);
    EXPECT_EQ(r.message, kRenameFailed);
    EXPECT_TRUE(std::filesystem::exists(dir.File("a.WAV")));
}

TEST(Rename, AnEmptyAnswerDoesNothing) {
    TempDir dir;
    WriteAll(dir.File("a.WAV"), "a");
    const RenameOutcome r = RenameAudioFile(dir.File("a.WAV"), "   ");
    EXPECT_EQ(r.status, RenameStatus::Nothing);
    EXPECT_EQ(r.message, "");
    EXPECT_TRUE(std::filesystem::exists(dir.File("a.WAV")));
}
