#pragma once

#include <cstdint>

#include "platform/audio-api/AudioTypes.h"
#include "platform/audio-api/SecondSource.h"

namespace qsr::audio::combine {

// Keeps a sum of sources inside 16 bits by turning its gain down at once
// where a frame would clip and back up slowly (a tenth of a second), so the
// sum never clips and a loud moment does not pump. No look-ahead: the
// recording's latency stays what the capture gives it.
class Limiter {
  public:
    void Reset(int rate);
    // One frame of `channels` sums, all scaled by the same gain.
    void Process(const int* sums, std::int16_t* out, int channels);
    double Gain() const { return gain_; }

  private:
    double gain_ = 1;
    double release_ = 0;
};

// Joins equal lengths of the two sources in one of the layouts.
//  - Mix: the sources' frames (the output's channels each) summed with
//    their gains, through one limiter.
//  - Channels: a stereo output, each source made mono: first left, second
//    right. An output that is not stereo is mixed instead.
//  - Files: the first source's frame then the second's, side by side
//    (twice the channels of each), for two files of equal length.
class LayoutMixer {
  public:
    void Configure(CombineLayout layout, int rate, int outputChannels, int firstGainPercent,
                   int secondGainPercent);
    // The layout in force (Channels on a mono output becomes Mix).
    CombineLayout Layout() const { return layout_; }
    // What each source is captured with.
    int SourceChannels() const { return sourceChannels_; }
    int OutputChannels() const { return outputChannels_; }
    void SetGains(int firstGainPercent, int secondGainPercent);
    // `first` and `second` hold the same number of frames of
    // SourceChannels() values; the output frames are appended to `out`.
    void Mix(const Samples& first, const Samples& second, Samples& out);

  private:
    CombineLayout layout_ = CombineLayout::Mix;
    int sourceChannels_ = 2;
    int outputChannels_ = 2;
    double gain1_ = 1, gain2_ = 1;
    Limiter limit1_, limit2_;  // Mix uses the first only
};

}  // namespace qsr::audio::combine
