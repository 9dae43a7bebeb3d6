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

// Makes field the choice shown for it and returns that choice.
int Choose(std::int16_t& field, int (*choice)(int)) {
    field = static_cast<std::int16_t>(choice(field));
    return field;
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
    ReadStoredFields(file, kWavFields, v);
    return {ChooseRate(v.Freq, kRateButtonsWavVox), Choose(v.Channel, ChannelChoice)};
}

SettingsSave WriteWavOptions(const std::string& file, const FormatValues& v) {
    return WriteStoredFields(file, kWavFields, v);
}

int LoadVoxOptions(const std::string& file, FormatValues& v) {
    ReadStoredFields(file, kVoxFields, v);
    return ChooseRate(v.voxFreq, kRateButtonsWavVox);
}

SettingsSave WriteVoxOptions(const std::string& file, const FormatValues& v) {
    return WriteStoredFields(file, kVoxFields, v);
}

RawChoice LoadRawOptions(const std::string& file, FormatValues& v) {
    ReadStoredFields(file, kRawFields, v);
    return {ChooseRate(v.rawFreq, kRateButtonsRawG726), Choose(v.rawChannel, ChannelChoice),
            Choose(v.rawCompr, RawCompressionChoice)};
}

SettingsSave WriteRawOptions(const std::string& file, const FormatValues& v) {
    return WriteStoredFields(file, kRawFields, v);
}

G726Choice LoadG726Options(const std::string& file, FormatValues& v) {
    ReadStoredFields(file, kG726Fields, v);
    return {ChooseRate(v.gFreq, kRateButtonsRawG726), Choose(v.gbit, G726BitsChoice)};
}

SettingsSave WriteG726Options(const std::string& file, const FormatValues& v) {
    return WriteStoredFields(file, kG726Fields, v);
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
    ReadStoredFields(file, kOggFields, v);

    OggChoice c;
    c.bitratePosition = OggSliderPosition(v.oggBitrate).value_or(kOggDefaultPosition);
    c.minimumPosition = ChooseRangeBitrate(v.MinBitrate);
    c.maximumPosition = ChooseRangeBitrate(v.MaxBitrate);
    v.Quality = static_cast<std::int16_t>(std::clamp<int>(v.Quality, 0, kOggQualityMaximum));
    c.quality = v.Quality;
    c.vbr = v.VbrEnabled == 1;
    c.qualityMode = v.QualityEnabled == 1;
    v.VbrEnabled = c.vbr ? 1 : 0;
    v.QualityEnabled = c.qualityMode ? 1 : 0;
    return c;
}

SettingsSave WriteOggOptions(const std::string& file, const FormatValues& v) {
    FormatValues stored = v;
    stored.VbrEnabled = v.VbrEnabled == 1 ? 1 : 0;
    stored.QualityEnabled = v.QualityEnabled == 1 ? 1 : 0;
    return WriteStoredFields(file, kOggFields, stored);
}

}  // namespace qsr::settings
