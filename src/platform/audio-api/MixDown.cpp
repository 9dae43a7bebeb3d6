#include "platform/audio-api/MixDown.h"

namespace qsr::audio {

Samples MakeMonoFromStereo(const Samples& stereo) {
    Samples mono;
    mono.reserve(stereo.size() / 2 + 1);
    std::size_t i = 0;
    for (; i + 1 < stereo.size(); i += 2) {
        // Sum in int so two full-scale values do not overflow.
        const int sum = int{stereo[i]} + int{stereo[i + 1]};
        mono.push_back(static_cast<std::int16_t>(sum / 2));
    }
    if (i < stereo.size()) mono.push_back(stereo[i]);
    return mono;
}

}  // namespace qsr::audio
