#pragma once

#include <string>
#include <vector>

namespace qsr::audio {

// WMA profiles (Windows Media Audio 2 in an ASF file). Numbers 20 to 39; the
// converter starts at 24 (64 kbit/s, 44100 Hz stereo) and shows 39 (128 kbit/s,
// 44100 Hz stereo) as its first description.
//
//   20  24 kbit/s 22050 Hz mono      30  80 kbit/s 44100 Hz stereo
//   21  32 kbit/s 22050 Hz mono      31  96 kbit/s 44100 Hz stereo
//   22  32 kbit/s 32000 Hz mono      32  96 kbit/s 48000 Hz stereo
//   23  48 kbit/s 44100 Hz mono      33 112 kbit/s 44100 Hz stereo
//   24  64 kbit/s 44100 Hz stereo    34 128 kbit/s 48000 Hz stereo
//   25  48 kbit/s 22050 Hz stereo    35 160 kbit/s 44100 Hz stereo
//   26  48 kbit/s 32000 Hz stereo    36 160 kbit/s 48000 Hz stereo
//   27  48 kbit/s 44100 Hz stereo    37 192 kbit/s 44100 Hz stereo
//   28  64 kbit/s 32000 Hz stereo    38 192 kbit/s 48000 Hz stereo
//   29  64 kbit/s 48000 Hz stereo    39 128 kbit/s 44100 Hz stereo
struct WmaProfile {
    int number;
    int kbps;
    int rate;
    int channels;
};

const std::vector<WmaProfile>& WmaProfiles();
const WmaProfile* FindWmaProfile(int number);  // null when unknown
// The table as help text, one profile a line.
std::string WmaProfileHelp();

}  // namespace qsr::audio
