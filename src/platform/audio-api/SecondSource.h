#pragma once

#include <optional>
#include <string_view>

namespace qsr::audio {

// How two sources recorded together (a microphone and what the computer
// plays) go into the recording.
enum class CombineLayout {
    Mix,       // both summed into the file's channels
    Channels,  // a stereo file: the first source left, the second right
    Files,     // two files of equal length, one per source
};

// "mix", "channels", "files": how the command line and the settings spell them.
const char* CombineLayoutName(CombineLayout layout);
std::optional<CombineLayout> ParseCombineLayout(std::string_view name);

// The second source of a recording and how it joins the first. With no
// device (the default) the recorder records one source as it always did.
struct SecondSource {
    int device = -1;  // the recorder's device index; -1 = none
    int line = 0;     // the program, when the device is "Programs"
    CombineLayout layout = CombineLayout::Mix;
    int firstGainPercent = 100;  // 0..200, each source's own level in the mix
    int secondGainPercent = 100;
    bool Active() const { return device >= 0; }
    bool operator==(const SecondSource&) const = default;
};

}  // namespace qsr::audio
