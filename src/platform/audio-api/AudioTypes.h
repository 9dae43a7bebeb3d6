#pragma once

#include <cstdint>
#include <vector>

namespace qsr::audio {

// Interleaved signed 16-bit samples. Positions and lengths in the engine count
// sample frames (one value per channel), never bytes.
using Samples = std::vector<std::int16_t>;

}  // namespace qsr::audio
