#include "platform/combine/LayoutMixer.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace qsr::audio::combine {

void Limiter::Reset(int rate) {
    gain_ = 1;
    // Back to full gain with a time constant of 100 ms.
    release_ = 1.0 - std::exp(-1.0 / (0.1 * std::max(1, rate)));
}

void Limiter::Process(const int* sums, std::int16_t* out, int channels) {
    double need = 1.0;
    for (int c = 0; c < channels; ++c) {
        if (sums[c] > 32767) need = std::min(need, 32767.0 / sums[c]);
        if (sums[c] < -32768) need = std::min(need, -32768.0 / sums[c]);
    }
    gain_ = std::min(need, gain_ + (1.0 - gain_) * release_);
    for (int c = 0; c < channels; ++c) {
        const double v = std::trunc(sums[c] * gain_);  // toward zero: never past the bound
        out[c] = static_cast<std::int16_t>(std::clamp(v, -32768.0, 32767.0));
    }
}

void LayoutMixer::Configure(CombineLayout layout, int rate, int outputChannels,
                            int firstGainPercent, int secondGainPercent) {
    outputChannels_ = std::max(1, outputChannels);
    layout_ =
        layout == CombineLayout::Channels && outputChannels_ != 2 ? CombineLayout::Mix : layout;
    switch (layout_) {
        case CombineLayout::Mix:
            sourceChannels_ = outputChannels_;
            break;
        case CombineLayout::Channels:
            sourceChannels_ = 1;
            break;
        case CombineLayout::Files:
            // Each file has the channels of the format; the output carries both.
            outputChannels_ = std::max(2, outputChannels_ / 2 * 2);
            sourceChannels_ = outputChannels_ / 2;
            break;
    }
    limit1_.Reset(rate);
    limit2_.Reset(rate);
    SetGains(firstGainPercent, secondGainPercent);
}

void LayoutMixer::SetGains(int firstGainPercent, int secondGainPercent) {
    gain1_ = std::clamp(firstGainPercent, 0, 200) / 100.0;
    gain2_ = std::clamp(secondGainPercent, 0, 200) / 100.0;
}

void LayoutMixer::Mix(const Samples& first, const Samples& second, Samples& out) {
    const std::size_t sc = static_cast<std::size_t>(sourceChannels_);
    const std::size_t frames = std::min(first.size(), second.size()) / sc;
    const std::size_t at = out.size();
    out.resize(at + frames * static_cast<std::size_t>(outputChannels_));
    std::int16_t* o = out.data() + at;
    int sums[16];
    const int g1 = static_cast<int>(std::lround(gain1_ * 4096));
    const int g2 = static_cast<int>(std::lround(gain2_ * 4096));
    for (std::size_t f = 0; f < frames; ++f) {
        const std::int16_t* a = first.data() + f * sc;
        const std::int16_t* b = second.data() + f * sc;
        switch (layout_) {
            case CombineLayout::Mix:
                for (std::size_t c = 0; c < sc && c < 16; ++c)
                    sums[c] = (a[c] * g1 + b[c] * g2) / 4096;
                limit1_.Process(sums, o, sourceChannels_);
                break;
            case CombineLayout::Channels:
                sums[0] = a[0] * g1 / 4096;
                sums[1] = b[0] * g2 / 4096;
                limit1_.Process(&sums[0], o, 1);
                limit2_.Process(&sums[1], o + 1, 1);
                break;
            case CombineLayout::Files:
                for (std::size_t c = 0; c < sc && c < 8; ++c) {
                    sums[c] = a[c] * g1 / 4096;
                    sums[8 + c] = b[c] * g2 / 4096;
                }
                limit1_.Process(&sums[0], o, sourceChannels_);
                limit2_.Process(&sums[8], o + sc, sourceChannels_);
                break;
        }
        o += outputChannels_;
    }
}

}  // namespace qsr::audio::combine
