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
    // The peaks (0..32767, left and right) of what was recorded since the
    // last call, as the recorder measured them on its way: a level display
    // shows them without scanning samples again; a waveform has no use for them.
    virtual void ShowPeaks(int left, int right) {
        (void)left;
        (void)right;
    }
};

}  // namespace qsr::audio
