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
    using Section = std::span<const StoredField>;
    for (const Section section :
         {Section(kMp3Fields), Section(kWavFields), Section(kVoxFields), Section(kOggFields),
          Section(kRawFields), Section(kG726Fields), Section(kFlacFields),
          Section(kFlacShapeFields), Section(kOpusFields)})
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
