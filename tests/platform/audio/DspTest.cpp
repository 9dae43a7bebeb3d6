#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "platform/pulse/Dsp.h"
#include "platform/pulse/PulseRecorder.h"

using qsr::audio::Samples;
using qsr::audio::dsp::Agc;
using qsr::audio::dsp::DspChain;
using qsr::audio::dsp::FilterSettings;

namespace {

constexpr double kPi = 3.14159265358979323846;

Samples Sine(double hz, double seconds, int rate, int channels, double amplitude) {
    const long frames = std::lround(seconds * rate);
    Samples s(static_cast<size_t>(frames * channels));
    for (long f = 0; f < frames; ++f)
        for (int c = 0; c < channels; ++c)
            s[static_cast<size_t>(f * channels + c)] = static_cast<std::int16_t>(
                std::lround(amplitude * 32767 * std::sin(2 * kPi * hz * f / rate)));
    return s;
}

// RMS in dB of full scale over the second half (after the filters settled).
double TailRmsDb(const Samples& s) {
    double sum = 0;
    const size_t from = s.size() / 2;
    for (size_t i = from; i < s.size(); ++i) sum += (s[i] / 32768.0) * (s[i] / 32768.0);
    return 10 * std::log10(std::max(sum / static_cast<double>(s.size() - from), 1e-20));
}

// Gain in dB the chain gives a tone of this frequency, measured on samples.
double MeasuredGainDb(const FilterSettings& f, double hz, int rate = 44100, int channels = 1) {
    Samples in = Sine(hz, 1.0, rate, channels, 0.5);
    Samples out = in;
    DspChain chain;
    chain.Configure(f, rate, channels);
    chain.Process(out);
    return TailRmsDb(out) - TailRmsDb(in);
}

// The frequency where the measured gain crosses -3 dB, between lo and hi.
double MinusThreeDbPoint(const FilterSettings& f, double lo, double hi, bool rising) {
    for (int i = 0; i < 30; ++i) {
        const double mid = std::sqrt(lo * hi);
        const bool above = MeasuredGainDb(f, mid) > -3.0;
        if (above == rising)
            hi = mid;
        else
            lo = mid;
    }
    return std::sqrt(lo * hi);
}

}  // namespace

TEST(Dsp, NotchRemovesMainsHumAndPassesSpeechBand) {
    FilterSettings f;
    f.notchOn = true;
    f.notchHz = 50;
    EXPECT_LE(MeasuredGainDb(f, 50), -30.0);
    EXPECT_NEAR(MeasuredGainDb(f, 1000), 0.0, 1.0);
    // Stereo: each channel is filtered on its own.
    EXPECT_LE(MeasuredGainDb(f, 50, 44100, 2), -30.0);
    // The other mains frequency, at another rate.
    f.notchHz = 60;
    EXPECT_LE(MeasuredGainDb(f, 60, 8000), -30.0);
    EXPECT_NEAR(MeasuredGainDb(f, 1000, 8000), 0.0, 1.0);
}

TEST(Dsp, HighPassAndLowPassCornersAreWhereSet) {
    FilterSettings hp;
    hp.highPassOn = true;
    hp.highPassHz = 400;
    EXPECT_NEAR(MinusThreeDbPoint(hp, 50, 3000, true), 400, 40);
    EXPECT_LE(MeasuredGainDb(hp, 50), -30.0);

    FilterSettings lp;
    lp.lowPassOn = true;
    lp.lowPassHz = 4000;
    EXPECT_NEAR(MinusThreeDbPoint(lp, 500, 15000, false), 4000, 400);
    EXPECT_LE(MeasuredGainDb(lp, 16000), -15.0);

    // Both together make a band: the middle passes.
    FilterSettings band = hp;
    band.lowPassOn = true;
    band.lowPassHz = 4000;
    EXPECT_NEAR(MeasuredGainDb(band, 1300), 0.0, 1.0);
}

TEST(Dsp, FilterAboveHalfTheRateIsLeftOutNotUnstable) {
    // The dialog allows up to 44100 Hz; at 8000 Hz that cannot be a filter.
    FilterSettings f;
    f.lowPassOn = true;
    f.lowPassHz = 44100;
    f.highPassOn = true;
    f.highPassHz = 4400;
    Samples in = Sine(1000, 0.5, 8000, 2, 0.5);
    Samples out = in;
    DspChain chain;
    chain.Configure(f, 8000, 2);
    EXPECT_FALSE(chain.Active());
    chain.Process(out);
    EXPECT_EQ(out, in);
}

TEST(Dsp, AgcBringsQuietAndLoudSignalsIntoItsWindow) {
    FilterSettings f;
    f.agcOn = true;
    f.agcLowDb = -30;
    f.agcHighDb = -10;
    f.agcAttackMs = 100;
    for (int channels : {1, 2}) {
        // A quiet tone (about -53 dB RMS) is raised to the low level.
        Samples quiet = Sine(440, 3.0, 44100, channels, 0.003);
        DspChain chain;
        chain.Configure(f, 44100, channels);
        chain.Process(quiet);
        EXPECT_GE(TailRmsDb(quiet), -31.0) << channels;
        EXPECT_LE(TailRmsDb(quiet), -9.0) << channels;

        // A loud tone (about -3 dB RMS) is lowered to the high level.
        Samples loud = Sine(440, 3.0, 44100, channels, 1.0);
        chain.Configure(f, 44100, channels);
        chain.Process(loud);
        EXPECT_LE(TailRmsDb(loud), -9.0) << channels;
        EXPECT_GE(TailRmsDb(loud), -31.0) << channels;
    }
    // A signal already inside the window is left alone.
    Samples mid = Sine(440, 2.0, 44100, 1, 0.1);  // about -23 dB
    const double before = TailRmsDb(mid);
    DspChain chain;
    chain.Configure(f, 44100, 1);
    chain.Process(mid);
    EXPECT_NEAR(TailRmsDb(mid), before, 0.5);
}

