// The main window's recordings list and the projects that store it.
#include <QHelpEvent>
#include <QLabel>
#include <QMenu>
#include <QTreeWidget>
#include <filesystem>

#include "app/ProjectFile.h"
#include "app/RecordingLoudness.h"
#include "app/RecordingRules.h"
#include "app/windows/Form1.h"
#include "app/windows/MarkerBar.h"
#include "app/windows/MarkersDialog.h"
#include "core/AppInfo.h"
#include "core/Text.h"
#include "recording/LiveRecordings.h"
#include "settings/LoudnessSettings.h"

namespace qsr::app {
namespace {

// Calls `shown` with where a tooltip is asked for, before the view shows it.
class ToolTipWatch : public QObject {
  public:
    ToolTipWatch(QObject* parent, std::function<void(QPoint)> shown)
        : QObject(parent), shown_(std::move(shown)) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::ToolTip) shown_(static_cast<QHelpEvent*>(event)->pos());
        return QObject::eventFilter(watched, event);
    }

  private:
    std::function<void(QPoint)> shown_;
};

}  // namespace

// ------------------------------------------------------ recordings list

std::vector<RecordingRow> Form1::Rows() const {
    std::vector<RecordingRow> rows;
    for (int i = 0; i < ListView1->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = ListView1->topLevelItem(i);
        rows.push_back({item->text(0).toStdString(), item->text(1).toStdString(),
                        item->text(2).toStdString(), item->text(3).toStdString(),
                        item->text(4).toStdString()});
    }
    return rows;
}

void Form1::AddRow(const RecordingRow& row) {
    auto* item = new QTreeWidgetItem(
        ListView1,
        QStringList{QString::fromStdString(row.number), QString::fromStdString(row.fileName),
                    QString::fromStdString(row.size), QString::fromStdString(row.duration),
                    QString::fromStdString(row.recordTime)});
    item->setToolTip(1, item->text(1));  // the column elides; the whole path stays at hand
    // The markers column appears with the first recording that has any.
    if (const std::size_t markers = markerBar_ ? markerBar_->StoredCount(row.fileName) : 0) {
        if (ListView1->columnCount() < 6) ListView1->headerItem()->setText(5, "Markers");
        item->setText(5, QString::number(markers));
    }
}

// The Edit menu (also the list's own menu) offers "Trim…" and the Markers
// list only with a recording they can work on.
void Form1::ShowRecordingEntries() {
    const QTreeWidgetItem* item = SelectedRow();
    if (QAction* trim = findChild<QAction*>("actTrim")) {
        if (item && !mnuEdit->actions().contains(trim))
            mnuEdit->addAction(trim);
        else if (!item)
            mnuEdit->removeAction(trim);
    }
    std::vector<core::Marker> markers;
    int rate = 0;
    const bool has =
        item && core_.Engine().ReadMarkers(item->text(1).toStdString(), markers, rate, nullptr) &&
        !markers.empty();
    if (has && !mnuMarkers) {
        mnuMarkers = AddMenuEntry(mnuEdit, "mnuMarkers", "Markers...", &Form1::OpenMarkers);
    } else if (!has && mnuMarkers) {
        delete mnuMarkers;
        mnuMarkers = nullptr;
    }
}

void Form1::OpenMarkers() {
    const QTreeWidgetItem* item = SelectedRow();
    if (!item) return;
    const std::string journal = core_.Journal().File();
    // The split's pieces join the list with the recording's record time (a
    // piece listed already is updated).
    MarkersDialog::SplitHooks split;
    split.formats = core_.Formats();
    split.confirm = [this](const std::string& text) {
        return desktop_.messageBox &&
               desktop_.messageBox->Show(text, services::MsgIcon::Question,
                                         services::MsgButtons::YesNo,
                                         core::kAppTitle) == services::MsgAnswer::Yes;
    };
    split.tell = [this](const std::string& text) {
        ShowMessage(text, services::MsgIcon::Information);
    };
    split.written = [this, recordTime = item->text(4).toStdString()](
                        const std::string& path, std::int64_t ms, std::size_t markers) {
        markerBar_->NoteStored(path, markers);
        for (int i = ListView1->topLevelItemCount() - 1; i >= 0; --i)
            if (ListView1->topLevelItem(i)->text(1).toStdString() == path)
                delete ListView1->topLevelItem(i);
        AddRow(NewRecordingRow(static_cast<std::size_t>(ListView1->topLevelItemCount()), path,
                               core::FileSizeText(path), core::ElapsedText(ms), recordTime));
        RenumberList();
    };
    MarkersDialog dialog(
        item->text(1).toStdString(), core_.Engine(),
        [this](const std::string& path, std::int64_t frame) {
            if (flgRecord()) return;
            if (playback_.Playing()) StopPlayback();
            if (playback_.Play(path)) playback_.SeekTo(frame);
        },
        [this](const std::string& text) { ShowMessage(text, services::MsgIcon::Warning); },
        [journal](const std::string& path) {
            return recording::IsBeingRecorded(path, journal) ? recording::BeingRecordedMessage(path)
                                                             : std::string();
        },
        std::move(split), this);
    if (desktop_.modal)
        desktop_.modal->Exec(dialog);
    else
        dialog.exec();
}

