#include "app/windows/MarkersDialog.h"

#include <QProgressBar>
#include <QPushButton>
#include <QTreeWidget>
#include <cmath>

#include "core/AtomicFile.h"
#include "platform/audio-api/AudioEngine.h"

namespace qsr::app {

MarkersDialog::MarkersDialog(std::string path, audio::IAudioEngine& engine,
                             std::function<void(const std::string&, std::int64_t)> playFrom,
                             std::function<void(const std::string&)> warn,
                             std::function<std::string(const std::string&)> busy, SplitHooks split,
                             QWidget* parent)
    : QDialog(parent),
      path_(std::move(path)),
      engine_(engine),
      playFrom_(std::move(playFrom)),
      warn_(std::move(warn)),
      busy_(std::move(busy)),
      split_(std::move(split)) {
    BuildControls();
    setWindowTitle(QString::fromStdString("Markers - " + path_));
    Reload();
}

MarkersDialog::~MarkersDialog() = default;

void MarkersDialog::Reload() {
    std::string why;
    markers_.clear();
    if (!engine_.ReadMarkers(path_, markers_, rate_, &why) && warn_) warn_(path_ + ": " + why);
    filling_ = true;
    list_->clear();
    int n = 0;
    for (const core::Marker& m : markers_) {
        auto* item = new QTreeWidgetItem(
            list_, QStringList{QString::number(++n),
                               QString::fromStdString(
                                   core::ChapterTimeText(core::FramesToMs(m.frame, rate_))),
                               QString::fromStdString(m.label)});
        item->setFlags(item->flags() | Qt::ItemIsEditable);
    }
    if (list_->topLevelItemCount() > 0) list_->setCurrentItem(list_->topLevelItem(0));
    filling_ = false;
}

bool MarkersDialog::Store(std::vector<core::Marker> markers) {
    std::string why = busy_ ? busy_(path_) : std::string();
    if (why.empty() && !engine_.StoreMarkers(path_, rate_, markers, &why) && why.empty())
        why = "the file could not be written";
    else if (why.empty())
        markers_ = std::move(markers);
    if (!why.empty() && warn_) warn_(core::CouldNotSaveMessage(path_, why));
    Reload();  // what the file holds now
    return why.empty();
}

void MarkersDialog::Rename(int row, const std::string& label) {
    if (row < 0 || row >= static_cast<int>(markers_.size())) return;
    std::vector<core::Marker> changed = markers_;
    changed[static_cast<std::size_t>(row)].label = label;
    Store(std::move(changed));
}

void MarkersDialog::Delete(int row) {
    if (row < 0 || row >= static_cast<int>(markers_.size())) return;
    std::vector<core::Marker> changed = markers_;
    changed.erase(changed.begin() + row);
    Store(std::move(changed));
}

void MarkersDialog::Jump(int row) {
    if (row < 0 || row >= static_cast<int>(markers_.size()) || !playFrom_) return;
    playFrom_(path_, markers_[static_cast<std::size_t>(row)].frame);
}

void MarkersDialog::Edited(QTreeWidgetItem* item, int column) {
    if (filling_ || column != 2) return;
    const int row = list_->indexOfTopLevelItem(item);
    // Queued: the list is rebuilt after the store, not while it edits.
    const std::string label = item->text(2).trimmed().toStdString();
    QMetaObject::invokeMethod(
        this, [this, row, label] { Rename(row, label); }, Qt::QueuedConnection);
}

// --------------------------------------------------------------- split

bool MarkersDialog::Split() {
    if (Splitting()) return false;
    std::string why = busy_ ? busy_(path_) : std::string();
    recording::SplitSource source;
    if (why.empty()) recording::OpenSplitSource(engine_, path_, split_.formats, source, why);
    const std::vector<recording::SplitPiece> pieces =
        recording::PlanSplit(path_, source.markers, source.total);
    if (why.empty()) {
        // Asked here, where the answer can be given: the work never replaces unasked.
        if (const auto existing = recording::ExistingPieces(pieces); !existing.empty()) {
            std::string text = "These pieces exist already:";
            for (const std::string& e : existing) text += "\n" + e;
            if (!split_.confirm || !split_.confirm(text + "\nReplace them?")) return false;
        }
        if (!work_)
            work_ = std::make_unique<recording::MarkerSplitWork>(
                engine_, recording::MarkerSplitWork::Hooks{
                             [this](double f) {
                                 progress_->setValue(static_cast<int>(std::lround(f * 1000)));
                             },
                             [this](const recording::SplitReport& r) { SplitFinished(r); }});
        work_->Start(source, pieces, why);
    }
    if (!why.empty()) {
        if (warn_) warn_(path_ + " cannot be split: " + why);
        return false;
    }
    splitRate_ = source.rate;
    ShowSplitting(true);
    return true;
}

void MarkersDialog::SplitFinished(const recording::SplitReport& report) {
    ShowSplitting(false);
    for (const recording::WrittenPiece& w : report.written)
        if (split_.written)
            split_.written(w.path, splitRate_ > 0 ? w.frames * 1000 / splitRate_ : 0, w.markers);
    if (closeAfterSplit_) {
        QDialog::done(QDialog::Rejected);
        return;
    }
    const std::string text = recording::SplitReportText(report);
    if (!report.failure.empty()) {
        if (warn_) warn_(text);
    } else if (split_.tell) {
        split_.tell(text);
    }
}

void MarkersDialog::done(int result) {
    // Closed while the pieces are written: the work stops first, and what
    // it wrote is still listed.
    if (Splitting()) {
        closeAfterSplit_ = true;
        work_->Cancel();
        return;
    }
    QDialog::done(result);
}

}  // namespace qsr::app
