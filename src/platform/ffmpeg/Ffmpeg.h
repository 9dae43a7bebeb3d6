#pragma once

#include <memory>
#include <string>

#include "platform/audio/FfmpegModule.h"

// The FFmpeg module's own bodies of the factories its table carries (see
// platform/audio/FfmpegModule.h). The program never calls them: its
// FileCodecs.h functions of the same names load the module and go through
// the table.
namespace qsr::audio::file::ffmpeg {

std::unique_ptr<IDecoder> OpenFfmpegDecoder(const std::string& path, bool dither,
                                            std::string& error);
std::unique_ptr<IEncoder> OpenWmaEncoder(const std::string& path, int profile, std::string& error);
// Null when libswresample refuses the rates.
IResampler* NewSwrResampler(int inRate, int outRate, int channels, bool dither);

// Called before FFmpeg is first used: the program's own switch (handed over
// with UseQuietHook), which knows whether a verbose log was asked for,
// quiets FFmpeg's log. Does nothing until a switch is handed over.
void QuietLog();
void UseQuietHook(void (*quiet)());

}  // namespace qsr::audio::file::ffmpeg
