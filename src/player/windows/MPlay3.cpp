#include "player/windows/MPlay3.h"

#include <QContextMenuEvent>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QRadioButton>
#include <QScopedValueRollback>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <optional>
#include <random>

#include "core/AppInfo.h"
#include "core/AtomicFile.h"
#include "core/FileKind.h"
#include "core/TextFile.h"
#include "core/Twips.h"
#include "platform/services/windows/Accessibility.h"
#include "platform/services/windows/Skin.h"
#include "player/FaceClocks.h"
#include "player/PlayerRules.h"
#include "player/Playlist.h"
#include "player/windows/PlayerFace.h"

namespace qsr::player {

namespace {

constexpr const char* kSection = "Audio Player";
// Playlist files larger than this are not playlists.
constexpr std::size_t kMaxPlaylistBytes = 16 * 1024 * 1024;

std::optional<int> ParseInt(const std::string& text) {
    int value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc{} || ptr != end) return std::nullopt;
    return value;
}

}  // namespace

MPlay3::MPlay3(mediaplayer::IMediaControl& am1, services::DesktopServices desktop,
               std::string settingsApp, const std::string& applicationFolder, QWidget* parent)
    : QDialog(parent),
      watched_(am1, [this] { UpdateClocks(); }),
      am1_(watched_),
      desktop_(desktop),
      settingsApp_(std::move(settingsApp)) {
    setObjectName("MPlay3");
    setWindowTitle("Audio Player");
    // The face draws its own title strip and window buttons.
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    // One generator, seeded once: draws in the same millisecond must differ.
    random_ = [generator = std::mt19937(std::random_device{}())]() mutable {
        return std::uniform_real_distribution<double>(0.0, 1.0)(generator);
    };
    services::ApplySkin(*this, applicationFolder);
    BuildFace();
    BuildMenu();
    services::NameControlsForAccessibility(this);
    connect(&am1_, &mediaplayer::IMediaControl::EndOfStream, this, [this] { am1_EndOfStream(); });
    watched_.OnRefused([this](const QString& why) { Refused(why); });
}

MPlay3::~MPlay3() = default;

void MPlay3::contextMenuEvent(QContextMenuEvent* event) {
    menu_->popup(event->globalPos());
}

void MPlay3::Form_Load() {
    for (auto* b : smallTransport_) b->setEnabled(false);
    toptime_->hide();
    toppic_->hide();
    filebar_->hide();
    listbar_->hide();
    shuffleon_->hide();
    repeaton_->hide();
    pldown_->hide();
    optres_->setChecked(true);
    SetHeightTwips(kHeightNormal);
    label24Left_ = 0;
    if (desktop_.userSettings) {
        const auto top =
            ParseInt(desktop_.userSettings->Get(settingsApp_, kSection, "MAINTOP", ""));
        const auto left =
            ParseInt(desktop_.userSettings->Get(settingsApp_, kSection, "MAINLEFT", ""));
        const QPoint design = pos();
        if (top) move(x(), Px(*top));
        if (left) move(Px(*left), y());
        // The face has no frame to grab: a place no screen shows any more (a
        // monitor since unplugged) would leave it out of reach.
        if (!QGuiApplication::screenAt(geometry().center())) move(design);
    }
    // Keys start at Play, not at the title strip's window buttons.
    if (auto* play = findChild<FaceButton*>("play")) play->setFocus();
    loaded_ = true;
    Timer1_Timer();
    UpdateClocks();
}

void MPlay3::Form_Unload() {
    if (!loaded_ || unloaded_) return;
    unloaded_ = true;
    for (QTimer* t : {Timer55_, TVolum_, Timer5_, Timer4_, Timer7_}) t->stop();
    am1_.Stop();
    if (desktop_.userSettings) {
        desktop_.userSettings->Set(settingsApp_, kSection, "MAINTOP",
                                   std::to_string(core::PixelsToTwips(y())));
        desktop_.userSettings->Set(settingsApp_, kSection, "MAINLEFT",
                                   std::to_string(core::PixelsToTwips(x())));
    }
}

void MPlay3::done(int result) {
    Form_Unload();
    QDialog::done(result);
}

// --- Files and the playlist ---------------------------------------------------

std::string MPlay3::AskFile(const char* filter) {
    if (!desktop_.fileDialog) return {};
    const auto chosen = desktop_.fileDialog->OpenFile("Open", DialogFilter(filter), "");
    return chosen.value_or(std::string{});
}

