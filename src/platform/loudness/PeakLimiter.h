#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <utility>

#include "platform/audio-api/AudioTypes.h"

namespace qsr::loudness {

// Applies a fixed gain to interleaved 16-bit frames and, when asked, keeps
// the true peak of the result (between samples too, judged 4x oversampled)
// under a ceiling. No library at hand limits blocks of 16-bit frames in a
// stream (libebur128 only measures; FFmpeg's filters sit behind the module
// and its own frame types), so this look-ahead limiter is our own: the gain
// falls over 5 ms before a peak, to exactly what the peak allows, and comes
// back over 50 ms. Without limiting each frame comes out as it goes in,
// gained; with it, 5 ms later (Flush gives the rest).
class GainStage {
  public:
    GainStage(int rate, int channels, double gainDb, bool limit, double ceilingDb);
    audio::Samples Process(const audio::Samples& in);
    audio::Samples Flush();
    // The limiter's deepest cut so far, in dB (0 when it never acted).
    double DeepestCut() const;

  private:
    void Pump(bool final, audio::Samples& out);
    double At(std::int64_t frame, int channel) const;
    double PeakAround(std::int64_t frame) const;
    static std::int16_t ToSample(double v);

    int channels_, lookAhead_;
    double gain_, ceiling_, release_;
    bool limit_;
    std::array<std::array<double, 12>, 3> taps_{};
    std::deque<double> held_;  // gained samples of frames [heldFrom_, heldTo_)
    std::int64_t heldFrom_ = 0, heldTo_ = 0;
    std::int64_t nextPeak_ = 0;                          // next frame whose allowed gain is known
    std::deque<std::pair<std::int64_t, double>> least_;  // the window's minimum, as a queue
    std::deque<double> window_;                          // the last lookAhead_ minima
    double windowSum_ = 0;
    std::int64_t next_ = 0;  // next frame to put out
    double applied_ = 1.0, deepest_ = 1.0;
    bool ended_ = false;
};

}  // namespace qsr::loudness
