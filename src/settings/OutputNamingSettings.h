#pragma once

#include <cstddef>
#include <string>

#include "settings/Inifun.h"

namespace qsr::settings {

// The output-naming keys of section "set", read afresh for each recording.
struct OutputNamingSettings {
    std::string outputFolder;  // `outputfolder`: empty or "0" = the application folder
    std::string fileName;      // `filename`: the base name, as stored
    bool dateTime = true;      // `datetime`: append the start time; on unless another number
    bool overwrite = false;    // `existedfile`: replace a taken name; off for 0 or no number
};

// Reads the four keys; an absent key gives the reading above.
OutputNamingSettings ReadOutputNamingSettings(const std::string& settingsFile);
// Writes the four keys one after the other, the flags as "1"/"0".
SettingsSave WriteOutputNamingSettings(const std::string& settingsFile,
                                       const OutputNamingSettings& settings);

// Longest file name and path the file system takes, in bytes.
inline constexpr std::size_t kMaxFileNameBytes = 255;
inline constexpr std::size_t kMaxPathBytes = 4095;

// Why the stored naming cannot name any file: "the file name in settings.dat
// is too long" (over kMaxFileNameBytes), or the same of the output folder;
// empty when it can. Checked before any other work of a start.
std::string OutputNamingProblem(const OutputNamingSettings& stored);

// Section "set", the split keys (`splitminutes`, `splitmb`): a whole number
// from 1 to the limit turns that measure on; 0 and anything else is off.
struct SplitSettings {
    long long minutes = 0;
    long long megabytes = 0;  // of 1,000,000 bytes
};
inline constexpr long long kSplitMaxMinutes = 366LL * 24 * 60;  // a year
inline constexpr long long kSplitMaxMegabytes = 1'000'000;      // a terabyte
// What the Output Files dialog offers for a measure that is off, and the
// highest its box takes.
inline constexpr int kSplitOfferedMinutes = 60;
inline constexpr int kSplitBoxMaxMinutes = 24 * 60;
inline constexpr int kSplitOfferedMegabytes = 650;
inline constexpr int kSplitBoxMaxMegabytes = 1'000'000;

SplitSettings ReadSplitSettings(const std::string& settingsFile);
SettingsSave WriteSplitSettings(const std::string& settingsFile, const SplitSettings& split);
// The reading of one stored split text.
long long SplitMeasure(const std::string& text, long long limit);

}  // namespace qsr::settings
