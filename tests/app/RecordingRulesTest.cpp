#include <gtest/gtest.h>

#include <filesystem>

#include "app/RecordingRules.h"
#include "fakes/FakeAudio.h"
#include "support/TempDir.h"

using namespace qsr::app;
using qsr::testing::TempDir;
using qsr::testing::WriteAll;

// Only what can record now is offered: a device the recorder calls unusable
// and the "Programs" entry while no program plays (no line) are left out, so
// a server without a capture source and without a playing program offers none.
TEST(RecordDevices, OnlyDevicesThatCanRecordNowAreOffered) {
    qsr::fakes::FakeRecorder recorder;
    const auto device = [](const char* name, bool usable, const char* line) {
        qsr::fakes::FakeDevice d;
        d.name = name;
        d.usable = usable;
        if (line) {
            d.lines.emplace_back();
            d.lines.back().name = line;
        }
        return d;
    };
    const auto names = [&recorder](bool devicesAreLines) {
        std::vector<std::string> found;
        for (const RecordDevice& d : RecordableDevices(recorder, devicesAreLines))
            found.push_back(std::to_string(d.index) + " " + d.name);
        return found;
    };
    recorder.devices = {device("Programs", true, nullptr)};
    EXPECT_TRUE(names(false).empty());
    recorder.devices = {device("Microphone", true, "Mic"), device("Broken", false, "Line"),
                        device("Programs", true, nullptr)};
    recorder.currentDevice = 2;
    int current = -1;
    EXPECT_EQ(RecordableDevices(recorder, false, &current).size(), 1u);
    EXPECT_EQ(current, 2);
    EXPECT_EQ(names(false), (std::vector<std::string>{"0 Microphone"}));
    // A program plays: its line makes the entry one to record from.
    recorder.devices[2] = device("Programs", true, "Radio");
    EXPECT_EQ(names(false), (std::vector<std::string>{"0 Microphone", "2 Programs"}));
    // Where each device is its own line, usable is enough.
    recorder.devices[2].lines.clear();
    EXPECT_EQ(names(true), (std::vector<std::string>{"0 Microphone", "2 Programs"}));
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

// A bare name stays in the recording's folder, whatever the working folder.
TEST(Rename, ABareNameStaysInTheRecordingsFolder) {
    TempDir dir, elsewhere;
    std::filesystem::create_directory(dir.File("rec"));
    WriteAll(dir.File("rec/a.WAV"), "a");
    const auto cwd = std::filesystem::current_path();
    std::filesystem::current_path(elsewhere.path());
    const RenameOutcome r = RenameAudioFile(dir.File("rec/a.WAV"), " b.WAV ");
    std::filesystem::current_path(cwd);
    EXPECT_EQ(r.status, RenameStatus::Succeeded);
    EXPECT_EQ(r.newPath, dir.File("rec/b.WAV"));
    EXPECT_EQ(qsr::testing::ReadAll(dir.File("rec/b.WAV")), "a");
    EXPECT_TRUE(std::filesystem::is_empty(elsewhere.path()));
    // An existing name in that folder is refused.
    WriteAll(dir.File("rec/c.WAV"), "c");
    EXPECT_EQ(RenameAudioFile(dir.File("rec/b.WAV"), "c.WAV").status, RenameStatus::Failed);
    EXPECT_EQ(qsr::testing::ReadAll(dir.File("rec/c.WAV")), "c");
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
