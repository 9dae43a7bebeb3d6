// Markers set while recording land on the sample captured at that moment:
// through start on sound, pause on silence and split pieces, and into the
// journal as soon as their place is known.
#include <gtest/gtest.h>

#include <QCoreApplication>

#include "fakes/FakeAudio.h"
#include "fakes/FakeServices.h"
#include "recording/RecordingSession.h"
#include "recording/RecoveryJournal.h"
#include "support/TempDir.h"

namespace qsr::recording {
namespace {

// Loud, and telling which captured frame it was (mono): unique over 16000 frames.
std::int16_t Captured(std::int64_t i) {
    return static_cast<std::int16_t>((i % 2 ? 1 : -1) * (8000 + i % 16000));
}

struct Rig {
    fakes::FakeRecorder recorder;
    fakes::FakeAudioFile file;
    fakes::FakeEventPump pump;
    RecordingSession session{&pump};
    std::int64_t captured = 0;
    struct Stored {
        std::string path;
        int rate;
        std::vector<core::Marker> markers;
    };
    std::vector<Stored> stored;
    Rig() {
        recorder.rate = file.encoderRate = 8000;
        recorder.channels = file.encoderChannels = 1;
        session.Attach(&recorder, &file);
        session.SetMarkerStore([this](const std::string& path, int rate,
                                      const std::vector<core::Marker>& markers, std::string*) {
            stored.push_back({path, rate, markers});
            return true;
        });
    }
    void Loud(std::int64_t frames) {
        audio::Samples block;
        for (std::int64_t i = 0; i < frames; ++i) block.push_back(Captured(captured + i));
        captured += frames;
        recorder.Deliver(block);
    }
    void Quiet(std::int64_t frames) {
        captured += frames;
        recorder.Deliver(audio::Samples(static_cast<std::size_t>(frames)));
    }
    audio::Samples Written() const {
        audio::Samples all;
        for (const auto& b : file.written) all.insert(all.end(), b.begin(), b.end());
        return all;
    }
};

TEST(MarkerTrack, PausedAndWaitingSpansKeepEveryMarkerOnItsSample) {
    Rig r;
    TriggerSettings t;
    t.pauseOnSilence = true;
    r.session.SetTrigger(t);
    EXPECT_EQ(r.session.AddMarker(), 0);  // no take runs
    ASSERT_TRUE(r.session.Start("/rec/m.wav"));
    r.Loud(3000);
    EXPECT_EQ(r.session.AddMarker("first"), 1);  // at captured 3000
    r.Loud(5000);
    r.Quiet(12000);
    EXPECT_EQ(r.session.AddMarker(), 2);  // at 20000, deep in the silence left out
    r.Quiet(20000);
    EXPECT_EQ(r.session.AddMarker(), 3);  // at 40000: where the sound resumes
    r.Loud(4000);
    EXPECT_EQ(r.session.AddMarker(), 4);  // at 44000
    r.Loud(4000);
    EXPECT_TRUE(r.session.RenameMarker(4, "Frage 質問"));
    ASSERT_TRUE(r.session.Stop());

    const audio::Samples file = r.Written();
    ASSERT_EQ(r.stored.size(), 1u);
    EXPECT_EQ(r.stored[0].path, "/rec/m.wav");
    EXPECT_EQ(r.stored[0].rate, 8000);
    const std::vector<core::Marker>& m = r.stored[0].markers;
    ASSERT_EQ(m.size(), 4u);
    EXPECT_EQ(m[0].label, "first");
    EXPECT_EQ(m[1].label, "Marker 2");
    EXPECT_EQ(m[3].label, "Frage 質問");
    EXPECT_GT(m[0].setAtMs, 0);
    EXPECT_EQ(m[0].frame, 3000);
    EXPECT_EQ(file[static_cast<std::size_t>(m[0].frame)], Captured(3000));
    // Left out: the first sample written after it, the lead-in before the sound.
    EXPECT_LT(m[1].frame, m[2].frame);
    EXPECT_EQ(file[static_cast<std::size_t>(m[1].frame)], 0);
    EXPECT_EQ(m[2].frame - m[1].frame, 8000 * TriggerGate::kPauseLeadInMs / 1000);
    EXPECT_EQ(file[static_cast<std::size_t>(m[2].frame)], Captured(40000));
    EXPECT_EQ(m[3].frame - m[2].frame, 4000);
    EXPECT_EQ(file[static_cast<std::size_t>(m[3].frame)], Captured(44000));
}

TEST(MarkerTrack, AStartOnSoundKeepsThePreRollAndAMarkerBeforeItAtZero) {
    Rig r;
    TriggerSettings t;
    t.startOnSound = true;
    t.startMs = 100;
    r.session.SetTrigger(t);
    ASSERT_TRUE(r.session.Start("/rec/s.flac"));
    r.Quiet(4000);
    r.session.AddMarker();  // long before the second that is kept
    r.Quiet(8000);
    r.session.AddMarker();  // in the pre-roll
    r.Quiet(4000);
    r.Loud(8000);
    r.session.AddMarker();  // at the very end: the last sample
    ASSERT_TRUE(r.session.Stop());
    const audio::Samples file = r.Written();
    ASSERT_EQ(r.stored.size(), 1u);
    const std::vector<core::Marker>& m = r.stored[0].markers;
    ASSERT_EQ(m.size(), 3u);
    EXPECT_EQ(m[0].frame, 0);
    // 12000 is half a second before the sound at 16000; what was kept starts
    // a second (and the hold time) before the level rose.
    const auto soundAt = static_cast<std::int64_t>(
        std::find_if(file.begin(), file.end(), [](std::int16_t v) { return v != 0; }) -
        file.begin());
    EXPECT_EQ(soundAt - m[1].frame, 4000);
    EXPECT_EQ(m[2].frame, static_cast<std::int64_t>(file.size()) - 1);
}

TEST(MarkerTrack, EachPieceGetsTheMarkersOfItsSpanRelativeToIt) {
    Rig r;
    int piece = 1;
    r.session.SetSplit({1, 0}, [&piece] { return "/rec/p" + std::to_string(++piece) + ".ogg"; });
    ASSERT_TRUE(r.session.Start("/rec/p1.ogg"));
    r.Loud(4000);
    r.session.AddMarker("a");  // piece 1 at 4000
    r.Loud(8000);
    r.session.AddMarker("b");  // piece 2 at 4000
    r.Loud(4000);
    r.session.AddMarker("c");  // 16000: the first frame of piece 3
    r.Loud(2000);
    ASSERT_TRUE(r.session.Stop());
    ASSERT_EQ(r.stored.size(), 3u);
    const std::vector<std::string> paths{r.stored[0].path, r.stored[1].path, r.stored[2].path};
    EXPECT_EQ(paths, (std::vector<std::string>{"/rec/p1.ogg", "/rec/p2.ogg", "/rec/p3.ogg"}));
    EXPECT_EQ(r.stored[0].markers,
              (std::vector<core::Marker>{{4000, "a", r.stored[0].markers[0].setAtMs}}));
    EXPECT_EQ(r.stored[1].markers.at(0).frame, 4000);
    EXPECT_EQ(r.stored[2].markers.at(0).frame, 0);
    EXPECT_EQ(r.stored[2].markers.at(0).label, "c");
}

TEST(MarkerTrack, AMarkerBetweenProgressReportsStandsAtItsMomentOnTheClock) {
    // The capture runs 8 frames a millisecond; each report lags the sound by
    // a different time, the least of them 25 ms.
    Rig r;
    std::int64_t now = 0;
    r.session.SetClock([&now] { return now; });
    ASSERT_TRUE(r.session.Start("/rec/c.mp3"));
    for (const auto& [at, lag] : {std::pair{1000, 50}, {1200, 75}, {1400, 25}}) {
        now = at;
        emit r.recorder.Timer(8 * (at - lag), 0, 0);
    }
    now = 1480;
    r.session.AddMarker("pressed");
    r.Loud(16000);
    ASSERT_TRUE(r.session.Stop());
    ASSERT_EQ(r.stored.size(), 1u);
    ASSERT_EQ(r.stored[0].markers.size(), 1u);
    EXPECT_EQ(r.stored[0].markers[0].frame, 8 * (1480 - 25));
    EXPECT_EQ(r.Written()[8 * (1480 - 25)], Captured(8 * (1480 - 25)));

    // Reports older than the window no longer count; the estimate never
    // falls behind the last report.
    CaptureClock clock;
    clock.Reset(8000);
    EXPECT_EQ(clock.FrameAt(0), -1);
    clock.Report(0, 8 * 10);  // lagged only 10 ms, long ago
    clock.Report(CaptureClock::kWindowMs + 1000, 8 * (CaptureClock::kWindowMs + 1000 - 90));
    EXPECT_EQ(clock.FrameAt(CaptureClock::kWindowMs + 1100), 8 * (CaptureClock::kWindowMs + 1010));
    clock.Report(CaptureClock::kWindowMs + 1200, 8 * (CaptureClock::kWindowMs + 1200));
    EXPECT_EQ(clock.FrameAt(CaptureClock::kWindowMs + 1150), 8 * (CaptureClock::kWindowMs + 1200));
}

TEST(MarkerTrack, ATakeWithoutMarkersNeverCallsTheStoreAndTheJournalListsThemAtOnce) {
    qsr::testing::TempDir dir;
    RecoveryJournal journal(dir.File("journal"));
    Rig r;
    r.session.SetJournal(&journal);
    ASSERT_TRUE(r.session.Start(dir.File("j.wav")));
    r.Loud(8000);
    ASSERT_TRUE(r.session.Stop());
    EXPECT_TRUE(r.stored.empty());

    ASSERT_TRUE(r.session.Start(dir.File("k.wav")));
    r.Loud(1000);
    r.session.AddMarker("line\nbreak");
    r.Loud(1000);  // the block that holds its sample
    const std::vector<JournalEntry> entries = journal.Entries();
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].rate, 8000);
    ASSERT_EQ(entries[0].markers.size(), 1u);
    EXPECT_EQ(entries[0].markers[0].frame, 1000);
    EXPECT_EQ(entries[0].markers[0].label, "line\nbreak");
    EXPECT_EQ(ParseJournal(JournalText(entries)), entries);
    ASSERT_TRUE(r.session.Stop());
    EXPECT_TRUE(journal.Entries().empty());

    // A store that fails is told, with its reason; the recording is whole.
    r.session.SetMarkerStore(
        [](const std::string&, int, const std::vector<core::Marker>&, std::string* why) {
            *why = "No space left on device";
            return false;
        });
    std::vector<std::string> told;
    QObject::connect(&r.session, &RecordingSession::MarkersNotStored,
                     [&told](const std::string& path, const std::string& why) {
                         told.push_back(path + ": " + why);
                     });
    ASSERT_TRUE(r.session.Start(dir.File("l.wav")));
    r.session.AddMarker();
    r.Loud(1000);
    ASSERT_TRUE(r.session.Stop());
    EXPECT_EQ(told, (std::vector<std::string>{dir.File("l.wav") + ": No space left on device"}));
    EXPECT_TRUE(r.session.WriteError().empty());
}

}  // namespace
}  // namespace qsr::recording
