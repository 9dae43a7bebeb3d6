#pragma once

#include "platform/audio-api/Id3v2Tag.h"
#include "platform/audio-api/LoudnessTag.h"

namespace qsr::audio {

// The ID3v2 tag component (TagLib) is a module loaded the first time a tag is
// read or written; without it the engine makes no tag component, and tags
// read as absent and fail to save.

// What the module exports (entry kTagLibModuleEntry); the version changes
// with any change to this table, so a stale module is refused, not called.
struct TagLibModuleTable {
    int version;
    IId3v2Tag* (*create)();
    ILoudnessTag* (*createLoudnessTag)();
};
inline constexpr int kTagLibModuleVersion = 2;
inline constexpr const char* kTagLibModuleFile = "qsr-taglib-module.so";
inline constexpr const char* kTagLibModuleEntry = "qsr_taglib_module";

}  // namespace qsr::audio
