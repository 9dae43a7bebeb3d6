#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "platform/audio-api/AudioTypes.h"

namespace qsr::audio::dsp {

// One second-order section (standard biquad, normalised so a0 = 1), with
// its state kept per channel by the caller.
struct Biquad {
    double b0 = 1, b1 = 0, b2 = 0, a1 = 0, a2 = 0;

    // Transposed direct form II: two state values per channel.
    struct State {
        double z1 = 0, z2 = 0;
    };

    static Biquad Notch(double rate, double hz, double q = 2.0);
    static Biquad HighPass(double rate, double hz, double q = 0.70710678118654752);
    static Biquad LowPass(double rate, double hz, double q = 0.70710678118654752);

    double Process(double x, State& s) const {
        const double y = b0 * x + s.z1;
        s.z1 = b1 * x - a1 * y + s.z2;
        s.z2 = b2 * x - a2 * y;
        return y;
    }
    // Magnitude of the response at a frequency (for checks and displays).
    double MagnitudeAt(double rate, double hz) const;
};

// Automatic gain control: follows the signal's RMS level and moves its gain so
// the output level stays between a low and a high level (dB of full scale).
// The attack time is the time constant of both the level follower and the
// gain movement. Silence (below -80 dB) holds the gain, so noise is not pumped up.
class Agc {
  public:
    Agc(int rate, int channels, double lowDb, double highDb, double attackMs);
    // New levels and attack time; the level followed and the gain reached stay.
    void Retune(double lowDb, double highDb, double attackMs);
    // Frames of interleaved values in the range -1..1, changed in place.
    void Process(double* values, long frames);
    // Takes one frame's loudest squared value; returns the gain for that frame.
    double Step(double square) {
        meanSquare_ += (square - meanSquare_) * levelCoeff_;
        const double g = gain_;
        if (++count_ == kControlFrames) {
            count_ = 0;
            Control();
        }
        return g;
    }
    double GainDb() const { return gainDb_; }

    // The same as Step over a stretch of frames, for callers that keep the
    // level follower in a register: the gain holds for FramesToControl()
    // frames; Follow steps a level over one frame; Advance(level, n) stores
    // the level after n (at most FramesToControl()) frames and moves the gain.
    long FramesToControl() const { return kControlFrames - count_; }
    double Gain() const { return gain_; }
    double Level() const { return meanSquare_; }
    double Follow(double level, double square) const {
        return level + (square - level) * levelCoeff_;
    }
    void Advance(double level, long frames) {
        meanSquare_ = level;
        count_ += frames;
        if (count_ >= kControlFrames) {
            count_ = 0;
            Control();
        }
    }
    // The gain is recomputed every kControlFrames frames: log10 per sample
    // would cost more than the filters, and 32 frames is below a millisecond.
    static constexpr long kControlFrames = 32;

    static constexpr double kMaxGainDb = 40;
    static constexpr double kMinGainDb = -40;

  private:
    void Control();
    int rate_;
    int channels_;
    double low_, high_;
    double levelCoeff_, gainCoeff_;
    double meanSquare_ = 0;
    double gainDb_ = 0;
    double gain_ = 1;
    long warmup_ = 0;  // frames before the gain starts to move
    long count_ = 0;
};

// What the recorder's filters and gain control are set to.
struct FilterSettings {
    bool notchOn = false;
    float notchHz = 50;
    bool highPassOn = false;
    float highPassHz = 400;
    bool lowPassOn = false;
    float lowPassHz = 4000;
    bool agcOn = false;
    std::int32_t agcLowDb = -30;
    std::int32_t agcHighDb = -10;
    std::int32_t agcAttackMs = 100;
};

// The chain the recorder runs captured samples through: high-pass, low-pass,
// notch, then gain control. A filter whose frequency does not fit below half
// the sample rate is left out rather than made unstable.
//
// Configuring again for the same rate and channels (a filter changed during a
// recording) keeps what the running chain has learnt: the gain control's level
// and gain, and the state of each filter that stays on, so the change makes no
// jump in level. Reset() forgets it, for a new recording.
class DspChain {
  public:
    static constexpr int kMaxChannels = 8;
    static constexpr std::size_t kMaxFilters = 3;
    void Configure(const FilterSettings& settings, int rate, int channels);
    void Reset() { *this = DspChain(); }
    bool Active() const { return !filters_.empty() || agc_.has_value(); }
    void Process(std::int16_t* values, long frames);
    void Process(Samples& samples) {
        if (channels_ > 0) Process(samples.data(), static_cast<long>(samples.size()) / channels_);
    }

  private:
    template <int C>
    void Run(std::int16_t* values, long frames);
    template <std::size_t NF>
    void RunStereo(std::int16_t* values, long frames);
    enum class Kind { HighPass, LowPass, Notch };
    int rate_ = 0;
    int channels_ = 0;
    std::vector<Kind> kinds_;  // of each filter
    std::vector<Biquad> filters_;
    std::vector<Biquad::State> states_;  // filters_ x channels_
    std::optional<Agc> agc_;
};

}  // namespace qsr::audio::dsp
