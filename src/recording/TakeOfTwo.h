#pragma once

#include <cstdint>
#include <string>

namespace qsr::recording {

// What the user is told when one source of a take of two went away: the
// take goes on with the other. `atMilliseconds` counts from the take's start.
std::string SourceLostMessage(const std::string& source, std::int64_t atMilliseconds);

}  // namespace qsr::recording
