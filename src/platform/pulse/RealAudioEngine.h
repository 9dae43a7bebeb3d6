#pragma once

#include <memory>

#include "platform/audio-api/AudioEngine.h"

namespace qsr::audio {

// The engine over PulseAudio, the encoder libraries, FFmpeg and TagLib.
// `chooser` shows the file component's list of WAV codings ("From Menu").
std::unique_ptr<IAudioEngine> CreateRealAudioEngine(services::IInputBox* chooser = nullptr);

}  // namespace qsr::audio