void MPlay3::Append(const std::string& path) {
    playlist_.Append(path);
    syncing_ = true;
    lstfavs_->addItem(QString::fromStdString(StripPath(path)));
    List1_->addItem(QString::fromStdString(path));
    syncing_ = false;
}

void MPlay3::SelectRow(int row) {
    syncing_ = true;
    lstfavs_->setCurrentRow(row);
    List1_->setCurrentRow(row);
    syncing_ = false;
}

void MPlay3::SetTitle(const QString& text) {
    Label24_->setText(text);
    Label24_->adjustSize();
    Timer1_Timer();
    UpdateClocks();
}

QString MPlay3::Title() const {
    return Label24_->text();
}

bool MPlay3::Shuffled() const {
    return optrnd_->isChecked();
}

void MPlay3::OpenFile(bool play) {
    const std::string path = AskFile(kFilterF2);
    // A cancelled dialog adds nothing and plays nothing.
    if (path.empty()) return;
    ext_->setText(QString::fromStdString(LastThree(path)));
    if (IsCdTrack(path)) {
        if (am1_.SetFileName("CDAUDIO:")) am1_.Play();
        Append(path);
        return;
    }
    // A metafile stands for its entries; one that cannot be read adds nothing.
    const std::vector<std::string> entries = ExpandPlayable(path);
    if (entries.empty()) return;
    const int first = playlist_.Count();
    for (const auto& e : entries) Append(e);
    if (play) PlayEntry(first);
    SetTitle(QString::fromStdString(StripPath(entries.front())));
}

void MPlay3::PlayEntry(int row) {
    // The entry that plays is the current one, so its end moves on from it
    // (a file opened alone would otherwise play twice).
    playlist_.Select(row);
    SelectRow(playlist_.Current());
    if (am1_.SetFileName(QString::fromStdString(playlist_.Path(row)))) am1_.Play();
}

void MPlay3::PlayAndAppend(const std::string& path) {
    const std::vector<std::string> entries = ExpandPlayable(path);
    if (entries.empty()) return;
    const int first = playlist_.Count();
    for (const auto& e : entries) Append(e);
    PlayEntry(first);
}

void MPlay3::openfile_Click() {
    OpenFile(true);
}

void MPlay3::Image3_Click() {
    OpenFile(false);
}

void MPlay3::PlayCurrent() {
    const int i = playlist_.Current();
    if (i >= 0) am1_.SetFileName(QString::fromStdString(playlist_.Path(i)));
}

void MPlay3::play_Click() {
    if (playlist_.Current() >= 0) {
        PlayCurrent();
        return;
    }
    SetTitle("");
    OpenFile(true);
}

void MPlay3::Image10_Click() {
    if (playlist_.Current() >= 0) {
        PlayCurrent();
        return;
    }
    const std::string path = AskFile(kFilterF1);
    if (!path.empty()) PlayAndAppend(path);
}

void MPlay3::lstfavs_DblClick(int row) {
    if (row >= 0 && row < playlist_.Count() && !playlist_.Name(row).empty()) {
        playlist_.Select(row);
        SelectRow(row);
        const std::string& path = playlist_.Path(row);
        ext_->setText(QString::fromStdString(LastThree(path)));
        if (IsCdTrack(path)) {
            if (am1_.SetFileName("CDAUDIO:")) am1_.Play();
            return;
        }
        am1_.SetFileName(QString::fromStdString(path));
        SetTitle(QString::fromStdString(playlist_.Name(row)));
        return;
    }
    const std::string path = AskFile(kFilterF3);
    if (!path.empty()) PlayAndAppend(path);
}

void MPlay3::next_Click() {
    if (!playlist_.Next()) return;
    SelectRow(playlist_.Current());
    // The title names the entry that now plays.
    SetTitle(QString::fromStdString(playlist_.Name(playlist_.Current())));
    PlayCurrent();
}

void MPlay3::previous_Click() {
    if (!playlist_.Previous()) return;
    SelectRow(playlist_.Current());
    // The title names the entry that now plays.
    SetTitle(QString::fromStdString(playlist_.Name(playlist_.Current())));
    PlayCurrent();
}

void MPlay3::pause_Click() {
    if (playlist_.Empty()) return;
    if (Labelpause_->text() == "Pause") {
        am1_.Pause();
        Labelpause_->setText("Resume");
    } else {
        am1_.Play();
        Labelpause_->setText("Pause");
    }
}

