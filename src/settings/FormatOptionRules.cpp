#include "settings/FormatOptionRules.h"

#include <algorithm>

#include "settings/Inifun.h"
#include "settings/SettingsRules.h"

namespace qsr::settings {
namespace {

constexpr int kRate44100Index = 6;

// Selects the rate button for field and makes field that button's rate.
int ChooseRate(std::int32_t& field, int buttons) {
    const int index = RateButtonIndex(field, buttons);
    field = kRateButtons[static_cast<std::size_t>(index)];
    return index;
}

// A minimum or maximum bitrate: its table position, or 128 at position 2.
int ChooseRangeBitrate(std::int16_t& field) {
    if (const auto position = OggSliderPosition(field)) return *position;
    field = static_cast<std::int16_t>(OggBitrateAt(kOggDefaultPosition));
    return kOggDefaultPosition;
}

}  // namespace

int RateButtonIndex(std::int32_t rate, int buttons) {
    const int count = std::clamp(buttons, 0, static_cast<int>(kRateButtons.size()));
    for (int i = 0; i < count; ++i) {
        if (kRateButtons[static_cast<std::size_t>(i)] == rate) return i;
    }
    return kRate44100Index;
}

int ChannelChoice(int stored) {
    return stored == 1 ? 1 : 2;
}

int RawCompressionChoice(int stored) {
    return stored >= 1 && stored <= 3 ? stored : 1;
}

int G726BitsChoice(int stored) {
    return stored >= 2 && stored <= 5 ? stored : 4;
}

WavChoice LoadWavOptions(const std::string& file, FormatValues& v) {
    ReadStoredValue(file, core::format_key::kWavFrequency, v.Freq);
    ReadStoredValue(file, core::format_key::kWavChannels, v.Channel);
    WavChoice c;
    c.rateIndex = ChooseRate(v.Freq, kRateButtonsWavVox);
    c.channels = ChannelChoice(v.Channel);
    v.Channel = static_cast<std::int16_t>(c.channels);
    return c;
}

void WriteWavOptions(const std::string& file, const FormatValues& v) {
    WriteStoredValue(file, core::format_key::kWavFrequency, v.Freq);
    WriteStoredValue(file, core::format_key::kWavChannels, v.Channel);
}

int LoadVoxOptions(const std::string& file, FormatValues& v) {
    ReadStoredValue(file, core::format_key::kVoxFrequency, v.voxFreq);
    return ChooseRate(v.voxFreq, kRateButtonsWavVox);
}

void WriteVoxOptions(const std::string& file, const FormatValues& v) {
    WriteStoredValue(file, core::format_key::kVoxFrequency, v.voxFreq);
}

RawChoice LoadRawOptions(const std::string& file, FormatValues& v) {
    ReadStoredValue(file, core::format_key::kRawFrequency, v.rawFreq);
    ReadStoredValue(file, core::format_key::kRawChannels, v.rawChannel);
    ReadStoredValue(file, core::format_key::kRawCompression, v.rawCompr);
    RawChoice c;
    c.rateIndex = ChooseRate(v.rawFreq, kRateButtonsRawG726);
    c.channels = ChannelChoice(v.rawChannel);
    v.rawChannel = static_cast<std::int16_t>(c.channels);
    c.compression = RawCompressionChoice(v.rawCompr);
    v.rawCompr = static_cast<std::int16_t>(c.compression);
    return c;
}

void WriteRawOptions(const std::string& file, const FormatValues& v) {
    WriteStoredValue(file, core::format_key::kRawFrequency, v.rawFreq);
    WriteStoredValue(file, core::format_key::kRawChannels, v.rawChannel);
    WriteStoredValue(file, core::format_key::kRawCompression, v.rawCompr);
}

G726Choice LoadG726Options(const std::string& file, FormatValues& v) {
    ReadStoredValue(file, core::format_key::kG726Frequency, v.gFreq);
    ReadStoredValue(file, core::format_key::kG726Bits, v.gbit);
    G726Choice c;
    c.rateIndex = ChooseRate(v.gFreq, kRateButtonsRawG726);
    c.bits = G726BitsChoice(v.gbit);
    v.gbit = static_cast<std::int16_t>(c.bits);
    return c;
}

void WriteG726Options(const std::string& file, const FormatValues& v) {
    WriteStoredValue(file, core::format_key::kG726Frequency, v.gFreq);
    WriteStoredValue(file, core::format_key::kG726Bits, v.gbit);
}

int OggBitrateAt(int position) {
    const int p = std::clamp(position, kOggFirstPosition, kOggLastPosition);
    return kOggBitrates[static_cast<std::size_t>(p - kOggFirstPosition)];
}

std::optional<int> OggSliderPosition(int bitrate) {
    const auto at = std::find(kOggBitrates.begin(), kOggBitrates.end(), bitrate);
    if (at == kOggBitrates.end()) return std::nullopt;
    return static_cast<int>(at - kOggBitrates.begin()) + kOggFirstPosition;
}

std::string OggQualityText(int quality) {
    const int q = std::clamp(quality, 0, kOggQualityMaximum);
    std::string text = std::to_string(q / 100);
    const int rest = q % 100;
    if (rest != 0) {
        text += '.';
        text += static_cast<char>('0' + rest / 10);
        if (rest % 10 != 0) text += static_cast<char>('0' + rest % 10);
    }
    return text;
}

OggChoice LoadOggOptions(const std::string& file, FormatValues& v) {
    v.MaxBitrate = static_cast<std::int16_t>(OggBitrateAt(kOggDefaultPosition));
    v.VbrEnabled = 0;
    v.Quality = 300;
    v.QualityEnabled = 0;

    OggChoice c;
    ReadStoredValue(file, core::format_key::kOggBitrate, v.oggBitrate);
    c.bitratePosition = OggSliderPosition(v.oggBitrate).value_or(kOggDefaultPosition);
    ReadStoredValue(file, core::format_key::kOggMinBitrate, v.MinBitrate);
    c.minimumPosition = ChooseRangeBitrate(v.MinBitrate);
    ReadStoredValue(file, core::format_key::kOggMaxBitrate, v.MaxBitrate);
    c.maximumPosition = ChooseRangeBitrate(v.MaxBitrate);
    ReadStoredValue(file, core::format_key::kOggQuality, v.Quality);
    v.Quality = static_cast<std::int16_t>(std::clamp<int>(v.Quality, 0, kOggQualityMaximum));
    c.quality = v.Quality;
    ReadStoredValue(file, core::format_key::kOggVbrEnabled, v.VbrEnabled);
    ReadStoredValue(file, core::format_key::kOggQualityEnabled, v.QualityEnabled);
    c.vbr = v.VbrEnabled == 1;
    c.qualityMode = v.QualityEnabled == 1;
    v.VbrEnabled = c.vbr ? 1 : 0;
    v.QualityEnabled = c.qualityMode ? 1 : 0;
    return c;
}

void WriteOggOptions(const std::string& file, const FormatValues& v) {
    WriteStoredValue(file, core::format_key::kOggBitrate, v.oggBitrate);
    WriteStoredValue(file, core::format_key::kOggMinBitrate, v.MinBitrate);
    WriteStoredValue(file, core::format_key::kOggMaxBitrate, v.MaxBitrate);
    WriteStoredValue(file, core::format_key::kOggQuality, v.Quality);
    WriteStoredValue(file, core::format_key::kOggVbrEnabled, v.VbrEnabled == 1 ? 1 : 0);
    WriteStoredValue(file, core::format_key::kOggQualityEnabled, v.QualityEnabled == 1 ? 1 : 0);
}

}  // namespace qsr::settings
