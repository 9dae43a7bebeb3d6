#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/audio/FileCodecs.h"

namespace qsr::audio::file {

// FFmpeg (decoding every format it reads, and WMA encoding) is a module
// loaded on first use: start-up, recording to our own encoders, tags and
// settings never map its libraries. In the program, OpenFfmpegDecoder and
// OpenWmaEncoder load it and call the module's own; a missing module reads
// and writes nothing, with a reason.

// True when FFmpeg recognises `bytes` (the start of some audio) as a format
// it reads, without a file name to go by.
bool FfmpegRecognises(const unsigned char* bytes, std::size_t size);
// The duration FFmpeg's demuxer gives, in ms; -1 when it cannot tell.
int FfmpegLengthMs(const std::string& path);

// Rate conversion of interleaved 16-bit frames (libswresample, which maps
// FFmpeg's utility library and its hardware back-ends: part of the module).
class IResampler {
  public:
    virtual ~IResampler() = default;
    // The frames made from `count` input frames; with `in` null, what it
    // still holds.
    virtual std::vector<std::int16_t> Convert(const std::int16_t* in, long count) = 0;
};
// Null when the module is missing (the reason on standard error) or the
// resampler refuses the rates.
std::unique_ptr<IResampler> OpenResampler(int inRate, int outRate, int channels, bool dither);

// What the module exports (entry kFfmpegModuleEntry); the version changes
// with any change to this table, so a stale module is refused, not called.
struct FfmpegModuleTable {
    int version;
    // The program's QuietCodecLogByDefault, for the module's decoders.
    void (*useQuietHook)(void (*quiet)());
    IDecoder* (*openDecoder)(const std::string& path, bool dither, std::string& error);
    IEncoder* (*openWmaEncoder)(const std::string& path, int profile, std::string& error);
    bool (*recognises)(const unsigned char* bytes, std::size_t size);
    int (*lengthMs)(const std::string& path);
    IResampler* (*openResampler)(int inRate, int outRate, int channels, bool dither);
    // FFmpeg's log level: its own messages on standard error, or none.
    void (*setLogVerbose)(bool verbose);
};
inline constexpr int kFfmpegModuleVersion = 2;
inline constexpr const char* kFfmpegModuleFile = "qsr-ffmpeg-module.so";
inline constexpr const char* kFfmpegModuleEntry = "qsr_ffmpeg_module";

}  // namespace qsr::audio::file
