#pragma once

#include <string>

namespace qsr::recording {

// The status bar's note of the sound a recording lost ("Dropouts: 3"); empty
// while nothing was lost, so the note appears only once there is something to
// say.
std::string DropoutText(long count);

// The warning line quorvin-cli prints after a recording that lost sound;
// empty when it lost none.
std::string DropoutWarning(long count);

}  // namespace qsr::recording
