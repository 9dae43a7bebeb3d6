// The editor's "ReplayGain..." action: the files it acts on, the progress
// dialog that stops it, and the message of how it went. The measuring and
// the writing are ReplayGainJob's, in its worker.
#include <QProgressBar>
#include <QProgressDialog>
#include <QPushButton>

#include "core/AppInfo.h"
#include "tags/SplitPath.h"
#include "tags/TagFileListModel.h"
#include "tags/windows/Frmid3v.h"

namespace qsr::tags {

void Frmid3v::menReplayGain_Click() {
    // A scan, a save or a run owns the list while it is on.
    if (!loaded_ || unloaded_ || working_ || files_->rowCount() == 0) return;
    // The files a save would write: the ticked ones as shown, else the selected one.
    std::vector<int> records = files_->TickedRecords();
    if (records.empty() && SelectedRecord() != 0) records.push_back(SelectedRecord());
    std::vector<ReplayGainTarget> targets;
    QStringList names;
    for (const int record : records) {
        if (record <= 0 || record >= static_cast<int>(table_.size())) continue;
        const TagFileRecord& file = table_[static_cast<std::size_t>(record)];
        targets.push_back({record, file});
        names << QString::fromStdString(SplitPath(file.filename, kSplitName | kSplitExtension));
    }
    if (targets.empty()) {
        if (desktop_.messageBox != nullptr)
            desktop_.messageBox->Show("Tick the files whose ReplayGain values are to be written.",
                                      services::MsgIcon::Information, services::MsgButtons::Ok,
                                      core::kAppTitle);
        return;
    }
    Playback("");  // the preview lets go of its file before it is replaced
    const int count = static_cast<int>(targets.size());

    // Not modal: a modal one would run the event loop inside every setValue.
    // The editor stays live; the run keeps its list and its actions.
    auto* progress = new QProgressDialog(this);
    progress->setObjectName("dlgReplayGain");
    progress->setWindowTitle("ReplayGain");
    progress->setAccessibleName("ReplayGain progress");
    progress->setWindowModality(Qt::NonModal);
    progress->setAutoClose(false);
    progress->setAutoReset(false);
    progress->setMinimumDuration(0);
    auto* bar = new QProgressBar(progress);
    bar->setObjectName("prbReplayGain");
    bar->setAccessibleName("ReplayGain progress");
    progress->setBar(bar);
    auto* cancel = new QPushButton("Cancel", progress);
    cancel->setObjectName("cmdReplayGainCancel");
    cancel->setAccessibleName("Cancel");
    progress->setCancelButton(cancel);
    progress->setRange(0, count * 100);
    progress->setValue(0);
    progress->setLabelText(QStringLiteral("Measuring %1 (1 of %2)").arg(names[0]).arg(count));
    // The button, Escape and the title bar's close all stop the run.
    const auto stop = [this] { replayGainJob_->Cancel(); };
    connect(progress, &QProgressDialog::canceled, this, stop);
    connect(progress, &QDialog::rejected, this, stop);
    replayGainProgress_ = progress;
    working_ = true;

    const auto live = [this, generation = generation_] { return generation == generation_; };
    ReplayGainJob::Events events;
    events.onMeasuring = [this, live, names, count](int index, double percent) {
        if (!live() || replayGainProgress_ == nullptr) return;
        replayGainProgress_->setLabelText(
            QStringLiteral("Measuring %1 (%2 of %3)").arg(names[index]).arg(index + 1).arg(count));
        replayGainProgress_->setValue(index * 100 + static_cast<int>(percent));
    };
    events.onWriting = [this, live, names, count](int index) {
        if (!live() || replayGainProgress_ == nullptr) return;
        replayGainProgress_->setLabelText(QStringLiteral("Writing the values of %1 (%2 of %3)")
                                              .arg(names[index])
                                              .arg(index + 1)
                                              .arg(count));
        replayGainProgress_->setRange(0, count);
        replayGainProgress_->setValue(index);
    };
    events.onFile = [this, live](int record, const ScanRow& row, const std::string& failure) {
        if (!live()) return;
        files_->UpdateRow(record, row);
        files_->MarkNotSaved(record, QString::fromStdString(failure));
    };
    events.onDone = [this, live](const ReplayGainReport& report) {
        if (live()) ReplayGainEnded(report);
    };
    progress->show();
    if (!replayGainJob_->Start(std::move(targets), isRecording_, std::move(events))) {
        CloseReplayGainProgress();
        FinishWork();
    }
}

void Frmid3v::CloseReplayGainProgress() {
    if (replayGainProgress_ == nullptr) return;
    replayGainProgress_->hide();
    replayGainProgress_->deleteLater();
    replayGainProgress_ = nullptr;
}

void Frmid3v::ReplayGainEnded(const ReplayGainReport& report) {
    CloseReplayGainProgress();
    FinishWork();
    if (desktop_.messageBox != nullptr) {
        desktop_.messageBox->Show(
            ReplayGainReportText(report),
            report.failures.empty() ? services::MsgIcon::Information : services::MsgIcon::Error,
            services::MsgButtons::Ok, core::kAppTitle);
    }
}

}  // namespace qsr::tags
