#include "player/FaceClocks.h"

namespace qsr::player {

FaceClocks ClocksFor(const FaceState& s) {
    const bool seen = s.visible && !s.minimised;
    return {seen && s.playing, seen && s.loaded && s.hasTitle};
}

}  // namespace qsr::player
