#include "platform/loudness/PeakLimiter.h"

#include <algorithm>
#include <cmath>

namespace qsr::loudness {
namespace {

// Frames before and after the one whose in-between values are interpolated.
constexpr int kBefore = 5, kAfter = 6;

double Sinc(double x) {
    return x == 0 ? 1.0 : std::sin(M_PI * x) / (M_PI * x);
}

}  // namespace

GainStage::GainStage(int rate, int channels, double gainDb, bool limit, double ceilingDb)
    : channels_(std::max(1, channels)),
      lookAhead_(std::max(8, rate / 200)),
      gain_(std::pow(10.0, gainDb / 20.0)),
      // A tenth of a dB below the ceiling: the gain moves while a peak's
      // neighbours are interpolated, and the result is rounded to 16 bits.
      ceiling_(std::pow(10.0, (ceilingDb - 0.1) / 20.0)),
      release_(1.0 / std::max(1.0, 0.05 * rate)),
      limit_(limit) {
    // Lanczos (a = 6) weights of the frames -5..+6 for the points a quarter,
    // a half and three quarters of the way to the next frame.
    for (int p = 0; p < 3; ++p) {
        const double t = (p + 1) / 4.0;
        double sum = 0;
        for (int j = -kBefore; j <= kAfter; ++j) {
            const double x = t - j;
            taps_[p][j + kBefore] = Sinc(x) * Sinc(x / 6.0);
            sum += taps_[p][j + kBefore];
        }
        for (double& w : taps_[p]) w /= sum;
    }
    // The stream starts with a look-ahead of silent frames, never put out,
    // so the first frames' gain falls ahead of them as any other's does.
    window_.assign(static_cast<std::size_t>(lookAhead_ - 1), 1.0);
    windowSum_ = lookAhead_ - 1;
    nextPeak_ = next_ = -lookAhead_;
}

std::int16_t GainStage::ToSample(double v) {
    return static_cast<std::int16_t>(std::lround(std::clamp(v, -32768.0, 32767.0)));
}

double GainStage::At(std::int64_t frame, int channel) const {
    if (frame < heldFrom_ || frame >= heldTo_) return 0.0;
    return held_[static_cast<std::size_t>((frame - heldFrom_) * channels_ + channel)];
}

double GainStage::PeakAround(std::int64_t frame) const {
    double peak = 0;
    for (int c = 0; c < channels_; ++c) {
        peak = std::max(peak, std::fabs(At(frame, c)));
        for (const auto& w : taps_) {
            double v = 0;
            for (int j = -kBefore; j <= kAfter; ++j) v += w[j + kBefore] * At(frame + j, c);
            peak = std::max(peak, std::fabs(v));
        }
    }
    return peak / 32768.0;
}

void GainStage::Pump(bool final, audio::Samples& out) {
    while (next_ < heldTo_) {
        // The gain each frame allows, up to a look-ahead beyond the frame put
        // out next, once the frames it is interpolated from are in.
        const std::int64_t reach = std::min(next_ + lookAhead_, heldTo_);
        while (nextPeak_ < reach && (final || nextPeak_ + kAfter < heldTo_)) {
            const double peak = PeakAround(nextPeak_);
            const double allowed = peak > ceiling_ ? ceiling_ / peak : 1.0;
            while (!least_.empty() && least_.back().second >= allowed) least_.pop_back();
            least_.emplace_back(nextPeak_, allowed);
            ++nextPeak_;
        }
        if (!final && nextPeak_ < next_ + lookAhead_) break;
        // Frame n's gain is the mean of the minima of the windows that hold
        // it, so it never exceeds what any frame in reach allows, and falls
        // smoothly.
        while (!least_.empty() && least_.front().first < next_) least_.pop_front();
        const double minimum = least_.empty() ? 1.0 : least_.front().second;
        window_.push_back(minimum);
        windowSum_ += minimum;
        if (window_.size() > static_cast<std::size_t>(lookAhead_)) {
            windowSum_ -= window_.front();
            window_.pop_front();
        }
        applied_ = std::min(windowSum_ / lookAhead_, applied_ + release_);
        deepest_ = std::min(deepest_, applied_);
        if (next_ >= 0)
            for (int c = 0; c < channels_; ++c) out.push_back(ToSample(At(next_, c) * applied_));
        ++next_;
    }
    // Keep only what interpolation still reaches back to.
    const std::int64_t keep = std::min(next_, nextPeak_) - kBefore;
    while (heldFrom_ < keep) {
        held_.erase(held_.begin(), held_.begin() + channels_);
        ++heldFrom_;
    }
}

audio::Samples GainStage::Process(const audio::Samples& in) {
    audio::Samples out;
    if (!limit_) {
        out.reserve(in.size());
        for (const std::int16_t s : in) out.push_back(ToSample(s * gain_));
        return out;
    }
    for (const std::int16_t s : in) held_.push_back(s * gain_);
    heldTo_ += static_cast<std::int64_t>(in.size()) / channels_;
    Pump(false, out);
    return out;
}

audio::Samples GainStage::Flush() {
    audio::Samples out;
    if (limit_ && !ended_) Pump(true, out);
    ended_ = true;
    return out;
}

double GainStage::DeepestCut() const {
    return deepest_ < 1.0 ? -20.0 * std::log10(deepest_) : 0.0;
}

}  // namespace qsr::loudness