void MPlay3::stop_Click() {
    am1_.Stop();
    am1_.SetCurrentPosition(0);
}

void MPlay3::am1_EndOfStream() {
    if (playlist_.Empty()) return;
    const QScopedValueRollback<bool> on(playingOn_, true);
    if (repeating_ && playlist_.Current() >= 0) {
        PlayCurrent();
        return;
    }
    if (Shuffled()) {
        // A file that cannot be opened is skipped: draw again, a few times.
        for (int tries = 0; tries < playlist_.Count(); ++tries) {
            playlist_.Draw(random_());
            const int i = playlist_.Current();
            SelectRow(i);
            SetTitle(QString::fromStdString(playlist_.Name(i)));
            if (am1_.SetFileName(QString::fromStdString(playlist_.Path(i)))) {
                if (!playlist_.Name(i).empty()) am1_.Play();
                return;
            }
        }
        return;
    }
    // A file that cannot be opened is skipped; the end of the list stops.
    for (int tries = 0; tries < playlist_.Count() && playlist_.AdvanceAtEnd(); ++tries) {
        const int i = playlist_.Current();
        SelectRow(i);
        SetTitle(QString::fromStdString(playlist_.Name(i)));
        if (am1_.SetFileName(QString::fromStdString(playlist_.Path(i)))) {
            am1_.Play();
            return;
        }
    }
}

void MPlay3::Refused(const QString& why) {
    if (refusals_.Add(why.toStdString(), playingOn_))
        QMetaObject::invokeMethod(this, &MPlay3::TellRefusals, Qt::QueuedConnection);
}

// Events run while a box is up (an end of stream may refuse more files):
// what they add waits behind the box shown.
void MPlay3::TellRefusals() {
    while (const std::string* why = refusals_.Next()) {
        if (desktop_.messageBox)
            desktop_.messageBox->Show(*why, services::MsgIcon::Error, services::MsgButtons::Ok,
                                      core::kAppTitle);
        refusals_.Told();
    }
}

void MPlay3::shuffle_Click() {
    if (optrnd_->isChecked()) {
        optres_->setChecked(true);
        shuffleon_->hide();
    } else {
        optrnd_->setChecked(true);
        shuffleon_->show();
    }
}

void MPlay3::repeat_Click() {
    repeating_ = !repeating_;
    repeaton_->setVisible(repeating_);
}

void MPlay3::Image9_Click() {
    onTop_ = !onTop_;
    // On the native window, so a modal dialog is not hidden and re-created.
    winId();
    if (QWindow* w = windowHandle()) w->setFlag(Qt::WindowStaysOnTopHint, onTop_);
}

void MPlay3::directory_Click() {
    if (!desktop_.folderPicker) return;
    const auto folder = desktop_.folderPicker->PickFolder("Add Directory", "");
    if (!folder || folder->empty()) return;
    QDir dir(QString::fromStdString(*folder));
    const QStringList names = dir.entryList(QDir::Files | QDir::Readable, QDir::Name);
    for (const QString& name : names)
        if (IsPlayableFile(name.toStdString()))
            for (const auto& e : ExpandPlayable(dir.filePath(name).toStdString())) Append(e);
}

void MPlay3::addfile_Click() {
    filebar_->setVisible(filebar_->isHidden());
}

void MPlay3::list_Click() {
    listbar_->setVisible(listbar_->isHidden());
}

void MPlay3::LOADLIST_Click() {
    if (!desktop_.fileDialog) return;
    const auto chosen =
        desktop_.fileDialog->OpenFile("Load Playlist", DialogFilter(kPlaylistOpenFilter), "");
    if (!chosen || chosen->empty()) return;
    // Opening a named pipe would wait for a writer with the window frozen.
    if (const std::string kind = core::SpecialFileKind(*chosen); !kind.empty()) {
        if (desktop_.messageBox)
            desktop_.messageBox->Show(core::SpecialFileMessage(*chosen, kind),
                                      services::MsgIcon::Error, services::MsgButtons::Ok,
                                      core::kAppTitle);
        return;
    }
    const auto read = core::ReadTextFile(*chosen, kMaxPlaylistBytes);
    if (!read.ok) return;
    const std::string folder =
        QFileInfo(QString::fromStdString(*chosen)).absolutePath().toStdString();
    for (const auto& entry : ParseM3u(read.text, folder))
        for (const auto& e : ExpandPlayable(entry.path)) Append(e);
}

