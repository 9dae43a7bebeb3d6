#include <algorithm>
#include <cctype>

#include "platform/audio-api/WmaProfiles.h"
#include "platform/audio/FileCodecs.h"

namespace qsr::audio::file {
namespace {

bool RateOk(int rate) {
    return rate >= 6000 && rate <= 48000;
}

}  // namespace

std::string ChannelText(int channels) {
    return channels == 1 ? "Mono" : "Stereo";
}

const char* WavCodingName(WavCoding c) {
    switch (c) {
        case WavCoding::Pcm16:
            return "PCM 16 bit";
        case WavCoding::Pcm8:
            return "PCM 8 bit";
        case WavCoding::Pcm24:
            return "PCM 24 bit";
        case WavCoding::Float32:
            return "PCM 32 bit float";
        case WavCoding::ImaAdpcm:
            return "IMA ADPCM";
        case WavCoding::MsAdpcm:
            return "Microsoft ADPCM";
        case WavCoding::Gsm610:
            return "GSM 6.10";
        case WavCoding::Alaw:
            return "A-Law";
        case WavCoding::Ulaw:
            return "mu-Law";
        case WavCoding::G721:
            return "G.721 ADPCM 32 kbit/s";
    }
    return "";
}

std::string DescribeWav(const WavParams& p) {
    if (!RateOk(p.rate) || p.channels < 1 || p.channels > 2) return {};
    // GSM 6.10 is mono, at the rates its classic WAV codec offers; G.721 is
    // 8000 Hz mono.
    if (p.coding == WavCoding::Gsm610 &&
        (p.channels != 1 ||
         (p.rate != 8000 && p.rate != 11025 && p.rate != 22050 && p.rate != 44100))) {
        return {};
    }
    if (p.coding == WavCoding::G721 && (p.rate != 8000 || p.channels != 1)) return {};
    return std::string("WAV ") + WavCodingName(p.coding) + ", " + std::to_string(p.rate) + " Hz, " +
           ChannelText(p.channels);
}

std::string DescribeVox(int rate) {
    if (!RateOk(rate)) return {};
    return "VOX Dialogic ADPCM, " + std::to_string(rate) + " Hz, Mono";
}

std::string DescribeRaw(const RawParams& p) {
    if (!RateOk(p.rate) || p.channels < 1 || p.channels > 2) return {};
    static const char* kNames[] = {"16-bit PCM", "8-bit A-Law", "8-bit mu-Law"};
    if (p.compression < 1 || p.compression > 3) return {};
    return std::string("RAW ") + kNames[p.compression - 1] + ", " + std::to_string(p.rate) +
           " Hz, " + ChannelText(p.channels);
}

std::string DescribeG726(const G726Params& p) {
    if (!RateOk(p.rate) || p.bitsCode < 2 || p.bitsCode > 5) return {};
    // The stream holds bitsCode bits for every sample at the chosen rate, so
    // 3 bits at 11025 Hz make 33.075 kbit/s, not the 24 of a 8000 Hz line.
    const int bitsPerSecond = p.bitsCode * p.rate;
    std::string kbit = std::to_string(bitsPerSecond / 1000);
    if (const int rest = bitsPerSecond % 1000; rest != 0) {
        std::string fraction = std::to_string(1000 + rest).substr(1);
        fraction.erase(fraction.find_last_not_of('0') + 1);
        kbit += "." + fraction;
    }
    return "G.726 ADPCM " + kbit + " kbit/s (" + std::to_string(p.bitsCode) + " bit), " +
           std::to_string(p.rate) + " Hz, Mono";
}

std::string DescribeWma(int profile) {
    const WmaProfile* w = FindWmaProfile(profile);
    if (!w) return {};
    return "WMA profile " + std::to_string(profile) + ": " + std::to_string(w->kbps) + " kbit/s, " +
           std::to_string(w->rate) + " Hz, " + ChannelText(w->channels);
}

std::string DescribeFlac(const FlacParams& p) {
    if (p.rate < 6000 || p.rate > 192000 || p.channels < 1 || p.channels > 2 ||
        (p.bits != 16 && p.bits != 24) || p.level < 0 || p.level > 8) {
        return {};
    }
    return "FLAC " + std::to_string(p.bits) + " bit, level " + std::to_string(p.level) + ", " +
           std::to_string(p.rate) + " Hz, " + ChannelText(p.channels);
}

int OpusBitsPerSecond(const OpusParams& p) {
    const int kbps = p.channels == 1 ? std::max(6, p.kbps / 2) : p.kbps;
    return kbps * 1000;
}

std::string DescribeOpus(const OpusParams& p) {
    if (p.rate < 6000 || p.rate > 192000 || p.channels < 1 || p.channels > 2 || p.kbps < 6 ||
        p.kbps > 256 ||
        (p.application != OpusApplication::Audio && p.application != OpusApplication::Voip)) {
        return {};
    }
    return "OPUS " + std::to_string(OpusBitsPerSecond(p) / 1000) + " kbit/s (" +
           (p.application == OpusApplication::Voip ? "voip" : "audio") + "), " +
           std::to_string(p.rate) + " Hz, " + ChannelText(p.channels);
}

std::string LowerExtension(const std::string& path) {
    const auto slash = path.find_last_of('/');
    const auto dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return {};
    std::string ext = path.substr(dot + 1);
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return ext;
}

}  // namespace qsr::audio::file