TEST(Dsp, AgcDoesNotPumpUpSilenceAndMovesAtTheAttackRate) {
    Samples silence(44100, 0);
    FilterSettings f;
    f.agcOn = true;
    DspChain chain;
    chain.Configure(f, 44100, 1);
    chain.Process(silence);
    EXPECT_EQ(silence, Samples(44100, 0));

    // A quiet tone needs about +23 dB. After 400 ms a 50 ms attack has got
    // there; a 200 ms attack has covered a good part of the way, not all of it.
    Agc fast(44100, 1, -30, -10, 50), slow(44100, 1, -30, -10, 200);
    const long n = 17640;  // 400 ms
    std::vector<double> a(n), b(n);
    for (long i = 0; i < n; ++i)
        a[size_t(i)] = b[size_t(i)] = 0.003 * std::sin(2 * kPi * 440 * i / 44100.0);
    fast.Process(a.data(), n);
    slow.Process(b.data(), n);
    EXPECT_GT(fast.GainDb(), 20);
    EXPECT_GT(slow.GainDb(), 5);
    EXPECT_LT(slow.GainDb(), fast.GainDb() - 3);
}

TEST(Dsp, FreshRecorderHoldsTheShippedDefaults) {
    qsr::audio::PulseRecorder r;
    EXPECT_FLOAT_EQ(r.NotchFrequency(), 50);
    EXPECT_FLOAT_EQ(r.HighPassFrequency(), 400);
    EXPECT_FLOAT_EQ(r.LowPassFrequency(), 4000);
    EXPECT_EQ(r.AgcLowLevel(), -30);
    EXPECT_EQ(r.AgcHighLevel(), -10);
    EXPECT_EQ(r.AgcAttackTime(), 100);
    r.SetAgcLowLevel(-40);
    r.SetNotchFrequency(60);
    EXPECT_EQ(r.AgcLowLevel(), -40);
    EXPECT_FLOAT_EQ(r.NotchFrequency(), 60);
}

// The stereo path (vectorised, gain control run in stretches) must give each
// channel what the one-channel path gives, and must not depend on how the
// recorder happens to cut the stream into pieces: pieces of 1, 31 and 33
// frames cross the gain control's update points in every way.
TEST(Dsp, StereoMatchesMonoWhateverThePieceSizes) {
    FilterSettings f;
    f.notchOn = f.highPassOn = f.lowPassOn = f.agcOn = true;
    f.agcAttackMs = 20;  // the gain moves within the test
    for (int filters = 0; filters <= 3; ++filters) {
        f.notchOn = filters >= 1;
        f.highPassOn = filters >= 2;
        f.lowPassOn = filters >= 3;
        // A quiet tone that turns loud: the gain rises, then falls.
        Samples mono = Sine(700, 0.5, 44100, 1, 0.01);
        const Samples loud = Sine(700, 0.5, 44100, 1, 0.9);
        mono.insert(mono.end(), loud.begin(), loud.end());
        Samples stereo(mono.size() * 2);
        for (size_t i = 0; i < mono.size(); ++i) stereo[2 * i] = stereo[2 * i + 1] = mono[i];

        DspChain m;
        m.Configure(f, 44100, 1);
        m.Process(mono);
        DspChain s;
        s.Configure(f, 44100, 2);
        const long pieces[] = {1, 31, 33, 4410};
        long done = 0;
        for (int k = 0; done < static_cast<long>(mono.size()); ++k) {
            const long n = std::min(pieces[k % 4], static_cast<long>(mono.size()) - done);
            s.Process(stereo.data() + 2 * done, n);
            done += n;
        }
        long differing = 0;
        for (size_t i = 0; i < mono.size(); ++i)
            differing += stereo[2 * i] != mono[i] || stereo[2 * i + 1] != mono[i];
        EXPECT_EQ(differing, 0) << filters << " filters";
        EXPECT_NE(mono, Sine(700, 1.0, 44100, 1, 0.01));  // the chain did act
    }
}

// A filter switched on during a recording leaves the gain control where it
// was: a quiet voice raised by 23 dB stays raised, with no dip to 0 dB.
TEST(Dsp, ChangingAFilterKeepsTheGainControlsState) {
    for (int channels : {1, 2}) {
        FilterSettings f;
        f.agcOn = true;
        f.highPassOn = true;
        f.highPassHz = 100;
        DspChain chain;
        chain.Configure(f, 44100, channels);
        Samples tone = Sine(440, 2.2, 44100, channels, 0.003);
        const auto at = [&](double seconds) {
            return tone.begin() +
                   static_cast<std::ptrdiff_t>(std::lround(seconds * 44100)) * channels;
        };
        Samples before(tone.begin(), at(2.0)), after(at(2.0), tone.end());
        chain.Process(before);
        const Samples lastBefore(before.end() - 4410 * channels, before.end());
        f.notchOn = true;  // 50 Hz: far from the tone
        f.agcAttackMs = 150;
        chain.Configure(f, 44100, channels);
        chain.Process(after);
        const Samples firstAfter(after.begin(), after.begin() + 4410 * channels);
        // TailRmsDb looks at the second half of each 100 ms stretch.
        EXPECT_GT(TailRmsDb(lastBefore), -33) << channels;
        EXPECT_NEAR(TailRmsDb(firstAfter), TailRmsDb(lastBefore), 1.0) << channels;
    }
}
