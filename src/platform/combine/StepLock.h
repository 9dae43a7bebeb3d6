#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/audio-api/AudioTypes.h"

struct SpeexResamplerState_;

namespace qsr::audio::combine {

// Keeps a second source in step with the first, whose clock rules: two
// sound cards never run at quite the same rate, and over an hour 0.1 %
// puts them seconds apart. The second is resampled (libspeexdsp) at a
// ratio a small PI loop moves, as the sound server's own loopback does,
// from the offset between the two: each arrival says when its newest frame
// was captured (a clock both share, corrected by the server's latency), so
// the offset is known however the arrivals are batched.
//
// The first source's frames come out unchanged and in order; the second's
// match them frame for frame. A first frame waits (at most kMaxHoldSeconds)
// until the second has sound for it; past that, or once the second is lost,
// silence stands in for it. At the start the take begins when both have
// sound: the older frames of the one that began first are left out. After a
// gap the second is aligned again at once: its older frames are skipped, or
// silence leads it in.
class StepLock {
  public:
    // Time constant of the loop: critically damped, so a step of 0.3 % in
    // the clocks moves the offset by at most a few milliseconds.
    static constexpr double kLoopSeconds = 3.0;
    // The offset is the median of the last kMedianOf measurements (a
    // source that sends in chunks is off by a chunk now and then), smoothed
    // over kSmoothSeconds.
    static constexpr std::size_t kMedianOf = 7;
    static constexpr double kSmoothSeconds = 0.5;
    // An offset within this is left alone: the arrival times jitter by about
    // as much, and a loop that chased the jitter would make the second's
    // pitch waver. Inside it the ratio the loop has learnt holds still.
    static constexpr double kDeadBandSeconds = 0.003;
    // An offset beyond this is a gap, not drift: aligned again at once.
    static constexpr double kRealignSeconds = 0.05;
    static constexpr double kMaxHoldSeconds = 1.0;
    // The loop moves the ratio at most this far from 1.
    static constexpr double kMaxCorrection = 0.02;

    StepLock(int rate, int channels);
    ~StepLock();
    StepLock(const StepLock&) = delete;
    StepLock& operator=(const StepLock&) = delete;

    // What arrived: whole frames of `channels` values; `newestTime` is when
    // the last of them was captured, in seconds.
    void AddFirst(const Samples& values, double newestTime);
    void AddSecond(const Samples& values, double newestTime);
    // The second will send nothing more: silence from here on.
    void LoseSecond();
    bool SecondLost() const { return lost_; }
    // Appends as many frames of each as are in step now, the same number of
    // each.
    void Take(Samples& first, Samples& second);
    // At the stop: everything the first still holds, with what the second
    // has for it (silence where it has nothing).
    void Flush(Samples& first, Samples& second);

    // The second's offset against the first, smoothed (seconds; positive:
    // its sound is later than the first's).
    double Offset() const { return smoothed_; }
    double Ratio() const { return ratio_; }
    // Times the second was aligned again after the start (a gap in it).
    long Realigned() const { return realigned_; }
    // Frames of silence that stood in for the second.
    std::int64_t SilentFrames() const { return silentFrames_; }
    // The first's frames left out at the start, from before the second began.
    std::int64_t LeadFrames() const { return leadFrames_; }

  private:
    double FirstTime(double j) const;   // capture time of the first's frame j
    double SecondTime(double k) const;  // of the second's frame k
    double Measure() const;             // the offset now, unsmoothed
    void Align(double offset);
    void DropLead(double offset);  // at the start: the first's frames before the second's
    void Control(double offset, double dt);
    // Resamples into `second` for up to `frames` output frames; how many came.
    std::size_t Resample(std::size_t frames, Samples& second);
    void MoveOut(std::size_t frames, Samples& first);

    int rate_;
    int channels_;
    SpeexResamplerState_* resampler_ = nullptr;
    Samples pending1_;           // the first's frames not handed out yet
    Samples fifo2_;              // the second's frames not resampled yet
    std::size_t fifoStart_ = 0;  // frames of fifo2_ already consumed (compacted now and then)
    std::int64_t got1_ = 0, got2_ = 0;  // frames received
    double newest1_ = 0, newest2_ = 0;
    std::int64_t out1_ = 0;  // first frames handed out
    // The second's frame the next unconsumed one of fifo2_ stands for: a
    // skip moves it on, silence put in front of it moves it back.
    std::int64_t next2_ = 0;
    std::int64_t controlledAt_ = 0;  // got1_ at the last control step
    bool aligned_ = false;
    bool lost_ = false;
    double recent_[kMedianOf] = {};
    std::size_t measured_ = 0;
    double smoothed_ = 0;
    double integral_ = 0;
    double ratio_ = 1;
    std::uint32_t ratioNum_ = 0;
    long realigned_ = 0;
    std::int64_t silentFrames_ = 0;
    std::int64_t leadFrames_ = 0;
};

}  // namespace qsr::audio::combine