void MPlay3::savelist_Click() {
    if (!desktop_.fileDialog) return;
    const auto chosen =
        desktop_.fileDialog->SaveFile("Save Playlist", DialogFilter(kPlaylistSaveFilter), "");
    if (!chosen || chosen->empty()) return;
    // "my list" becomes "my list.m3u", the type the dialog's filter names.
    std::string path = *chosen;
    if (QFileInfo(QString::fromStdString(path)).suffix().isEmpty()) path += ".m3u";
    std::vector<M3uEntry> entries;
    for (const auto& p : playlist_.Paths()) entries.push_back({p, "", -1});
    std::string why;
    if (!core::WriteFileAtomically(path, FormatM3u(entries), &why) && desktop_.messageBox)
        desktop_.messageBox->Show(core::CouldNotSaveMessage(path, why), services::MsgIcon::Error,
                                  services::MsgButtons::Ok, core::kAppTitle);
}

// --- Knobs -------------------------------------------------------------------

void MPlay3::islider_MouseDown(int x) {
    if (isDragging_) return;
    dragStartX_ = x;
    dragKnobLeft_ = sliderLeft_;
    isDragging_ = true;
}

void MPlay3::islider_MouseMove(int x) {
    if (!isDragging_) return;
    sliderLeft_ = DraggedKnobLeft(dragKnobLeft_, x - dragStartX_, kKnobMin, kKnobMax);
    PlaceKnob(islider_, sliderLeft_, kKnobTop);
}

void MPlay3::islider_MouseUp() {
    const double p = KnobSeekSeconds(sliderLeft_, am1_.Duration());
    am1_.Stop();
    am1_.SetCurrentPosition(p);
    am1_.Play();
    isDragging_ = false;
}

void MPlay3::balance_MouseDown(int x) {
    if (isDragging_) return;
    dragStartX_ = x;
    dragKnobLeft_ = balanceLeft_;
    isDragging_ = true;
}

void MPlay3::balance_MouseMove(int x) {
    if (isDragging_) {
        balanceLeft_ = DraggedKnobLeft(dragKnobLeft_, x - dragStartX_, kBalanceMin, kBalanceMax);
        PlaceKnob(balance_, balanceLeft_, kBalanceTop);
    }
    if (const auto title = BalanceTitle(balanceLeft_)) SetTitle(QString::fromStdString(*title));
    am1_.SetBalance(BalanceForKnob(balanceLeft_));
}

void MPlay3::balance_MouseUp() {
    am1_.SetBalance(BalanceForKnob(balanceLeft_));
    isDragging_ = false;
}

// --- Volume ------------------------------------------------------------------

void MPlay3::pluss_MouseDown() {
    volumeUp_ = true;
    TVolum_->start();
}

void MPlay3::minus_MouseDown() {
    volumeUp_ = false;
    TVolum_->start();
}

void MPlay3::volume_MouseUp() {
    TVolum_->stop();
    VolumInd_->clear();
}

void MPlay3::TVolum_Timer() {
    const int wanted = am1_.Volume() + (volumeUp_ ? kVolumeStep : -kVolumeStep);
    if (!am1_.SetVolume(wanted)) {
        VolumInd_->setText(QString::fromStdString(RefusedVolumeText(volumeUp_)));
        return;
    }
    if (const auto bars = VolumeBars(am1_.Volume())) ShowBars(*bars);
}

void MPlay3::ShowBars(int count) {
    for (int i = 0; i < kVolumeBars; ++i) LVol_[i]->setVisible(i < count);
}

// --- Window modes --------------------------------------------------------------

void MPlay3::SetHeightTwips(int twips) {
    heightTwips_ = twips;
    setFixedHeight(std::max(1, Px(twips)));
    // What shows in each height follows the height at once.
    Timer3_Timer();
    toppicture_Timer();
    Timer6_Timer();
}

void MPlay3::Image4_Click() {
    if (heightTwips_ == kHeightSmall) {
        SetHeightTwips(kHeightNormal);
        return;
    }
    SetHeightTwips(kHeightSmall);
    if (heightTwips_ == kHeightNormal) toppic_->hide();
    if (heightTwips_ == kHeightSmall) toppic_->show();
}

void MPlay3::Image15_Click() {
    SetHeightTwips(kHeightNormal);
}

void MPlay3::Image2_Click() {
    showMinimized();
}

