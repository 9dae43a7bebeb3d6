#include "settings/Mp3OptionRules.h"

#include <algorithm>

namespace qsr::settings {

int Mp3BitrateAt(int position) {
    const int last = static_cast<int>(kMp3SliderBitrates.size()) - 1;
    return kMp3SliderBitrates[static_cast<size_t>(std::clamp(position, 0, last))];
}

std::optional<int> Mp3BitratePosition(int kbps) {
    const auto* at = std::find(kMp3SliderBitrates.begin(), kMp3SliderBitrates.end(), kbps);
    if (at == kMp3SliderBitrates.end()) return std::nullopt;
    return static_cast<int>(at - kMp3SliderBitrates.begin());
}

std::string CurrentBitrateText(int kbps) {
    return "Current bitrate: " + std::to_string(kbps) + " kbit";
}

int Mp3ChannelModeOfIndex(int index) {
    return index + 1;
}

int Mp3ChannelsOfIndex(int index) {
    return index == 4 ? 1 : 2;
}

int Mp3VbrMethodOfIndex(int index) {
    return index - 1;
}

int Mp3VbrMethodIndex(int method) {
    return method + 1;
}

VbrControlStates VbrControlsFor(int methodIndex) {
    if (methodIndex == 0) return {false, false, false};  // "None"
    if (methodIndex == 5) return {false, true, true};    // "ABR"
    return {true, false, true};
}

Mp3FilterBoxes Mp3FilterOnLoad(int frequency, int width, int defaultFrequency, int defaultWidth) {
    Mp3FilterBoxes boxes;
    boxes.on = frequency >= 0;
    boxes.frequency = boxes.on ? frequency : defaultFrequency;
    boxes.width = width == 0 ? defaultWidth : width;
    return boxes;
}

}  // namespace qsr::settings
