#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "settings/FormatValues.h"

namespace qsr::settings {

// The rules of the Ogg Vorbis, WAV, VOX, RAW and G.726 option dialogs.
//
// Loading reads each dialog's keys into the shared values: a key that is
// absent or not a number leaves its field as it was, then a value no button
// offers falls back, so after loading the shared values always equal what the
// dialog shows. OK writes the dialog's keys, in order, from the shared values.

// Shown when a WAV codec refuses the current rate or channel count.
inline constexpr const char* kFormatNotValid = "Format Parametr not valid";

// The "Frequency (Hz)" option buttons F1..F10, in button order. The WAV and
// VOX dialogs have the first eight.
inline constexpr std::array<int, 10> kRateButtons = {8000,  16000, 24000, 32000, 11025,
                                                     22050, 44100, 48000, 6000,  12000};
inline constexpr int kRateButtonsWavVox = 8;
inline constexpr int kRateButtonsRawG726 = 10;
// The index of the button for rate among the first `buttons`; a rate none of
// them has selects "44100".
int RateButtonIndex(std::int32_t rate, int buttons);

// Choices with their fall-backs: channels 1 or 2 (else 2), RAW compression
// 1..3 (else 1), G.726 bits per sample 2..5 (else 4).
int ChannelChoice(int stored);
int RawCompressionChoice(int stored);
int G726BitsChoice(int stored);

// The button choices of the small dialogs after loading (indexes are 0-based:
// rate button, channels 1/2, compression 1..3, bits 2..5).
struct WavChoice {
    int rateIndex = 0;
    int channels = 2;
};
struct RawChoice {
    int rateIndex = 0;
    int channels = 2;
    int compression = 1;
};
struct G726Choice {
    int rateIndex = 0;
    int bits = 4;
};

// Section "wav": Freq, Channel.
WavChoice LoadWavOptions(const std::string& settingsFile, FormatValues& values);
SettingsSave WriteWavOptions(const std::string& settingsFile, const FormatValues& values);
// Section "vox": voxFreq. Returns the rate button's index.
int LoadVoxOptions(const std::string& settingsFile, FormatValues& values);
SettingsSave WriteVoxOptions(const std::string& settingsFile, const FormatValues& values);
// Section "raw": rawFreq, rawChannel, rawCompr.
RawChoice LoadRawOptions(const std::string& settingsFile, FormatValues& values);
SettingsSave WriteRawOptions(const std::string& settingsFile, const FormatValues& values);
// Section "g726": gFreq, gbit.
G726Choice LoadG726Options(const std::string& settingsFile, FormatValues& values);
SettingsSave WriteG726Options(const std::string& settingsFile, const FormatValues& values);

// Ogg Vorbis: the bitrate sliders run over positions 1..6 of this table.
inline constexpr std::array<int, 6> kOggBitrates = {112, 128, 160, 192, 256, 320};
inline constexpr int kOggFirstPosition = 1;
inline constexpr int kOggLastPosition = 6;
// The position other values show at (128 kbit).
inline constexpr int kOggDefaultPosition = 2;
inline constexpr int kOggQualityMaximum = 1000;
int OggBitrateAt(int position);                     // position clamped to 1..6
std::optional<int> OggSliderPosition(int bitrate);  // nullopt: not in the table
// The quality slider's text for 0..1000: hundredths as a quality step, "3",
// "2.5", "10".
std::string OggQualityText(int quality);

struct OggChoice {
    int bitratePosition = kOggDefaultPosition;
    int minimumPosition = kOggDefaultPosition;
    int maximumPosition = kOggDefaultPosition;
    int quality = 300;
    bool vbr = false;
    bool qualityMode = false;
};
// Resets the maximum to 128, variable bitrate and quality mode off and the
// quality to 300, then reads section "ogg". A nominal bitrate outside the
// table is kept (its slider shows position 2); a minimum or maximum outside it
// becomes 128. A quality outside 0..1000 takes the nearer end, as the slider
// cannot show it and the encoder would refuse it.
OggChoice LoadOggOptions(const std::string& settingsFile, FormatValues& values);
// oggBitrate, MinBitrate, MaxBitrate, Quality, then VbrEnabled and
// QualityEnabled as "1" or "0" (the dialog keeps them equal to its ticks).
SettingsSave WriteOggOptions(const std::string& settingsFile, const FormatValues& values);

}  // namespace qsr::settings
