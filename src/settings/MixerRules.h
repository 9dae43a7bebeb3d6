#pragma once

#include <cstdint>
#include <string>

#include "core/Twips.h"

namespace qsr::settings {

// The input mixer's arithmetic and texts, apart from any window.

// The page has room for this many lines (columns 0..7).
inline constexpr int kMixerColumns = 8;
// Width of one column, and of the advanced dialog with a tick box or a slider,
// in the layout unit the window sizes were given in (1/1440 inch).
inline constexpr int kMixerColumnTwips = 1260;
inline constexpr int kAdvancedTickBoxTwips = 3750;
inline constexpr int kAdvancedSliderTwips = 5520;
// The volume scale of a line and of the volume slider.
inline constexpr int kVolumeMax = 65535;

// Twips to screen pixels at 96 dots per inch.
using core::TwipsToPixels;

// Columns shown for the last line index: none for -1 (no lines), at most
// kMixerColumns.
int MixerColumnsShown(int lastLine);

// The vertical volume slider's top is the loudest: it shows kVolumeMax minus
// the volume, and a slider value stands for kVolumeMax minus it. Values
// outside the scale are brought into it.
int VolumeSliderValue(int volume);
int VolumeFromSlider(int sliderValue);

// The caption of a column's tick box: "Select All" for the first, "Select" for the rest.
std::string SelectCaption(int column);

// The advanced dialog's caption for the current line.
std::string AdvancedCaption(const std::string& lineName);

// How the advanced dialog edits a control: a yes/no value with a tick box in
// the narrow window, a level with a slider in the wide one.
enum class AdvancedEditor { TickBox, Slider };
AdvancedEditor EditorFor(bool isSwitch);
int AdvancedWindowTwips(AdvancedEditor editor);
// A level shows as its absolute value (a negative level as its magnitude).
std::int64_t AdvancedSliderValue(std::int32_t level);
// A yes/no value ticks the box unless it is false (0).
bool AdvancedTicked(std::int32_t value);

}  // namespace qsr::settings
