#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace qsr::player {

// Where Page Down and Page Up take the playback among a file's markers
// (sample frames, sorted): to the first marker after the position, or back
// to the last one before it, unless the position is within `graceFrames` of
// that one (just jumped there): then to the one before, as players skip
// chapters. Nothing at either end.
std::optional<std::int64_t> NextMarker(const std::vector<std::int64_t>& frames,
                                       std::int64_t position);
std::optional<std::int64_t> PreviousMarker(const std::vector<std::int64_t>& frames,
                                           std::int64_t position, std::int64_t graceFrames);

}  // namespace qsr::player
