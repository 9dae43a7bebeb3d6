#include "platform/pulse/PulseCapture.h"

#include <algorithm>

namespace qsr::audio {

void CaptureBuffer::Append(const std::int16_t* values, std::size_t count) {
    std::lock_guard lock(mutex_);
    pending_.insert(pending_.end(), values, values + count);
    appended_ += static_cast<std::int64_t>(count);
}

void CaptureBuffer::AppendSilence(std::size_t count) {
    std::lock_guard lock(mutex_);
    pending_.insert(pending_.end(), count, 0);
    appended_ += static_cast<std::int64_t>(count);
}

void CaptureBuffer::AppendHole(std::size_t count) {
    AppendSilence(count);
    ++dropouts_;
}

void CaptureBuffer::NoteOverflow() {
    ++dropouts_;
}

Samples CaptureBuffer::TakeAll() {
    Samples out;
    std::lock_guard lock(mutex_);
    out.swap(pending_);
    return out;
}

void CaptureBuffer::TakeAll(Samples& out) {
    out.clear();
    std::lock_guard lock(mutex_);
    out.swap(pending_);
}

std::int64_t CaptureBuffer::AppendedValues() const {
    std::lock_guard lock(mutex_);
    return appended_;
}

void CaptureBuffer::SetStamp(std::int64_t capturedNs) {
    std::lock_guard lock(mutex_);
    stamp_ = {appended_, capturedNs};
}

CaptureBuffer::Stamp CaptureBuffer::LastStamp() const {
    std::lock_guard lock(mutex_);
    return stamp_;
}

void BlockCutter::Reset(std::size_t blockValues) {
    blockValues_ = std::max<std::size_t>(1, blockValues);
    partial_.clear();
    ready_.clear();
    next_ = 0;
    cut_ = 0;
}

std::vector<long> BlockCutter::Add(const Samples& values) {
    std::vector<long> done;
    std::size_t pos = 0;
    while (pos < values.size()) {
        const std::size_t room = blockValues_ - partial_.size();
        const std::size_t n = std::min(room, values.size() - pos);
        partial_.insert(partial_.end(), values.begin() + static_cast<std::ptrdiff_t>(pos),
                        values.begin() + static_cast<std::ptrdiff_t>(pos + n));
        pos += n;
        if (partial_.size() == blockValues_) {
            if (auto n2 = Flush()) done.push_back(*n2);
        }
    }
    return done;
}

std::optional<long> BlockCutter::Flush() {
    if (partial_.empty()) return std::nullopt;
    const long n = next_++;
    cut_ += static_cast<std::int64_t>(partial_.size());
    ready_[n].swap(partial_);
    partial_.clear();
    partial_.reserve(blockValues_);
    return n;
}

Samples BlockCutter::Take(long nBlock) {
    auto it = ready_.find(nBlock);
    if (it == ready_.end()) return {};
    Samples out = std::move(it->second);
    ready_.erase(it);
    return out;
}

void RecentSamples::Add(const std::int16_t* values, std::size_t count) {
    const std::size_t size = ring_.size();
    if (count >= size) {
        std::copy(values + (count - size), values + count, ring_.begin());
        next_ = 0;
        filled_ = size;
        return;
    }
    const std::size_t first = std::min(count, size - next_);
    std::copy(values, values + first, ring_.begin() + static_cast<std::ptrdiff_t>(next_));
    std::copy(values + first, values + count, ring_.begin());
    next_ = (next_ + count) % size;
    filled_ = std::min(size, filled_ + count);
}

Samples RecentSamples::Latest(long n) const {
    if (n <= 0) return {};
    const std::size_t size = ring_.size();
    const std::size_t k = std::min(static_cast<std::size_t>(n), filled_);
    const std::size_t start = (next_ + size - k) % size;
    const std::size_t first = std::min(k, size - start);
    Samples out(k);
    std::copy_n(ring_.begin() + static_cast<std::ptrdiff_t>(start), first, out.begin());
    std::copy_n(ring_.begin(), k - first, out.begin() + static_cast<std::ptrdiff_t>(first));
    return out;
}

}  // namespace qsr::audio
