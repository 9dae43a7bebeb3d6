#pragma once

#include <array>
#include <optional>
#include <string>

namespace qsr::settings {

// The MP3 options dialog's tables and rules, apart from its widgets.

// Bitrates of the bitrate and maximum-VBR-bitrate sliders, by position
// (kbit/s); 40 and 80 are not offered.
inline constexpr std::array<int, 15> kMp3SliderBitrates = {8,   16,  24,  32,  48,  56,  64, 96,
                                                           112, 128, 160, 192, 224, 256, 320};
// The slider's value for a position; positions outside the table are held to it.
int Mp3BitrateAt(int position);
// The position of a bitrate; nullopt for a bitrate the table does not have.
std::optional<int> Mp3BitratePosition(int kbps);
// "Current bitrate: 128 kbit".
std::string CurrentBitrateText(int kbps);

// The sample-rate list, by index (Hz).
inline constexpr std::array<int, 9> kMp3SampleRates = {48000, 44100, 32000, 24000, 22050,
                                                       16000, 12000, 11025, 8000};

// The channel list: item texts by index; the settings object's channel mode
// is index + 1, and only "Mono" (the last) records one channel.
inline constexpr std::array<const char*, 5> kMp3ChannelItems = {
    "Stereo", "Joint Stereo", "Forced Joint Stereo", "Dual Channels", "Mono"};
int Mp3ChannelModeOfIndex(int index);
int Mp3ChannelsOfIndex(int index);

// The VBR method list: items by index; the object's method is index - 1
// (-1 none ... 4 ABR).
inline constexpr std::array<const char*, 6> kMp3VbrMethodItems = {"None", "Default", "Old",
                                                                  "New",  "MTRH",    "ABR"};
int Mp3VbrMethodOfIndex(int index);
int Mp3VbrMethodIndex(int method);

// Which VBR controls a coding method leaves usable.
struct VbrControlStates {
    bool vbrQuality = false;  // "VBR Quality:" label, box and up-down
    bool abr = false;         // "Targed bitrate for ABR:" label, box and up-down
    bool vbrFrames = false;   // "Advanced" and "Maximum VBR Bitrate" with their controls
};
VbrControlStates VbrControlsFor(int methodIndex);

// A filter of the settings object as the dialog opens it: a negative
// frequency means off, and the box then offers defaultFrequency; a width that
// reads 0 is the encoder's default and the box offers defaultWidth.
struct Mp3FilterBoxes {
    bool on = false;
    int frequency = 0;
    int width = 0;
};
Mp3FilterBoxes Mp3FilterOnLoad(int frequency, int width, int defaultFrequency, int defaultWidth);
inline constexpr int kHighPassDefaultFrequency = 30, kHighPassDefaultWidth = 5;
inline constexpr int kLowPassDefaultFrequency = 15160, kLowPassDefaultWidth = 760;

}  // namespace qsr::settings
