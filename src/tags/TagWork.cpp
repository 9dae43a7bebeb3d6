#include "tags/TagWork.h"

#include <algorithm>
#include <thread>
#include <utility>

#include "platform/loudness/ReplayGainTagging.h"
#include "tags/clsFile.h"

namespace qsr::tags {
namespace {

// True once per interval: progress goes out no more often than that.
class Throttle {
  public:
    bool Due() {
        const auto now = std::chrono::steady_clock::now();
        if (sent_ && now - last_ < kProgressInterval) return false;
        sent_ = true;
        last_ = now;
        return true;
    }

  private:
    bool sent_ = false;
    std::chrono::steady_clock::time_point last_;
};

// Waits until the window has taken every batch posted, or the work is cancelled.
void WaitTaken(const std::atomic<int>& inFlight, const services::Worker& worker) {
    while (inFlight > 0 && !worker.Cancelled())
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
}

struct SavedFile {
    int record;
    TagFileRecord file;
    ScanRow row;
};

}  // namespace

bool ScanJob::Start(const std::string& folder, std::unique_ptr<IScanTagSource> source,
                    Events events) {
    if (worker_.Running()) return false;
    source_ = std::move(source);
    scan_ = std::make_unique<FolderScan>(*source_);
    scan_->batchInterval = std::chrono::milliseconds(0);  // the batches are made below
    return worker_.Start(
        [this, folder, events] {
            services::Worker& w = worker_;
            Throttle throttle;
            int shown = 0;
            scan_->onStart = [&w, events](int count) {
                w.Post([events, count] { events.onCount(count); });
            };
            scan_->onProgress = [&](int i) {
                if (w.Cancelled()) scan_->Cancel();
                if (!throttle.Due()) return;
                shown = i;
                w.Post([events, i] { events.onProgress(i); });
            };
            ScanBatch pending;
            const auto send = [&] {
                if (pending.rows.empty()) return;
                auto shared = std::make_shared<ScanBatch>(std::move(pending));
                pending = ScanBatch{};
                ++inFlight_;
                w.Post([this, events, shared] {
                    events.onBatch(std::move(*shared));
                    --inFlight_;
                });
            };
            scan_->onBatch = [&](ScanBatch&& batch) {
                for (auto& record : batch.records) pending.records.push_back(std::move(record));
                for (auto& row : batch.rows) pending.rows.push_back(std::move(row));
                if (pending.rows.size() >= kMaxBatch) WaitTaken(inFlight_, w);
                if (inFlight_ == 0) send();
            };
            const int listed = scan_->Scan(folder);
            send();
            if (listed > shown) w.Post([events, listed] { events.onProgress(listed); });
            w.Post([events, listed] { events.onDone(listed); });
        },
        nullptr);
}

bool SaveJob::Start(std::vector<SaveTarget> targets, SaveRequest request,
                    std::optional<BatchOptions> batch, std::vector<std::string> recording,
                    Events events) {
    if (worker_.Running()) return false;
    targets_ = std::move(targets);
    batch_ = batch;
    request_ = std::move(request);
    request_.batch = batch_ ? &*batch_ : nullptr;
    std::sort(recording.begin(), recording.end());
    request_.isRecording = [recording = std::move(recording)](const std::string& path) {
        return std::binary_search(recording.begin(), recording.end(), path);
    };
    failures_.clear();
    return worker_.Start(
        [this, events = std::move(events)] {
            services::Worker& w = worker_;
            Throttle throttle;
            for (SaveTarget& target : targets_) {
                if (w.Cancelled()) break;
                if (throttle.Due()) {
                    const int row = target.row;
                    w.Post([events, row] { events.onProgress(row); });
                }
                const std::string failure =
                    SaveFileTags(v1_, v2_, target.file, request_, target.fileIndex);
                if (!failure.empty()) failures_.push_back(failure);
                clsFile file;
                file.sFilename(target.file.filename);
                auto done = std::make_shared<std::pair<TagFileRecord, ScanRow>>(
                    target.file, RowFor(target.record, target.file, file));
                const int record = target.record;
                w.Post([events, record, done, failure] {
                    events.onSaved(record, done->first, done->second, failure);
                });
            }
            w.Post([events, failures = failures_] { events.onDone(failures); });
        },
        nullptr);
}

std::string ReplayGainReportText(const ReplayGainReport& report) {
    const std::string count = std::to_string(report.count);
    std::string text;
    if (report.cancelled && report.written == 0) {
        text = "Stopped: no ReplayGain values were written.";
    } else {
        text = "ReplayGain values were written to " + std::to_string(report.written) + " of " +
               count + (report.count == 1 ? " file." : " files.");
        if (report.cancelled) text += " Stopped before the rest.";
    }
    if (report.album) {
        text += "\nThe album values are those of all " + count + " files.";
    } else if (report.count > 1 && !report.allMeasured && !report.cancelled) {
        text += "\nNo album values were written: not every file could be measured.";
    }
    if (!report.failures.empty()) {
        text += "\n\nThese files were skipped:\n";
        for (const std::string& failure : report.failures) text += "\n" + failure;
    }
    if (!report.notes.empty()) {
        text += "\n";
        for (const std::string& note : report.notes) text += "\n" + note;
    }
    return text;
}

bool ReplayGainJob::Start(std::vector<ReplayGainTarget> targets,
                          std::function<bool(const std::string& path)> isRecording, Events events) {
    if (active_ || worker_.Running()) return false;
    targets_ = std::move(targets);
    isRecording_ = std::move(isRecording);
    events_ = std::move(events);
    measured_.assign(targets_.size(), loudness::Measurement{});
    refusals_.assign(targets_.size(), std::string());
    writers_.clear();
    album_.reset();
    report_ = ReplayGainReport{};
    report_.count = static_cast<int>(targets_.size());
    cancel_ = false;
    // Made here: the engine is the owner thread's.
    reader_ = engine_.CreateFile();
    active_ = worker_.Start(
        [this] {
            services::Worker& w = worker_;
            Throttle throttle;
            for (std::size_t i = 0; i < targets_.size() && !cancel_; ++i) {
                const int index = static_cast<int>(i);
                const auto progress = [&](double percent) {
                    if (throttle.Due())
                        w.Post([this, index, percent] { events_.onMeasuring(index, percent); });
                };
                if (!reader_) {
                    measured_[i].reason = "no file component in this build";
                    continue;
                }
                measured_[i] = loudness::MeasureForTags(*reader_, targets_[i].file.filename,
                                                        &cancel_, progress);
            }
        },
        [this] { Measured(); });
    return active_;
}

void ReplayGainJob::Measured() {
    if (cancel_) {
        report_.cancelled = true;
        Finish();
        return;
    }
    std::vector<const loudness::Measurement*> set;
    set.reserve(measured_.size());
    for (const loudness::Measurement& m : measured_) set.push_back(&m);
    album_ = loudness::AlbumFigures(set);
    report_.allMeasured = std::all_of(measured_.begin(), measured_.end(), [](const auto& m) {
        return m.outcome == loudness::Measurement::Outcome::Measured;
    });
    writers_.reserve(targets_.size());
    for (std::size_t i = 0; i < targets_.size(); ++i) {
        const std::string& path = targets_[i].file.filename;
        writers_.push_back(engine_.CreateLoudnessTag());
        // A rewrite would leave a recording into the file writing into the
        // old, unlinked one.
        if (isRecording_ && isRecording_(path)) refusals_[i] = path + " is being recorded";
    }
    const bool started = worker_.Start(
        [this] {
            services::Worker& w = worker_;
            Throttle throttle;
            for (std::size_t i = 0; i < targets_.size(); ++i) {
                if (cancel_) {
                    report_.cancelled = true;
                    break;
                }
                const int index = static_cast<int>(i);
                if (throttle.Due()) w.Post([this, index] { events_.onWriting(index); });
                const ReplayGainTarget& target = targets_[i];
                const loudness::Measurement& m = measured_[i];
                std::string failure;
                if (m.outcome != loudness::Measurement::Outcome::Measured) {
                    failure = target.file.filename + ": " + m.reason;
                } else {
                    const loudness::TagWrite done = loudness::WriteReplayGain(
                        writers_[i].get(), target.file.filename, m.figures,
                        album_ ? &*album_ : nullptr, refusals_[i]);
                    if (done.outcome == loudness::TagWrite::Outcome::Failed)
                        failure = done.message;
                    else if (done.outcome == loudness::TagWrite::Outcome::Silent)
                        report_.notes.push_back(done.message);
                    else
                        ++report_.written;
                }
                if (!failure.empty()) report_.failures.push_back(failure);
                clsFile file;
                file.sFilename(target.file.filename);
                auto row = std::make_shared<ScanRow>(RowFor(target.record, target.file, file));
                const int record = target.record;
                w.Post([this, record, row, failure] { events_.onFile(record, *row, failure); });
            }
            report_.album = album_ && album_->integrated && report_.written > 0;
        },
        [this] { Finish(); });
    if (!started) Finish();
}

void ReplayGainJob::Finish() {
    active_ = false;
    reader_.reset();
    writers_.clear();
    measured_.clear();  // the meters keep every block of their files
    const ReplayGainReport report = report_;
    const auto done = events_.onDone;
    if (done) done(report);
}

}  // namespace qsr::tags
