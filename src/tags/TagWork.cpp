#include "tags/TagWork.h"

#include <algorithm>
#include <thread>
#include <utility>

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

}  // namespace qsr::tags
