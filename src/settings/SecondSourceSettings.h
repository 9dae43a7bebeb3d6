#pragma once

#include <string>

#include "platform/audio-api/SecondSource.h"
#include "settings/Inifun.h"

namespace qsr::audio {
class IAudioRecorder;
}

namespace qsr::settings {

// Section [secondsource] of settings.dat: a second source recorded with the
// Record Device (a capture device, a monitor or a program), how the two go
// into the recording and the second's own level. Devices are stored by the
// name the list shows, as their numbers change from run to run. None by
// default: a recording has one source, as always.
struct SecondSourceSettings {
    std::string device;   // empty = none
    std::string program;  // the program, when the device is "Programs"
    audio::CombineLayout layout = audio::CombineLayout::Mix;
    int level = 100;  // the second source's gain, percent
    bool operator==(const SecondSourceSettings&) const = default;
};

// The keys, in the order they are written, and the level's limits.
inline constexpr const char* kSecondSourceSection = "secondsource";
inline constexpr const char* kSecondDeviceKey = "device";
inline constexpr const char* kSecondProgramKey = "program";
inline constexpr const char* kSecondLayoutKey = "layout";
inline constexpr const char* kSecondLevelKey = "level";
inline constexpr int kSecondLevelMin = 0;
inline constexpr int kSecondLevelMax = 200;

// A missing or unreadable value keeps its default; a level out of range is
// brought into it. The section is written only once something was chosen.
SecondSourceSettings LoadSecondSourceSettings(const std::string& file);
SettingsSave SaveSecondSourceSettings(const std::string& file, const SecondSourceSettings& s);

// What the recorder is handed: the device found by its name (none when it
// is not there now) with the layout and level. The layout also serves the
// "Microphone + playback" entry.
audio::SecondSource ResolveSecondSource(const SecondSourceSettings& s,
                                        audio::IAudioRecorder& recorder);
void ApplyStoredSecondSource(const std::string& file, audio::IAudioRecorder& recorder);

}  // namespace qsr::settings
