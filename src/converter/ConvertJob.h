#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

#include "platform/audio-api/AudioFile.h"

namespace qsr::converter {

// Decodes one file with the reader and encodes it with the writer, block by
// block (channels x rate frames a block), reporting progress between blocks.
// Cancel may come from another thread: a window runs Convert in a worker and
// cancels from its own. Widget-free: the converter window, the command line
// and the tests all drive it.
class ConvertJob {
  public:
    enum class Outcome {
        Complete,   // the whole input was written and the target closed
        Cancelled,  // stopped after the block in hand; the part written is a closed, playable file
        Skipped,    // the target is the input itself: nothing written
        Failed,     // the reader or the writer failed; Reason() says why
    };

    ConvertJob(audio::IAudioFile& reader, audio::IAudioFile& writer)
        : reader_(reader), writer_(writer) {}

    // Called with 0..100; at most every `progressInterval`, and always at the end.
    std::function<void(double percent)> onProgress;
    // Called after every block, in the thread that runs Convert.
    std::function<void()> onBlock;
    std::chrono::milliseconds progressInterval{50};

    Outcome Convert(const std::string& source, const std::string& target);

    // Stops a running Convert after the block in hand. Sticky until Reset().
    void Cancel() { cancelled_ = true; }
    void Reset() { cancelled_ = false; }
    bool IsCancelled() const { return cancelled_; }

    const std::string& Reason() const { return reason_; }
    std::int64_t FramesWritten() const { return frames_; }
    int InputRate() const { return rate_; }  // of the last input opened
    // Damaged frames the reader passed over in the last input (it read on).
    std::int64_t DamagedFrames() const { return damaged_; }

  private:
    Outcome Fail(std::string why);
    void Report(double percent, bool force);

    audio::IAudioFile& reader_;
    audio::IAudioFile& writer_;
    std::atomic<bool> cancelled_{false};
    std::string reason_;
    std::int64_t frames_ = 0, damaged_ = 0;
    int rate_ = 0;
    std::chrono::steady_clock::time_point lastReport_{};
};

// The event-list entry ending one format step ("MP3", "Ogg", "WMA"). A
// cancelled step still completed what it wrote. A step that passed over
// damaged frames of the input says how many, as a warning.
struct StepEntry {
    std::string text;
    bool error;
    bool warning = false;
};
StepEntry StepEntryFor(const std::string& format, ConvertJob::Outcome outcome,
                       const std::string& reason, std::int64_t damagedFrames = 0);

}  // namespace qsr::converter
