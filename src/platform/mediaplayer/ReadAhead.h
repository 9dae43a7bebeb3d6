#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

namespace qsr::mediaplayer {

// Reads a slow source (a synthesizer, a CD drive) in a thread of its own, up
// to a bounded buffer ahead of what was taken, so the sound server's thread
// only copies and never waits on the source with the server's lock held.
// Samples are interleaved stereo 16-bit; positions are in frames.
class ReadAhead {
  public:
    // `read` gives up to about `frames` frames from the source's position,
    // empty at its end; `seek` moves that position. Both run on the worker
    // only, never at the same time.
    struct Source {
        std::function<std::vector<std::int16_t>(std::int64_t frames)> read;
        std::function<void(std::int64_t frame)> seek;
    };

    // `idle`: nothing is read until the first Seek says where from.
    ReadAhead(Source source, std::int64_t aheadFrames, std::int64_t blockFrames, bool idle = false);
    // Waits for a read in hand to return.
    ~ReadAhead();
    ReadAhead(const ReadAhead&) = delete;
    ReadAhead& operator=(const ReadAhead&) = delete;

    // Drops what is buffered; what is taken next starts at `frame`. Returns
    // at once: the worker seeks when its read in hand is done.
    void Seek(std::int64_t frame);
    // Appends up to `frames` frames to `out`, waiting up to `wait` while
    // nothing is buffered; the number of frames appended.
    std::int64_t Take(std::int64_t frames, std::vector<std::int16_t>& out,
                      std::chrono::milliseconds wait);
    // Waits up to `bound` for the first block after a start or seek; false
    // when none came.
    bool WaitReady(std::chrono::milliseconds bound);
    // All read and taken.
    bool Ended();
    // Frames read since the last start or seek, taken or not.
    std::int64_t ReadFrames();

  private:
    void Run();

    Source source_;
    std::size_t aheadSamples_;
    std::int64_t blockFrames_;
    std::mutex m_;
    std::condition_variable cv_;
    std::deque<std::int16_t> buffer_;
    std::optional<std::int64_t> seekTo_;
    unsigned generation_ = 0;  // one more at every seek
    std::int64_t read_ = 0;
    bool sourceEnded_ = false;
    bool idle_;  // until the first Seek
    bool stop_ = false;
    std::thread thread_;  // last: starts when the rest is ready
};

}  // namespace qsr::mediaplayer
