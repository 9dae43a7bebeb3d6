#include "platform/mediaplayer/ReadAhead.h"

#include <algorithm>

namespace qsr::mediaplayer {

ReadAhead::ReadAhead(Source source, std::int64_t aheadFrames, std::int64_t blockFrames, bool idle)
    : source_(std::move(source)),
      aheadSamples_(static_cast<std::size_t>(aheadFrames) * 2),
      blockFrames_(blockFrames),
      idle_(idle),
      thread_([this] { Run(); }) {}

ReadAhead::~ReadAhead() {
    {
        std::lock_guard lock(m_);
        stop_ = true;
    }
    cv_.notify_all();
    thread_.join();
}

void ReadAhead::Run() {
    std::unique_lock lock(m_);
    while (!stop_) {
        if (seekTo_) {
            const std::int64_t frame = *seekTo_;
            seekTo_.reset();
            lock.unlock();
            source_.seek(frame);
            lock.lock();
            continue;
        }
        if (idle_ || sourceEnded_ || buffer_.size() >= aheadSamples_) {
            cv_.wait(lock, [this] {
                return stop_ || seekTo_ ||
                       (!idle_ && !sourceEnded_ && buffer_.size() < aheadSamples_);
            });
            continue;
        }
        const unsigned generation = generation_;
        lock.unlock();
        const std::vector<std::int16_t> block = source_.read(blockFrames_);
        lock.lock();
        if (generation != generation_) continue;  // read before a seek
        if (block.empty()) {
            sourceEnded_ = true;
        } else {
            buffer_.insert(buffer_.end(), block.begin(), block.end());
            read_ += static_cast<std::int64_t>(block.size()) / 2;
        }
        cv_.notify_all();
    }
}

void ReadAhead::Seek(std::int64_t frame) {
    {
        std::lock_guard lock(m_);
        seekTo_ = frame;
        idle_ = false;
        ++generation_;
        buffer_.clear();
        read_ = 0;
        sourceEnded_ = false;
    }
    cv_.notify_all();
}

std::int64_t ReadAhead::Take(std::int64_t frames, std::vector<std::int16_t>& out,
                             std::chrono::milliseconds wait) {
    std::unique_lock lock(m_);
    if (wait.count() > 0)
        cv_.wait_for(lock, wait, [this] { return !buffer_.empty() || sourceEnded_; });
    const std::int64_t n =
        std::min<std::int64_t>(frames, static_cast<std::int64_t>(buffer_.size()) / 2);
    if (n <= 0) return 0;
    const auto end = buffer_.begin() + n * 2;
    out.insert(out.end(), buffer_.begin(), end);
    buffer_.erase(buffer_.begin(), end);
    lock.unlock();
    cv_.notify_all();  // room for the reader
    return n;
}

bool ReadAhead::WaitReady(std::chrono::milliseconds bound) {
    std::unique_lock lock(m_);
    return cv_.wait_for(lock, bound,
                        [this] { return !seekTo_ && (!buffer_.empty() || sourceEnded_); });
}

bool ReadAhead::Ended() {
    std::lock_guard lock(m_);
    return sourceEnded_ && buffer_.empty() && !seekTo_;
}

std::int64_t ReadAhead::ReadFrames() {
    std::lock_guard lock(m_);
    return read_;
}

}  // namespace qsr::mediaplayer
