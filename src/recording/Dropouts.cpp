#include "recording/Dropouts.h"

namespace qsr::recording {

std::string DropoutText(long count) {
    return count > 0 ? "Dropouts: " + std::to_string(count) : std::string();
}

std::string DropoutWarning(long count) {
    if (count <= 0) return {};
    return "warning: " + std::to_string(count) + (count == 1 ? " dropout" : " dropouts") +
           ": capture could not keep up and the gaps hold silence";
}

}  // namespace qsr::recording
