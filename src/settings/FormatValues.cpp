#include "settings/FormatValues.h"

#include "settings/Inifun.h"
#include "settings/SettingsRules.h"

namespace qsr::settings {

FormatValues ShippedFormatValues() {
    FormatValues v;
    v.Freq = 44100;
    v.Channel = 2;
    v.MP3Bitrate = 128;
    v.MP3Frequency = 44100;
    v.MP3Channels = 2;
    v.voxFreq = 8000;
    v.oggBitrate = 128;
    v.Quality = 300;
    v.rawFreq = 8000;
    v.rawChannel = 1;
    v.rawCompr = 1;
    v.gFreq = 8000;
    v.gbit = 4;
    return v;
}

bool ReadStoredValue(const std::string& file, core::FormatKey key, std::int16_t& field) {
    return ConvertInt16(ReadIniValue(file, key.section, key.key), field);
}

bool ReadStoredValue(const std::string& file, core::FormatKey key, std::int32_t& field) {
    return ConvertInt32(ReadIniValue(file, key.section, key.key), field);
}

void WriteStoredValue(SettingsSave& save, core::FormatKey key, int value) {
    save.Put(key.section, key.key, std::to_string(value));
}

namespace {
using namespace core::format_key;
using V = FormatValues;
constexpr StoredField kMp3[] = {{kMp3Frequency, &V::MP3Frequency},
                                {kMp3Bitrate, &V::MP3Bitrate},
                                {kMp3Channels, &V::MP3Channels}};
constexpr StoredField kWav[] = {{kWavFrequency, &V::Freq}, {kWavChannels, &V::Channel}};
constexpr StoredField kVox[] = {{kVoxFrequency, &V::voxFreq}};
constexpr StoredField kOgg[] = {
    {kOggBitrate, &V::oggBitrate},    {kOggMinBitrate, &V::MinBitrate},
    {kOggMaxBitrate, &V::MaxBitrate}, {kOggQuality, &V::Quality},
    {kOggVbrEnabled, &V::VbrEnabled}, {kOggQualityEnabled, &V::QualityEnabled}};
constexpr StoredField kRaw[] = {
    {kRawFrequency, &V::rawFreq}, {kRawChannels, &V::rawChannel}, {kRawCompression, &V::rawCompr}};
constexpr StoredField kG726[] = {{kG726Frequency, &V::gFreq}, {kG726Bits, &V::gbit}};
constexpr StoredField kFlac[] = {{kFlacBits, &V::flacBits}, {kFlacLevel, &V::flacLevel}};
constexpr StoredField kFlacShape[] = {{kFlacFrequency, &V::flacFreq},
                                      {kFlacChannels, &V::flacChannel}};
constexpr StoredField kOpus[] = {{kOpusBitrate, &V::opusBitrate},
                                 {kOpusApplication, &V::opusApplication}};
}  // namespace

constinit const std::span<const StoredField> kMp3Fields = kMp3, kWavFields = kWav,
                                             kVoxFields = kVox, kOggFields = kOgg,
                                             kRawFields = kRaw, kG726Fields = kG726,
                                             kFlacFields = kFlac, kFlacShapeFields = kFlacShape,
                                             kOpusFields = kOpus;

void ReadStoredFields(const std::string& file, std::span<const StoredField> fields,
                      FormatValues& v) {
    for (const StoredField& f : fields)
        std::visit([&](auto member) { ReadStoredValue(file, f.key, v.*member); }, f.field);
}

SettingsSave WriteStoredFields(const std::string& file, std::span<const StoredField> fields,
                               const FormatValues& v) {
    SettingsSave save(file);
    for (const StoredField& f : fields)
        std::visit([&](auto member) { WriteStoredValue(save, f.key, v.*member); }, f.field);
    return save;
}

void LoadFormatValues(const std::string& file, FormatValues& v) {
    for (const std::span<const StoredField> section :
         {kMp3Fields, kWavFields, kVoxFields, kOggFields, kRawFields, kG726Fields, kFlacFields,
          kFlacShapeFields, kOpusFields})
        ReadStoredFields(file, section, v);
}

FlacShape FlacRateAndChannels(const FormatValues& v) {
    return {v.flacFreq > 0 ? v.flacFreq : v.Freq, v.flacChannel > 0 ? v.flacChannel : v.Channel};
}

OggParameters ChooseOggParameters(const FormatValues& v) {
    if (v.QualityEnabled == 1) return {128, 0, 0, v.Quality};
    if (v.VbrEnabled == 1) return {v.oggBitrate, v.MinBitrate, v.MaxBitrate, -1};
    return {v.oggBitrate, 0, 0, -1};
}

int ReadOutputFormatIndex(const std::string& file) {
    using core::format_key::kOutputFormat;
    return OutputFormatIndex(ReadIniValue(file, kOutputFormat.section, kOutputFormat.key));
}

SettingsSave WriteOutputFormatIndex(const std::string& file, int index) {
    SettingsSave save(file);
    WriteStoredValue(save, core::format_key::kOutputFormat, index);
    return save;
}

}  // namespace qsr::settings
