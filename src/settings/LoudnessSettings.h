#pragma once

#include <string>

#include "settings/Inifun.h"

namespace qsr::settings {

// Section "loudness" of settings.dat: "Normalise to [-16] LUFS, true peak
// <= [-1] dBTP" of the Output Files page, which the converter follows too.
// Off unless stored as on, so a settings.dat without the section records and
// converts exactly as before.
struct LoudnessSettings {
    bool normalise = false;
    double target = -16.0;  // LUFS
    double ceiling = -1.0;  // dBTP
};

// One number of the section: its key, its default and the range it is held in.
struct LoudnessNumber {
    const char* key;
    double fallback, minimum, maximum;
    double LoudnessSettings::*value;
};
inline constexpr const char* kLoudnessSection = "loudness";
inline constexpr const char* kNormaliseKey = "normalise";
inline constexpr LoudnessNumber kNormaliseTarget{"target", -16.0, -70.0, 0.0,
                                                 &LoudnessSettings::target};
inline constexpr LoudnessNumber kNormaliseCeiling{"ceiling", -1.0, -20.0, 0.0,
                                                  &LoudnessSettings::ceiling};

// Reads the section afresh; a number absent, unreadable or out of its range
// reads as its default.
LoudnessSettings ReadLoudnessSettings(const std::string& settingsFile);
// Writes the three keys.
SettingsSave WriteLoudnessSettings(const std::string& settingsFile, const LoudnessSettings& s);

}  // namespace qsr::settings
