#include "tags/windows/Frmid3v.h"

#include <unistd.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QTabBar>
#include <QTimer>
#include <QTreeView>
#include <algorithm>
#include <cmath>

#include "core/Twips.h"
#include "platform/services/windows/Skin.h"
#include "tags/EditorSplitter.h"
#include "tags/SplitPath.h"
#include "tags/TagFileListModel.h"
#include "tags/TagSave.h"
#include "tags/clsFMOD.h"
#include "tags/windows/Frmid3vTree.h"

namespace qsr::tags {
namespace {

// The keyboard's ways to a list's menu: the menu key (Qt sends it as a
// keyboard context-menu event) and Shift+F10, the desktops' other key for it.
bool IsMenuKey(const QEvent& event) {
    if (event.type() == QEvent::ContextMenu)
        return static_cast<const QContextMenuEvent&>(event).reason() == QContextMenuEvent::Keyboard;
    if (event.type() != QEvent::KeyPress) return false;
    const auto& key = static_cast<const QKeyEvent&>(event);
    return key.key() == Qt::Key_F10 && key.modifiers() == Qt::ShiftModifier;
}

QString PositionText(long ms) {
    const long s = ms / 1000;
    return QStringLiteral("%1:%2").arg(s / 60).arg(s % 60, 2, 10, QLatin1Char('0'));
}

}  // namespace

Frmid3v::~Frmid3v() {
    Form_Unload();
}

void Frmid3v::Form_Load() {
    services::ApplySkin(*this, applicationFolder_);
    // The genre lists of the pages come with them; the names are GenreListNames().
    fmod_ = std::make_unique<clsFMOD>(library_, *desktop_.messageBox);
    loaded_ = true;
    unloaded_ = false;
    // A window opened again starts as a fresh one.
    files_->Clear();
    table_.assign(1, TagFileRecord{});
    shownRecord_ = 0;
    ShowPages(PageValues{}, false);  // nothing from the last opening to save
    menPlaybackMenu_->menuAction()->setVisible(false);
    ftv_->SetSelectedFolder(QString());
    // The library comes up before the stored folder is selected, since
    // selecting it scans through the library.
    fmodOk_ = fmod_->Init(44100, 16);
    LoadSettings();
}

void Frmid3v::Form_Unload() {
    if (!loaded_ || unloaded_) return;
    if (working_) {
        // The worker touches nothing of the window's; its calls still queued
        // are dropped. Past the bound it ends alone, before the window goes.
        StopWork(std::chrono::seconds(5));
        ++generation_;
        working_ = false;
        prb_->hide();
        // A ReplayGain run shows its dialog instead of the hourglass.
        if (replayGainProgress_ != nullptr)
            CloseReplayGainProgress();
        else
            QApplication::restoreOverrideCursor();
    }
    if (pendingFolder_) {
        // Never listed: the stored folder is the one the list shows.
        pendingFolder_.reset();
        const QSignalBlocker quiet(ftv_);
        ftv_->SetSelectedFolder(QString::fromStdString(listedFolder_));
    }
    unloaded_ = true;
    SaveSettings();
    Playback("");
    levelTimer_->stop();
    fmodOk_ = false;
    fmod_.reset();  // closes the library
}

void Frmid3v::done(int result) {
    Form_Unload();
    QDialog::done(result);
}

void Frmid3v::LoadSettings() {
    auto* store = desktop_.userSettings;
    if (store == nullptr) return;
    const auto get = [store](const char* key, const char* fallback) {
        return store->Get(kEditorSettingsApp, kEditorSettingsSection, key, fallback);
    };
    for (int i = 0; i < 3; ++i) {
        const std::string key = "opt" + std::to_string(i);
        const auto value = LeadingNumber(get(key.c_str(), i == 0 ? "1" : "0"));
        opt_[static_cast<std::size_t>(i)] = value && *value != 0 ? 1 : 0;
        chkOpt_[static_cast<std::size_t>(i)]->setChecked(opt_[static_cast<std::size_t>(i)] != 0);
    }
    // A stored position that is no number leaves the splitter where it is.
    if (const auto width = LeadingNumber(get("folderwidth", "3600"))) {
        PlaceSplitter(static_cast<int>(std::lround(*width)));
    }
    ftv_->SetSelectedFolder(QString::fromStdString(get("folder", "")));
}

void Frmid3v::SaveSettings() {
    auto* store = desktop_.userSettings;
    if (store == nullptr) return;
    for (int i = 0; i < 3; ++i) {
        store->Set(kEditorSettingsApp, kEditorSettingsSection, "opt" + std::to_string(i),
                   chkOpt_[static_cast<std::size_t>(i)]->isChecked() ? "1" : "0");
    }
    store->Set(kEditorSettingsApp, kEditorSettingsSection, "folderwidth",
               std::to_string(SplitterLeft()));
    store->Set(kEditorSettingsApp, kEditorSettingsSection, "folder",
               ftv_->SelectedFolder().toStdString());
}

void Frmid3v::ScanEnded() {
    prb_->hide();
    if (files_->rowCount() > 0) FitColumns();
    QApplication::restoreOverrideCursor();
    // The pages of the previous folder's file must not stay to be saved here.
    RefreshItem(SelectedRecord());
    FinishWork();
}

void Frmid3v::AddRows(const std::vector<ScanRow>& rows) {
    // One insertion per batch: the view lays itself out once, and a screen
    // reader hears of the batch, not of every row.
    files_->AddRows(rows);
}

void Frmid3v::SortByName() {
    const Qt::SortOrder order = files_->IsSorted() && files_->Order() == Qt::AscendingOrder
                                    ? Qt::DescendingOrder
                                    : Qt::AscendingOrder;
    lvw_->header()->setSortIndicatorShown(true);
    lvw_->header()->setSortIndicator(0, order);
    files_->sort(0, order);
    if (lvw_->currentIndex().isValid()) lvw_->scrollTo(lvw_->currentIndex());
}

int Frmid3v::SelectedRecord() const {
    const QModelIndex current = lvw_->currentIndex();
    return current.isValid() && lvw_->selectionModel()->isSelected(current)
               ? files_->RecordAt(current.row())
               : 0;
}

void Frmid3v::RefreshSelected() {
    RefreshItem(SelectedRecord());
}

void Frmid3v::RefreshItem(int index) {
    const TagFileTable& table = Table();
    const auto valid = [&table](int r) { return r > 0 && r < static_cast<int>(table.size()); };
    std::vector<const TagFileRecord*> ticked;
    int firstTicked = 0;
    for (const int record : files_->TickedRecords()) {
        if (!valid(record)) continue;
        ticked.push_back(&table[static_cast<std::size_t>(record)]);
        if (firstTicked == 0) firstTicked = record;
    }
    if (ticked.size() >= 2) {
        if (valid(index)) shownRecord_ = index;
        ShowPages(MergeRecords(ticked));
    } else {
        // The pages show the file a save writes: the one ticked row, else the
        // selected (or given) one; with none, an empty page that saves nothing.
        const int selected = SelectedRecord();
        const int target = ticked.size() == 1 ? firstTicked : selected > 0 ? selected : index;
        if (valid(target)) {
            shownRecord_ = target;
            ShowPages(PagesForRecord(table[static_cast<std::size_t>(target)]));
        } else {
            shownRecord_ = 0;
            ShowPages(PageValues{}, false);
        }
    }
    UpdateGrabbedTitle();
}

void Frmid3v::ShowPages(const PageValues& pages, bool target) {
    // A tag the file lacks shows empty boxes: what another file showed there
    // is nothing a save would write.
    for (int k = 0; k < kV1Boxes; ++k) {
        txtv1_[static_cast<std::size_t>(k)]->setText(
            QString::fromStdString(pages.v1Boxes[static_cast<std::size_t>(k)]));
    }
    // A genre without list entry (255: none, 200 from another program) shows
    // no choice; the file keeps it unless the user picks one.
    cmbv1_->setCurrentIndex(pages.v1Genre);
    SetV1Enabled(pages.v1);
    chkv1_->setChecked(pages.v1);
    for (int k = 0; k < kV2Boxes; ++k) SetV2Text(k, pages.v2Boxes[static_cast<std::size_t>(k)]);
    cmbv2_->setCurrentIndex(-1);
    cmbv2_->setEditText(QString::fromStdString(pages.v2Genre));
    SetV2Enabled(pages.v2);
    chkv2_->setChecked(pages.v2);
    chkv1_->setEnabled(target);
    chkv2_->setEnabled(target);
    // A save writes only what differs from this.
    filled_ = Pages();
}

void Frmid3v::SetV1Enabled(bool enabled) {
    for (QLineEdit* box : txtv1_) box->setEnabled(enabled);
    cmbv1_->setEnabled(enabled);
}

void Frmid3v::SetV2Enabled(bool enabled) {
    for (QLineEdit* box : txtv2_) {
        if (box != nullptr) box->setEnabled(enabled);
    }
    txtv2Comment_->setEnabled(enabled);
    cmbv2_->setEnabled(enabled);
}

std::string Frmid3v::V2Text(int box) const {
    if (box == kV2Comment) return txtv2Comment_->toPlainText().toStdString();
    return txtv2_[static_cast<std::size_t>(box)]->text().toStdString();
}

void Frmid3v::SetV2Text(int box, const std::string& text) {
    if (box == kV2Comment) {
        txtv2Comment_->setPlainText(QString::fromStdString(text));
    } else {
        txtv2_[static_cast<std::size_t>(box)]->setText(QString::fromStdString(text));
    }
}

PageValues Frmid3v::Pages() const {
    PageValues pages;
    pages.v1 = chkv1_->isChecked();
    for (int k = 0; k < kV1Boxes; ++k) {
        pages.v1Boxes[static_cast<std::size_t>(k)] =
            txtv1_[static_cast<std::size_t>(k)]->text().toStdString();
    }
    pages.v1Genre = cmbv1_->currentIndex();
    pages.v2 = chkv2_->isChecked();
    for (int k = 0; k < kV2Boxes; ++k) pages.v2Boxes[static_cast<std::size_t>(k)] = V2Text(k);
    pages.v2Genre = cmbv2_->currentText().toStdString();
    return pages;
}

void Frmid3v::chkv1_Click() {
    SetV1Enabled(chkv1_->isChecked());
}

void Frmid3v::chkv2_Click() {
    SetV2Enabled(chkv2_->isChecked());
}

void Frmid3v::tbr_ButtonClick(int page, int button) {
    (void)page;  // both toolbars act alike: the button decides
    switch (button) {
        case 1:
            if (const int record = SelectedRecord(); record > 0) RefreshItem(record);
            break;
        case 2:
            SaveItems();
            break;
        case 4:
            chkv1_->setEnabled(true);
            chkv1_->setChecked(true);
            chkv1_Click();
            for (int k = 0; k < kV1Boxes; ++k) {
                txtv1_[static_cast<std::size_t>(k)]->setText(QString::fromStdString(V2Text(k)));
            }
            cmbv1_->setCurrentIndex(cmbv1_->findText(cmbv2_->currentText()));
            break;
        case 5:
            chkv2_->setEnabled(true);
            chkv2_->setChecked(true);
            chkv2_Click();
            for (int k = 0; k < kV1Boxes; ++k) {
                SetV2Text(k, txtv1_[static_cast<std::size_t>(k)]->text().toStdString());
            }
            cmbv2_->setCurrentIndex(cmbv1_->currentIndex());
            if (cmbv1_->currentIndex() < 0) cmbv2_->setEditText(QString());
            break;
        default:
            break;  // 7 opens its pop-up by itself
    }
}

void Frmid3v::UpdateGrabbedTitle() {
    if (opt_[2] == 0) {
        lblTitle_->clear();
        return;
    }
    const int record = SelectedRecord();
    const std::string title = record > 0 && record < static_cast<int>(Table().size())
                                  ? GrabTitle(Table()[static_cast<std::size_t>(record)].filename)
                                  : std::string();
    lblTitle_->setText(QStringLiteral("Grabbed title for selected mp3: \n") +
                       QString::fromStdString(title));
}

int Frmid3v::GetSelNum() const {
    return files_->TickedCount();
}

void Frmid3v::Playback(const std::string& command) {
    if (!fmodOk_ || !fmod_) return;
    const bool loaded = fmod_->StreamIsLoaded();
    if (command == "pause" || command == "forward" || command == "back" || command == "jump") {
        if (!loaded) return;
        if (command == "pause") {
            fmod_->StreamPausePlay();
        } else if (command == "forward") {
            fmod_->StreamSongPos(fmod_->StreamSongPos() + 5000);
        } else if (command == "back") {
            fmod_->StreamSongPos(fmod_->StreamSongPos() - 5000);
        } else {
            // Half the length, a half to the even neighbour.
            fmod_->StreamSongPos(
                static_cast<long>(std::nearbyint(static_cast<double>(fmod_->StreamSongLen()) / 2)));
        }
        return;
    }
    fmod_->StreamUnload();
    if (!command.empty()) fmod_->StreamPlay(command, true, 255);
    if (fmod_->StreamIsLoaded()) {
        levelTimer_->start();
    } else {
        levelTimer_->stop();
    }
    UpdateLevels();
}

void Frmid3v::UpdateLevels() {
    float left = 0, right = 0;
    if (fmod_ && fmod_->StreamIsLoaded()) {
        fmod_->GetVU(left, right);
        lblPosition_->setText(PositionText(fmod_->StreamSongPos()) + " / " +
                              PositionText(fmod_->StreamSongLen()));
    } else {
        lblPosition_->clear();
        levelTimer_->stop();
    }
    vuLeft_->setValue(static_cast<int>(std::lround(std::clamp(left, 0.0f, 1.0f) * 100)));
    vuRight_->setValue(static_cast<int>(std::lround(std::clamp(right, 0.0f, 1.0f) * 100)));
}

void Frmid3v::menPlayback_Click(int index) {
    switch (index) {
        case 0: {
            const int record = SelectedRecord();
            if (record > 0 && record < static_cast<int>(Table().size())) {
                Playback(Table()[static_cast<std::size_t>(record)].filename);
            }
            break;
        }
        case 1:
            Playback("pause");
            break;
        case 2:
            Playback("");
            break;
        case 3:
            Playback("forward");
            break;
        case 4:
            Playback("back");
            break;
        default:
            break;
    }
}

void Frmid3v::menJump_Click() {
    Playback("jump");
}

void Frmid3v::menSelect_Click(int index) {
    files_->SetAllTicked(index == 0);
    RefreshSelected();
}

void Frmid3v::chkOpt_Click(int index) {
    opt_[static_cast<std::size_t>(index)] =
        chkOpt_[static_cast<std::size_t>(index)]->isChecked() ? 1 : 0;
    UpdateGrabbedTitle();
}

void Frmid3v::tabs_Click(int position) {
    const QWidget* focus = QApplication::focusWidget();
    const bool inPage =
        focus != nullptr && (frm_[0]->isAncestorOf(focus) || frm_[1]->isAncestorOf(focus));
    for (int i = 0; i < 2; ++i) frm_[static_cast<std::size_t>(i)]->setVisible(i == position - 1);
    if (tabs_->currentIndex() != position - 1) tabs_->setCurrentIndex(position - 1);
    // The focus in a page turned away follows to the page shown.
    if (inPage) {
        QCheckBox* first = position == 1 ? chkv1_ : chkv2_;
        if (first->isEnabled())
            first->setFocus(Qt::TabFocusReason);
        else
            tabs_->setFocus(Qt::TabFocusReason);
    }
}

void Frmid3v::PopUpListMenu() {
    const QRect row = lvw_->visualRect(lvw_->currentIndex());
    const QPoint at = row.isValid() ? row.bottomLeft() : QPoint(0, 0);
    menSelectMenu_->popup(lvw_->viewport()->mapToGlobal(at));
}

bool Frmid3v::eventFilter(QObject* watched, QEvent* event) {
    if (watched == p_) {
        auto* mouse = dynamic_cast<QMouseEvent*>(event);
        if (mouse != nullptr && mouse->button() == Qt::LeftButton &&
            event->type() == QEvent::MouseButtonPress) {
            p_MouseDown();
        } else if (mouse != nullptr && event->type() == QEvent::MouseMove) {
            p_MouseMove(core::PixelsToTwips(static_cast<int>(mouse->position().x())));
        } else if (mouse != nullptr && mouse->button() == Qt::LeftButton &&
                   event->type() == QEvent::MouseButtonRelease) {
            p_MouseUp(core::PixelsToTwips(static_cast<int>(mouse->position().x())));
        }
    } else if (watched == txtv1_[kV1Track] && event->type() == QEvent::KeyPress) {
        // Only digits, "." and the editing keys reach the Track box.
        const QString text = static_cast<QKeyEvent*>(event)->text();
        if (!text.isEmpty()) {
            const int code = text.at(0).unicode();
            if (code >= 32 && code != 127 && !TrackKeyAccepted(code)) return true;
        }
    } else if (watched == txtv1_[kV1Track] && event->type() == QEvent::KeyRelease) {
        const std::string text = txtv1_[kV1Track]->text().toStdString();
        const std::string clamped = ClampTrackText(text);
        if (clamped != text) txtv1_[kV1Track]->setText(QString::fromStdString(clamped));
    } else if (watched == lvw_ && IsMenuKey(*event)) {
        PopUpListMenu();
        return true;
    } else if (watched == lvw_->viewport() && event->type() == QEvent::MouseButtonRelease) {
        auto* mouse = static_cast<QMouseEvent*>(event);
        menPlaybackMenu_->menuAction()->setVisible(true);
        if (mouse->button() == Qt::RightButton) {
            menSelectMenu_->popup(mouse->globalPosition().toPoint());
        }
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace qsr::tags
