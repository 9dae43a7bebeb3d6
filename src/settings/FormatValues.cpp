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

void LoadFormatValues(const std::string& file, FormatValues& v) {
    auto i32 = [&](const char* section, const char* key, std::int32_t& field) {
        ConvertInt32(ReadIniValue(file, section, key), field);
    };
    auto i16 = [&](const char* section, const char* key, std::int16_t& field) {
        ConvertInt16(ReadIniValue(file, section, key), field);
    };
    i32("mp3", "MP3Frequency", v.MP3Frequency);
    i16("mp3", "MP3Bitrate", v.MP3Bitrate);
    i16("mp3", "MP3Channels", v.MP3Channels);
    i32("wav", "Freq", v.Freq);
    i16("wav", "Channel", v.Channel);
    i32("vox", "voxFreq", v.voxFreq);
    i16("ogg", "oggBitrate", v.oggBitrate);
    i16("ogg", "MinBitrate", v.MinBitrate);
    i16("ogg", "MaxBitrate", v.MaxBitrate);
    i16("ogg", "Quality", v.Quality);
    i16("ogg", "VbrEnabled", v.VbrEnabled);
    i16("ogg", "QualityEnabled", v.QualityEnabled);
    i32("raw", "rawFreq", v.rawFreq);
    i16("raw", "rawChannel", v.rawChannel);
    i16("raw", "rawCompr", v.rawCompr);
    i32("g726", "gFreq", v.gFreq);
    i16("g726", "gbit", v.gbit);
    i16("flac", "flacBits", v.flacBits);
    i16("flac", "flacLevel", v.flacLevel);
    i32("flac", "flacFreq", v.flacFreq);
    i16("flac", "flacChannel", v.flacChannel);
    i16("opus", "opusBitrate", v.opusBitrate);
    i16("opus", "opusApplication", v.opusApplication);
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
