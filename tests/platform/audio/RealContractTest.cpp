#include "../audio-api/AudioContracts.h"
#include "platform/pulse/RealAudioEngine.h"

namespace qsr::contract {

// On the private test sound server.
INSTANTIATE_TEST_SUITE_P(Real, AudioContract,
                         ::testing::Values([] { return audio::CreateRealAudioEngine(); }),
                         [](const auto&) { return std::string("PulseAudio"); });

}  // namespace qsr::contract
