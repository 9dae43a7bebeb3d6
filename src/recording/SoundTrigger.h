#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <utility>
#include <vector>

#include "platform/audio-api/AudioTypes.h"
#include "settings/TriggerSettings.h"

namespace qsr::recording {

using settings::TriggerSettings;

// Parses "-30dB[:200ms]" into the start level and hold time; false on bad text.
bool ParseStartOnSound(const std::string& text, TriggerSettings& out);
// Parses "3s[:-40dB]" into the silence length and level; false on bad text.
bool ParseStopOnSilence(const std::string& text, TriggerSettings& out);

// Decides, block by block of captured (already filtered) samples, which of
// them go into the file. Levels are the RMS of 50 ms windows relative to full
// scale, over all channels.
//
// - Start on sound: nothing is written until the level stays above the start
//   level for the hold time; then the second before the level rose is written
//   too, so the first syllable is in the file.
// - Stop on silence: after that much silence in a row (counted from the
//   first written window) StopWanted() turns true; nothing more is written.
// - Pause on silence: silence beyond a short hang-over is left out; when the
//   level comes back, writing resumes with a short lead-in.
class TriggerGate {
  public:
    static constexpr int kWindowMs = 50;
    static constexpr int kPreRollMs = 1000;
    static constexpr int kPauseHangoverMs = 250;
    static constexpr int kPauseLeadInMs = 100;

    void Reset(const TriggerSettings& settings, int rate, int channels);
    // The samples of `block` (and of earlier partial windows) to write.
    audio::Samples Feed(const audio::Samples& block);
    // What is left of a partial window when the recording stops.
    audio::Samples Flush();
    // Where the samples the last Feed or Flush returned were captured: (first
    // frame counted from the Reset, frames) in the order they were returned,
    // so a moment of capture can be found in the file.
    using Span = std::pair<std::int64_t, std::int64_t>;
    const std::vector<Span>& Spans() const { return spans_; }

    bool Waiting() const { return state_ == State::Waiting; }
    bool Paused() const { return state_ == State::Paused; }
    bool StopWanted() const { return state_ == State::Done; }
    // Level of the last complete window, dB relative to full scale.
    double LastLevelDb() const { return lastDb_; }

    static double WindowLevelDb(const std::int16_t* values, std::size_t count);

  private:
    enum class State { Waiting, Writing, Paused, Done };

    struct Held {
        std::int64_t frame;  // where its first frame was captured
        audio::Samples values;
    };
    void Window(const std::int16_t* values, std::size_t count, audio::Samples& out);
    void Hold(const std::int16_t* values, std::size_t count, std::size_t keepWindows);
    void Release(audio::Samples& out);
    // `count` values captured at `frame` go out.
    void Out(audio::Samples& out, const std::int16_t* values, std::size_t count,
             std::int64_t frame);

    TriggerSettings settings_;
    std::size_t windowValues_ = 0;
    State state_ = State::Writing;
    audio::Samples partial_;
    std::deque<Held> held_;  // windows kept back: the pre-roll or the lead-in
    std::size_t channels_ = 1;
    std::int64_t windowFrame_ = 0;  // where the window being judged was captured
    std::vector<Span> spans_;
    int aboveMs_ = 0;
    int silentMs_ = 0;
    double lastDb_ = -120;
};

}  // namespace qsr::recording
