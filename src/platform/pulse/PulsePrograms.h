#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/pulse/PulseConnection.h"

namespace qsr::audio {

// A program playing now: one of its streams into a sink, and that sink's
// monitor, from which a monitor stream of just this stream is recorded.
struct PlayingProgram {
    std::uint32_t sinkInput = 0;
    std::string name;  // as the program named itself to the server
    std::string monitor;
};

// Lock held: the streams of every program playing now, in the server's order.
std::vector<PlayingProgram> ListPlayingPrograms(PulseConnection& conn);
// Each program name once, in order of first appearance.
std::vector<std::string> ProgramNames(const std::vector<PlayingProgram>& programs);

}  // namespace qsr::audio
