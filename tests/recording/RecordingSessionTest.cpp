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

namespace qsr::recording {
namespace {

using State = RecordingSession::State;
using Event = RecordingSession::Event;

// Near full scale, far above every trigger level.
void DeliverLoud(Rig& r, long frames) {
    audio::Samples loud(static_cast<std::size_t>(frames * r.recorder.channels));
    for (std::size_t i = 0; i < loud.size(); ++i) loud[i] = i % 2 ? 20000 : -20000;
    r.recorder.Deliver(loud);
}

// One take through every state it can pass, and each request a state does
// not take: Stop while stopping, starts kept for after the stop (the latest
// wins), an exit that wins over them, and no start once the exit was asked for.
TEST(RecordingSession, ATakeWalksItsStatesAndEachStateRefusesWhatItDoesNotTake) {
    Rig r;
    r.recorder.channels = 1;
    r.file.encoderRate = 8000;
    r.file.encoderChannels = 1;
    std::vector<Event> handedBack;
    QObject::connect(&r.session, &RecordingSession::AfterStop,
                     [&handedBack](Event e) { handedBack.push_back(e); });
    std::vector<std::string> pieces;
    QObject::connect(&r.session, &RecordingSession::PieceFinished,
                     [&pieces](const std::string& p, std::int64_t) { pieces.push_back(p); });
    EXPECT_FALSE(r.session.Stop());
    EXPECT_EQ(r.session.CurrentState(), State::Idle);

    TriggerSettings t;
    t.startOnSound = true;
    t.startMs = 100;
    t.pauseOnSilence = true;
    r.session.SetTrigger(t);
    r.session.SetSplit(SplitRule{2, 0}, [] { return std::string("/rec/b.WAV"); });
    ASSERT_TRUE(r.session.Start("/rec/a.WAV"));
    EXPECT_EQ(r.session.CurrentState(), State::WaitingForSound);
    EXPECT_TRUE(r.session.IsRecording());
    r.Deliver(8000);
    EXPECT_EQ(r.session.CurrentState(), State::WaitingForSound);
    DeliverLoud(r, 8000);
    EXPECT_EQ(r.session.CurrentState(), State::Recording);
    r.Deliver(8000);
    EXPECT_EQ(r.session.CurrentState(), State::PausedBySilence);
    EXPECT_TRUE(r.session.IsRecording());
    // The sound back: writing resumes and the piece reaches its 2 s.
    DeliverLoud(r, 8000);
    EXPECT_EQ(r.session.CurrentState(), State::Recording);
    EXPECT_EQ(pieces, (std::vector<std::string>{"/rec/a.WAV"}));
    EXPECT_EQ(r.session.Path(), "/rec/b.WAV");

    std::vector<State> during;
    r.pump.onPump = [&] {
        r.pump.onPump = nullptr;
        during.push_back(r.session.CurrentState());
        EXPECT_FALSE(r.session.Stop());
        EXPECT_FALSE(r.session.Start("/rec/x.WAV"));
        EXPECT_FALSE(r.session.RequestStart(Event::Start));
        during.push_back(r.session.CurrentState());
        EXPECT_FALSE(r.session.RequestStart(Event::ScheduledStart));
        during.push_back(r.session.CurrentState());
        EXPECT_FALSE(r.session.Exit());
        during.push_back(r.session.CurrentState());
        EXPECT_FALSE(r.session.Exit());
        EXPECT_FALSE(r.session.RequestStart(Event::Start));
        during.push_back(r.session.CurrentState());
    };
    ASSERT_TRUE(r.session.Stop());
    EXPECT_EQ(during, (std::vector<State>{State::Stopping, State::StoppingThenStart,
                                          State::StoppingThenScheduledStart,
                                          State::StoppingThenExit, State::StoppingThenExit}));
    // The last piece was listed; the kept exit comes from the event
    // loop, and no start begins before it.
    EXPECT_EQ(r.events.back().rfind("Finished /rec/b.WAV ", 0), 0u) << r.events.back();
    EXPECT_EQ(r.session.CurrentState(), State::ExitWaiting);
    EXPECT_TRUE(handedBack.empty());
    EXPECT_FALSE(r.session.RequestStart(Event::Start));
    EXPECT_FALSE(r.session.Start("/rec/c.WAV"));
    QCoreApplication::processEvents();
    EXPECT_EQ(handedBack, (std::vector<Event>{Event::Exit}));
    EXPECT_TRUE(r.session.Exit());
    EXPECT_EQ(r.session.CurrentState(), State::Exited);
    EXPECT_TRUE(r.session.ShuttingDown());
    EXPECT_FALSE(r.session.Exit());
    EXPECT_FALSE(r.session.RequestStart(Event::ScheduledStart));
    EXPECT_FALSE(r.session.Start("/rec/c.WAV"));
    EXPECT_EQ(r.session.LastError(), "the program is shutting down");
    r.session.Attach(nullptr, nullptr);
    EXPECT_EQ(r.session.CurrentState(), State::Exited);
    // Nothing refused touched a file.
    EXPECT_EQ(fakes::Only(r.log, {"CreateFile"}),
              (fakes::CallLog{"CreateFile(/rec/a.WAV)", "CreateFile(/rec/b.WAV)"}));
}

// What ends a take by itself (the device gone, a failed write, the frame
// limit) stops it once control is back in the event loop, not inside the
// recorder's signal; an exit stops a running take at once; a start kept
// during a stop is handed back; detaching abandons a running take.
TEST(RecordingSession, EachEndOfATakeLeadsBackToIdleOrToTheExit) {
    Rig r;
    std::vector<Event> handedBack;
    QObject::connect(&r.session, &RecordingSession::AfterStop,
                     [&handedBack](Event e) { handedBack.push_back(e); });
    const auto endsFromTheEventLoop = [&r](const std::function<void()>& cause) {
        cause();
        const bool stillRunning = r.session.CurrentState() == State::Recording;
        QCoreApplication::processEvents();
        return stillRunning && r.session.CurrentState() == State::Idle;
    };

    ASSERT_TRUE(r.session.Start("/rec/lost.WAV"));
    EXPECT_TRUE(endsFromTheEventLoop([&r] {
        r.recorder.status = -1;
        r.Deliver(100);
        r.Deliver(100);  // one stop, however often it is told
    }));
    EXPECT_TRUE(r.session.DeviceWasLost());
    EXPECT_EQ(fakes::Only(r.log, {"Stop()"}).size(), 1u);

    r.file.writesBeforeFailure = 0;
    ASSERT_TRUE(r.session.Start("/rec/full.WAV"));
    EXPECT_FALSE(r.session.DeviceWasLost());  // a new take starts clean
    EXPECT_TRUE(endsFromTheEventLoop([&r] { r.Deliver(100); }));
    EXPECT_EQ(r.events.back(), "WriteFailed /rec/full.WAV: No space left on device");
    r.file.writesBeforeFailure = -1;

    ASSERT_TRUE(r.session.Start("/rec/limit.WAV"));
    r.session.SetFrameLimit(50);
    EXPECT_TRUE(endsFromTheEventLoop([&r] { r.Deliver(100); }));
    EXPECT_TRUE(r.session.WriteError().empty());
    r.session.SetFrameLimit(0);

    // A start asked for during the stop comes back once the file is listed.
    ASSERT_TRUE(r.session.Start("/rec/kept.WAV"));
    r.pump.onPump = [&r] {
        r.pump.onPump = nullptr;
        EXPECT_FALSE(r.session.RequestStart(Event::Start));
    };
    ASSERT_TRUE(r.session.Stop());
    EXPECT_EQ(r.session.CurrentState(), State::Idle);
    QCoreApplication::processEvents();
    EXPECT_EQ(handedBack, (std::vector<Event>{Event::Start}));
    EXPECT_TRUE(r.session.RequestStart(Event::Start));

    // Detached while recording: abandoned, nothing listed.
    ASSERT_TRUE(r.session.Start("/rec/gone.WAV"));
    const std::size_t told = r.events.size();
    r.session.Attach(nullptr, nullptr);
    EXPECT_EQ(r.session.CurrentState(), State::Idle);
    EXPECT_EQ(r.events.size(), told);
    r.session.Attach(&r.recorder, &r.file);

    // The exit stops the running take itself and lists it; during that stop
    // nothing else is taken.
    ASSERT_TRUE(r.session.Start("/rec/last.WAV"));
    r.pump.onPump = [&r] {
        r.pump.onPump = nullptr;
        EXPECT_EQ(r.session.CurrentState(), State::ExitStopping);
        EXPECT_TRUE(r.session.ShuttingDown());
        EXPECT_FALSE(r.session.Stop());
        EXPECT_FALSE(r.session.RequestStart(Event::Start));
        EXPECT_FALSE(r.session.Exit());
    };
    EXPECT_TRUE(r.session.Exit());
    EXPECT_EQ(r.session.CurrentState(), State::Exited);
    EXPECT_EQ(r.events.back(), "Finished /rec/last.WAV 0");
    QCoreApplication::processEvents();
    EXPECT_EQ(handedBack.size(), 1u);  // nothing kept, nothing handed back
}

}  // namespace
}  // namespace qsr::recording
