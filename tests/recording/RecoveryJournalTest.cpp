#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>

#include "fakes/FakeAudio.h"
#include "recording/LiveRecordings.h"
#include "recording/RecordingSession.h"
#include "recording/RecoveryJournal.h"
#include "support/TempDir.h"

namespace qsr::recording {
namespace {

using qsr::testing::ReadAll;
using qsr::testing::TempDir;
using qsr::testing::WriteAll;

// The id of a process that has ended.
long DeadPid() {
    const pid_t child = ::fork();
    if (child == 0) ::_exit(0);
    ::waitpid(child, nullptr, 0);
    return child;
}

// A 16-bit stereo WAV header (44 bytes) claiming `claimed` data bytes.
std::string WavHeader(std::uint32_t claimed, const char* riff = "RIFF") {
    auto u32 = [](std::uint32_t v) {
        std::string b(4, '\0');
        for (int i = 0; i < 4; ++i)
            b[static_cast<std::size_t>(i)] = static_cast<char>(v >> (8 * i));
        return b;
    };
    std::string h = std::string(riff) + u32(36 + claimed) + "WAVEfmt " + u32(16);
    h += std::string("\x01\x00\x02\x00", 4) + u32(44100) + u32(44100 * 4) +
         std::string("\x04\x00\x10\x00", 4);
    return h + "data" + u32(claimed);
}

std::uint32_t At32(const std::string& s, std::size_t at) {
    std::uint32_t v = 0;
    std::memcpy(&v, s.data() + at, 4);
    return v;
}

TEST(RecoveryJournal, NamesRunningRecordingsAndGivesBackThoseWhoseProcessIsGone) {
    TempDir dir;
    RecoveryJournal journal(dir.File(kJournalFileName));
    const long dead = DeadPid();
    journal.Add({dead, "/rec/crashed.WAV", 1700000000});
    journal.Add({::getpid(), "/rec/mine.WAV", 1700000001});
    journal.Add({dead, "/rec/tab\there.WAV", 1700000002});  // a tab inside the name survives
    const auto interrupted = journal.TakeInterrupted();
    ASSERT_EQ(interrupted.size(), 2u);
    EXPECT_EQ(interrupted[0], (JournalEntry{dead, "/rec/crashed.WAV", 1700000000}));
    EXPECT_EQ(interrupted[1].path, "/rec/tab\there.WAV");
    // This process still runs: its entry stays until its own stop removes it.
    EXPECT_EQ(journal.Entries(),
              (std::vector<JournalEntry>{
                  {::getpid(), "/rec/mine.WAV", 1700000001, ProcessStartTicks(::getpid())}}));
    journal.Remove("/rec/mine.WAV");
    EXPECT_FALSE(std::filesystem::exists(dir.File(kJournalFileName)));
    // Damaged lines are left out.
    EXPECT_TRUE(ParseJournal("x\t1\t/a\n12\tno\t/b\n7\t1\n\n").empty());
}

// Only a live process's entry is a recording; the file is found through
// every name it has.
TEST(RecoveryJournal, AFileIsBeingRecordedWhileALiveProcessesEntryNamesItUnderAnyName) {
    TempDir dir;
    const std::string journalFile = dir.File(kJournalFileName);
    RecoveryJournal journal(journalFile);
    std::filesystem::create_directories(dir.File("sub"));
    const std::string live = dir.File("live.mp3"), crashed = dir.File("crashed.mp3"),
                      reused = dir.File("reused.mp3"), other = dir.File("other.mp3");
    for (const std::string& f : {live, crashed, reused, other}) WriteAll(f, "x");
    std::filesystem::create_hard_link(live, dir.File("hard link.mp3"));
    std::filesystem::create_symlink(live, dir.File("sub/symlink.mp3"));

    const std::uint64_t started = ProcessStartTicks(::getpid());
    ASSERT_NE(started, 0u);
    {  // the process grows; when it started stays
        const std::vector<char> more(64 << 20, 1);
        EXPECT_EQ(ProcessStartTicks(::getpid()), started);
        EXPECT_EQ(more[more.size() / 2], 1);
    }
    journal.Add({::getpid(), dir.File("sub/../live.mp3"), 1700000000});
    journal.Add({DeadPid(), crashed, 1700000000});
    // This process's id, but a process that started later had it in the entry.
    journal.Add({::getpid(), reused, 1700000000, started + 1});
    journal.Add({::getpid(), dir.File("not yet.mp3"), 1700000000});

    for (const std::string& name : {live, dir.File("hard link.mp3"), dir.File("sub/symlink.mp3"),
                                    dir.File("sub/../sub/../live.mp3"), dir.File("not yet.mp3")})
        EXPECT_TRUE(IsBeingRecorded(name, journalFile)) << name;
    for (const std::string& name : {crashed, reused, other, dir.File("never.mp3")})
        EXPECT_FALSE(IsBeingRecorded(name, journalFile)) << name;
    EXPECT_EQ(BeingRecordedMessage(live), live + " is being recorded");

    // The process-start field is stored and read back; the reused entry is a crash.
    const auto interrupted = journal.TakeInterrupted();
    ASSERT_EQ(interrupted.size(), 2u);
    EXPECT_EQ(interrupted[1], (JournalEntry{::getpid(), reused, 1700000000, started + 1}));
}

// Any name a file can have reads back as it was written, so the entry a
// take adds is the one its end removes; journals written without the
// lengths are still read.
TEST(RecoveryJournal, EveryPathReadsBackAsItWasAndOlderJournalsStillRead) {
    const std::vector<JournalEntry> odd = {
        {12, "/rec/new\nline.WAV", 1700000000},
        {13, "/rec/ends in a return\r", 1700000001, 99},
        {14, "/rec/tab\there\\and a backslash.WAV", 1700000002},
        {15, "/rec/12\t34\n56\t/x.WAV", 1700000003},
        {16, "/rec/\n", 1700000004},
        {17, "/rec/\xc3\xa9t\xc3\xa9 \x01.WAV", 1700000005},
    };
    EXPECT_EQ(ParseJournal(JournalText(odd)), odd);

    // What the previous version wrote: the path to the end of the line.
    EXPECT_EQ(ParseJournal("12\t1700000000\t/rec/old.WAV\r\n"
                           "34:99\t1700000001\t/rec/tab\there.WAV\n"),
              (std::vector<JournalEntry>{{12, "/rec/old.WAV", 1700000000},
                                         {34, "/rec/tab\there.WAV", 1700000001, 99}}));
    // A length that does not end at a line feed is damage; the entries around it still read.
    EXPECT_EQ(ParseJournal("5\t1\t4\t/a.WAV\n6\t2\t2\t/b\n7\t3\t99\t/c\n"),
              (std::vector<JournalEntry>{{6, "/b", 2}}));

    TempDir dir;
    RecoveryJournal journal(dir.File(kJournalFileName));
    for (const JournalEntry& e : odd) journal.Add({::getpid(), e.path, e.startTime});
    ASSERT_EQ(journal.Entries().size(), odd.size());
    for (std::size_t i = 0; i < odd.size(); ++i) EXPECT_EQ(journal.Entries()[i].path, odd[i].path);
    for (const JournalEntry& e : odd) journal.Remove(e.path);
    EXPECT_FALSE(std::filesystem::exists(dir.File(kJournalFileName)));
}

TEST(RecoveryJournal, TheSessionNamesItsRecordingFromStartToStop) {
    TempDir dir;
    RecoveryJournal journal(dir.File(kJournalFileName));
    fakes::FakeRecorder recorder;
    fakes::FakeAudioFile file;
    RecordingSession session;
    session.Attach(&recorder, &file);
    session.SetJournal(&journal);
    for (const std::string path : {"/rec/a.WAV", "/rec/new\nline.WAV"}) {
        ASSERT_TRUE(session.Start(path));
        ASSERT_EQ(journal.Entries().size(), 1u);
        EXPECT_EQ(journal.Entries()[0].path, path);
        session.Stop();
        EXPECT_TRUE(journal.Entries().empty()) << path;
    }
}

TEST(RecoveryJournal, RepairGivesAWavFileTheSizesItsLengthHolds) {
    TempDir dir;
    const std::string path = dir.File("cut.WAV");
    // The header still says 0 bytes; 1000 whole frames and half a frame follow.
    WriteAll(path, WavHeader(0) + std::string(4000, 'a') + "xy");
    ASSERT_TRUE(RepairRecording(path));
    const std::string repaired = ReadAll(path);
    EXPECT_EQ(repaired.size(), 44u + 4000u);
    EXPECT_EQ(At32(repaired, 4), 36u + 4000u);
    EXPECT_EQ(At32(repaired, 40), 4000u);
    // Other files are left alone; a file that cannot be opened says why.
    WriteAll(dir.File("a.MP3"), "ID3 not a wav");
    EXPECT_TRUE(RepairRecording(dir.File("a.MP3")));
    EXPECT_EQ(ReadAll(dir.File("a.MP3")), "ID3 not a wav");
    std::string error;
    EXPECT_FALSE(RepairRecording(dir.File("missing.WAV"), &error));
    EXPECT_NE(error.find("missing.WAV"), std::string::npos);
}

}  // namespace
}  // namespace qsr::recording
