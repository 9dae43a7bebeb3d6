#pragma once

#include <memory>

#include "platform/audio-api/AudioFile.h"

namespace qsr::services {
class IInputBox;
}

namespace qsr::audio {

// The real file component. `chooser` shows the list of WAV codings for
// "From Menu"; without one that call returns -1.
std::unique_ptr<IAudioFile> CreateRealAudioFile(services::IInputBox* chooser = nullptr);

// The WAV codings "From Menu" offers, in list order.
std::vector<std::string> WavMenuCodings();

}  // namespace qsr::audio
