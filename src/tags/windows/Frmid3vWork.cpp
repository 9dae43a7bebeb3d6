#include <QApplication>
#include <QProgressBar>

#include "core/AppInfo.h"
#include "platform/soundlib/SoundLibrary.h"
#include "tags/FmodTagSource.h"
#include "tags/TagFileListModel.h"
#include "tags/windows/Frmid3v.h"

// The editor's long work: the folder scan and the save run in the workers of
// their tools; the window starts them, shows their progress and takes their
// results, and lists a folder picked meanwhile once they end.
namespace qsr::tags {
namespace {

bool HourglassShown() {
    const QCursor* cursor = QApplication::overrideCursor();
    return cursor != nullptr && cursor->shape() == Qt::WaitCursor;
}

}  // namespace

bool Frmid3v::StopWork(std::chrono::milliseconds bound) {
    scanJob_->Cancel();
    saveJob_->Cancel();
    replayGainJob_->Cancel();
    return scanJob_->Wait(bound) && saveJob_->Wait(bound) && replayGainJob_->Wait(bound);
}

void Frmid3v::FinishWork() {
    working_ = false;
    if (pendingFolder_) {
        const std::string folder = *pendingFolder_;
        pendingFolder_.reset();
        UpdateFolder(folder);
    }
}

void Frmid3v::UpdateFolder(const std::string& folder) {
    // Not loaded, or already unloaded (a queued folder change can arrive after
    // the window closed).
    if (!loaded_ || unloaded_) return;
    if (working_) {
        pendingFolder_ = folder;  // listed next, so tree, list and settings agree
        return;
    }
    if (HourglassShown() || scanJob_->Running()) return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    files_->Clear();
    table_.assign(1, TagFileRecord{});
    listedFolder_ = folder;
    prb_->setRange(0, 0);  // busy until the files are counted
    prb_->show();
    working_ = true;
    const auto live = [this, generation = generation_] { return generation == generation_; };
    ScanJob::Events events;
    events.onCount = [this, live](int count) {
        if (!live()) return;
        prb_->setRange(0, count);
        prb_->setValue(1);
    };
    events.onProgress = [this, live](int i) {
        if (live()) prb_->setValue(i);
    };
    events.onBatch = [this, live](ScanBatch&& batch) {
        if (!live()) return;
        for (TagFileRecord& record : batch.records) table_.push_back(std::move(record));
        AddRows(batch.rows);
    };
    events.onDone = [this, live](int) {
        if (live()) ScanEnded();
    };
    auto library = makeScanLibrary_ ? makeScanLibrary_() : soundlib::CreateSoundLibrary();
    scanJob_->Start(folder,
                    std::make_unique<OwnLibraryTagSource>(std::move(library), *desktop_.messageBox),
                    std::move(events));
}

void Frmid3v::SaveItems() {
    // A save or a scan owns the list while it runs.
    if (working_ || HourglassShown() || files_->rowCount() == 0) return;
    int single = 0;
    const std::vector<int> ticked = files_->TickedRecords();
    if (ticked.size() <= 1) {
        single = ticked.empty() ? SelectedRecord() : ticked.front();
        if (single == 0) return;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    Playback("");
    SaveRequest request{Pages(), {}, nullptr, nullptr};
    request.edits = EditsSince(filled_, request.pages);
    // The worker writes from copies; the recording query is asked here.
    std::vector<SaveTarget> targets;
    std::vector<std::string> recording;
    const auto add = [&](int record, int row, int fileIndex) {
        if (record <= 0 || record >= static_cast<int>(table_.size())) return;
        const TagFileRecord& file = table_[static_cast<std::size_t>(record)];
        if (isRecording_ && isRecording_(file.filename)) recording.push_back(file.filename);
        targets.push_back({record, file, row, fileIndex});
    };
    std::optional<BatchOptions> batch;
    if (single != 0) {
        add(single, 1, 0);
    } else {
        batch = BatchOptions{opt_[0] != 0, opt_[1] != 0, opt_[2] != 0};
        // The order shown when Save was pressed numbers the files.
        int fileIndex = 0;  // every ticked file counts
        for (int i = 0; i < files_->rowCount(); ++i) {
            if (files_->IsTicked(i)) add(files_->RecordAt(i), i + 1, ++fileIndex);
        }
        prb_->setRange(0, files_->rowCount());
        prb_->setValue(1);
        prb_->show();
    }
    working_ = true;
    const auto live = [this, generation = generation_] { return generation == generation_; };
    SaveJob::Events events;
    events.onProgress = [this, live](int row) {
        if (live()) prb_->setValue(row);
    };
    events.onSaved = [this, live](int record, const TagFileRecord& file, const ScanRow& row,
                                  const std::string& failure) {
        if (!live() || record >= static_cast<int>(table_.size())) return;
        table_[static_cast<std::size_t>(record)] = file;
        files_->UpdateRow(record, row);
        files_->MarkNotSaved(record, QString::fromStdString(failure));
    };
    events.onDone = [this, live](const std::vector<std::string>& failures) {
        if (live()) SaveEnded(failures);
    };
    saveJob_->Start(std::move(targets), std::move(request), batch, std::move(recording),
                    std::move(events));
}

void Frmid3v::SaveEnded(const std::vector<std::string>& failures) {
    prb_->hide();
    QApplication::restoreOverrideCursor();
    FinishWork();
    if (!failures.empty() && desktop_.messageBox != nullptr) {
        std::string text = "The tags of these files could not be saved:\n";
        for (const std::string& failure : failures) text += "\n" + failure;
        desktop_.messageBox->Show(text, services::MsgIcon::Error, services::MsgButtons::Ok,
                                  core::kAppTitle);
    }
}

}  // namespace qsr::tags
