#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "platform/audio-api/AudioTypes.h"

namespace qsr::testing {

// A tone of `hz` at `rate`, `seconds` long, interleaved over `channels`.
inline audio::Samples Tone(int rate, int channels, double seconds, double hz = 1000.0,
                           double amplitude = 12000.0) {
    const long frames = static_cast<long>(rate * seconds);
    audio::Samples s(static_cast<size_t>(frames * channels));
    for (long i = 0; i < frames; ++i) {
        const auto v = static_cast<std::int16_t>(
            std::lround(amplitude * std::sin(2 * M_PI * hz * static_cast<double>(i) / rate)));
        for (int c = 0; c < channels; ++c) s[static_cast<size_t>(i * channels + c)] = v;
    }
    return s;
}

// A 16-bit PCM WAV file of a tone, for readers and players to open.
inline void WriteToneWav(const std::string& path, int rate, int channels, double seconds,
                         double hz = 440.0, double amplitude = 16000.0) {
    const audio::Samples s = Tone(rate, channels, seconds, hz, amplitude);
    const auto bytes = static_cast<std::uint32_t>(s.size() * 2);
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (!out) return;
    const auto le = [out](std::uint32_t v, int n) {
        for (int i = 0; i < n; ++i) std::fputc(static_cast<int>((v >> (8 * i)) & 0xFF), out);
    };
    std::fwrite("RIFF", 1, 4, out);
    le(36 + bytes, 4);
    std::fwrite("WAVEfmt ", 1, 8, out);
    le(16, 4);
    le(1, 2);
    le(static_cast<std::uint32_t>(channels), 2);
    le(static_cast<std::uint32_t>(rate), 4);
    le(static_cast<std::uint32_t>(rate * channels * 2), 4);
    le(static_cast<std::uint32_t>(channels * 2), 2);
    le(16, 2);
    std::fwrite("data", 1, 4, out);
    le(bytes, 4);
    for (const std::int16_t v : s) le(static_cast<std::uint16_t>(v), 2);
    std::fclose(out);
}

// One channel of interleaved samples, as doubles.
inline std::vector<double> Channel(const audio::Samples& s, int channels, int which = 0) {
    std::vector<double> out;
    for (size_t i = static_cast<size_t>(which); i < s.size(); i += static_cast<size_t>(channels)) {
        out.push_back(s[i]);
    }
    return out;
}

// Share of the signal's power at `hz` (Goertzel), 0..1.
inline double ToneShare(const std::vector<double>& x, int rate, double hz) {
    if (x.empty()) return 0;
    const double w = 2 * M_PI * hz / rate;
    double s1 = 0, s2 = 0, total = 0;
    for (double v : x) {
        const double s0 = v + 2 * std::cos(w) * s1 - s2;
        s2 = s1;
        s1 = s0;
        total += v * v;
    }
    const double power = s1 * s1 + s2 * s2 - 2 * std::cos(w) * s1 * s2;
    return total > 0 ? 2 * power / (static_cast<double>(x.size()) * total) : 0;
}

// The share of power at `hz` summed over 50 ms blocks. A live source that
// skips under load (a gap, a phase jump) still reads as its tone, where one
// coherent sum over a second halves; a wrong tone or noise still reads low.
inline double LiveToneShare(const std::vector<double>& x, int rate, double hz) {
    const std::size_t block = static_cast<std::size_t>(std::max(1, rate / 20));
    double atTone = 0, total = 0;
    for (std::size_t at = 0; at + block <= x.size(); at += block) {
        const std::vector<double> part(x.begin() + static_cast<std::ptrdiff_t>(at),
                                       x.begin() + static_cast<std::ptrdiff_t>(at + block));
        double energy = 0;
        for (double v : part) energy += v * v;
        atTone += ToneShare(part, rate, hz) * energy;
        total += energy;
    }
    return total > 0 ? atTone / total : 0;
}

// The frequency (in steps of 50 Hz up to rate/2) that carries the most power.
inline double DominantFrequency(const std::vector<double>& x, int rate) {
    double best = 0, bestShare = -1;
    for (double hz = 50; hz < rate / 2.0; hz += 50) {
        const double share = ToneShare(x, rate, hz);
        if (share > bestShare) {
            bestShare = share;
            best = hz;
        }
    }
    return best;
}

// Signal-to-noise ratio of `decoded` against `original` in dB, at the best lag
// in 0..maxLag (codecs may delay the signal), over the middle of the signal.
inline double SnrDb(const std::vector<double>& original, const std::vector<double>& decoded,
                    int maxLag = 64) {
    double best = -100;
    const size_t n = std::min(original.size(), decoded.size());
    if (n < 2000) return best;
    for (int lag = 0; lag <= maxLag; ++lag) {
        double sig = 0, err = 0;
        for (size_t i = 1000; i + 1000 + static_cast<size_t>(lag) < n; ++i) {
            const double o = original[i];
            const double d = decoded[i + static_cast<size_t>(lag)];
            sig += o * o;
            err += (o - d) * (o - d);
        }
        if (err == 0) return 200;
        best = std::max(best, 10 * std::log10(sig / err));
    }
    return best;
}

// Runs a command and returns its standard output.
inline std::string Capture(const std::string& command) {
    std::string out;
    if (FILE* p = popen(command.c_str(), "r")) {
        char buf[512];
        size_t n;
        while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
        pclose(p);
    }
    return out;
}

}  // namespace qsr::testing
