#pragma once

#include <functional>
#include <memory>
#include <string>

#include "platform/audio-api/AudioEngine.h"
#include "platform/services/Worker.h"
#include "trim/EditList.h"
#include "trim/Overview.h"

namespace qsr::trim {

// The work behind the trim window, widget-free: the recording's overview
// (from the cache, else one decode in a worker), the edits, the silence trim,
// and the save (the engine's cutter, in the worker). Everything it tells its
// owner arrives on the owner's thread.
class TrimWork {
  public:
    struct Hooks {
        std::function<void(double)> progress;            // 0..1 of the decode or the save
        std::function<void()> opened;                    // the overview is there
        std::function<void(const std::string&)> failed;  // the decode or the save failed: why
        // The file written and how long its sound is, in milliseconds.
        std::function<void(const std::string&, std::int64_t)> saved;
    };
    // Why a file may not be written now ("" when it may): it is being recorded.
    using BeingRecorded = std::function<std::string(const std::string&)>;
    // Files without a header (RAW, VOX, G.726) are read and cut in the
    // formats the settings give them.
    struct Headerless {
        std::function<void(audio::IAudioFile&)> readAs;  // gives a reader those formats
        int rawCompression = 1;                          // 1: 16-bit PCM; else 8-bit
        int g726Bits = 4;
    };

    TrimWork(audio::IAudioEngine& engine, std::string cacheFolder, BeingRecorded beingRecorded,
             Hooks hooks);
    ~TrimWork();

    void SetHeaderless(Headerless h);
    // Shows `path`: the edits start over. False when a decode or save runs.
    bool Open(const std::string& path);
    const std::string& Path() const { return path_; }
    bool Ready() const { return ready_; }
    bool Busy() const { return worker_.Running(); }
    const Overview& Sound() const { return overview_; }
    EditList& Edits() { return edits_; }
    const EditList& Edits() const { return edits_; }

    // What the format allows with the edits in force ("" note when exact).
    audio::CutAbility Ability() const;
    // Keeps the sound between the silent ends (in what is left now); false
    // when there is no sound or nothing to trim.
    bool TrimSilence(double levelDb, int minMs);
    // Writes the edits to `target` (the open file itself: replaced atomically)
    // in the worker; false with `why` when it cannot start. Ready() turns
    // false until the saved file is shown (or the save failed).
    bool Save(const std::string& target, std::string& why);
    void Cancel() { worker_.Cancel(); }
    // Waits for the work in hand; false when it still runs after `bound`.
    bool Wait(std::chrono::milliseconds bound) { return worker_.Wait(bound); }

  private:
    void Decode();
    void Shown();       // the overview is in: the edits start over
    void TellCutter();  // what a headerless file's bytes hold
    audio::IAudioEngine& engine_;
    std::string cacheFolder_;
    BeingRecorded beingRecorded_;
    Hooks hooks_;
    std::unique_ptr<audio::IFileCutter> cutter_;
    Headerless headerless_;
    std::string path_;
    Overview overview_;
    bool ready_ = false;
    EditList edits_;
    services::Worker worker_;  // last: stopped before what the work uses goes
};

}  // namespace qsr::trim
