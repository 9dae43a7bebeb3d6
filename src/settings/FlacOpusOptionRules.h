#pragma once

#include <string>

#include "settings/FormatValues.h"

namespace qsr::settings {

// The rules of the FLAC and Opus option dialogs. Loading reads the section
// into the shared values and brings a value the dialog cannot show back to
// its default, so the values equal what the dialog shows; OK writes them.

inline constexpr int kFlacDefaultLevel = 5;
inline constexpr int kOpusMinimumKbps = 6;
inline constexpr int kOpusMaximumKbps = 256;
inline constexpr int kOpusDefaultKbps = 96;

// Section "flac": flacBits (16 or 24, else 16), flacLevel (0..8, else 5).
void LoadFlacOptions(const std::string& settingsFile, FormatValues& values);
SettingsSave WriteFlacOptions(const std::string& settingsFile, const FormatValues& values);

// Section "opus": opusBitrate (6..256, else 96), opusApplication (1 voip,
// anything else 0 audio).
void LoadOpusOptions(const std::string& settingsFile, FormatValues& values);
SettingsSave WriteOpusOptions(const std::string& settingsFile, const FormatValues& values);

}  // namespace qsr::settings
