#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "platform/audio-api/SecondSource.h"
#include "platform/combine/LayoutMixer.h"
#include "platform/combine/StepLock.h"
#include "platform/pulse/Dsp.h"
#include "platform/pulse/PulseCapture.h"
#include "platform/pulse/PulseCaptureThread.h"

namespace qsr::audio {

// The second source of a recording of two: its own capture stream and
// thread (as the first's), its own filters and gain control, the loop that
// keeps it in step with the first and the mixer of the layout. Lives on the
// recorder's thread; only the capture thread's failure comes from elsewhere.
class CombinedCapture {
  public:
    // `failed` runs on the capture thread when the second's stream ends.
    explicit CombinedCapture(std::function<void()> failed);
    ~CombinedCapture();

    // Sets the layout for a file of `outputChannels`; what each source is
    // then captured with is SourceChannels().
    void Configure(const SecondSource& second, int rate, int outputChannels,
                   const dsp::FilterSettings& filters);
    int SourceChannels() const { return mixer_.SourceChannels(); }
    CombineLayout Layout() const { return mixer_.Layout(); }
    void SetGains(int firstGainPercent, int secondGainPercent) {
        mixer_.SetGains(firstGainPercent, secondGainPercent);
    }
    void SetFilters(const dsp::FilterSettings& filters);
    // Opens the second's stream (timed), false when it cannot be.
    bool Open(const std::string& source, std::uint32_t monitorOf, int fragmentMs);
    void Drain() { capture_.Drain(); }
    void Close() { capture_.Close(); }

    // The first's filtered frames, with when its newest was captured
    // (seconds of the monotonic clock); the layout's frames in step are
    // appended to `out`.
    void Mix(const Samples& first, double firstNewest, Samples& out);
    // At the stop: what both still hold.
    void Flush(Samples& out);
    // The second's stream ended: the take goes on with silence for it.
    bool StreamFailed() const { return failed_.load(); }
    void LoseSecond();
    bool Lost() const { return lock_ && lock_->SecondLost(); }
    // The second's loudest value since the last call (0..32767), for its meter.
    int TakeSecondPeak();
    // The second's own dropouts, and each gap it was aligned again after.
    long Dropouts() const { return buffer_.Dropouts() + (lock_ ? lock_->Realigned() : 0); }
    double Offset() const { return lock_ ? lock_->Offset() : 0; }

  private:
    void TakeSecond();

    CaptureBuffer buffer_;
    std::atomic<bool> failed_{false};
    std::function<void()> onFailed_;
    PulseCaptureThread capture_;
    combine::LayoutMixer mixer_;
    std::unique_ptr<combine::StepLock> lock_;
    dsp::DspChain chain_;
    int rate_ = 44100;
    std::int64_t taken_ = 0;  // values taken from the second's buffer
    Samples fresh_, first_, second_;
    int peak_ = 0;
};

// When the newest of `taken` values was captured, in seconds of the
// monotonic clock, from the buffer's last stamp.
double NewestCaptureTime(const CaptureBuffer::Stamp& stamp, std::int64_t taken, int channels,
                         int rate);

}  // namespace qsr::audio
