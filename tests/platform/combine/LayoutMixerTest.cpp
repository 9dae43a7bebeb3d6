#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>

#include "platform/combine/LayoutMixer.h"

using qsr::audio::CombineLayout;
using qsr::audio::ParseCombineLayout;
using qsr::audio::Samples;
using qsr::audio::combine::LayoutMixer;

namespace {

Samples Tone(double hz, double amplitude, int frames, int channels, int rate = 48000) {
    Samples s;
    for (int i = 0; i < frames; ++i)
        for (int c = 0; c < channels; ++c)
            s.push_back(static_cast<std::int16_t>(amplitude * std::sin(2 * M_PI * hz * i / rate)));
    return s;
}

}  // namespace

TEST(LayoutMixer, MixSumsWithGainsAndNeverClips) {
    LayoutMixer m;
    m.Configure(CombineLayout::Mix, 48000, 2, 100, 50);
    EXPECT_EQ(m.SourceChannels(), 2);
    // Quiet: the plain weighted sum.
    Samples out;
    m.Mix({1000, -2000, 300, 400}, {2000, 2000, -600, 0}, out);
    EXPECT_EQ(out, (Samples{2000, -1000, 0, 400}));

    // Two loud tones whose sum would reach 1.8 of full scale.
    m.Configure(CombineLayout::Mix, 48000, 2, 100, 100);
    const Samples a = Tone(440, 30000, 48000, 2), b = Tone(440, 24000, 48000, 2);
    out.clear();
    m.Mix(a, b, out);
    ASSERT_EQ(out.size(), a.size());
    double lowest = 2, highest = 0;
    for (std::size_t i = 0; i < out.size(); i += 2) {
        const int sum = a[i] + b[i];
        // Turned down, never up, never past full scale.
        EXPECT_LE(std::abs(int{out[i]}), std::min(std::abs(sum), sum < 0 ? 32768 : 32767));
        EXPECT_EQ(out[i], out[i + 1]);  // one gain for the frame
        if (i > out.size() / 2 && std::abs(sum) > 10000) {
            lowest = std::min(lowest, double(out[i]) / sum);
            highest = std::max(highest, double(out[i]) / sum);
        }
    }
    // A limiter, not a clamp: the steady tone is scaled as a whole (a clamp
    // would pass its slopes and flatten its tops), and it stays loud.
    EXPECT_LT(highest - lowest, 0.02);
    EXPECT_GT(lowest, 0.55);
    int top = 0;
    for (std::size_t i = out.size() / 2; i < out.size(); ++i)
        top = std::max(top, std::abs(int{out[i]}));
    EXPECT_GT(top, 30000);  // and it stays loud
}

TEST(LayoutMixer, ChannelsPutsEachSourceOnItsSide) {
    LayoutMixer m;
    m.Configure(CombineLayout::Channels, 44100, 2, 100, 200);
    EXPECT_EQ(m.SourceChannels(), 1);
    EXPECT_EQ(m.OutputChannels(), 2);
    Samples out;
    m.Mix({100, 7, -32768}, {50, -3, 20000}, out);
    EXPECT_EQ(out, (Samples{100, 100, 7, -6, -32768, 32767}));
    // A mono file cannot hold two sides: the sources are mixed.
    m.Configure(CombineLayout::Channels, 44100, 1, 100, 100);
    EXPECT_EQ(m.Layout(), CombineLayout::Mix);
    out.clear();
    m.Mix({100}, {50}, out);
    EXPECT_EQ(out, (Samples{150}));
}

TEST(LayoutMixer, FilesKeepsTheSourcesApartFrameByFrame) {
    LayoutMixer m;
    // The pair of files is twice the format's channels.
    m.Configure(CombineLayout::Files, 22050, 4, 100, 100);
    EXPECT_EQ(m.SourceChannels(), 2);
    Samples out;
    m.Mix({1, 2, 3, 4}, {-1, -2, -3, -4}, out);
    EXPECT_EQ(out, (Samples{1, 2, -1, -2, 3, 4, -3, -4}));
    m.Configure(CombineLayout::Files, 22050, 2, 100, 100);
    EXPECT_EQ(m.SourceChannels(), 1);
}

TEST(LayoutMixer, LayoutNamesReadBack) {
    for (CombineLayout l : {CombineLayout::Mix, CombineLayout::Channels, CombineLayout::Files})
        EXPECT_EQ(ParseCombineLayout(qsr::audio::CombineLayoutName(l)), l);
    EXPECT_EQ(ParseCombineLayout("stereo"), std::nullopt);
    EXPECT_STREQ(qsr::audio::CombineLayoutName(CombineLayout::Files), "files");
}
