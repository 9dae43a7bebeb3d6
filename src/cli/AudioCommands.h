#pragma once

#include <cstdio>
#include <string>
#include <vector>

namespace qsr::audio {
class IAudioEngine;
}

namespace qsr::cli {

// The engine commands over a given engine, so tests can hand in a scripted
// recorder; DevicesCommand and RecordCommand use the real engine.
int DevicesWith(audio::IAudioEngine& engine, const std::vector<std::string>& args, std::FILE* out,
                std::FILE* err);
int RecordWith(audio::IAudioEngine& engine, const std::vector<std::string>& args, std::FILE* out,
               std::FILE* err);

}  // namespace qsr::cli
