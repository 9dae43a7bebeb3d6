// EBU R128 figures on the standard's generated signals, the measurer on files
// other programs made, the gain stage and the rules over the figures.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "platform/audio/AudioFileComponent.h"
#include "platform/loudness/Loudness.h"
#include "platform/loudness/LoudnessRules.h"
#include "platform/loudness/PeakLimiter.h"
#include "support/Signal.h"
#include "support/TempDir.h"

namespace qsr::loudness {
namespace {

using qsr::testing::TempDir;

// A 1 kHz sine `dbfs` below full scale (peak), `seconds` long, on every channel.
audio::Samples Sine(int rate, int channels, double seconds, double dbfs, double hz = 1000.0) {
    return qsr::testing::Tone(rate, channels, seconds, hz, 32767.0 * std::pow(10.0, dbfs / 20.0));
}

Figures Measure(const audio::Samples& s, int rate, int channels) {
    Meter m(rate, channels);
    EXPECT_TRUE(m.Valid());
    m.Add(s.data(), s.size() / static_cast<std::size_t>(channels));
    return m.Result();
}

void Append(audio::Samples& to, const audio::Samples& more) {
    to.insert(to.end(), more.begin(), more.end());
}

TEST(Loudness, TheStandardsReferenceSignalsGiveItsFigures) {
    // 1 kHz at -20 dBFS, mono: -23.0 LUFS; its peaks -20 dB.
    const Figures mono = Measure(Sine(48000, 1, 20, -20), 48000, 1);
    ASSERT_TRUE(mono.integrated);
    EXPECT_NEAR(*mono.integrated, -23.0, 0.1);
    EXPECT_NEAR(Decibels(mono.samplePeak), -20.0, 0.05);
    EXPECT_NEAR(Decibels(mono.truePeak), -20.0, 0.1);
    // Stereo at -23 dBFS is -23 LUFS too, at 44.1 kHz as at 48.
    const Figures stereo = Measure(Sine(44100, 2, 20, -23), 44100, 2);
    ASSERT_TRUE(stereo.integrated);
    EXPECT_NEAR(*stereo.integrated, -23.0, 0.1);
    // The relative gate leaves out the quiet parts: 10 s at -36, 60 s at -23,
    // 10 s at -36 dBFS is still -23 LUFS.
    audio::Samples gated = Sine(48000, 2, 10, -36);
    Append(gated, Sine(48000, 2, 60, -23));
    Append(gated, Sine(48000, 2, 10, -36));
    const Figures g = Measure(gated, 48000, 2);
    ASSERT_TRUE(g.integrated);
    EXPECT_NEAR(*g.integrated, -23.0, 0.1);
    // Loudness range: 20 s at -20 then 20 s at -30 dBFS is 10 LU (within 1).
    audio::Samples steps = Sine(48000, 2, 20, -20);
    Append(steps, Sine(48000, 2, 20, -30));
    EXPECT_NEAR(Measure(steps, 48000, 2).range, 10.0, 1.0);
}

TEST(Loudness, SilenceAndSoundBelowTheGateHaveNoLoudness) {
    const Figures silence = Measure(audio::Samples(48000 * 2 * 10, 0), 48000, 2);
    EXPECT_FALSE(silence.integrated);
    EXPECT_EQ(silence.truePeak, 0.0);
    EXPECT_EQ(LufsText(silence.integrated), "silence");
    EXPECT_EQ(PeakText(silence.truePeak, "dBTP"), "-inf dBTP");
    // A tone at -75 LUFS is below the absolute gate (-70 LUFS): no figure,
    // though its peak is there.
    const Figures faint = Measure(Sine(48000, 1, 10, -72), 48000, 1);
    EXPECT_FALSE(faint.integrated);
    EXPECT_GT(faint.samplePeak, 0.0);
    // Nothing to tag and no gain to plan.
    EXPECT_TRUE(ReplayGainFields(TagKind::Vorbis, silence, nullptr).empty());
    EXPECT_FALSE(PlanGain(silence, Target{}));
}

TEST(Loudness, AnAlbumIsMeasuredAsOneSound) {
    Meter loud(48000, 1), quiet(48000, 1);
    const audio::Samples a = Sine(48000, 1, 10, -20), b = Sine(48000, 1, 10, -30);
    loud.Add(a.data(), a.size());
    quiet.Add(b.data(), b.size());
    audio::Samples both = a;
    Append(both, b);
    const Figures whole = Measure(both, 48000, 1);
    const Figures album = Meter::Combined({&loud, &quiet});
    ASSERT_TRUE(album.integrated && whole.integrated);
    EXPECT_NEAR(*album.integrated, *whole.integrated, 0.05);
    EXPECT_DOUBLE_EQ(album.truePeak, loud.Result().truePeak);
}

// Files made by ffmpeg, read by the real readers: one measure each; a damaged
// one is reported, with no figure.
TEST(Loudness, FilesAreMeasuredAndDamageIsReportedNotMeasured) {
    TempDir dir;
    const std::string flac = dir.File("tone.flac");
    qsr::testing::Capture("ffmpeg -v error -f lavfi -i 'sine=f=1000:r=48000:d=12' -af volume=" +
                          std::to_string(std::pow(10.0, -20.0 / 20.0) / 0.125) + " -ac 1 -y " +
                          flac);
    auto reader = audio::CreateRealAudioFile();
    std::vector<double> told;
    const Measurement m = MeasureFile(*reader, flac, nullptr, [&](double p) { told.push_back(p); });
    ASSERT_EQ(m.outcome, Measurement::Outcome::Measured) << m.reason;
    ASSERT_TRUE(m.figures.integrated);
    EXPECT_NEAR(*m.figures.integrated, -23.0, 0.1);
    EXPECT_EQ(m.frames, 12 * 48000);
    ASSERT_FALSE(told.empty());
    EXPECT_EQ(told.back(), 100.0);

    // Garbage over a tenth of a second in the middle of an MP3.
    const std::string mp3 = dir.File("tone.mp3");
    qsr::testing::Capture("ffmpeg -v error -f lavfi -i 'sine=f=440:r=44100:d=5' -ac 2 -y " + mp3);
    std::string bytes = qsr::testing::ReadAll(mp3);
    ASSERT_GT(bytes.size(), 20000U);
    for (size_t i = bytes.size() / 3; i < bytes.size() / 3 + 1600; ++i) bytes[i] ^= 0x5A;
    qsr::testing::WriteAll(dir.File("hole.mp3"), bytes);
    const Measurement damaged = MeasureFile(*reader, dir.File("hole.mp3"));
    EXPECT_EQ(damaged.outcome, Measurement::Outcome::Damaged);
    EXPECT_NE(damaged.reason.find("damaged"), std::string::npos) << damaged.reason;
    EXPECT_FALSE(damaged.figures.integrated);
    EXPECT_FALSE(damaged.meter);

    qsr::testing::WriteAll(dir.File("junk.wav"), std::string(4000, 'x'));
    const Measurement junk = MeasureFile(*reader, dir.File("junk.wav"));
    EXPECT_EQ(junk.outcome, Measurement::Outcome::Failed);
    EXPECT_FALSE(junk.reason.empty());
    EXPECT_FALSE(junk.figures.integrated);

    std::atomic<bool> cancel{true};
    EXPECT_EQ(MeasureFile(*reader, flac, &cancel).outcome, Measurement::Outcome::Cancelled);
}

TEST(Loudness, TheGainStageGainsAndHoldsTruePeaksUnderTheCeiling) {
    // Without the limiter every sample is the input's, gained, at once.
    const audio::Samples tone = Sine(48000, 2, 1, -20);
    GainStage plain(48000, 2, 6.0, false, -1.0);
    const audio::Samples gained = plain.Process(tone);
    ASSERT_EQ(gained.size(), tone.size());
    for (std::size_t i = 0; i < tone.size(); i += 97)
        EXPECT_EQ(gained[i], std::lround(tone[i] * std::pow(10.0, 0.3)));
    EXPECT_TRUE(plain.Flush().empty());

    // A quiet tone with a loud 3 kHz burst of 20 ms every half second (the
    // first at the very start), gained 18 dB: the bursts would pass full
    // scale; with the limiter the true peak stays at -1 dBTP, and between
    // the bursts the tone has the whole gain. Blocks of odd sizes, as
    // decoders give them.
    audio::Samples in = Sine(48000, 2, 6, -30, 997.0);
    const audio::Samples burst = Sine(48000, 2, 0.02, -6, 3000.0);
    for (std::size_t at = 0; at + burst.size() < in.size(); at += 2 * 24000)
        for (std::size_t i = 0; i < burst.size(); ++i) in[at + i] = burst[i];
    GainStage limited(48000, 2, 18.0, true, -1.0);
    audio::Samples out;
    for (std::size_t at = 0; at < in.size(); at += 2 * 1237) {
        const audio::Samples part(
            in.begin() + static_cast<long>(at),
            in.begin() + static_cast<long>(std::min(in.size(), at + 2 * 1237)));
        Append(out, limited.Process(part));
    }
    Append(out, limited.Flush());
    ASSERT_EQ(out.size(), in.size());
    const Figures after = Measure(out, 48000, 2);
    EXPECT_LE(Decibels(after.truePeak), -1.0);
    EXPECT_GT(Decibels(after.truePeak), -1.6);
    EXPECT_GT(limited.DeepestCut(), 10.0);
    const double whole = std::pow(10.0, 18.0 / 20.0);
    for (std::size_t at = 2 * 12000; at < in.size(); at += 2 * 24000)
        for (std::size_t i = at; i < at + 200; ++i) ASSERT_NEAR(out[i], in[i] * whole, 1.0) << i;
}

TEST(Loudness, ReplayGainAndNormalisingRules) {
    Figures f;
    f.integrated = -20.5;
    f.truePeak = 0.5;
    Figures album;
    album.integrated = -21.0;
    album.truePeak = 0.8;
    const TagFields vorbis = ReplayGainFields(TagKind::Vorbis, f, &album);
    const TagFields expected = {{"REPLAYGAIN_TRACK_GAIN", "+2.50 dB"},
                                {"REPLAYGAIN_TRACK_PEAK", "0.500000"},
                                {"REPLAYGAIN_ALBUM_GAIN", "+3.00 dB"},
                                {"REPLAYGAIN_ALBUM_PEAK", "0.800000"}};
    EXPECT_EQ(vorbis, expected);
    EXPECT_EQ(ReplayGainFields(TagKind::Id3v2, f, nullptr),
              TagFields(expected.begin(), expected.begin() + 2));
    // Opus: Q7.8 relative to -23 LUFS (-2.5 dB = -640), and nothing else.
    EXPECT_EQ(ReplayGainFields(TagKind::Opus, f, &album),
              (TagFields{{"R128_TRACK_GAIN", "-640"}, {"R128_ALBUM_GAIN", "-512"}}));
    EXPECT_EQ(TagKindFor("/a/b.FLAC"), TagKind::Vorbis);
    EXPECT_EQ(TagKindFor("/a/b.opus"), TagKind::Opus);
    EXPECT_EQ(TagKindFor("/a.mp3/b"), TagKind::None);

    const auto t = ParseTarget("-16:-1.5");
    ASSERT_TRUE(t);
    EXPECT_EQ(t->lufs, -16.0);
    EXPECT_EQ(t->ceiling, -1.5);
    EXPECT_EQ(ParseTarget("-23")->ceiling, -1.0);
    for (const char* bad : {"", "16x", "-16:", "-80", "-16:3", "loud"})
        EXPECT_FALSE(ParseTarget(bad)) << bad;
    // -20.5 LUFS to -16 is +4.5 dB; a true peak of -6 dB ends at -1.5: no limiter.
    const auto plan = PlanGain(f, *t);
    ASSERT_TRUE(plan);
    EXPECT_DOUBLE_EQ(plan->gain, 4.5);
    EXPECT_FALSE(plan->limit);
    EXPECT_TRUE(PlanGain(f, Target{-14.0, -1.0})->limit);
    EXPECT_EQ(GainPlanText(*PlanGain(f, Target{-14.0, -1.0}), Target{-14.0, -1.0}),
              "normalised to -14.0 LUFS: gain +6.50 dB, peaks limited to -1.0 dBTP");
}

}  // namespace
}  // namespace qsr::loudness
