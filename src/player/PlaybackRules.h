#pragma once

#include <cstdint>

namespace qsr::player {

inline constexpr int kSliderMax = 1000;  // slPosition runs 0..1000
inline constexpr int kPlayBlockMs = 200;
inline constexpr long kVisualFrame = 4096;

// The sample the slider points to: whole part of total × value / 1000
// (500 on 441000 samples gives 220500). The value is held within 0..1000.
std::int64_t SliderToSample(int sliderValue, std::int64_t totalSamples);

// The slider value for a position: position / total, capped at 1, × 1000,
// to the nearest whole number; 0 when the total is not positive.
int SampleToSlider(std::int64_t position, std::int64_t totalSamples);

// Where playback is: the player's count since its last start plus the offset
// at which it was started.
std::int64_t PlaybackPosition(std::int64_t offset, std::int64_t playedSinceStart);

// The offset after a pause: it grows by what the player played since its start.
std::int64_t OffsetAfterPause(std::int64_t offset, std::int64_t playedSinceStart);

// Samples of the file left after position (0 when past the end).
std::int64_t RemainingSamples(std::int64_t position, std::int64_t totalSamples);

}  // namespace qsr::player
