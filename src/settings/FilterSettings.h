#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "settings/Inifun.h"

namespace qsr::settings {

// Section "other" of settings.dat: the recording filters and the automatic
// gain control. Each number is kept as the text that is stored, which is the
// text typed into the Formats and Filters dialog's box: what the user typed is
// what gets stored, and the recorder takes the stored text's reading.
struct FilterSettings {
    bool notch = true;  // a flag absent or unreadable counts as on
    std::string notchFrequency;
    bool highPass = true;
    std::string highPassFrequency;
    bool lowPass = true;
    std::string lowPassFrequency;
    bool autoGain = true;
    std::string lowLevel;
    std::string highLevel;
    std::string attackTime;
};

// One number of the section: its key, the text the dialog's box shows while
// none is stored, and the range (and step) its up-down holds the value in,
// which is all the recorder ever receives from the dialog.
struct FilterNumber {
    const char* key;
    const char* offered;
    int minimum, maximum, step;
    std::string FilterSettings::*text;
};
inline constexpr FilterNumber kNotchFrequency{"notchtxt", "50", 40,
                                              200,        10,   &FilterSettings::notchFrequency};
inline constexpr FilterNumber kHighPassFrequency{
    "highpasstxt", "400", 100, 44100, 100, &FilterSettings::highPassFrequency};
inline constexpr FilterNumber kLowPassFrequency{
    "lowpasstxt", "4000", 100, 44100, 100, &FilterSettings::lowPassFrequency};
inline constexpr FilterNumber kAgcLowLevel{"lowlevel", "", -90, 0, 1, &FilterSettings::lowLevel};
inline constexpr FilterNumber kAgcHighLevel{"highlevel", "", -90, 0, 1, &FilterSettings::highLevel};
inline constexpr FilterNumber kAgcAttackTime{"attacktime", "", 50,
                                             200,          1,  &FilterSettings::attackTime};

// The recorder's reading of a stored number: nullopt when it is absent or not
// a number (the recorder then keeps its own value). Frequencies are
// single-precision, levels and the attack time 32-bit whole numbers.
std::optional<float> StoredFrequency(const std::string& text);
std::optional<std::int32_t> StoredLevel(const std::string& text);

// Reads the section afresh; every key absent leaves everything on with no
// number, as a fresh recorder has it.
FilterSettings ReadFilterSettings(const std::string& settingsFile);
// Writes the ten keys in the dialog's order: each filter's flag and number,
// then the gain control's flag, low level, high level and attack time.
SettingsSave WriteFilterSettings(const std::string& settingsFile, const FilterSettings& filters);

// Everything off, numbers kept: what a recording without filters runs with.
FilterSettings WithoutFilters(FilterSettings filters);

}  // namespace qsr::settings
