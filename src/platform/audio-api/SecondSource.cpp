#include "platform/audio-api/SecondSource.h"

namespace qsr::audio {

const char* CombineLayoutName(CombineLayout layout) {
    switch (layout) {
        case CombineLayout::Channels:
            return "channels";
        case CombineLayout::Files:
            return "files";
        case CombineLayout::Mix:
            break;
    }
    return "mix";
}

std::optional<CombineLayout> ParseCombineLayout(std::string_view name) {
    for (CombineLayout l : {CombineLayout::Mix, CombineLayout::Channels, CombineLayout::Files})
        if (name == CombineLayoutName(l)) return l;
    return std::nullopt;
}

}  // namespace qsr::audio
