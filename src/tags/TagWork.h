#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/audio-api/AudioEngine.h"
#include "platform/services/Worker.h"
#include "tags/FolderScan.h"
#include "tags/TagSave.h"

namespace qsr::tags {

// The tag editor's long work, each job in a worker thread of its own, so the
// window stays live: progress reaches the window by queued calls at most
// every `kProgressInterval` (and once at the end), the work stops after the
// file in hand when cancelled. Every callback runs on the thread that started
// the job, and none runs once the job is gone.
// Results go over in batches, one batch waiting for the window at a time: a
// batch grows while the window is busy, and past `kMaxBatch` items the worker
// waits, so no pile of calls ever holds the window thread up at once.
inline constexpr std::chrono::milliseconds kProgressInterval{50};
inline constexpr std::size_t kMaxBatch = 256;

class ScanJob {
  public:
    struct Events {
        std::function<void(int count)> onCount;     // the files found, before the first
        std::function<void(int index)> onProgress;  // 1..count
        std::function<void(ScanBatch&& batch)> onBatch;
        std::function<void(int listed)> onDone;  // after every other call
    };
    // Scans `folder` through `source`, which belongs to the worker until it
    // returns. False while a job runs.
    bool Start(const std::string& folder, std::unique_ptr<IScanTagSource> source, Events events);
    void Cancel() {
        worker_.Cancel();
        if (scan_) scan_->Cancel();
    }
    bool Running() const { return worker_.Running(); }
    bool Wait(std::chrono::milliseconds bound) { return worker_.Wait(bound); }

  private:
    std::unique_ptr<IScanTagSource> source_;
    std::unique_ptr<FolderScan> scan_;
    std::atomic<int> inFlight_{0};  // batches posted, not yet taken
    services::Worker worker_;       // last: stops before what the work uses goes
};

// One file of a save: its record in the table and its place in the list.
struct SaveTarget {
    int record = 0;
    TagFileRecord file;  // a copy: the worker writes from it, the window keeps its own
    int row = 0;         // 1-based list position, the progress value
    int fileIndex = 0;   // 1.. among the ticked files; 0 for a single save
};

class SaveJob {
  public:
    explicit SaveJob(audio::IAudioEngine& tagEngine) : v2_(tagEngine) {}

    struct Events {
        std::function<void(int row)> onProgress;
        // A file is done: its record as the file now holds it, its row and
        // its failure line (empty when every write succeeded).
        std::function<void(int record, const TagFileRecord& file, const ScanRow& row,
                           const std::string& failure)>
            onSaved;
        // The failure lines, one per file that was not fully written.
        std::function<void(const std::vector<std::string>& failures)> onDone;
    };
    // Writes the targets in order by the rules of SaveFileTags. The request's
    // recording query is not used here: `recording` names the paths found
    // being recorded when the save began (asked on the window thread).
    bool Start(std::vector<SaveTarget> targets, SaveRequest request,
               std::optional<BatchOptions> batch, std::vector<std::string> recording,
               Events events);
    void Cancel() { worker_.Cancel(); }
    bool Running() const { return worker_.Running(); }
    bool Wait(std::chrono::milliseconds bound) { return worker_.Wait(bound); }

  private:
    clsID3v1 v1_;
    clsID3v23 v2_;
    SaveRequest request_;
    std::optional<BatchOptions> batch_;
    std::vector<SaveTarget> targets_;
    std::vector<std::string> failures_;
    std::atomic<int> inFlight_{0};
    services::Worker worker_;  // last: stops before what the work uses goes
};

}  // namespace qsr::tags
