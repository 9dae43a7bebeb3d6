// The session on its own, over scripted components: what reaches the file and
// what the session tells its views.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <filesystem>
#include <fstream>

#include "fakes/FakeAudio.h"
#include "fakes/FakeServices.h"
#include "recording/RecordingSession.h"
#include "support/TempDir.h"

namespace qsr::recording {
namespace {

using qsr::testing::TempDir;

struct Rig {
    fakes::CallLog log;
    fakes::FakeRecorder recorder{&log};
    fakes::FakeAudioFile file{&log};
    fakes::FakeEventPump pump;
    RecordingSession session{&pump};
    std::vector<std::string> events;
    Rig() {
        session.Attach(&recorder, &file);
        QObject::connect(&session, &RecordingSession::Started,
                         [this](const std::string& p, const std::string& d) {
                             events.push_back("Started " + p + " " + d);
                         });
        QObject::connect(&session, &RecordingSession::Finished,
                         [this](const std::string& p, std::int64_t ms) {
                             events.push_back("Finished " + p + " " + std::to_string(ms));
                         });
        QObject::connect(&session, &RecordingSession::WriteFailed,
                         [this](const std::string& p, const std::string& why) {
                             events.push_back("WriteFailed " + p + ": " + why);
                         });
        QObject::connect(&session, &RecordingSession::Failed,
                         [this](const std::string& p, const std::string& why) {
                             events.push_back("Failed " + p + ": " + why);
                         });
    }
    void Deliver(long frames) {
        recorder.Deliver(audio::Samples(static_cast<std::size_t>(frames * recorder.channels), 7));
        emit recorder.Timer(recorder.currentSamples, 0, 0);
    }
};

TEST(RecordingSession, NegotiatesTheFormatWritesEveryBlockAndTellsTheRealLength) {
    Rig r;
    r.file.encoderRate = 22050;
    r.file.encoderChannels = 1;
    ASSERT_TRUE(r.session.Start("/rec/a.WAV"));
    EXPECT_TRUE(r.session.IsRecording());
    EXPECT_EQ(fakes::Only(r.log,
                          {"CreateFile", "SetFormat", "SetInputFormat", "SetBlockLength", "Start"}),
              (fakes::CallLog{"CreateFile(/rec/a.WAV)", "SetFormat(22050,1)",
                              "SetInputFormat(22050,1)", "SetBlockLength(22050)", "Start()"}));
    r.Deliver(22050);
    // The last, partial block and its progress arrive while Stop lets events run.
    r.pump.onPump = [&r] { r.Deliver(11025); };
    ASSERT_TRUE(r.session.Stop());
    EXPECT_FALSE(r.session.IsRecording());
    ASSERT_EQ(r.file.written.size(), 2u);
    EXPECT_TRUE(r.file.closed);
    EXPECT_EQ(r.events, (std::vector<std::string>{"Started /rec/a.WAV fake format",
                                                  "Finished /rec/a.WAV 1500"}));
    EXPECT_FALSE(r.session.Stop());  // nothing runs any more
}

TEST(RecordingSession, StartingAgainFinishesTheRunningRecordingFirst) {
    Rig r;
    ASSERT_TRUE(r.session.Start("/rec/1.WAV"));
    ASSERT_TRUE(r.session.Start("/rec/2.WAV"));
    EXPECT_EQ(r.events,
              (std::vector<std::string>{"Started /rec/1.WAV fake format", "Finished /rec/1.WAV 0",
                                        "Started /rec/2.WAV fake format"}));
}

TEST(RecordingSession, AFailedStartLeavesNothingRunningAndNoFileItMade) {
    TempDir dir;
    Rig r;
    // The file component made the file, then the device refused to start.
    const std::string made = dir.File("made.WAV");
    r.recorder.startResult = -1;
    std::ofstream(made) << "header";
    r.file.createResult = 0;
    EXPECT_FALSE(r.session.Start(made));
    EXPECT_FALSE(r.session.IsRecording());
    EXPECT_FALSE(std::filesystem::exists(made));
    EXPECT_TRUE(r.file.closed);
    // A create that fails leaves a file that was there before alone.
    const std::string existing = dir.File("existing.WAV");
    std::ofstream(existing) << "keep";
    r.file.createResult = -1;
    r.file.lastError = "disk full";
    EXPECT_FALSE(r.session.Start(existing));
    EXPECT_TRUE(std::filesystem::exists(existing));
    EXPECT_EQ(r.session.LastError(), "disk full");
    EXPECT_EQ(r.events.back(), "Failed " + existing + ": disk full");
}

TEST(RecordingSession, AFailedWriteEndsTheRecordingFinishesAndListsTheFileAndSaysWhy) {
    Rig r;
    r.file.writesBeforeFailure = 1;
    ASSERT_TRUE(r.session.Start("/rec/full.WAV"));
    r.Deliver(100);
    r.Deliver(100);  // the disk is full now
    r.Deliver(100);  // nothing more is tried
    EXPECT_EQ(fakes::Only(r.log, {"WriteBlock"}).size(), 2u);
    QCoreApplication::processEvents();  // the stop comes from the event loop
    EXPECT_FALSE(r.session.IsRecording());
    EXPECT_TRUE(r.file.closed);
    EXPECT_EQ(r.events, (std::vector<std::string>{
                            "Started /rec/full.WAV fake format", "Finished /rec/full.WAV 2",
                            "WriteFailed /rec/full.WAV: No space left on device"}));
}

TEST(RecordingSession, AFinishThatFailsIsReportedToo) {
    Rig r;
    r.file.finishFails = true;
    ASSERT_TRUE(r.session.Start("/rec/a.MP3"));
    r.session.Stop();
    EXPECT_EQ(r.events.back(), "WriteFailed /rec/a.MP3: the header could not be written");
    EXPECT_FALSE(r.session.WriteError().empty());
}

TEST(RecordingSession, AFrameLimitWritesExactlyThatMuchAndStops) {
    Rig r;
    r.recorder.channels = 1;
    r.file.encoderChannels = 1;
    ASSERT_TRUE(r.session.Start("/rec/ten.WAV"));
    r.session.SetFrameLimit(30000);
    r.Deliver(22050);
    r.Deliver(22050);
    r.Deliver(22050);
    ASSERT_EQ(r.file.written.size(), 2u);
    EXPECT_EQ(r.file.written[1].size(), 7950u);
    EXPECT_EQ(r.session.FramesWritten(), 30000);
    QCoreApplication::processEvents();
    EXPECT_FALSE(r.session.IsRecording());
    EXPECT_TRUE(r.session.WriteError().empty());
}

}  // namespace
}  // namespace qsr::recording

