#pragma once

#include "platform/audio-api/AudioRecorder.h"

namespace qsr::testing {

// Selects the device that records the private sound server's real-time tone
// (scripts/sound-server); false when the recorder does not list it.
inline bool SelectToneMonitor(audio::IAudioRecorder& recorder) {
    for (int i = 0; i < recorder.DeviceCount(); ++i) {
        recorder.SelectDevice(i);
        if (recorder.DeviceName() == "Monitor of Tone_Output") return true;
    }
    return false;
}

}  // namespace qsr::testing
