#include "platform/audio-api/MixDown.h"

namespace qsr::audio {

Samples MakeMonoFromStereo(const Samples& stereo) {
    // Sized once and filled by index: the displays mix every tick.
    Samples mono((stereo.size() + 1) / 2);
    const std::size_t pairs = stereo.size() / 2;
    for (std::size_t k = 0; k < pairs; ++k) {
        // Sum in int so two full-scale values do not overflow.
        const int sum = int{stereo[2 * k]} + int{stereo[2 * k + 1]};
        mono[k] = static_cast<std::int16_t>(sum / 2);
    }
    if (stereo.size() % 2 != 0) mono.back() = stereo.back();
    return mono;
}

}  // namespace qsr::audio
