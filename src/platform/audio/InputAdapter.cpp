#include "platform/audio/InputAdapter.h"

namespace qsr::audio::file {

void InputAdapter::Configure(int inRate, int inChannels, int outRate, int outChannels,
                             bool dither) {
    resampler_.reset();
    resamplerMissing_ = false;
    inRate_ = inRate;
    inChannels_ = inChannels;
    outRate_ = outRate;
    outChannels_ = outChannels;
    if (inRate == outRate || inRate <= 0 || outRate <= 0 || inChannels <= 0) return;
    resampler_ = OpenResampler(inRate, outRate, inChannels, dither);
    resamplerMissing_ = !resampler_;
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
    if (!resampler_) return Remix(std::vector<std::int16_t>(in, in + count * inChannels_));
    return Remix(resampler_->Convert(in, count));
}

std::vector<std::int16_t> InputAdapter::Flush() {
    if (!resampler_) return {};
    return Remix(resampler_->Convert(nullptr, 0));
}

}  // namespace qsr::audio::file
