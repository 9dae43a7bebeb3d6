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

void WriteStoredValue(const std::string& file, core::FormatKey key, int value) {
    WriteIniValue(file, key.section, key.key, std::to_string(value));
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

void WriteStoredFields(const std::string& file, std::span<const StoredField> fields,
                       const FormatValues& v) {
    for (const StoredField& f : fields)
        std::visit([&](auto member) { WriteStoredValue(file, f.key, v.*member); }, f.field);
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

FilterSettings ReadFilterSettings(const std::string& file) {
    auto flag = [&](const char* key) { return FlagTestedForOne(ReadIniValue(file, "other", key)); };
    auto single = [&](const char* key) -> std::optional<float> {
        float value = 0;
        if (!ConvertSingle(ReadIniValue(file, "other", key), value)) return std::nullopt;
        return value;
    };
    auto int32 = [&](const char* key) -> std::optional<std::int32_t> {
        std::int32_t value = 0;
        if (!ConvertInt32(ReadIniValue(file, "other", key), value)) return std::nullopt;
        return value;
    };
    FilterSettings s;
    s.notch = flag("notch");
    s.notchFrequency = single("notchtxt");
    s.highPass = flag("highpass");
    s.highPassFrequency = single("highpasstxt");
    s.lowPass = flag("lowpass");
    s.lowPassFrequency = single("lowpasstxt");
    s.autoGain = flag("autogain");
    s.lowLevel = int32("lowlevel");
    s.highLevel = int32("highlevel");
    s.attackTime = int32("attacktime");
    return s;
}

}  // namespace qsr::settings
