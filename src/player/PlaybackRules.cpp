#include "player/PlaybackRules.h"

#include <cmath>

namespace qsr::player {

std::int64_t SliderToSample(int sliderValue, std::int64_t totalSamples) {
    if (totalSamples <= 0) return 0;
    const std::int64_t value = sliderValue < 0            ? 0
                               : sliderValue > kSliderMax ? kSliderMax
                                                          : sliderValue;
    // Split the product so that no realistic total can overflow.
    return totalSamples / kSliderMax * value + totalSamples % kSliderMax * value / kSliderMax;
}

int SampleToSlider(std::int64_t position, std::int64_t totalSamples) {
    if (totalSamples <= 0 || position <= 0) return 0;
    if (position >= totalSamples) return kSliderMax;
    const double fraction = static_cast<double>(position) / static_cast<double>(totalSamples);
    return static_cast<int>(std::lround(fraction * kSliderMax));
}

std::int64_t PlaybackPosition(std::int64_t offset, std::int64_t playedSinceStart) {
    return offset + playedSinceStart;
}

std::int64_t OffsetAfterPause(std::int64_t offset, std::int64_t playedSinceStart) {
    return offset + playedSinceStart;
}

std::int64_t RemainingSamples(std::int64_t position, std::int64_t totalSamples) {
    return position >= totalSamples ? 0 : totalSamples - position;
}

}  // namespace qsr::player
