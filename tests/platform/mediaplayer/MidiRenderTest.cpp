// MIDI rendering with the real synthesizer and the installed sound font.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <functional>
#include <thread>
#include <utility>
#include <vector>

#include "platform/mediaplayer/MidiRender.h"
#include "platform/mediaplayer/RealMediaControl.h"
#include "support/MidiFile.h"
#include "support/TempDir.h"

namespace qsr::mediaplayer {
namespace {

// Polls `done` (no event loop here) until true or ms have passed.
bool Until(const std::function<bool()>& done, int ms) {
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

// A format-0 MIDI file (120 beats a minute, 480 ticks a beat) striking middle
// C on a flute at each start for its length, in seconds; the notes must not
// overlap.
void WriteMidiNotes(const std::string& path, const std::vector<std::pair<double, double>>& notes) {
    std::string track = {0, char(0xC0), 73};
    const auto delta = [&track](unsigned ticks) {
        std::string vlq(1, char(ticks & 0x7F));
        for (unsigned v = ticks >> 7; v; v >>= 7) vlq.insert(vlq.begin(), char(0x80 | (v & 0x7F)));
        track += vlq;
    };
    unsigned now = 0;
    for (const auto& [start, length] : notes) {
        const auto on = static_cast<unsigned>(start * 960);
        const auto off = static_cast<unsigned>((start + length) * 960);
        delta(on - now);
        track += std::string{char(0x90), 60, 100};
        delta(off - on);
        track += std::string{char(0x80), 60, 0};
        now = off;
    }
    track += std::string{0, char(0xFF), 0x2F, 0};
    std::string midi = std::string("MThd\0\0\0\6\0\0\0\1\x01\xE0", 14) + "MTrk";
    for (int shift : {24, 16, 8, 0}) midi += char((track.size() >> shift) & 0xFF);
    testing::WriteAll(path, midi + track);
}

double Rms(const std::vector<std::int16_t>& s) {
    double sum = 0;
    for (auto v : s) sum += double(v) * v;
    return s.empty() ? 0 : std::sqrt(sum / double(s.size()));
}

class MidiRender : public ::testing::Test {
  protected:
    void SetUp() override {
        font = FindSoundFont();
        ASSERT_FALSE(font.empty()) << "no General MIDI sound font installed (scripts/deps)";
    }
    static std::vector<std::int16_t> RenderAll(MidiStream& stream) {
        std::vector<std::int16_t> out;
        for (auto block = stream.Render(4096); !block.empty(); block = stream.Render(4096))
            out.insert(out.end(), block.begin(), block.end());
        return out;
    }
    std::string font;
    testing::TempDir dir;
};

TEST_F(MidiRender, ANoteSoundsForItsLengthAndAnRmiWrapperPlaysTheSame) {
    for (bool rmi : {false, true}) {
        const std::string path = dir.File(rmi ? "note.RMI" : "note.mid");
        testing::WriteMidiNote(path, 1.5, rmi);
        auto stream = MidiStream::Open(path, 44100, font);
        ASSERT_NE(stream, nullptr) << path;
        const std::vector<std::int16_t> out = RenderAll(*stream);
        const double seconds = double(out.size()) / 2 / 44100;
        // The note, then a second for it to fade; the length is known before.
        EXPECT_NEAR(seconds, 2.5, 0.15) << path;
        EXPECT_NEAR(double(stream->TotalFrames()) / 44100, seconds, 0.1) << path;
        const std::vector<std::int16_t> held(out.begin() + 44100 / 5 * 2, out.begin() + 44100 * 2);
        EXPECT_GT(Rms(held), 300) << path;
    }
}

TEST_F(MidiRender, ASeekRendersOnlyTheRestFromTheNewPosition) {
    WriteMidiNotes(dir.File("two.mid"), {{0, 1}, {3.5, 0.5}});
    auto stream = MidiStream::Open(dir.File("two.mid"), 44100, font);
    ASSERT_NE(stream, nullptr);
    EXPECT_NEAR(double(stream->TotalFrames()) / 44100, 5.0, 0.05);
    stream->Seek(44100 * 3);  // before the second note
    const std::vector<std::int16_t> rest = RenderAll(*stream);
    EXPECT_NEAR(double(rest.size()) / 2 / 44100, 2.0, 0.15);
    EXPECT_LT(Rms({rest.begin(), rest.begin() + 44100 * 2 * 4 / 10}),
              30);  // the first note is over
    EXPECT_GT(Rms({rest.begin() + 44100 * 2 * 6 / 10, rest.begin() + 44100 * 2 * 9 / 10}), 300);
    stream->Seek(0);  // back again after the end
    const std::vector<std::int16_t> whole = RenderAll(*stream);
    EXPECT_NEAR(double(whole.size()) / 2 / 44100, 5.0, 0.15);
    EXPECT_GT(Rms({whole.begin() + 44100 * 2 / 5, whole.begin() + 44100 * 2 * 4 / 5}), 300);
}

TEST(MidiTiming, TempoChangesTurnTicksIntoSeconds) {
    // 480 ticks a beat; 120 beats a minute, then 60 from tick 960 (one second in).
    std::string track = {0, char(0x90), 60, 100};
    track += std::string{char(0x87), char(0x40), char(0xFF), 0x51,
                         3,          char(0x0F), char(0x42), char(0x40)};
    track += std::string{char(0x87), char(0x40), char(0x80), 60, 0, 0, char(0xFF), 0x2F, 0};
    std::string midi = std::string("MThd\0\0\0\6\0\0\0\1\x01\xE0MTrk\0\0\0", 21);
    midi += char(track.size());
    const auto timing = ReadMidiTiming(midi + track);
    ASSERT_TRUE(timing.has_value());
    EXPECT_TRUE(timing->hasNotes);
    EXPECT_EQ(timing->lastTick, 1920);
    EXPECT_DOUBLE_EQ(timing->SecondsAt(960), 1.0);
    EXPECT_DOUBLE_EQ(timing->Length(), 3.0);  // the second 960 ticks take two seconds
    EXPECT_EQ(timing->TickAt(2.0), 1440);
    EXPECT_FALSE(ReadMidiTiming(midi.substr(0, 12)).has_value());
}

TEST_F(MidiRender, WhatIsNotMidiRendersNothing) {
    testing::WriteAll(dir.File("empty.mid"), "");
    EXPECT_EQ(MidiStream::Open(dir.File("empty.mid"), 44100, font), nullptr);
    testing::WriteAll(dir.File("noise.mid"), std::string(4096, '\x5a'));
    EXPECT_EQ(MidiStream::Open(dir.File("noise.mid"), 44100, font), nullptr);
    testing::WriteAll(dir.File("cut.mid"), std::string("MThd\0\0\0\6\0\0\0\1\x01\xE0MTrk", 18));
    EXPECT_EQ(MidiStream::Open(dir.File("cut.mid"), 44100, font), nullptr);
    EXPECT_EQ(MidiStream::Open(dir.File("missing.mid"), 44100, font), nullptr);
    testing::WriteMidiNote(dir.File("fine.mid"), 0.5);
    EXPECT_EQ(MidiStream::Open(dir.File("fine.mid"), 44100, ""), nullptr);
}

// The feed renders a bounded stretch ahead: a five-minute file gives its
// first sound after a few seconds of rendering, never the whole file, and a
// seek renders from the new position.
TEST_F(MidiRender, TheFeedRendersAheadOfWhatIsTakenAndNoFurther) {
    WriteMidiNotes(dir.File("long.mid"), {{0, 1}, {299.2, 0.8}});
    auto stream = MidiStream::Open(dir.File("long.mid"), 44100, font);
    ASSERT_NE(stream, nullptr);
    MidiFeed feed(std::move(stream), 44100);
    EXPECT_NEAR(double(feed.TotalFrames()) / 44100, 301, 0.5);
    const std::int64_t ahead = MidiFeed::kAhead.count() * 44100;
    std::vector<std::int16_t> out;
    ASSERT_GT(feed.Take(44100, out, std::chrono::seconds(20)), 0);
    EXPECT_LT(feed.RenderedFrames(), feed.TotalFrames() / 10);
    // It fills up to the bound and stops there.
    ASSERT_TRUE(Until([&] { return feed.RenderedFrames() >= ahead + std::int64_t(out.size() / 2); },
                      20000));
    EXPECT_LE(feed.RenderedFrames(), ahead + std::int64_t(out.size() / 2) + 4096);
    EXPECT_FALSE(feed.Ended());

    feed.Seek(feed.TotalFrames() - 44100 * 2);  // just before the last note
    ASSERT_TRUE(feed.WaitReady(std::chrono::seconds(20)));
    EXPECT_LE(feed.RenderedFrames(), ahead);
    std::int64_t taken = 0;
    std::vector<std::int16_t> tail;
    ASSERT_TRUE(Until(
        [&] {
            taken += feed.Take(44100, tail, std::chrono::milliseconds(100));
            return feed.Ended();
        },
        20000));
    EXPECT_NEAR(double(taken) / 44100, 2.0, 0.1);
    EXPECT_GT(Rms({tail.begin() + 44100 * 2 * 4 / 10, tail.begin() + 44100 * 2 * 9 / 10}), 300);
}

TEST(MidiNames, OnlyTheThreeMidiExtensionsInAnyCase) {
    EXPECT_TRUE(IsMidiName("/a/b.MID"));
    EXPECT_TRUE(IsMidiName("x.midi"));
    EXPECT_TRUE(IsMidiName("y.Rmi"));
    EXPECT_FALSE(IsMidiName("mid"));
    EXPECT_FALSE(IsMidiName("z.mp3"));
}

}  // namespace
}  // namespace qsr::mediaplayer
