#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/mediaplayer/ReadAhead.h"

namespace qsr::mediaplayer {

// True for the names the MIDI renderer takes: .mid, .midi, .rmi (any case).
bool IsMidiName(std::string_view path);

// The General MIDI sound font the renderer uses; empty when none is installed.
std::string FindSoundFont();

// The tempo map of a standard MIDI file: turns ticks into seconds and back,
// so the length is known and a seek finds its tick without rendering.
struct MidiTiming {
    struct Tempo {
        std::int64_t tick;
        double seconds;  // at `tick`
        double secondsPerTick;
    };
    std::vector<Tempo> tempos;  // by tick, the first at tick 0
    std::int64_t lastTick = 0;  // the end of the longest track
    bool hasNotes = false;      // a note is struck somewhere

    double SecondsAt(std::int64_t tick) const;
    std::int64_t TickAt(double seconds) const;
    double Length() const { return SecondsAt(lastTick); }
};
// Nothing when the bytes are no standard MIDI file.
std::optional<MidiTiming> ReadMidiTiming(std::string_view midi);

// A MIDI file (or one wrapped in an RMI "RIFF RMID" file) rendered by
// FluidSynth a block at a time into interleaved stereo 16-bit samples: up to
// the end of its last event plus a second for the notes to fade.
class MidiStream {
  public:
    // Nothing when the file is not MIDI, strikes no note, or no sound font
    // is given. Cheap: the synthesizer loads on the first Render or Seek.
    static std::unique_ptr<MidiStream> Open(const std::string& path, int rate,
                                            const std::string& soundFont);
    ~MidiStream();

    std::int64_t TotalFrames() const { return totalFrames_; }
    // Up to `frames` frames from the position; empty at the end.
    std::vector<std::int16_t> Render(std::int64_t frames);
    // Renders from `frame` on (the notes held there are not restarted).
    void Seek(std::int64_t frame);

  private:
    struct Fluid;
    MidiStream() = default;
    bool Load();
    bool Restart(std::int64_t tick);

    std::unique_ptr<Fluid> fluid_;
    std::string midi_;
    std::string soundFont_;
    bool loadFailed_ = false;
    MidiTiming timing_;
    int rate_ = 0;
    std::int64_t totalFrames_ = 0;
    std::int64_t at_ = 0;         // frames rendered since the start of the file
    std::int64_t tailLeft_ = -1;  // frames of fade after the music; -1 before its end
};

// Renders a MidiStream in a thread of its own, kAhead ahead of what was taken,
// so the sound server's thread only copies and memory stays bounded.
class MidiFeed {
  public:
    static constexpr std::chrono::seconds kAhead{3};

    explicit MidiFeed(std::unique_ptr<MidiStream> stream, int rate);

    std::int64_t TotalFrames() const { return totalFrames_; }
    // Drops what is buffered; what is taken next starts at `frame`.
    void Seek(std::int64_t frame) { feed_.Seek(frame); }
    // Appends up to `frames` frames to `out`, waiting up to `wait` while
    // nothing is buffered; the number of frames appended.
    std::int64_t Take(std::int64_t frames, std::vector<std::int16_t>& out,
                      std::chrono::milliseconds wait) {
        return feed_.Take(frames, out, wait);
    }
    // Waits up to `bound` for the first block after a start or seek; false
    // when none came.
    bool WaitReady(std::chrono::milliseconds bound) { return feed_.WaitReady(bound); }
    // All rendered and taken.
    bool Ended() { return feed_.Ended(); }
    // Frames rendered since the last start or seek, taken or not.
    std::int64_t RenderedFrames() { return feed_.ReadFrames(); }

  private:
    std::unique_ptr<MidiStream> stream_;
    std::int64_t totalFrames_;
    ReadAhead feed_;  // last: its worker stops before the stream goes
};

}  // namespace qsr::mediaplayer
