#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <vector>

#include "platform/audio-api/AudioTypes.h"

namespace qsr::audio {

// Samples handed from the sound-server thread to the user-interface thread.
// The producer only appends; the buffer grows and never overwrites, so a
// consumer that stalls for seconds loses nothing.
class CaptureBuffer {
  public:
    // Any thread.
    void Append(const std::int16_t* values, std::size_t count);
    void AppendSilence(std::size_t count);
    // A hole the server reported in the stream: filled with silence so the
    // timing stays true, and counted as a dropout.
    void AppendHole(std::size_t count);
    // The server dropped data it could not hand over in time.
    void NoteOverflow();
    // Holes and overflows since the last ResetDropouts().
    long Dropouts() const { return dropouts_.load(); }
    void ResetDropouts() { dropouts_ = 0; }
    // Consumer: everything appended since the last take.
    Samples TakeAll();
    // The same into `out`, whose storage the buffer keeps for the next
    // appends, so a steady recording does not allocate per fragment.
    void TakeAll(Samples& out);
    std::int64_t AppendedValues() const;
    // When the newest value appended so far was captured (the monotonic
    // clock's nanoseconds, from the server's timing), for a stream kept in
    // step with another; `values` is how many had been appended then.
    struct Stamp {
        std::int64_t values = 0;
        std::int64_t capturedNs = 0;
    };
    void SetStamp(std::int64_t capturedNs);
    Stamp LastStamp() const;

  private:
    mutable std::mutex mutex_;
    Samples pending_;
    std::int64_t appended_ = 0;
    Stamp stamp_;
    std::atomic<long> dropouts_{0};
};

// Cuts a stream of interleaved values into numbered blocks of a fixed length
// and keeps them until they are taken. Block numbers start at 0.
class BlockCutter {
  public:
    void Reset(std::size_t blockValues);
    // Adds values; returns the numbers of the blocks this completed.
    std::vector<long> Add(const Samples& values);
    // The partial block left over, if any, as a numbered block.
    std::optional<long> Flush();
    Samples Take(long nBlock);
    std::int64_t CutValues() const { return cut_; }

  private:
    std::size_t blockValues_ = 0;
    Samples partial_;
    std::map<long, Samples> ready_;
    long next_ = 0;
    std::int64_t cut_ = 0;
};

// The last values seen, for level displays: keeps at most `capacity`, in a
// ring written round and round, so adding never moves or reallocates what
// is kept.
class RecentSamples {
  public:
    explicit RecentSamples(std::size_t capacity = 1 << 17)
        : ring_(std::max<std::size_t>(1, capacity)) {}
    void Add(const std::int16_t* values, std::size_t count);
    void Clear() { next_ = filled_ = 0; }
    // The last n values (fewer when fewer were seen), oldest first.
    Samples Latest(long n) const;

  private:
    Samples ring_;
    std::size_t next_ = 0;    // where the next value goes
    std::size_t filled_ = 0;  // values held, at most the ring's size
};

}  // namespace qsr::audio
