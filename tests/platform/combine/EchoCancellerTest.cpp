#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "platform/combine/EchoCanceller.h"
#include "support/Signal.h"

using qsr::audio::Samples;
using qsr::audio::combine::EchoCanceller;
using qsr::testing::LiveToneShare;

namespace {

constexpr int kRate = 44100;
constexpr double kVoiceHz = 440;

// A voice-like stand-in: a tone in syllables, four a second with a pause
// between them.
double Voice(long i) {
    const double t = static_cast<double>(i) / kRate;
    return 5000 * std::max(0.0, std::sin(2 * M_PI * 2 * t)) * std::sin(2 * M_PI * kVoiceHz * t);
}

// The power at `hz` of the last `seconds` of `x`, in dB, measured per 50 ms.
double PowerDb(const std::vector<double>& x, double hz, double seconds) {
    const std::vector<double> tail(x.end() - static_cast<long>(seconds * kRate), x.end());
    double energy = 0;
    for (double v : tail) energy += v * v;
    return 10 * std::log10(LiveToneShare(tail, kRate, hz) * energy + 1e-9);
}

// The far end's power: at frequencies it has and the voice has not.
double FarDb(const std::vector<double>& x, double seconds) {
    double sum = 0;
    for (double hz : {700, 1000, 1300, 1700, 2100})
        sum += std::pow(10, PowerDb(x, hz, seconds) / 10);
    return 10 * std::log10(sum);
}

// The power in the voice's pauses of the last `seconds` of `x`, in dB: the
// 50 ms blocks well inside them.
double PausesDb(const std::vector<double>& x, double seconds) {
    const std::size_t block = kRate / 20;
    double energy = 0;
    for (std::size_t k = (x.size() - static_cast<std::size_t>(seconds * kRate)) / block + 1;
         (k + 1) * block <= x.size(); ++k) {
        if (k % 10 < 6 || k % 10 > 8) continue;  // the syllables are blocks 0 to 4 of each ten
        for (std::size_t i = k * block; i < (k + 1) * block; ++i) energy += x[i] * x[i];
    }
    return 10 * std::log10(energy + 1e-9);
}

struct Take {
    std::vector<double> in, out, second, farSent;
    std::size_t frames = 0;
};

// `seconds` of a call through the canceller, handed over in uneven blocks
// as the recorder's pump does: the far end plays a tone (with a little hiss
// to it, as a real far end has), and the near end hears it `delay` seconds
// later at `echo` of the level, with the voice and `noise` over it.
Take RunCall(EchoCanceller& c, double seconds, double delay, double echo, double noise,
             int channels) {
    std::mt19937 random(11);
    std::normal_distribution<double> hiss(0, 1);
    const long frames = static_cast<long>(seconds * kRate);
    const long lag = static_cast<long>(delay * kRate);
    std::vector<double> far(static_cast<std::size_t>(frames));
    double low = 0;
    for (long i = 0; i < frames; ++i) {
        // The other side's talk: noise below about 3 kHz, loud and soft by turns.
        low += 0.35 * (hiss(random) - low);
        const double t = static_cast<double>(i) / kRate;
        far[static_cast<std::size_t>(i)] =
            8000 * (0.3 + 0.7 * std::abs(std::sin(2 * M_PI * 1.7 * t))) * low;
    }
    Take take;
    Samples a, b;
    long at = 0;
    for (int block = 0; at < frames; ++block) {
        const long n = std::min<long>(frames - at, 3000 + (block * 1237) % 7000);
        a.clear();
        b.clear();
        for (long i = at; i < at + n; ++i) {
            const double heard = i >= lag ? echo * far[static_cast<std::size_t>(i - lag)] : 0;
            const double v = heard + Voice(i) + noise * hiss(random);
            take.in.push_back(v);
            take.farSent.push_back(static_cast<std::int16_t>(far[static_cast<std::size_t>(i)]));
            for (int ch = 0; ch < channels; ++ch) {
                a.push_back(static_cast<std::int16_t>(std::lround(v)));
                b.push_back(static_cast<std::int16_t>(far[static_cast<std::size_t>(i)]));
            }
        }
        at += n;
        c.Process(a, b);
        EXPECT_EQ(a.size(), b.size());
        for (std::size_t i = 0; i < a.size(); i += static_cast<std::size_t>(channels)) {
            take.out.push_back(a[i]);
            take.second.push_back(b[i]);
            EXPECT_EQ(a[i], a[i + static_cast<std::size_t>(channels) - 1]);
        }
    }
    a.clear();
    b.clear();
    c.Flush(a, b);
    for (std::size_t i = 0; i < a.size(); i += static_cast<std::size_t>(channels)) {
        take.out.push_back(a[i]);
        take.second.push_back(b[i]);
    }
    take.frames = static_cast<std::size_t>(frames);
    return take;
}

}  // namespace

TEST(EchoCanceller, TakesTheSpeakersOutOfTheMicrophoneAndKeepsTheVoice) {
    EchoCanceller c(kRate, 2, true, false);
    EXPECT_EQ(c.FrameSize(), 640u);
    EXPECT_NEAR(static_cast<double>(c.TailFrames()) / kRate, EchoCanceller::kTailSeconds, 0.01);
    // 80 ms of sound card and server between the speakers and the microphone.
    const Take t = RunCall(c, 8, 0.08, 0.5, 0, 2);
    // The take keeps its length, and the second source comes out untouched.
    ASSERT_EQ(t.out.size(), t.frames);
    ASSERT_EQ(t.second.size(), t.frames);
    EXPECT_EQ(t.second, t.farSent);
    // After 5 s to learn the room: the echo down by 15 dB at least, the
    // voice as it was to within 3 dB.
    const double echoDrop = FarDb(t.in, 3) - FarDb(t.out, 3);
    const double voiceChange = PowerDb(t.out, kVoiceHz, 3) - PowerDb(t.in, kVoiceHz, 3);
    EXPECT_GE(echoDrop, 15) << "echo down by " << echoDrop << " dB";
    EXPECT_LE(std::abs(voiceChange), 3) << "voice moved by " << voiceChange << " dB";
}

TEST(EchoCanceller, TurnsSteadyNoiseDownAndKeepsTheVoice) {
    EchoCanceller c(kRate, 1, false, true);
    // A microphone in a room with a fan: hiss at about -40 dB, the voice over it.
    const Take t = RunCall(c, 8, 0, 0, 300, 1);
    ASSERT_EQ(t.out.size(), t.frames);
    const double noiseDrop = PausesDb(t.in, 3) - PausesDb(t.out, 3);
    const double voiceChange = PowerDb(t.out, kVoiceHz, 3) - PowerDb(t.in, kVoiceHz, 3);
    EXPECT_GE(noiseDrop, 10) << "noise down by " << noiseDrop << " dB between the words";
    EXPECT_LE(std::abs(voiceChange), 3) << "voice moved by " << voiceChange << " dB";
}
