#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/audio-api/AudioEngine.h"
#include "platform/loudness/Loudness.h"
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

// One file of a ReplayGain run: its record in the table (the path, and the
// values its row is drawn from again afterwards).
struct ReplayGainTarget {
    int record = 0;
    TagFileRecord file;
};

// How a ReplayGain run ended, for the window's message.
struct ReplayGainReport {
    int count = 0;                      // files in the set
    int written = 0;                    // files that now carry their values
    bool allMeasured = false;           // every file was measured
    bool album = false;                 // the album values went with those written
    bool cancelled = false;             // stopped before every file was done
    std::vector<std::string> failures;  // "path: why", one per file skipped
    std::vector<std::string> notes;     // silent files: nothing to write, no fault
};

// The message of a run: what was written, then every file skipped and why.
std::string ReplayGainReportText(const ReplayGainReport& report);

// The tag editor's "ReplayGain..." work, by the steps `quorvin-cli loudness
// --tag` takes: every file measured once in the worker, the album figures
// only for a set measured whole, then each measured file's track (and album)
// values written through the engine's kill-safe loudness tag writer. Between
// the two, on the owner's thread, each file is asked of `isRecording` and
// gets its writer, so the check is as late as the window can make it. A
// file that cannot be read or is damaged is reported and skipped, never
// given a figure of part of it.
class ReplayGainJob {
  public:
    explicit ReplayGainJob(audio::IAudioEngine& engine) : engine_(engine) {}

    struct Events {
        // Measuring file `index` (0-based) of the set, `percent` of it done.
        std::function<void(int index, double percent)> onMeasuring;
        // Writing the values of file `index`.
        std::function<void(int index)> onWriting;
        // A file is done: its row drawn again (size, date) and why it was
        // not tagged (empty when it was, or had nothing to write).
        std::function<void(int record, const ScanRow& row, const std::string& failure)> onFile;
        std::function<void(const ReplayGainReport& report)> onDone;  // after every other call
    };
    // False while a run is on. Cancelled while measuring, nothing is written.
    bool Start(std::vector<ReplayGainTarget> targets,
               std::function<bool(const std::string& path)> isRecording, Events events);
    void Cancel() {
        cancel_ = true;
        worker_.Cancel();
    }
    bool Running() const { return active_; }
    bool Wait(std::chrono::milliseconds bound) { return worker_.Wait(bound); }

  private:
    void Measured();  // on the owner's thread: the album, the checks, then the writes
    void Finish();

    audio::IAudioEngine& engine_;
    std::vector<ReplayGainTarget> targets_;
    std::vector<loudness::Measurement> measured_;
    std::vector<std::string> refusals_;  // per file: why it must not be written now
    std::vector<std::unique_ptr<audio::ILoudnessTag>> writers_;
    std::optional<loudness::Figures> album_;
    std::unique_ptr<audio::IAudioFile> reader_;
    std::function<bool(const std::string& path)> isRecording_;
    Events events_;
    ReplayGainReport report_;
    std::atomic<bool> cancel_{false};
    bool active_ = false;
    services::Worker worker_;  // last: stops before what the work uses goes
};

}  // namespace qsr::tags