void MPlay3::Image1_Click() {
    done(QDialog::Accepted);
}

void MPlay3::plup_MouseDown() {
    plup_->hide();
    pldown_->move(Px(3480), Px(810));
    pldown_->show();
}

void MPlay3::pldown_MouseMove() {
    plup_->show();
    pldown_->hide();
    SetHeightTwips(PlaylistPanelToggle(heightTwips_));
}

// --- Timers --------------------------------------------------------------------

void MPlay3::Timer55_Timer() {
    if (isDragging_) return;
    if (const auto left = KnobLeftForPosition(am1_.CurrentPosition(), am1_.Duration())) {
        sliderLeft_ = *left;
        PlaceKnob(islider_, sliderLeft_, kKnobTop);
    }
}

void MPlay3::Timer5_Timer() {
    Label20_->setText(QString::fromStdString(PlayerTimeText(am1_.CurrentPosition())));
}

void MPlay3::Timer4_Timer() {
    toptime_->setText(QString::fromStdString(PlayerTimeText(am1_.CurrentPosition())));
}

void MPlay3::Timer1_Timer() {
    setWindowTitle(QString::fromStdString(PlayerCaption(isMinimized(), Title().toStdString())));
}

void MPlay3::Timer7_Timer() {
    label24Left_ -= 50;
    if (label24Left_ < -core::PixelsToTwips(Label24_->width()))
        label24Left_ = core::PixelsToTwips(PicDisplay_->width());
    Label24_->move(Px(label24Left_), Label24_->y());
}

void MPlay3::Timer3_Timer() {
    if (heightTwips_ == kHeightNormal) toptime_->hide();
    if (heightTwips_ == kHeightSmall) toptime_->show();
}

void MPlay3::toppicture_Timer() {
    if (heightTwips_ == kHeightNormal) toppic_->hide();
    if (heightTwips_ == kHeightSmall) toppic_->show();
}

void MPlay3::Timer6_Timer() {
    if (heightTwips_ != kHeightNormal && heightTwips_ != kHeightSmall) return;
    for (auto* b : smallTransport_) b->setEnabled(heightTwips_ == kHeightSmall);
}

void MPlay3::UpdateClocks(bool visible) {
    if (!loaded_ || unloaded_) return;
    const FaceClocks want = ClocksFor({visible, isMinimized(), !am1_.FileName().isEmpty(),
                                       am1_.Playing() && !am1_.Paused(), !Title().isEmpty()});
    // One update now: a stopped or paused file shows where it stands, a
    // started one does not wait a whole tick for its time.
    Timer55_Timer();
    Timer5_Timer();
    Timer4_Timer();
    for (QTimer* t : {Timer55_, Timer5_, Timer4_}) {
        if (!want.position)
            t->stop();
        else if (!t->isActive())
            t->start();
    }
    if (!want.titleScroll)
        Timer7_->stop();
    else if (!Timer7_->isActive())
        Timer7_->start();
}

// --- Events --------------------------------------------------------------------

void MPlay3::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    UpdateClocks(true);
}

void MPlay3::hideEvent(QHideEvent* event) {
    QDialog::hideEvent(event);
    UpdateClocks(false);
}

void MPlay3::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange) {
        Timer1_Timer();  // the caption says whether the window is minimised
        UpdateClocks();
    }
}

bool MPlay3::eventFilter(QObject* watched, QEvent* event) {
    if (watched == pldown_ &&
        (event->type() == QEvent::MouseMove || event->type() == QEvent::Enter) &&
        pldown_->isVisible()) {
        pldown_MouseMove();
        return false;
    }
    if (watched == lstfavs_->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        const auto* e = static_cast<QMouseEvent*>(event);
        lstfavs_DblClick(lstfavs_->indexAt(e->position().toPoint()).row());
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void MPlay3::mousePressEvent(QMouseEvent* event) {
    // A press on the face's background moves the window, as its caption would.
    if (event->button() != Qt::RightButton && event->button() != Qt::MiddleButton) {
        if (QWindow* w = windowHandle()) w->startSystemMove();
        return;
    }
    QDialog::mousePressEvent(event);
}

void MPlay3::paintEvent(QPaintEvent*) {
    QPainter g(this);
    PaintFaceBackground(
        g, *this, {PicDisplay_->geometry(), Label20_->geometry(), heightTwips_ == kHeightPlaylist});
}

}  // namespace qsr::player
