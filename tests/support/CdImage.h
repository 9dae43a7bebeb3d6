#pragma once

#include <cmath>
#include <cstdint>
#include <fstream>
#include <iomanip>
#include <string>
#include <vector>

namespace qsr::testing {

// A BIN/CUE image of an audio CD: one track per tone, each `sectors` sectors
// long (588 stereo frames of 44.1 kHz 16-bit little-endian sound per
// sector). Tone i is 440 × (i + 1) Hz at 0.4 of full scale, the right
// channel at half the left so the channels can be told apart. Returns the
// disc's samples, interleaved, as written.
inline std::vector<std::int16_t> WriteCdImage(const std::string& cuePath,
                                              const std::string& binPath, int tracks, int sectors) {
    std::vector<std::int16_t> samples;
    const int frames = sectors * 588;
    for (int t = 0; t < tracks; ++t) {
        for (int i = 0; i < frames; ++i) {
            const double v = 13000 * std::sin(2 * M_PI * 440 * (t + 1) * i / 44100.0);
            samples.push_back(static_cast<std::int16_t>(std::lround(v)));
            samples.push_back(static_cast<std::int16_t>(std::lround(v / 2)));
        }
    }
    std::ofstream bin(binPath, std::ios::binary);
    for (std::int16_t s : samples) {
        const auto u = static_cast<std::uint16_t>(s);
        bin.put(static_cast<char>(u & 0xFF));
        bin.put(static_cast<char>(u >> 8));
    }
    std::ofstream cue(cuePath);
    cue << "FILE \"" << binPath.substr(binPath.find_last_of('/') + 1) << "\" BINARY\n";
    for (int t = 0; t < tracks; ++t) {
        const int start = t * sectors;  // in sectors, written as mm:ss:ff at 75 a second
        cue << "  TRACK " << std::setfill('0') << std::setw(2) << t + 1 << " AUDIO\n    INDEX 01 "
            << std::setw(2) << start / 75 / 60 << ':' << std::setw(2) << start / 75 % 60 << ':'
            << std::setw(2) << start % 75 << "\n";
    }
    return samples;
}

}  // namespace qsr::testing
