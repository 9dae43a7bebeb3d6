// MIDI rendering with the real synthesizer and the installed sound font.
#include <gtest/gtest.h>

#include <cmath>

#include "platform/mediaplayer/MidiRender.h"
#include "platform/mediaplayer/RealMediaControl.h"
#include "support/MidiFile.h"
#include "support/TempDir.h"

namespace qsr::mediaplayer {
namespace {

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
    std::string font;
    testing::TempDir dir;
};

TEST_F(MidiRender, ANoteSoundsForItsLengthAndAnRmiWrapperPlaysTheSame) {
    for (bool rmi : {false, true}) {
        const std::string path = dir.File(rmi ? "note.RMI" : "note.mid");
        testing::WriteMidiNote(path, 1.5, rmi);
        std::vector<std::int16_t> out;
        ASSERT_TRUE(RenderMidi(path, 44100, out, font)) << path;
        const double seconds = double(out.size()) / 2 / 44100;
        // The note, then a second for it to fade.
        EXPECT_NEAR(seconds, 2.5, 0.15) << path;
        const std::vector<std::int16_t> held(out.begin() + 44100 / 5 * 2, out.begin() + 44100 * 2);
        EXPECT_GT(Rms(held), 300) << path;
    }
}

TEST_F(MidiRender, WhatIsNotMidiRendersNothing) {
    std::vector<std::int16_t> out;
    testing::WriteAll(dir.File("empty.mid"), "");
    EXPECT_FALSE(RenderMidi(dir.File("empty.mid"), 44100, out, font));
    testing::WriteAll(dir.File("noise.mid"), std::string(4096, '\x5a'));
    EXPECT_FALSE(RenderMidi(dir.File("noise.mid"), 44100, out, font));
    EXPECT_TRUE(out.empty());
    testing::WriteAll(dir.File("cut.mid"), std::string("MThd\0\0\0\6\0\0\0\1\x01\xE0MTrk", 18));
    EXPECT_FALSE(RenderMidi(dir.File("cut.mid"), 44100, out, font));
    EXPECT_FALSE(RenderMidi(dir.File("missing.mid"), 44100, out, font));
    testing::WriteMidiNote(dir.File("fine.mid"), 0.5);
    EXPECT_FALSE(RenderMidi(dir.File("fine.mid"), 44100, out, ""));
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
