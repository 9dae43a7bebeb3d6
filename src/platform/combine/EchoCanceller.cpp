#include "platform/combine/EchoCanceller.h"

#include <speex/speex_echo.h>
#include <speex/speex_preprocess.h>

#include <algorithm>
#include <cmath>

namespace qsr::audio::combine {
namespace {

// About 15 ms, a multiple of 16 whose other factors are 2, 3 and 5 (the
// speex transforms' own): 640 at 44.1 kHz, 720 at 48 kHz. Measured on the
// canceller with a tail of a quarter second: these learn to 40 dB and
// more, where some other lengths (512 or 882 at 44.1 kHz) stop at 20 dB.
std::size_t FrameFor(int rate) {
    auto smooth = [](std::size_t n) {
        for (std::size_t f : {2u, 3u, 5u})
            while (n % f == 0) n /= f;
        return n == 1;
    };
    std::size_t n = std::max<std::size_t>(16, static_cast<std::size_t>(std::max(1, rate) * 0.015));
    while (n > 16 && (n % 16 != 0 || !smooth(n))) --n;
    return n;
}

}  // namespace

EchoCanceller::EchoCanceller(int rate, int channels, bool cancelEcho, bool reduceNoise)
    : channels_(std::max(1, channels)), frame_(FrameFor(rate)) {
    const double frames = std::max(1, rate) * kTailSeconds / static_cast<double>(frame_);
    tail_ = static_cast<std::size_t>(std::lround(frames)) * frame_;
    spx_int32_t r = rate;
    if (cancelEcho) {
        echo_ = speex_echo_state_init(static_cast<int>(frame_), static_cast<int>(tail_));
        speex_echo_ctl(echo_, SPEEX_ECHO_SET_SAMPLING_RATE, &r);
    }
    if (reduceNoise || cancelEcho) {
        denoise_ = speex_preprocess_state_init(static_cast<int>(frame_), rate);
        spx_int32_t on = 1;
        speex_preprocess_ctl(denoise_, SPEEX_PREPROCESS_SET_DENOISE, &on);
        // What the echo canceller could not take out is suppressed as well;
        // without noise reduction the noise is left as it was (0 dB).
        if (echo_) speex_preprocess_ctl(denoise_, SPEEX_PREPROCESS_SET_ECHO_STATE, echo_);
        if (!reduceNoise) {
            spx_int32_t none = 0;
            speex_preprocess_ctl(denoise_, SPEEX_PREPROCESS_SET_NOISE_SUPPRESS, &none);
        }
    }
    const std::size_t ch = static_cast<std::size_t>(channels_);
    // A second of each waits at most between two calls of the recorder's pump.
    heldFirst_.reserve(static_cast<std::size_t>(std::max(1, rate)) * ch);
    heldSecond_.reserve(heldFirst_.capacity());
    near_.resize(frame_);
    far_.resize(frame_);
    out_.resize(frame_);
}

EchoCanceller::~EchoCanceller() {
    if (denoise_) speex_preprocess_state_destroy(denoise_);
    if (echo_) speex_echo_state_destroy(echo_);
}

void EchoCanceller::Append(const Samples& first, const Samples& second) {
    heldFirst_.insert(heldFirst_.end(), first.begin(), first.end());
    heldSecond_.insert(heldSecond_.end(), second.begin(), second.end());
}

void EchoCanceller::RunFrame(std::size_t at, std::size_t keep, Samples& first, Samples& second) {
    const std::size_t ch = static_cast<std::size_t>(channels_);
    const std::size_t held = heldFirst_.size() / ch;
    for (std::size_t i = 0; i < frame_; ++i) {
        int a = 0, b = 0;
        if (at + i < held) {
            const std::size_t v = (at + i) * ch;
            for (std::size_t c = 0; c < ch; ++c) {
                a += heldFirst_[v + c];
                b += heldSecond_[v + c];
            }
        }
        near_[i] = static_cast<std::int16_t>(a / channels_);
        far_[i] = static_cast<std::int16_t>(b / channels_);
    }
    if (echo_) {
        speex_echo_cancellation(echo_, near_.data(), far_.data(), out_.data());
    } else {
        std::copy(near_.begin(), near_.end(), out_.begin());
    }
    if (denoise_) speex_preprocess_run(denoise_, out_.data());
    for (std::size_t i = 0; i < keep; ++i) {
        for (std::size_t c = 0; c < ch; ++c) first.push_back(out_[i]);
    }
    const auto from = heldSecond_.begin() + static_cast<std::ptrdiff_t>(at * ch);
    second.insert(second.end(), from, from + static_cast<std::ptrdiff_t>(keep * ch));
}

void EchoCanceller::Process(Samples& first, Samples& second) {
    Append(first, second);
    first.clear();
    second.clear();
    const std::size_t ch = static_cast<std::size_t>(channels_);
    const std::size_t whole = heldFirst_.size() / ch / frame_ * frame_;
    for (std::size_t at = 0; at < whole; at += frame_) RunFrame(at, frame_, first, second);
    const auto done = static_cast<std::ptrdiff_t>(whole * ch);
    heldFirst_.erase(heldFirst_.begin(), heldFirst_.begin() + done);
    heldSecond_.erase(heldSecond_.begin(), heldSecond_.begin() + done);
}

void EchoCanceller::Flush(Samples& first, Samples& second) {
    Process(first, second);
    const std::size_t rest = heldFirst_.size() / static_cast<std::size_t>(channels_);
    // The last part frame, filled out with silence; only its own frames go out.
    if (rest > 0) RunFrame(0, rest, first, second);
    heldFirst_.clear();
    heldSecond_.clear();
}

}  // namespace qsr::audio::combine
