#include "player/PlayerRules.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <cstdio>

namespace qsr::player {

int PlaylistPanelToggle(int heightTwips) {
    if (heightTwips == kHeightPlaylist) return kHeightNormal;
    if (heightTwips == kHeightNormal) return kHeightPlaylist;
    return heightTwips;
}

int DraggedKnobLeft(int leftAtPress, int pointerTravelPixels, int lo, int hi) {
    return std::clamp(leftAtPress + core::PixelsToTwips(pointerTravelPixels), lo, hi);
}

double KnobSeekSeconds(int knobLeft, double duration) {
    if (!(duration > 0)) return 0;
    return std::floor(double(knobLeft - kKnobMin) / kKnobScale * duration);
}

std::optional<int> KnobLeftForPosition(double position, double duration) {
    if (!(duration > 0)) return std::nullopt;
    return kKnobMin + static_cast<int>(std::floor(kKnobScale * position / duration));
}

int BalanceForKnob(int knobLeft) {
    const double half = (kBalanceMax - kBalanceMin) / 2.0;
    const double share = std::clamp((knobLeft - kBalanceCentre) / half, -1.0, 1.0);
    return static_cast<int>(std::lround(share * 10000));
}

std::optional<std::string> BalanceTitle(int knobLeft) {
    // The zones are tested in this order and the last that holds wins.
    std::optional<std::string> title;
    if (-1335 < knobLeft && knobLeft < 1335) title = "Center";
    if (knobLeft < 1200) title = "Left";
    if (knobLeft > 1620) title = "Right";
    return title;
}

std::optional<int> VolumeBars(int volume) {
    if (volume > -1000) return 6;
    if (volume > -1500) return 5;
    if (volume > -2000) return 4;
    if (volume > -4000) return 3;
    if (volume > -5000) return 2;
    if (volume > -6000) return 1;
    if (volume > -7000) return 0;
    return std::nullopt;
}

std::string RefusedVolumeText(bool up) {
    return up ? "Max" : "Min";
}

std::string PlayerTimeText(double seconds) {
    // nearbyint rounds halves to even in the default rounding mode.
    const double whole = std::nearbyint(seconds);
    const int minutes = static_cast<int>(std::trunc(whole / 60));
    int rest = static_cast<int>(std::nearbyint(seconds - 60.0 * minutes));
    if (rest == -1) rest = 0;
    char text[32];
    std::snprintf(text, sizeof text, "%02d:%02d", minutes, rest);
    return text;
}

std::string PlayerCaption(bool minimized, const std::string& title) {
    return minimized ? "Audio Player..." + title : "Audio Player";
}

std::string LastThree(std::string_view path) {
    return std::string(path.size() <= 3 ? path : path.substr(path.size() - 3));
}

bool IsCdTrack(std::string_view path) {
    return LastThree(path) == "cda";
}

bool IsPlayableFile(std::string_view name) {
    static constexpr std::array<std::string_view, 15> kExtensions = {
        "mp3",  "wav", "wma", "asf",  "asx",  "lsf", "lsx", "mid",
        "midi", "rmi", "aif", "aifc", "aiff", "au",  "snd"};
    const auto dot = name.find_last_of('.');
    if (dot == std::string_view::npos) return false;
    std::string ext(name.substr(dot + 1));
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return std::find(kExtensions.begin(), kExtensions.end(), ext) != kExtensions.end();
}

std::string DialogFilter(std::string_view pipeFilter) {
    std::string out;
    while (!pipeFilter.empty()) {
        const auto bar = pipeFilter.find('|');
        const std::string_view caption = pipeFilter.substr(0, bar);
        std::string_view patterns;
        if (bar == std::string_view::npos) {
            pipeFilter = {};
        } else {
            pipeFilter.remove_prefix(bar + 1);
            const auto next = pipeFilter.find('|');
            patterns = pipeFilter.substr(0, next);
            pipeFilter =
                next == std::string_view::npos ? std::string_view{} : pipeFilter.substr(next + 1);
        }
        std::string spaced(patterns);
        std::replace(spaced.begin(), spaced.end(), ';', ' ');
        if (!out.empty()) out += ";;";
        out += std::string(caption) + " (" + spaced + ")";
    }
    return out;
}

}  // namespace qsr::player
