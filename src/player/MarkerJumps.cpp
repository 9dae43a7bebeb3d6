#include "player/MarkerJumps.h"

#include <algorithm>

namespace qsr::player {

std::optional<std::int64_t> NextMarker(const std::vector<std::int64_t>& frames,
                                       std::int64_t position) {
    const auto it = std::upper_bound(frames.begin(), frames.end(), position);
    if (it == frames.end()) return std::nullopt;
    return *it;
}

std::optional<std::int64_t> PreviousMarker(const std::vector<std::int64_t>& frames,
                                           std::int64_t position, std::int64_t graceFrames) {
    auto it = std::upper_bound(frames.begin(), frames.end(), position);
    while (it != frames.begin()) {
        --it;
        if (position - *it > graceFrames) return *it;
    }
    return std::nullopt;
}

}  // namespace qsr::player
