#include "platform/pulse/CombinedCapture.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>

namespace qsr::audio {

double NewestCaptureTime(const CaptureBuffer::Stamp& stamp, std::int64_t taken, int channels,
                         int rate) {
    if (stamp.capturedNs == 0) {
        // No timing from the server yet: now is the best guess.
        return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch())
            .count();
    }
    const double framesSince = static_cast<double>(taken - stamp.values) / std::max(1, channels);
    return static_cast<double>(stamp.capturedNs) / 1e9 + framesSince / std::max(1, rate);
}

CombinedCapture::CombinedCapture(std::function<void()> failed)
    : onFailed_(std::move(failed)), capture_(buffer_, [this] {
          failed_ = true;
          if (onFailed_) onFailed_();
      }) {}

CombinedCapture::~CombinedCapture() {
    capture_.Close();
}

void CombinedCapture::Configure(const SecondSource& second, int rate, int outputChannels,
                                const dsp::FilterSettings& filters) {
    rate_ = rate;
    mixer_.Configure(second.layout, rate, outputChannels, second.firstGainPercent,
                     second.secondGainPercent);
    lock_ = std::make_unique<combine::StepLock>(rate, mixer_.SourceChannels());
    chain_.Reset();
    chain_.Configure(filters, rate, mixer_.SourceChannels());
    buffer_.TakeAll();
    buffer_.ResetDropouts();
    failed_ = false;
    taken_ = 0;
    peak_ = 0;
}

void CombinedCapture::SetFilters(const dsp::FilterSettings& filters) {
    chain_.Configure(filters, rate_, mixer_.SourceChannels());
}

bool CombinedCapture::Open(const std::string& source, std::uint32_t monitorOf, int fragmentMs) {
    return capture_.Open(source, monitorOf, rate_, mixer_.SourceChannels(), fragmentMs, true);
}

void CombinedCapture::TakeSecond() {
    if (!lock_ || lock_->SecondLost()) return;
    buffer_.TakeAll(fresh_);
    const std::size_t ch = static_cast<std::size_t>(mixer_.SourceChannels());
    // The stream hands whole frames; a partial one would only come with a
    // broken stream, whose rest is lost anyway.
    fresh_.resize(fresh_.size() / ch * ch);
    if (fresh_.empty()) return;
    taken_ += static_cast<std::int64_t>(fresh_.size());
    chain_.Process(fresh_);
    for (std::int16_t v : fresh_) peak_ = std::max(peak_, std::abs(int{v}));
    lock_->AddSecond(
        fresh_, NewestCaptureTime(buffer_.LastStamp(), taken_, mixer_.SourceChannels(), rate_));
}

void CombinedCapture::Mix(const Samples& first, double firstNewest, Samples& out) {
    if (!lock_) return;
    TakeSecond();
    lock_->AddFirst(first, firstNewest);
    first_.clear();
    second_.clear();
    lock_->Take(first_, second_);
    mixer_.Mix(first_, second_, out);
}

void CombinedCapture::Flush(Samples& out) {
    if (!lock_) return;
    TakeSecond();
    first_.clear();
    second_.clear();
    lock_->Flush(first_, second_);
    mixer_.Mix(first_, second_, out);
}

void CombinedCapture::LoseSecond() {
    TakeSecond();  // what it sent before it went
    capture_.Close();
    if (lock_) lock_->LoseSecond();
}

int CombinedCapture::TakeSecondPeak() {
    const int p = std::min(peak_, 32767);
    peak_ = 0;
    return p;
}

}  // namespace qsr::audio
