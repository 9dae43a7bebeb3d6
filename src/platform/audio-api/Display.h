#pragma once

#include "platform/audio-api/AudioTypes.h"

namespace qsr::audio {

// The waveform/spectrum view (AV1) and the level meter (AudioDisplay1).
class ISampleDisplay {
  public:
    virtual ~ISampleDisplay() = default;

    virtual void SetFormat(int rate, int channels) = 0;
    virtual void SetSamplesPerFrame(int samples) = 0;
    virtual int SamplesPerFrame() const = 0;
    virtual void ShowSamples(const Samples& samples) = 0;  // empty clears
};

}  // namespace qsr::audio
