#include "platform/combine/StepLock.h"

#include <speex/speex_resampler.h>

#include <algorithm>
#include <cmath>

namespace qsr::audio::combine {
namespace {

// The ratio is a fraction over this: fine enough (1.7e-5) for the loop,
// small enough that the resampler's rescaling of its phase cannot overflow.
constexpr std::uint32_t kDen = 60000;
constexpr int kQuality = 4;  // the library's default: clean for speech and music

}  // namespace

StepLock::StepLock(int rate, int channels)
    : rate_(std::max(1, rate)), channels_(std::max(1, channels)) {
    int err = 0;
    resampler_ = speex_resampler_init_frac(static_cast<spx_uint32_t>(channels_), kDen, kDen, kDen,
                                           kDen, kQuality, &err);
    ratioNum_ = kDen;
}

StepLock::~StepLock() {
    if (resampler_) speex_resampler_destroy(resampler_);
}

double StepLock::FirstTime(double j) const {
    return newest1_ - (static_cast<double>(got1_ - 1) - j) / rate_;
}

double StepLock::SecondTime(double k) const {
    return newest2_ - (static_cast<double>(got2_ - 1) - k) / rate_;
}

double StepLock::Measure() const {
    const double latency = resampler_ ? speex_resampler_get_input_latency(resampler_) : 0;
    return SecondTime(static_cast<double>(next2_) - latency) -
           FirstTime(static_cast<double>(out1_));
}

void StepLock::AddFirst(const Samples& values, double newestTime) {
    const std::size_t frames = values.size() / static_cast<std::size_t>(channels_);
    if (frames == 0) return;
    pending1_.insert(pending1_.end(), values.begin(),
                     values.begin() + static_cast<std::ptrdiff_t>(frames * channels_));
    got1_ += static_cast<std::int64_t>(frames);
    newest1_ = newestTime;
}

void StepLock::AddSecond(const Samples& values, double newestTime) {
    const std::size_t frames = values.size() / static_cast<std::size_t>(channels_);
    if (frames == 0 || lost_) return;
    fifo2_.insert(fifo2_.end(), values.begin(),
                  values.begin() + static_cast<std::ptrdiff_t>(frames * channels_));
    got2_ += static_cast<std::int64_t>(frames);
    newest2_ = newestTime;
}

void StepLock::LoseSecond() {
    lost_ = true;
}

void StepLock::Align(double offset) {
    const std::size_t ch = static_cast<std::size_t>(channels_);
    const std::int64_t n = std::llround(std::abs(offset) * rate_);
    const auto at = fifo2_.begin() + static_cast<std::ptrdiff_t>(fifoStart_ * ch);
    if (offset > 0) {
        // The second began later: silence stands for what it had not yet heard.
        fifo2_.insert(at, static_cast<std::size_t>(n) * ch, 0);
        next2_ -= n;
        silentFrames_ += n;
    } else {
        // The second holds sound from before the first's: skip it (as far as
        // it has arrived; the rest on a later take).
        const std::int64_t have =
            static_cast<std::int64_t>(fifo2_.size() / ch) - static_cast<std::int64_t>(fifoStart_);
        const std::int64_t skip = std::min(n, have);
        fifoStart_ += static_cast<std::size_t>(skip);
        next2_ += skip;
    }
    smoothed_ = 0;
    measured_ = 0;
}

void StepLock::DropLead(double offset) {
    if (offset <= 0) return;
    const std::size_t ch = static_cast<std::size_t>(channels_);
    const auto n =
        std::min(static_cast<std::size_t>(std::llround(offset * rate_)), pending1_.size() / ch);
    pending1_.erase(pending1_.begin(), pending1_.begin() + static_cast<std::ptrdiff_t>(n * ch));
    out1_ += static_cast<std::int64_t>(n);
    leadFrames_ += static_cast<std::int64_t>(n);
}

void StepLock::Control(double offset, double dt) {
    if (dt <= 0) return;
    recent_[measured_++ % kMedianOf] = offset;
    double sorted[kMedianOf];
    const std::size_t n = std::min(measured_, kMedianOf);
    std::copy_n(recent_, n, sorted);
    std::nth_element(sorted, sorted + n / 2, sorted + n);
    smoothed_ += (sorted[n / 2] - smoothed_) * (dt / (kSmoothSeconds + dt));
    // Critically damped: the offset's response to a step in the clocks has
    // one time constant, kLoopSeconds.
    const double kp = 2.0 / kLoopSeconds;
    const double ki = 1.0 / (kLoopSeconds * kLoopSeconds);
    const double beyond =
        std::copysign(std::max(0.0, std::abs(smoothed_) - kDeadBandSeconds), smoothed_);
    integral_ = std::clamp(integral_ + beyond * dt, -kMaxCorrection / ki, kMaxCorrection / ki);
    const double correction =
        std::clamp(-(kp * beyond + ki * integral_), -kMaxCorrection, kMaxCorrection);
    ratio_ = 1.0 + correction;
    const auto num = static_cast<std::uint32_t>(std::lround(ratio_ * kDen));
    if (num != ratioNum_ && resampler_) {
        ratioNum_ = num;
        speex_resampler_set_rate_frac(resampler_, num, kDen, num, kDen);
    }
}

std::size_t StepLock::Resample(std::size_t frames, Samples& second) {
    const std::size_t ch = static_cast<std::size_t>(channels_);
    const std::size_t have = fifo2_.size() / ch - fifoStart_;
    if (!resampler_ || have == 0 || frames == 0) return 0;
    spx_uint32_t inLen = static_cast<spx_uint32_t>(have);
    spx_uint32_t outLen = static_cast<spx_uint32_t>(frames);
    const std::size_t at = second.size();
    second.resize(at + frames * ch);
    speex_resampler_process_interleaved_int(resampler_, fifo2_.data() + fifoStart_ * ch, &inLen,
                                            second.data() + at, &outLen);
    second.resize(at + outLen * ch);
    fifoStart_ += inLen;
    next2_ += inLen;
    // Consumed frames are dropped in large steps, so taking stays cheap.
    if (fifoStart_ * ch > fifo2_.size() / 2) {
        fifo2_.erase(fifo2_.begin(), fifo2_.begin() + static_cast<std::ptrdiff_t>(fifoStart_ * ch));
        fifoStart_ = 0;
    }
    return outLen;
}

void StepLock::MoveOut(std::size_t frames, Samples& first) {
    const std::size_t n = frames * static_cast<std::size_t>(channels_);
    first.insert(first.end(), pending1_.begin(),
                 pending1_.begin() + static_cast<std::ptrdiff_t>(n));
    pending1_.erase(pending1_.begin(), pending1_.begin() + static_cast<std::ptrdiff_t>(n));
    out1_ += static_cast<std::int64_t>(frames);
}

void StepLock::Take(Samples& first, Samples& second) {
    const std::size_t ch = static_cast<std::size_t>(channels_);
    std::size_t pending = pending1_.size() / ch;
    if (pending == 0) return;
    if (lost_) {
        MoveOut(pending, first);
        second.insert(second.end(), pending * ch, 0);
        silentFrames_ += static_cast<std::int64_t>(pending);
        return;
    }
    if (got2_ > 0) {
        const double offset = Measure();
        if (!aligned_) {
            DropLead(offset);
            Align(Measure());
            aligned_ = true;
        } else if (std::abs(offset - smoothed_) > kRealignSeconds) {
            Align(offset);
            ++realigned_;
        } else {
            Control(offset, static_cast<double>(got1_ - controlledAt_) / rate_);
        }
        controlledAt_ = got1_;
        pending = pending1_.size() / ch;  // the start may have left some out
        const std::size_t n = Resample(pending, second);
        MoveOut(n, first);
        pending -= n;
    }
    // The second is late (or has not begun): the first does not wait for ever.
    const auto hold = static_cast<std::size_t>(kMaxHoldSeconds * rate_);
    if (pending > hold) {
        const std::size_t n = pending - hold;
        MoveOut(n, first);
        second.insert(second.end(), n * ch, 0);
        silentFrames_ += static_cast<std::int64_t>(n);
    }
}

void StepLock::Flush(Samples& first, Samples& second) {
    Take(first, second);
    const std::size_t ch = static_cast<std::size_t>(channels_);
    std::size_t pending = pending1_.size() / ch;
    if (pending == 0) return;
    const std::size_t n = lost_ ? 0 : Resample(pending, second);
    MoveOut(n, first);
    pending -= n;
    MoveOut(pending, first);
    second.insert(second.end(), pending * ch, 0);
    silentFrames_ += static_cast<std::int64_t>(pending);
}

}  // namespace qsr::audio::combine
