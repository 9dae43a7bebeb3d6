// The trigger rules on synthetic blocks: silence is zeros, sound a 1 kHz sine
// at half of full scale (about -9 dB RMS), mono 8000 Hz so windows are 400 values.
#include <gtest/gtest.h>

#include <cmath>

#include "recording/SoundTrigger.h"

namespace qsr::recording {
namespace {

constexpr int kRate = 8000;

audio::Samples Tone(int ms) {
    audio::Samples s(static_cast<std::size_t>(kRate * ms / 1000));
    for (std::size_t i = 0; i < s.size(); ++i)
        s[i] = static_cast<std::int16_t>(16384 * std::sin(2 * M_PI * 1000 * double(i) / kRate));
    return s;
}
audio::Samples Silence(int ms) {
    return audio::Samples(static_cast<std::size_t>(kRate * ms / 1000));
}

// Feeds `signal` in blocks of 37 ms (so windows straddle blocks) and returns what is written.
audio::Samples Feed(TriggerGate& gate, const audio::Samples& signal) {
    audio::Samples out;
    const std::size_t step = kRate * 37 / 1000;
    for (std::size_t at = 0; at < signal.size(); at += step) {
        const audio::Samples block(
            signal.begin() + static_cast<std::ptrdiff_t>(at),
            signal.begin() + static_cast<std::ptrdiff_t>(std::min(signal.size(), at + step)));
        const audio::Samples part = gate.Feed(block);
        out.insert(out.end(), part.begin(), part.end());
    }
    const audio::Samples rest = gate.Flush();
    out.insert(out.end(), rest.begin(), rest.end());
    return out;
}

audio::Samples Concat(std::initializer_list<audio::Samples> parts) {
    audio::Samples all;
    for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

// Index of the first value whose magnitude is above `floor`.
std::size_t FirstSound(const audio::Samples& s) {
    for (std::size_t i = 0; i < s.size(); ++i)
        if (std::abs(s[i]) > 100) return i;
    return s.size();
}

TEST(SoundTrigger, OffWritesEverything) {
    TriggerGate gate;
    gate.Reset({}, kRate, 1);
    const audio::Samples signal = Concat({Silence(500), Tone(333), Silence(211)});
    EXPECT_EQ(Feed(gate, signal), signal);
    EXPECT_FALSE(gate.StopWanted());
}

TEST(SoundTrigger, StartKeepsTheSecondBeforeTheSoundAndStopsAfterTheSilence) {
    TriggerSettings s;
    s.startOnSound = true;
    s.startMs = 200;
    s.stopOnSilence = true;
    s.stopSeconds = 1;
    TriggerGate gate;
    gate.Reset(s, kRate, 1);
    EXPECT_TRUE(gate.Waiting());
    const audio::Samples out = Feed(gate, Concat({Silence(3000), Tone(2000), Silence(3000)}));
    EXPECT_TRUE(gate.StopWanted());
    // A full second of silence before the tone, the tone, then 1 s of silence.
    const std::size_t onset = FirstSound(out);
    EXPECT_GE(onset, static_cast<std::size_t>(kRate * 950 / 1000));
    EXPECT_LE(onset, static_cast<std::size_t>(kRate * 1250 / 1000));
    const std::size_t total = out.size();
    EXPECT_GE(total, onset + kRate * 2 + kRate * 950 / 1000);
    EXPECT_LE(total, onset + kRate * 2 + kRate * 1100 / 1000);
}

TEST(SoundTrigger, ShortBurstsBelowTheHoldTimeDoNotStart) {
    TriggerSettings s;
    s.startOnSound = true;
    s.startMs = 300;
    TriggerGate gate;
    gate.Reset(s, kRate, 1);
    EXPECT_TRUE(Feed(gate, Concat({Tone(150), Silence(500), Tone(150), Silence(500)})).empty());
    EXPECT_TRUE(gate.Waiting());
    // A quiet tone (about -45 dB) stays below the default start level.
    audio::Samples quiet = Tone(1000);
    for (auto& v : quiet) v = static_cast<std::int16_t>(v / 100);
    EXPECT_TRUE(Feed(gate, quiet).empty());
}

TEST(SoundTrigger, PauseCutsSilenceAndResumesWithTheSound) {
    TriggerSettings s;
    s.pauseOnSilence = true;
    TriggerGate gate;
    gate.Reset(s, kRate, 2);  // stereo: windows hold both channels
    audio::Samples tone = Tone(1000), stereo;
    for (auto v : tone) stereo.insert(stereo.end(), {v, v});
    const audio::Samples out = Feed(gate, Concat({stereo, audio::Samples(kRate * 2 * 4), stereo}));
    EXPECT_FALSE(gate.StopWanted());
    // Both tones, with at most 0.5 s of the 4 s silence between them.
    EXPECT_GE(out.size(), static_cast<std::size_t>(kRate * 2 * 2));
    EXPECT_LE(out.size(), static_cast<std::size_t>(kRate * 2 * 2 + kRate * 2 / 2));
    std::size_t longestSilence = 0, run = 0;
    for (std::size_t i = 0; i < out.size(); i += 2) {
        run = out[i] == 0 ? run + 1 : 0;
        longestSilence = std::max(longestSilence, run);
    }
    EXPECT_GT(longestSilence, static_cast<std::size_t>(kRate / 10));  // some silence is kept
    EXPECT_LE(longestSilence, static_cast<std::size_t>(kRate / 2));
}

TEST(SoundTrigger, ParsesTheCommandLineForms) {
    TriggerSettings s;
    EXPECT_TRUE(ParseStartOnSound("-30dB", s));
    EXPECT_EQ(s.startDb, -30);
    EXPECT_EQ(s.startMs, 200);
    EXPECT_TRUE(ParseStartOnSound("-25.5db:500ms", s));
    EXPECT_EQ(s.startDb, -25.5);
    EXPECT_EQ(s.startMs, 500);
    EXPECT_TRUE(ParseStopOnSilence("3s", s));
    EXPECT_EQ(s.stopSeconds, 3);
    EXPECT_EQ(s.silenceDb, -40);
    EXPECT_TRUE(ParseStopOnSilence("1.5s:-50dB", s));
    EXPECT_EQ(s.silenceDb, -50);
    for (const char* bad : {"", "30", "dB", "-30", "-30dB:", "-30dB:x", "+5dB", "-30dB:200"})
        EXPECT_FALSE(ParseStartOnSound(bad, s)) << bad;
    for (const char* bad : {"", "3", "0s", "-1s", "3s:-40", "s"})
        EXPECT_FALSE(ParseStopOnSilence(bad, s)) << bad;
}

}  // namespace
}  // namespace qsr::recording
