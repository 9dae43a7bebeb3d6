#pragma once

#include "platform/audio-api/AudioTypes.h"

namespace qsr::audio {

// Averages each left/right pair of an interleaved stereo array into one mono
// sample. A trailing odd value is kept as it is.
Samples MakeMonoFromStereo(const Samples& stereo);

}  // namespace qsr::audio