namespace qsr::recording {
namespace {

// Armed: nothing is written while silent; the sound and the second before it
// are; the silence after it ends the recording by itself, and the length told
// is what the file holds.
TEST(RecordingSession, ATriggerWaitsForSoundAndStopsAfterTheSilence) {
    Rig r;
    r.file.encoderRate = 8000;
    r.file.encoderChannels = 1;
    std::vector<bool> waiting;
    QObject::connect(&r.session, &RecordingSession::WaitingChanged,
                     [&waiting](bool w) { waiting.push_back(w); });
    TriggerSettings t;
    t.startOnSound = true;
    t.startMs = 100;
    t.stopOnSilence = true;
    t.stopSeconds = 1;
    r.session.SetTrigger(t);
    ASSERT_TRUE(r.session.Start("/rec/t.WAV"));
    EXPECT_TRUE(r.session.WaitingForSound());
    r.Deliver(16000);  // 2 s of near silence
    EXPECT_TRUE(r.file.written.empty());
    audio::Samples loud(8000);
    for (std::size_t i = 0; i < loud.size(); ++i) loud[i] = i % 2 ? 20000 : -20000;
    r.recorder.Deliver(loud);
    EXPECT_FALSE(r.session.WaitingForSound());
    r.Deliver(16000);  // the silence that ends it
    QCoreApplication::processEvents();
    EXPECT_FALSE(r.session.IsRecording());
    EXPECT_EQ(waiting, (std::vector<bool>{true, false}));
    std::size_t written = 0;
    for (const auto& block : r.file.written) written += block.size();
    // 1 s before the sound (+ the 100 ms it held), 1 s of sound, 1 s of silence.
    EXPECT_GE(written, 8000u * 3);
    EXPECT_LE(written, 8000u * 3 + 1600);
    ASSERT_FALSE(r.events.empty());
    EXPECT_EQ(r.events.back(), "Finished /rec/t.WAV " + std::to_string(written * 1000 / 8000));
}

}  // namespace
}  // namespace qsr::recording
