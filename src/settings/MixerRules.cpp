#include "settings/MixerRules.h"

#include <algorithm>
#include <cmath>

namespace qsr::settings {

int MixerColumnsShown(int lastLine) {
    return std::clamp(lastLine + 1, 0, kMixerColumns);
}

int VolumeSliderValue(int volume) {
    return kVolumeMax - std::clamp(volume, 0, kVolumeMax);
}

int VolumeFromSlider(int sliderValue) {
    return kVolumeMax - std::clamp(sliderValue, 0, kVolumeMax);
}

std::string SelectCaption(int column) {
    return column == 0 ? "Select All" : "Select";
}

std::string AdvancedCaption(const std::string& lineName) {
    return lineName + ": Advanced Properties";
}

AdvancedEditor EditorFor(bool isSwitch) {
    return isSwitch ? AdvancedEditor::TickBox : AdvancedEditor::Slider;
}

int AdvancedWindowTwips(AdvancedEditor editor) {
    return editor == AdvancedEditor::TickBox ? kAdvancedTickBoxTwips : kAdvancedSliderTwips;
}

std::int64_t AdvancedSliderValue(std::int32_t level) {
    // In 64 bits: the magnitude of the lowest 32-bit level does not fit in 32.
    return std::abs(static_cast<std::int64_t>(level));
}

bool AdvancedTicked(std::int32_t value) {
    return value != 0;
}

}  // namespace qsr::settings