// ------------------------------------------------------------ loudness

void Form1::WireLoudness() {
    loudness_ = std::make_unique<RecordingLoudness>(
        core_.Engine(), [this] { return core_.Formats(); },
        recording::JournalFile(applicationFolder_));
    loudness_->onMeasured = [this](const std::string& path, const std::string& line) {
        ShowLoudness(path, line);
    };
    loudness_->onNormalised = [this](const std::string& path, const std::string& note,
                                     bool failed) {
        if (failed) {
            ShowMessage(path + ": " + note, services::MsgIcon::Error);
            return;
        }
        // The status says what was done to the take it names.
        if (StatusPanel1->text().toStdString() == path)
            StatusPanel2->setText(QString::fromStdString(note));
    };
    // Measured when first looked at (the row chosen, a tooltip asked for),
    // and again when the file has changed since.
    connect(ListView1, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        if (item) loudness_->Measure(item->text(1).toStdString());
    });
    ListView1->viewport()->installEventFilter(new ToolTipWatch(this, [this](QPoint at) {
        QTreeWidgetItem* item = ListView1->itemAt(at);
        if (!item) return;
        const std::string path = item->text(1).toStdString();
        const std::optional<std::string> line = loudness_->Known(path);
        item->setToolTip(1, QString::fromStdString(line ? path + "\n" + *line : path));
        if (!line) loudness_->Measure(path);
    }));
}

void Form1::ShowLoudness(const std::string& path, const std::string& line) {
    const QString tip = QString::fromStdString(path + "\n" + line);
    for (int i = 0; i < ListView1->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = ListView1->topLevelItem(i);
        if (item->text(1).toStdString() == path) item->setToolTip(1, tip);
    }
}

void Form1::NormaliseIfAsked(const std::string& path) {
    const settings::LoudnessSettings stored = settings::ReadLoudnessSettings(SettingsFile());
    if (!stored.normalise) return;
    StatusPanel2->setText("Normalising...");
    loudness_->Normalise(path, {stored.target, stored.ceiling});
}

QTreeWidgetItem* Form1::SelectedRow() const {
    if (ListView1->topLevelItemCount() == 0) return nullptr;
    const QList<QTreeWidgetItem*> selected = ListView1->selectedItems();
    return selected.isEmpty() ? nullptr : selected.first();
}

void Form1::mnuTrim_Click() {
    const QTreeWidgetItem* item = SelectedRow();
    if (item && openers_.trim) openers_.trim(item->text(1).toStdString());
}

void Form1::RecordingChanged(const std::string& path, std::int64_t milliseconds) {
    // A trim drops the markers it cut away: a count shown follows the file.
    std::vector<core::Marker> markers;
    int rate = 0;
    const bool counted = markerBar_ && markerBar_->StoredCount(path) > 0 &&
                         core_.Engine().ReadMarkers(path, markers, rate, nullptr);
    if (counted) markerBar_->NoteStored(path, markers.size());
    for (int i = 0; i < ListView1->topLevelItemCount(); ++i) {
        QTreeWidgetItem* item = ListView1->topLevelItem(i);
        if (item->text(1).toStdString() != path) continue;
        item->setText(2, QString::fromStdString(core::FileSizeText(path)));
        item->setText(3, QString::fromStdString(core::ElapsedText(milliseconds)));
        if (counted)
            item->setText(5, markers.empty() ? QString() : QString::number(markers.size()));
    }
}

