#include "platform/audio-api/WmaProfiles.h"

namespace qsr::audio {

const std::vector<WmaProfile>& WmaProfiles() {
    static const std::vector<WmaProfile> kTable = {
        {20, 24, 22050, 1},  {21, 32, 22050, 1},  {22, 32, 32000, 1},  {23, 48, 44100, 1},
        {24, 64, 44100, 2},  {25, 48, 22050, 2},  {26, 48, 32000, 2},  {27, 48, 44100, 2},
        {28, 64, 32000, 2},  {29, 64, 48000, 2},  {30, 80, 44100, 2},  {31, 96, 44100, 2},
        {32, 96, 48000, 2},  {33, 112, 44100, 2}, {34, 128, 48000, 2}, {35, 160, 44100, 2},
        {36, 160, 48000, 2}, {37, 192, 44100, 2}, {38, 192, 48000, 2}, {39, 128, 44100, 2},
    };
    return kTable;
}

const WmaProfile* FindWmaProfile(int number) {
    for (const auto& p : WmaProfiles()) {
        if (p.number == number) return &p;
    }
    return nullptr;
}

std::string WmaProfileHelp() {
    std::string text;
    for (const auto& p : WmaProfiles()) {
        text += "  " + std::to_string(p.number) + "  " + std::to_string(p.kbps) + " kbit/s, " +
                std::to_string(p.rate) + " Hz, " + (p.channels == 1 ? "Mono" : "Stereo") + "\n";
    }
    return text;
}

}  // namespace qsr::audio
