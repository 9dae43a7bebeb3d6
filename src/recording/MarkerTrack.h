#pragma once

#include <cstdint>
#include <deque>
#include <limits>
#include <string>
#include <vector>

#include "core/Markers.h"

namespace qsr::recording {

// The markers of one take. A marker is set at a moment of capture (frames
// captured since the start); it gets its place in the file once the samples
// of that moment are written. A moment the file leaves out (before a start on
// sound, a pause on silence) marks the first sample written after it, so
// pre-roll and paused spans keep every position right in file time.
class MarkerTrack {
  public:
    void Reset();
    // A marker at the captured frame; an empty label becomes "Marker N". Its
    // number (1, 2 ...), which Rename and Remove take.
    int Add(std::int64_t capturedFrame, std::string label, std::int64_t setAtMs);
    bool Rename(int number, std::string label);
    bool Remove(int number);
    // The file's next `frames` frames were captured from `capturedFrame` on;
    // true when a marker got its place.
    bool Written(std::int64_t capturedFrame, std::int64_t frames);
    // Markers whose samples never came into the file stand at its last frame
    // (`fileFrames` frames long); so do those past its end (a frame limit).
    void Finish(std::int64_t fileFrames);
    // The placed markers in file frames [from, to), relative to `from` (a
    // piece's own positions), sorted.
    std::vector<core::Marker> Placed(
        std::int64_t from = 0, std::int64_t to = std::numeric_limits<std::int64_t>::max()) const;
    std::size_t Count() const { return entries_.size(); }

  private:
    struct Entry {
        int number;
        std::int64_t captured;
        std::int64_t frame;  // in the file; -1 until placed
        std::string label;
        std::int64_t setAtMs;
    };
    std::vector<Entry> entries_;
    std::int64_t written_ = 0;
    int numbers_ = 0;
};

// Where the capture stands at a moment between its progress reports. Each
// report counts what had arrived by then, which lags the sound by the
// server's and the capture thread's batching (up to ~100 ms, varying); the
// report that lagged least over the last seconds tells the pace best, and
// the position at any moment follows from it.
class CaptureClock {
  public:
    static constexpr std::int64_t kWindowMs = 5000;
    void Reset(int rate);
    // A report: `frames` had arrived at `atMs` (a steady clock).
    void Report(std::int64_t atMs, std::int64_t frames);
    // The captured frame at `atMs`; never less than the last report; -1
    // before the first.
    std::int64_t FrameAt(std::int64_t atMs) const;

  private:
    int rate_ = 0;
    std::deque<std::pair<std::int64_t, std::int64_t>> reports_;  // (ms, frames)
};

}  // namespace qsr::recording