void Form1::RenumberList() {
    for (int i = 0; i < ListView1->topLevelItemCount(); ++i)
        ListView1->topLevelItem(i)->setText(
            0, QString::fromStdString(RowNumberText(static_cast<std::size_t>(i))));
}

void Form1::RemoveSelectedItem() {
    QTreeWidgetItem* item = SelectedRow();
    if (!item) return;
    delete item;
    RenumberList();
}

void Form1::DeleteSelectedFile() {
    QTreeWidgetItem* item = SelectedRow();
    if (!item || !desktop_.messageBox) return;
    if (desktop_.messageBox->Show(kDeleteQuestion, services::MsgIcon::Warning,
                                  services::MsgButtons::OkCancel,
                                  core::kAppTitle) != services::MsgAnswer::Ok)
        return;
    // The file being recorded stays: removing it would lose the recording.
    const std::string path = item->text(1).toStdString();
    if (IsBeingRecorded(path)) {
        ShowMessage("Cannot delete " + path + ": it is being recorded.", services::MsgIcon::Error);
        return;
    }
    // A file that is playing is let go first, so it is really gone.
    if (playback_.Playing() && item->text(1).toStdString() == playback_.Path()) StopPlayback();
    std::error_code ec;
    std::filesystem::remove(item->text(1).toStdString(), ec);  // a failure is ignored
    delete item;
    RenumberList();
}

void Form1::RenameSelected() {
    QTreeWidgetItem* item = SelectedRow();
    if (!item) return;
    const std::string oldPath = item->text(1).toStdString();
    std::error_code ec;
    if (oldPath.empty() || !std::filesystem::exists(oldPath, ec)) {
        ShowMessage(RenameMissingMessage(oldPath), services::MsgIcon::Error);
        return;
    }
    if (!desktop_.inputBox) return;
    const std::optional<std::string> answer =
        desktop_.inputBox->Ask(RenamePrompt(oldPath), core::kAppTitle, oldPath);
    if (!answer) return;
    // The recording goes on into its file; a moved name would list a file
    // that no longer holds it.
    if (IsBeingRecorded(oldPath) && !core::Trim(*answer).empty()) {
        ShowMessage("Cannot rename " + oldPath + ": it is being recorded.",
                    services::MsgIcon::Error);
        return;
    }
    const RenameOutcome outcome = RenameAudioFile(oldPath, *answer);
    if (outcome.status == RenameStatus::Nothing) return;
    if (outcome.status == RenameStatus::Succeeded) {
        item->setText(1, QString::fromStdString(outcome.newPath));
        item->setToolTip(1, item->text(1));
    }
    ShowMessage(outcome.message, services::MsgIcon::Information);
}

// ----------------------------------------------------- recording projects

void Form1::NewRecordingProject() {
    ListView1->clear();
}

void Form1::OpenRecordingProject() {
    if (!desktop_.fileDialog) return;
    const std::optional<std::string> path =
        desktop_.fileDialog->OpenFile(kOpenProjectTitle, kProjectFilter, std::string());
    if (!path || path->empty()) return;
    std::vector<RecordingRow> rows;
    std::string why;
    if (!ReadProjectFile(*path, rows, &why)) {
        ShowMessage("The recording project " + *path + " could not be opened: " + why,
                    services::MsgIcon::Error);
        return;
    }
    // Appended as stored: not emptied first, not renumbered.
    for (const RecordingRow& row : rows) AddRow(row);
}

void Form1::SaveRecordingProject() {
    SaveProject(false);  // from the menu a failure ends the command quietly
}

void Form1::SaveProject(bool reportFailure) {
    if (!desktop_.fileDialog) return;
    const std::optional<std::string> path =
        desktop_.fileDialog->SaveFile(kSaveProjectTitle, kProjectFilter, std::string());
    if (!path || path->empty()) return;
    std::string error;
    // At shut-down the list is gone afterwards: a failure must not pass unseen.
    if (!WriteProjectFile(*path, Rows(), &error) && reportFailure)
        ShowMessage("The recording project could not be saved to " + *path + ": " + error,
                    services::MsgIcon::Error);
}

}  // namespace qsr::app
