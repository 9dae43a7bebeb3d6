#pragma once

#include <chrono>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/services/Worker.h"
#include "recording/MarkerSplit.h"

namespace qsr::recording {

// A split at markers in a worker, for a window: the pieces written one after
// another, the progress and the report reaching the owner on its thread.
class MarkerSplitWork {
  public:
    struct Hooks {
        std::function<void(double)> progress;              // 0..1 of the whole split
        std::function<void(const SplitReport&)> finished;  // written, failed or cancelled
    };

    MarkerSplitWork(audio::IAudioEngine& engine, Hooks hooks);
    ~MarkerSplitWork();

    // Starts writing `pieces` of `source`; false with `why` when it cannot
    // (a split runs, the format cannot be cut exactly).
    bool Start(const SplitSource& source, std::vector<SplitPiece> pieces, std::string& why);
    bool Busy() const { return worker_.Running(); }
    void Cancel() { worker_.Cancel(); }
    // Waits for the work in hand; false when it still runs after `bound`.
    bool Wait(std::chrono::milliseconds bound) { return worker_.Wait(bound); }

  private:
    audio::IAudioEngine& engine_;
    Hooks hooks_;
    std::unique_ptr<audio::IFileCutter> cutter_;
    services::Worker worker_;  // last: stopped before what the work uses goes
};

}  // namespace qsr::recording
