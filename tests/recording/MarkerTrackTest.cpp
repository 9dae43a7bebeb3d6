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
}

}  // namespace
}  // namespace qsr::recording
