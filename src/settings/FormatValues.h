#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <variant>

#include "core/FormatKeys.h"
#include "settings/Inifun.h"

namespace qsr::settings {

// The name of the settings file inside the application folder.
inline constexpr const char* kSettingsFileName = "settings.dat";

// The current parameters of every output format, named after their keys.
// Sample rates are 32-bit, everything else 16-bit, as stored.
struct FormatValues {
    std::int32_t Freq = 0;  // [wav]
    std::int16_t Channel = 0;
    std::int16_t MP3Bitrate = 0;  // [mp3]
    std::int32_t MP3Frequency = 0;
    std::int16_t MP3Channels = 0;
    std::int32_t voxFreq = 0;     // [vox]
    std::int16_t oggBitrate = 0;  // [ogg]
    std::int16_t MinBitrate = 0;
    std::int16_t MaxBitrate = 0;
    std::int16_t Quality = 0;
    std::int16_t QualityEnabled = 0;
    std::int16_t VbrEnabled = 0;
    std::int32_t rawFreq = 0;  // [raw]
    std::int16_t rawChannel = 0;
    std::int16_t rawCompr = 0;
    std::int32_t gFreq = 0;  // [g726]
    std::int16_t gbit = 0;
    // Added later, so a settings file without them starts from the defaults.
    std::int16_t flacBits = 16;        // [flac] 16 or 24
    std::int16_t flacLevel = 5;        // compression 0..8
    std::int32_t flacFreq = 0;         // 0 = the WAV rate
    std::int16_t flacChannel = 0;      // 0 = the WAV channels
    std::int16_t opusBitrate = 96;     // [opus] kbit/s per channel pair
    std::int16_t opusApplication = 0;  // 0 audio, 1 voip
};

// The rate and channels FLAC records with: its own when set, else the WAV ones.
struct FlacShape {
    int rate, channels;
};
FlacShape FlacRateAndChannels(const FormatValues& values);

// What a fresh installation ships, for readers that start from nothing (the
// command line): a key that is missing then keeps these.
FormatValues ShippedFormatValues();

// One stored format value: read leaves field as it was when the key is absent
// or not a number of its width; write stores the number as part of `save`.
bool ReadStoredValue(const std::string& settingsFile, core::FormatKey key, std::int16_t& field);
bool ReadStoredValue(const std::string& settingsFile, core::FormatKey key, std::int32_t& field);
void WriteStoredValue(SettingsSave& save, core::FormatKey key, int value);

// One stored format value and the field it fills.
struct StoredField {
    core::FormatKey key;
    std::variant<std::int16_t FormatValues::*, std::int32_t FormatValues::*> field;
};
// Reads or writes each listed value in turn, as ReadStoredValue and
// WriteStoredValue do.
void ReadStoredFields(const std::string& settingsFile, std::span<const StoredField> fields,
                      FormatValues& values);
SettingsSave WriteStoredFields(const std::string& settingsFile, std::span<const StoredField> fields,
                               const FormatValues& values);

// The values of each section, in the order they are written. FLAC's dialog
// keeps kFlacFields; its rate and channels are only read.
extern const std::span<const StoredField> kMp3Fields, kWavFields, kVoxFields, kOggFields,
    kRawFields, kG726Fields, kFlacFields, kFlacShapeFields, kOpusFields;

// Reads every key of the format sections into values; a key that is absent or
// not a number leaves its field as it was.
void LoadFormatValues(const std::string& settingsFile, FormatValues& values);

// The arguments of the Ogg Vorbis format call: quality mode wins over a
// bitrate range, which wins over a plain nominal bitrate.
struct OggParameters {
    int nominal = 0;
    int minimum = 0;
    int maximum = 0;
    int quality = -1;  // -1 = bitrate mode
};
OggParameters ChooseOggParameters(const FormatValues& values);

// The output format chosen in the main window (`outputformat`, an index in
// core::RecordingFormats()): 0 (WAV) for a stored text that is not a number
// or an index outside the list.
int ReadOutputFormatIndex(const std::string& settingsFile);
SettingsSave WriteOutputFormatIndex(const std::string& settingsFile, int index);

}  // namespace qsr::settings
