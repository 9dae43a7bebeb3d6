#include <gtest/gtest.h>

#include <filesystem>
#include <set>

#include "recording/OutputNaming.h"
#include "support/TempDir.h"

using namespace qsr::recording;
using qsr::testing::TempDir;
using qsr::testing::WriteAll;

namespace {

OutputNaming Naming(bool dateTime, bool overwrite) {
    OutputNaming n;
    n.outputFolder = "/rec";
    n.applicationFolder = "/app";
    n.baseName = "recorded";
    n.dateTime = dateTime;
    n.overwrite = overwrite;
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
    OutputNaming n = Naming(true, false);
    n.extension = "MP3";
    EXPECT_EQ(OutputPath(n, Taken({})), "/rec/recorded120726140509.MP3");
    // Single digits get their leading zero.
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
    const OutputNaming n = Naming(false, false);
    EXPECT_EQ(OutputPath(n, Taken({})), "/rec/recorded.WAV");
    EXPECT_EQ(OutputPath(n, Taken({"/rec/recorded.WAV"})), "/rec/recorded_ 5.WAV");
}

TEST(OutputPath, NumberingMovesOnUntilTheNameIsFree) {
    const OutputNaming n = Naming(false, false);
    EXPECT_EQ(
        OutputPath(n, Taken({"/rec/recorded.WAV", "/rec/recorded_ 5.WAV", "/rec/recorded_ 6.WAV"})),
        "/rec/recorded_ 7.WAV");
}

TEST(OutputPath, TwoStartsInTheSameSecondDoNotShareAFile) {
    const OutputNaming n = Naming(true, false);
    EXPECT_EQ(OutputPath(n, Taken({"/rec/recorded120726140509.WAV"})),
              "/rec/recorded120726140509_ 5.WAV");
}

TEST(OutputPath, OverwriteKeepsTheTakenName) {
    EXPECT_EQ(OutputPath(Naming(false, true), Taken({"/rec/recorded.WAV"})), "/rec/recorded.WAV");
    EXPECT_EQ(OutputPath(Naming(true, true), Taken({"/rec/recorded120726140509.WAV"})),
              "/rec/recorded120726140509.WAV");
}

TEST(OutputPath, EmptyOrZeroFolderMeansTheApplicationFolder) {
    OutputNaming n = Naming(false, true);
    n.outputFolder = "";
    EXPECT_EQ(OutputPath(n, Taken({})), "/app/recorded.WAV");
    n.outputFolder = "0";
    EXPECT_EQ(OutputPath(n, Taken({})), "/app/recorded.WAV");
    n.outputFolder = "/rec/";
    EXPECT_EQ(OutputPath(n, Taken({})), "/rec/recorded.WAV");
}

TEST(OutputPath, AsksTheRealFileSystem) {
    TempDir dir;
    OutputNaming n = Naming(false, false);
    n.outputFolder = dir.path().string();
    n.listRows = 0;
    WriteAll(dir.File("recorded.WAV"), "x");
    WriteAll(dir.File("recorded_ 1.WAV"), "x");
    EXPECT_EQ(OutputPath(n), dir.File("recorded_ 2.WAV"));
}

TEST(RecordingTexts, StartFailureNamesFileAndReason) {
    EXPECT_EQ(StartFailedMessage("/rec/a.WAV", "Permission denied"),
              "Cannot record to /rec/a.WAV: Permission denied");
}

TEST(OutputPath, AnEmptyOrBlankBaseNameRecordsAsRecordedNotAsAHiddenFile) {
    OutputNaming n = Naming(false, false);
    n.baseName = "";
    EXPECT_EQ(OutputPath(n, Taken({})), "/rec/Recorded.WAV");
    n.baseName = "  ";
    n.dateTime = true;
    EXPECT_EQ(OutputPath(n, Taken({})), "/rec/Recorded120726140509.WAV");
}
