#include "platform/audio/InputAdapter.h"

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

namespace qsr::audio::file {

InputAdapter::~InputAdapter() {
    swr_free(&swr_);
}

void InputAdapter::Configure(int inRate, int inChannels, int outRate, int outChannels,
                             bool dither) {
    swr_free(&swr_);
    inRate_ = inRate;
    inChannels_ = inChannels;
    outRate_ = outRate;
    outChannels_ = outChannels;
    if (inRate == outRate || inRate <= 0 || outRate <= 0 || inChannels <= 0) return;
    AVChannelLayout layout{};
    av_channel_layout_default(&layout, inChannels);
    if (swr_alloc_set_opts2(&swr_, &layout, AV_SAMPLE_FMT_S16, outRate, &layout, AV_SAMPLE_FMT_S16,
                            inRate, 0, nullptr) < 0) {
        swr_ = nullptr;
    } else {
        if (dither) av_opt_set_int(swr_, "dither_method", SWR_DITHER_TRIANGULAR, 0);
        if (swr_init(swr_) < 0) swr_free(&swr_);
    }
    av_channel_layout_uninit(&layout);
}

std::vector<std::int16_t> InputAdapter::Remix(std::vector<std::int16_t> in) const {
    if (inChannels_ == outChannels_ || inChannels_ <= 0) return in;
    const size_t frames = in.size() / static_cast<size_t>(inChannels_);
    std::vector<std::int16_t> out(frames * static_cast<size_t>(outChannels_));
    for (size_t i = 0; i < frames; ++i) {
        if (outChannels_ == 1) {
            int sum = 0;
            for (int c = 0; c < inChannels_; ++c) sum += in[i * inChannels_ + c];
            out[i] = static_cast<std::int16_t>(sum / inChannels_);
        } else {
            for (int c = 0; c < outChannels_; ++c) {
                out[i * outChannels_ + c] = in[i * inChannels_ + (c < inChannels_ ? c : 0)];
            }
        }
    }
    return out;
}

std::vector<std::int16_t> InputAdapter::Convert(const std::int16_t* in, long count) {
    std::vector<std::int16_t> resampled;
    if (swr_) {
        const int outMax = swr_get_out_samples(swr_, static_cast<int>(count));
        resampled.resize(static_cast<size_t>(std::max(outMax, 0)) * inChannels_);
        auto* out = reinterpret_cast<uint8_t*>(resampled.data());
        auto* src = reinterpret_cast<const uint8_t*>(in);
        const int n = swr_convert(swr_, &out, outMax, &src, static_cast<int>(count));
        resampled.resize(static_cast<size_t>(std::max(n, 0)) * inChannels_);
    } else {
        resampled.assign(in, in + count * inChannels_);
    }
    return Remix(std::move(resampled));
}

std::vector<std::int16_t> InputAdapter::Flush() {
    if (!swr_) return {};
    const int outMax = swr_get_out_samples(swr_, 0);
    if (outMax <= 0) return {};
    std::vector<std::int16_t> resampled(static_cast<size_t>(outMax) * inChannels_);
    auto* out = reinterpret_cast<uint8_t*>(resampled.data());
    const int n = swr_convert(swr_, &out, outMax, nullptr, 0);
    resampled.resize(static_cast<size_t>(std::max(n, 0)) * inChannels_);
    return Remix(std::move(resampled));
}

}  // namespace qsr::audio::file
