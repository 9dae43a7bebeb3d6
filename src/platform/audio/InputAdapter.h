#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/audio/FfmpegModule.h"

namespace qsr::audio::file {

// Brings blocks from the caller's input format to the encoder's: rate through
// the FFmpeg module's resampler, channels by averaging (stereo to mono) or copying (mono to
// stereo), so a mono recording keeps its level.
class InputAdapter {
  public:
    void Configure(int inRate, int inChannels, int outRate, int outChannels, bool dither);
    bool Passthrough() const { return inRate_ == outRate_ && inChannels_ == outChannels_; }
    // False when the rates differ and no resampler could be had (the FFmpeg
    // module is missing): converting would change the sound's speed.
    bool CanConvert() const { return !resamplerMissing_; }
    int InChannels() const { return inChannels_; }
    // Converts `count` input frames; returns output frames (interleaved).
    std::vector<std::int16_t> Convert(const std::int16_t* in, long count);
    std::vector<std::int16_t> Flush();  // what the resampler still holds

  private:
    std::vector<std::int16_t> Remix(std::vector<std::int16_t> in) const;
    std::unique_ptr<IResampler> resampler_;
    int inRate_ = 0, inChannels_ = 0, outRate_ = 0, outChannels_ = 0;
    bool resamplerMissing_ = false;
};

}  // namespace qsr::audio::file
