#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "platform/audio-api/AudioFile.h"
#include "platform/loudness/Loudness.h"
#include "platform/loudness/LoudnessRules.h"

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
    // When set, Convert measures the input first (the first half of the
    // progress) and writes it with the gain that brings it to the target,
    // limiting peaks only where the gain would pass the ceiling. A damaged
    // input is then refused: its figure would be false. Silence is written
    // as it is.
    std::optional<loudness::Target> normalise;

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
    // After a normalising Convert: the gain applied ("normalised to -16.0
    // LUFS: gain +7.00 dB"), or why none was; empty otherwise.
    const std::string& GainNote() const { return gainNote_; }

  private:
    Outcome Fail(std::string why);
    void Report(double percent, bool force);
    // The first pass of a normalising Convert: the input's figures and those
    // of its channels mixed into one; or the outcome that ends the step.
    std::optional<Outcome> MeasureForNormalising(const std::string& source, loudness::Figures& in,
                                                 loudness::Figures& mixed);
    // The loudness of the input through the gain stage of `plan`, as a writer
    // of `out` channels gets it; none when it could not be read.
    std::optional<double> LimitedLoudness(const std::string& source, const loudness::GainPlan& plan,
                                          int out);
    // Raises a limiting plan's gain until the limited sound meets the target.
    bool CorrectForLimiting(const std::string& source, loudness::GainPlan& plan);
    // The gain for what the writer (created) will write; none for silence.
    std::optional<loudness::GainPlan> PlanNormalising(const loudness::Figures& in,
                                                      const loudness::Figures& mixed, int channels);

    audio::IAudioFile& reader_;
    audio::IAudioFile& writer_;
    std::atomic<bool> cancelled_{false};
    std::string reason_, gainNote_;
    double progressFrom_ = 0, progressSpan_ = 100;  // the pass's part of the progress
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
// The event-list entry of a normalised step's gain ("Convert To MP3:
// normalised to -16.0 LUFS: gain +7.00 dB"); none when `note` is empty.
std::optional<StepEntry> GainEntryFor(const std::string& format, const std::string& note);

}  // namespace qsr::converter
