#pragma once

#include <string>

#include "settings/Inifun.h"

namespace qsr::settings {

// When a recording writes: from the moment sound starts, until a silence ends
// it, leaving silences out. Off by default; with everything off every sample
// is written.
struct TriggerSettings {
    bool startOnSound = false;
    double startDb = -30;  // level that starts the recording...
    int startMs = 200;     // ...held this long
    bool stopOnSilence = false;
    double stopSeconds = 3;  // silence this long ends the recording
    double silenceDb = -40;  // below this a window counts as silent
    bool pauseOnSilence = false;

    bool Any() const { return startOnSound || stopOnSilence || pauseOnSilence; }
};

// Section [trigger] of settings.dat, its keys, limits and the defaults above
// described once (TriggerSettings.cpp); missing or unreadable values keep the
// defaults, values out of range are brought into it.
TriggerSettings LoadTriggerSettings(const std::string& file);
SettingsSave SaveTriggerSettings(const std::string& file, const TriggerSettings& trigger);

}  // namespace qsr::settings
