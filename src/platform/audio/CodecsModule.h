#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/audio-api/FileCutter.h"
#include "platform/audio/FileCodecs.h"

namespace qsr::audio::file {

// The encoders and the libsndfile reader (LAME, libvorbisenc, libFLAC,
// libopusenc, libsndfile and the codecs it pulls in) are a module loaded on
// first use: start-up, tags and settings never map them. In the program the
// factories of FileCodecs.h load it and call the module's own; a missing
// module writes and reads nothing, with a reason, and refuses the MP3 and
// Ogg formats it cannot check.

// What the module exports (entry kCodecsModuleEntry); the version changes
// with any change to this table, so a stale module is refused, not called.
struct CodecsModuleTable {
    int version;
    std::string (*describeMp3)(const Mp3Options& options, Mp3Options* effective);
    std::string (*describeOgg)(const OggParams& p);
    IEncoder* (*openMp3)(const std::string& path, const Mp3Options& o, std::string& error);
    IEncoder* (*openOgg)(const std::string& path, const OggParams& p, std::string& error);
    IEncoder* (*openFlac)(const std::string& path, const FlacParams& p, std::string& error);
    IEncoder* (*openOpus)(const std::string& path, const OpusParams& p, std::string& error);
    IEncoder* (*openSndfile)(const std::string& path, int sfFormat, int rate, int channels,
                             std::string& error, std::uint64_t wavSizeLimit);
    IDecoder* (*openSndfileDecoder)(const std::string& path, std::string& error);
    IDecoder* (*openSndfileRawDecoder)(const std::string& path, int sfFormat, int rate,
                                       int channels, const std::string& description,
                                       std::string& error);
    bool (*sndfileShape)(const std::string& path, SndfileShape& shape);
    CutResult (*cutFlac)(const std::string& in, const std::vector<SampleSpan>& kept,
                         const std::string& out, const IFileCutter::Progress& progress);
    CutResult (*cutOpus)(const std::string& in, const std::vector<SampleSpan>& kept,
                         const std::string& out, const IFileCutter::Progress& progress);
};
inline constexpr int kCodecsModuleVersion = 2;
inline constexpr const char* kCodecsModuleFile = "qsr-codecs-module.so";
inline constexpr const char* kCodecsModuleEntry = "qsr_codecs_module";

}  // namespace qsr::audio::file
