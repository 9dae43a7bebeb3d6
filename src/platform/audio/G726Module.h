#pragma once

#include <string>

#include "platform/audio-api/FileCutter.h"
#include "platform/audio/FileCodecs.h"

namespace qsr::audio::file {

// G.726 (spandsp, with the image libraries its fax half needs) is a module
// loaded on first use. In the program, OpenG726Encoder and OpenG726Decoder
// load it and call the module's own; a missing module writes and reads
// nothing, with a reason.

// What the module exports (entry kG726ModuleEntry); the version changes with
// any change to this table, so a stale module is refused, not called.
struct G726ModuleTable {
    int version;
    IEncoder* (*openEncoder)(const std::string& path, const G726Params& p, std::string& error);
    IDecoder* (*openDecoder)(const std::string& path, const G726Params& p, std::string& error);
    CutResult (*cut)(const std::string& in, const G726Params& p,
                     const std::vector<SampleSpan>& kept, const std::string& out,
                     const IFileCutter::Progress& progress);
};
inline constexpr int kG726ModuleVersion = 2;
inline constexpr const char* kG726ModuleFile = "qsr-g726-module.so";
inline constexpr const char* kG726ModuleEntry = "qsr_g726_module";

}  // namespace qsr::audio::file
