#include "recording/TakeOfTwo.h"

#include "core/Text.h"

namespace qsr::recording {

std::string SourceLostMessage(const std::string& source, std::int64_t atMilliseconds) {
    return (source.empty() ? std::string("The second source") : source) + " was lost at " +
           core::ElapsedText(atMilliseconds) + "; the recording goes on without it";
}

}  // namespace qsr::recording
