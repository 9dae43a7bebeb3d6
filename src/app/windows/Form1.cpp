#include "app/windows/Form1.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QDateTime>
#include <QEvent>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QPushButton>
#include <QSlider>
#include <QStatusBar>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QTreeWidget>
#include <filesystem>
#include <utility>

#include "app/RecordingLoudness.h"
#include "app/RecordingRules.h"
#include "app/windows/MarkerBar.h"
#include "app/windows/TimeLabel.h"
#include "core/AppInfo.h"
#include "core/AtomicFile.h"
#include "core/OutputFormats.h"
#include "core/Text.h"
#include "platform/audio-api/MixDown.h"
#include "platform/services/AppFolder.h"
#include "platform/services/TimeFormat.h"
#include "platform/services/windows/Accessibility.h"
#include "platform/services/windows/Skin.h"
#include "player/PlaybackRules.h"
#include "recording/Dropouts.h"
#include "recording/LiveRecordings.h"
#include "recording/RecoveryJournal.h"
#include "recording/SplitRule.h"
#include "settings/ApplySettings.h"
#include "settings/Inifun.h"
#include "settings/SettingsRules.h"
#include "settings/TriggerSettings.h"

namespace qsr::app {

using player::kVisualFrame;
using player::RemainingSamples;
using player::SampleToSlider;
using player::SliderToSample;
namespace {

constexpr int kVisualizationFrame = 4096;

// The record time of a list row: the locale's short date and long time,
// without a time zone.
std::string RecordTimeText(const QDateTime& moment) {
    const QLocale locale;
    const QString timeFormat =
        services::TimeFormatWithoutZone(locale.timeFormat(QLocale::LongFormat));
    return (locale.toString(moment.date(), QLocale::ShortFormat) + ' ' +
            locale.toString(moment.time(), timeFormat.trimmed()))
        .toStdString();
}

}  // namespace

Form1::Form1(AppCore& core, services::DesktopServices desktop, QWidget* parent)
    : QMainWindow(parent),
      core_(core),
      desktop_(desktop),
      applicationFolder_(core.ApplicationFolder()),
      recorder_(core.HeldRecorder()),
      file_(core.HeldFile()),
      player_(core.HeldPlayer()),
      session_(core.Session()),
      playback_(core.Playback()) {
    setObjectName("Form1");
    setWindowTitle(core::kMainCaption);
    BuildControls();
    BuildMenus();
    WireLoudness();
    services::NameControlsForAccessibility(this);
    resize(820, 600);
}

Form1::~Form1() = default;

std::string Form1::SettingsFile() const {
    return services::AppPath(applicationFolder_, settings::kSettingsFileName);
}

// -------------------------------------------------------------------- load

void Form1::ShowMessage(const std::string& text, services::MsgIcon icon) {
    if (desktop_.messageBox)
        desktop_.messageBox->Show(text, icon, services::MsgButtons::Ok, core::kAppTitle);
}

void Form1::Form_Load() {
    if (loaded_) return;
    loaded_ = true;

    services::ApplySkin(*this, applicationFolder_);

    // The core created the components; one that is absent skips every step
    // that needs it, as a failing call would. The mix-down is a plain function.
    ConnectSession();
    RecoverInterruptedRecordings();

    const bool vista =
        OsNameFor(osVersionQuery_ ? osVersionQuery_() : OsVersion{}) == "WindowsVista";
    if (recorder_) {
        // Only what can record now counts: a server without a capture source
        // and no program playing has nothing to offer.
        int remembered = 0;
        const std::vector<RecordDevice> devices = RecordableDevices(*recorder_, vista, &remembered);
        if (!vista && devices.empty()) {
            ShowMessage("Record device error!", services::MsgIcon::Error);
            return;
        }
        LoadDevices(vista, devices, remembered);
    }

    for (const core::OutputFormat& format : core::RecordingFormats())
        cboEncoders->addItem(format.listText);
    cboEncoders->setCurrentIndex(0);
    cboEncoders->setCurrentIndex(settings::ReadOutputFormatIndex(SettingsFile()));

    settings::ApplyStoredSettings(SettingsFile(), core_.Formats(), file_.get(), recorder_.get());
    // An oversized settings file is still used; the user learns which part.
    if (const std::string warning = settings::SettingsSizeWarning(SettingsFile()); !warning.empty())
        ShowMessage(warning, services::MsgIcon::Warning);
    if (av1Display_) av1Display_->SetSamplesPerFrame(kVisualizationFrame);
    ClaimHotkeys();
    if (desktop_.hotkeys)
        connect(desktop_.hotkeys, &services::IHotkeyRegistrar::Activated, this, &Form1::OnHotkey,
                Qt::UniqueConnection);
}

void Form1::LoadDevices(bool vista, const std::vector<RecordDevice>& devices, int remembered) {
    if (vista) {
        SkinLabel1->setText("Record device and source");
        const std::string user = userNameQuery_ ? core::Trim(userNameQuery_()) : std::string();
        if (user != "Administrator")
            ShowMessage(
                "Your OS is Windows Vista, Please Log on as Administrator account in Windows Vista",
                services::MsgIcon::Information);
        cmbSrcInput->setEnabled(false);
    }
    for (const RecordDevice& device : devices)
        DeviceCombo->addItem(QString::fromStdString(device.name), device.index);
    if (DeviceCombo->count() == 0) return;
    int position = remembered;
    if (position > DeviceCombo->count() - 1) position = DeviceCombo->count() - 1;
    if (position < 0) position = 0;
    recorder_->SelectDevice(DeviceCombo->itemData(position).toInt());
    DeviceCombo->setCurrentIndex(position);
    if (!vista) FillSourceList();
}

void Form1::FillSourceList() {
    cmbSrcInput->clear();
    if (!recorder_) return;
    const int last = recorder_->SourceLastIndex();
    if (last < 0) return;
    int choice = recorder_->CurrentSource();
    for (int i = 0; i <= last; ++i) {
        recorder_->SelectSource(i);
        cmbSrcInput->addItem(QString::fromStdString(recorder_->SourceName()));
        if (recorder_->SourceActive()) choice = i;
    }
    recorder_->SelectSource(choice);
    cmbSrcInput->setCurrentIndex(choice);
}

void Form1::ClaimHotkeys() {
    services::IHotkeyRegistrar* hotkeys = desktop_.hotkeys;
    hotkeyRecordClaimed_ = hotkeys && hotkeys->RegisterCtrlKey(kHotkeyRecord, 'R');
    if (!hotkeyRecordClaimed_)
        ShowMessage(
            "Can not register the hotkeys CTRL+R ...this key is already registered by some other "
            "running applications.",
            services::MsgIcon::Error);
    hotkeyStopClaimed_ = hotkeys && hotkeys->RegisterCtrlKey(kHotkeyStop, 'S');
    if (!hotkeyStopClaimed_)
        ShowMessage(
            "Can not register the hotkeys CTRL+S ... this key is already registered by some other "
            "running applications.",
            services::MsgIcon::Error);
    // Markers work without their hotkey (M, the button, the tray): no message.
    hotkeyMarkerClaimed_ = hotkeys && hotkeys->RegisterCtrlKey(kHotkeyMarker, 'M');
}

void Form1::OnHotkey(int id) {
    if (desktop_.eventPump) desktop_.eventPump->ProcessEvents();
    if (id == kHotkeyRecord)
        StartRecord();
    else if (id == kHotkeyMarker)
        SetMarker();
    else
        StopRecord();
}

// -------------------------------------------------------------------- exit

void Form1::exitsystem() {
    // A second exit does nothing.
    if (session_.ShuttingDown()) return;
    // Long work goes first, so nothing else writes, plays or starts a
    // recording while the recording is finished and its file closed.
    if (stopWork_) stopWork_();
    if (playback_.Playing()) StopPlayback();
    // Chosen while a stop lets events run, the exit follows once the stop has
    // listed its file. The session stops a running recording (and lists it).
    if (!session_.Exit()) return;
    if (tray_.deleteIcon) tray_.deleteIcon();
    if (ListView1->topLevelItemCount() > 0 && desktop_.messageBox &&
        desktop_.messageBox->Show("Do you need to save the recording project file?",
                                  services::MsgIcon::Question, services::MsgButtons::OkCancel,
                                  core::kAppTitle) == services::MsgAnswer::Ok)
        SaveProject(true);
    // A window that never got its format list (no device) keeps the stored choice.
    if (cboEncoders->currentIndex() >= 0) {
        const settings::SettingsSave save =
            settings::WriteOutputFormatIndex(SettingsFile(), cboEncoders->currentIndex());
        if (!save.Ok()) ShowMessage(save.Message(), services::MsgIcon::Error);
    }
    // Exit may be chosen while a display handler lets events run, that is in
    // the middle of one of the components' own signals: the core lets them go.
    core_.ReleaseComponents();
    if (desktop_.hotkeys) {
        if (hotkeyRecordClaimed_) desktop_.hotkeys->Unregister(kHotkeyRecord);
        if (hotkeyStopClaimed_) desktop_.hotkeys->Unregister(kHotkeyStop);
        if (hotkeyMarkerClaimed_) desktop_.hotkeys->Unregister(kHotkeyMarker);
        disconnect(desktop_.hotkeys, nullptr, this, nullptr);
    }
    hotkeyRecordClaimed_ = hotkeyStopClaimed_ = hotkeyMarkerClaimed_ = false;
    hide();
    emit Unloaded();
}

void Form1::closeEvent(QCloseEvent* event) {
    if (session_.ShuttingDown()) {
        event->accept();
        return;
    }
    // The close box only takes the window off the screen; the tray brings it
    // back. Without a tray it goes to the task bar so it stays reachable.
    event->ignore();
    if (QSystemTrayIcon::isSystemTrayAvailable() && tray_.iconShown && tray_.iconShown())
        hide();
    else
        showMinimized();
}

void Form1::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && isMinimized() && !session_.ShuttingDown() &&
        QSystemTrayIcon::isSystemTrayAvailable() && tray_.iconShown && tray_.iconShown())
        QTimer::singleShot(0, this, [this] {
            if (isMinimized()) hide();
        });
}

void Form1::ShowMain() {
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

// ------------------------------------------------------- recording session

void Form1::ConnectSession() {
    connect(&combinedTake_, &CombinedTake::SourceLost, this,
            [this](const std::string& why) { StatusPanel2->setText(QString::fromStdString(why)); });
    connect(&session_, &recording::RecordingSession::Started, this, &Form1::RecordingStarted,
            Qt::UniqueConnection);
    connect(&session_, &recording::RecordingSession::Progress, this, &Form1::AudioRecord_Timer,
            Qt::UniqueConnection);
    connect(&session_, &recording::RecordingSession::WaitingChanged, this, &Form1::RecordingWaiting,
            Qt::UniqueConnection);
    connect(&session_, &recording::RecordingSession::Finished, this, &Form1::RecordingFinished,
            Qt::UniqueConnection);
    connect(&session_, &recording::RecordingSession::WriteFailed, this, &Form1::RecordingCutShort,
            Qt::UniqueConnection);
    connect(&session_, &recording::RecordingSession::DeviceLost, this, &Form1::RecordingDeviceLost,
            Qt::UniqueConnection);
    connect(&session_, &recording::RecordingSession::AfterStop, this, &Form1::RequestAfterStop,
            Qt::UniqueConnection);
    // Each piece of a split recording is listed as it closes.
    connect(&session_, &recording::RecordingSession::PieceFinished, this,
            [this](const std::string& path, std::int64_t ms) {
                AddRow(NewRecordingRow(
                    static_cast<std::size_t>(ListView1->topLevelItemCount()), path,
                    core::FileSizeText(path), core::ElapsedText(ms),
                    std::exchange(startTimeText_, RecordTimeText(QDateTime::currentDateTime()))));
            });
    connect(&playback_, &player::FilePlayback::Started, this, &Form1::PlaybackStarted,
            Qt::UniqueConnection);
    connect(&playback_, &player::FilePlayback::Progress, this, &Form1::AudioPlayer_Timer,
            Qt::UniqueConnection);
    connect(&playback_, &player::FilePlayback::Stopped, this, &Form1::AudioPlayer_EndPlay,
            Qt::UniqueConnection);
}

void Form1::ShowTime(std::int64_t milliseconds) {
    Label1->ShowText(QString::fromStdString(core::ElapsedText(milliseconds)));
}

void Form1::PumpEvents() {
    if (desktop_.eventPump) desktop_.eventPump->ProcessEvents();
}

void Form1::SetTransportEnabled(bool enabled) {
    for (QWidget* w :
         std::initializer_list<QWidget*>{cmdPause, cmdPlay, cmdrecord, Command1, Command4})
        w->setEnabled(enabled);
}

void Form1::StartRecord() {
    emit StartRecordCalled();
    StartRecording(true);
}

void Form1::StartScheduledRecord() {
    // The schedule clock still runs while exitsystem asks about the project;
    // a recording started then would outlive the components released next.
    if (session_.ShuttingDown()) return;
    emit StartRecordCalled();
    StartRecording(false);
    scheduledPath_ = session_.IsRecording() ? session_.Path() : std::string();
}

void Form1::StartRecording(bool interactive) {
    // A start that arrives while a stop lets events run follows once the
    // stop has listed its file; none begins that the shut-down would cut off.
    using Event = recording::RecordingSession::Event;
    const Event request = interactive ? Event::Start : Event::ScheduledStart;
    if (!session_.RequestStart(request)) return;
    if (flgRecord()) StopRecord();
    if (playback_.Playing()) StopPlayback();
    // An exit chosen while that stop let events run comes first.
    if (!session_.RequestStart(request)) return;

    // Read afresh: the Output Files dialog may have changed them since the last start.
    const settings::OutputNamingSettings stored =
        settings::ReadOutputNamingSettings(SettingsFile());
    if (const std::string problem = settings::OutputNamingProblem(stored); !problem.empty()) {
        ReportStartFailure(recording::StartFailedMessage("", problem), interactive);
        return;
    }
    recording::OutputNaming naming;
    naming.outputFolder = stored.outputFolder;
    naming.applicationFolder = applicationFolder_;
    naming.baseName = stored.fileName;
    naming.dateTime = stored.dateTime;
    naming.overwrite = stored.overwrite;
    naming.extension = cboEncoders->currentText().toStdString();
    naming.listRows = static_cast<std::size_t>(ListView1->topLevelItemCount());
    const QDateTime now = QDateTime::currentDateTime();
    naming.start = recording::LocalStartTime(static_cast<std::time_t>(now.toSecsSinceEpoch()));
    startTimeText_ = RecordTimeText(now);
    // The recordings folder (by default the music folder's "Recordings") is
    // made on the first recording; should that fail, the start names why.
    std::error_code ec;
    std::filesystem::create_directories(
        settings::OutputFolder(naming.outputFolder, applicationFolder_), ec);
    session_.SetSplit(recording::StoredSplit(SettingsFile()));
    // The Triggers page's choices arm every start, the scheduler's too.
    session_.SetTrigger(settings::LoadTriggerSettings(SettingsFile()));
    combinedTake_.Prepare(SettingsFile());
    if (session_.StartNamed(naming)) return;

    ReportStartFailure(recording::StartFailedMessage(session_.Path(), session_.LastError()),
                       interactive);
}

void Form1::ReportStartFailure(const std::string& text, bool interactive) {
    if (interactive) {
        ShowMessage(text, services::MsgIcon::Error);
        return;
    }
    // The schedule clock must not wait for the user: the message comes from
    // the event loop, after the caller has returned.
    QTimer::singleShot(0, this, [this, text] { ShowMessage(text, services::MsgIcon::Error); });
}

void Form1::RecordingStarted(const std::string& path, const std::string& description) {
    const int rate = file_ ? file_->EncoderRate() : 44100;
    const int channels = file_ ? file_->EncoderChannels() : 2;
    if (av1Display_) av1Display_->SetFormat(rate, channels);
    if (levelDisplay_) levelDisplay_->SetFormat(rate, channels);
    StatusPanel1->setText(QString::fromStdString(path));
    StatusPanel2->setText(QString::fromStdString(description));
    ShowTime(0);
    ShowDropouts(0);
    SetTransportEnabled(false);
}

void Form1::RecordingWaiting(bool waiting) {
    if (waiting)
        StatusPanel2->setText(QString::fromUtf8(kStatusWaiting));
    else if (file_)
        StatusPanel2->setText(QString::fromStdString(file_->FormatDescription()));
}

// Shown once the recording lost sound; it stays with the finished recording
// until the next one starts.
void Form1::ShowDropouts(long count) {
    const std::string text = recording::DropoutText(count);
    PanelDropouts->setText(QString::fromStdString(text));
    PanelDropouts->setVisible(!text.empty());
}

void Form1::StopRecord() {
    emit StopRecordCalled();
    session_.Stop();
}

void Form1::RecordingFinished(const std::string& path, std::int64_t elapsedMilliseconds) {
    SetTransportEnabled(true);
    StatusPanel1->setText(QString::fromStdString(path));
    StatusPanel2->setText(kStatusDone);
    if (av1Display_) av1Display_->ShowSamples({});
    if (levelDisplay_) levelDisplay_->ShowSamples({});
    AddRow(NewRecordingRow(static_cast<std::size_t>(ListView1->topLevelItemCount()), path,
                           core::FileSizeText(path), core::ElapsedText(elapsedMilliseconds),
                           startTimeText_));
    NormaliseIfAsked(path);
}

void Form1::RequestAfterStop(recording::RecordingSession::Event request) {
    using Event = recording::RecordingSession::Event;
    if (request == Event::Exit)
        exitsystem();
    else
        StartRecording(request == Event::Start);
}

void Form1::RecoverInterruptedRecordings() {
    int recovered = 0;
    for (const recording::JournalEntry& entry : core_.Journal().TakeInterrupted()) {
        std::error_code ec;
        if (!std::filesystem::is_regular_file(entry.path, ec)) continue;
        recording::RepairRecording(entry.path);  // what cannot be repaired is listed as it is
        std::string why;
        if (!entry.markers.empty() &&
            !core_.Engine().StoreMarkers(entry.path, entry.rate, entry.markers, &why))
            ShowMessage(core::CouldNotSaveMessage(entry.path, why), services::MsgIcon::Warning);
        else
            markerBar_->NoteStored(entry.path, entry.markers.size());
        std::int64_t milliseconds = 0;
        if (file_ && file_->OpenFile(entry.path) >= 0) {
            if (file_->SampleRate() > 0)
                milliseconds = file_->TotalSamples() * 1000 / file_->SampleRate();
            file_->Close();
        }
        AddRow(NewRecordingRow(static_cast<std::size_t>(ListView1->topLevelItemCount()), entry.path,
                               core::FileSizeText(entry.path), core::ElapsedText(milliseconds),
                               RecordTimeText(QDateTime::fromSecsSinceEpoch(entry.startTime))));
        ++recovered;
    }
    if (recovered > 0) ShowMessage(RecoveredMessage(recovered), services::MsgIcon::Information);
}

void Form1::RecordingCutShort(const std::string& path, const std::string& reason) {
    ShowMessage("The recording to " + path + " stopped: " + reason, services::MsgIcon::Error);
}

void Form1::RecordingDeviceLost(const std::string& path) {
    if (!scheduledPath_.empty() && path == scheduledPath_) emit ScheduledRecordingDeviceLost();
    ShowMessage(recording::DeviceLostMessage(path), services::MsgIcon::Error);
}

// This window's recording or another process's: the journal names both.
bool Form1::IsBeingRecorded(const std::string& path) const {
    return recording::IsBeingRecorded(path, core_.Journal().File());
}

void Form1::AudioRecord_Timer(long CurrentSamples, int LevelLeft, int LevelRight) {
    if (!recorder_) return;
    ShowTime(recorder_->SamplesToMilliseconds(CurrentSamples));
    ShowDropouts(recorder_->DropoutCount());

    // The displays only while recording; the final progress of a stop only sets the time.
    const int channels = recorder_->Channels();
    if (av1Display_ && flgRecord()) {
        audio::Samples latest = recorder_->LatestSamples(kVisualFrame * channels);
        if (channels == 2) {
            latest = audio::MakeMonoFromStereo(latest);
            av1Display_->SetFormat(recorder_->Rate(), 1);
        }
        av1Display_->ShowSamples(latest);
    }
    // The meter shows the peaks the recorder measured on the samples' way in.
    if (levelDisplay_ && flgRecord()) levelDisplay_->ShowPeaks(LevelLeft, LevelRight);
    // No event pass here: the tick comes from the event loop, which paints
    // the time and both displays together once this returns.
}

// ------------------------------------------------------------- playback

void Form1::PlaySelected() {
    if (flgRecord()) return;
    if (playback_.Playing()) StopPlayback();
    QTreeWidgetItem* item = SelectedRow();
    if (!item) return;
    playback_.Play(item->text(1).toStdString());
}

void Form1::PlaybackStarted(const std::string& path, const std::string& description) {
    StatusPanel1->setText(QString::fromStdString(path));
    StatusPanel2->setText(QString::fromStdString(description));
    if (av1Display_) av1Display_->SetFormat(playback_.Rate(), playback_.Channels());
    // The level display gets the mixed-down samples.
    if (levelDisplay_) levelDisplay_->SetFormat(playback_.Rate(), 1);
    ShowTime(0);
}

void Form1::StopPlayback() {
    if (flgRecord()) return;
    playback_.Stop();  // its Stopped resets the slider and the display
}

void Form1::AudioPlayer_EndPlay() {
    slPosition->setValue(0);
    if (av1Display_) av1Display_->ShowSamples({});
    if (levelDisplay_) levelDisplay_->ShowSamples({});
}

void Form1::PauseResume() {
    playback_.PauseResume();
}

void Form1::slPosition_MouseDown() {
    dragging_ = true;
}

void Form1::slPosition_MouseUp() {
    playback_.SeekTo(SliderToSample(slPosition->value(), playback_.TotalSamples()));
    dragging_ = false;
}

void Form1::AudioPlayer_Timer(std::int64_t position) {
    if (!player_) return;
    ShowTime(player_->SamplesToMilliseconds(static_cast<long>(position)));
    if (!dragging_) slPosition->setValue(SampleToSlider(position, playback_.TotalSamples()));
    ShowPlaybackSamples(position);
}

void Form1::ShowPlaybackSamples(std::int64_t position) {
    const std::int64_t remaining = RemainingSamples(position, playback_.TotalSamples());
    if (remaining < kVisualFrame) return;
    if (av1Display_) {
        av1Display_->ShowSamples(player_->LatestSamples(kVisualFrame * playback_.Channels()));
        PumpEvents();
    }
    if (!levelDisplay_ || playback_.IsStopped() || !player_) return;
    const int frame = levelDisplay_->SamplesPerFrame();
    if (remaining < frame) return;
    audio::Samples latest = player_->LatestSamples(frame);
    if (playback_.Channels() == 2) latest = audio::MakeMonoFromStereo(latest);
    levelDisplay_->ShowSamples(latest);
    PumpEvents();
}

// ----------------------------------------------------------------- desktop

void Form1::OpenHelp() {
    const std::string path = services::AppPath(applicationFolder_, kHelpFile);
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) {
        ShowMessage("The help file \"" + path + "\" cannot be found.", services::MsgIcon::Error);
        return;
    }
    if (desktop_.urlOpener && !desktop_.urlOpener->Open(path))
        ShowMessage("No program could be started to show the help file \"" + path + "\".",
                    services::MsgIcon::Error);
}

void Form1::OpenWebPage(const std::string& address) {
    // As with the shell's own open, the caller is not told whether it worked.
    if (desktop_.urlOpener) desktop_.urlOpener->Open(address);
}

void Form1::StartRecordControl() {
    // The desktop's recording mixer on its recording tab; a failed start is ignored.
    if (desktop_.processStarter) desktop_.processStarter->Start("pavucontrol", {"--tab=2"});
}

// ---------------------------------------------------------------- handlers

void Form1::cmdStop_Click() {
    // Stop ends whichever runs: the recording, or else the playback.
    if (flgRecord())
        StopRecord();
    else
        StopPlayback();
    if (av1Display_) av1Display_->ShowSamples({});
    if (levelDisplay_) levelDisplay_->ShowSamples({});
}
void Form1::ListView1_DblClick() {
    PlaySelected();
}
void Form1::ListView1_MouseUp(const QPoint& position) {
    mnuEdit->popup(ListView1->viewport()->mapToGlobal(position));
}
void Form1::DeviceCombo_Click(int index) {
    if (!recorder_ || index < 0) return;
    recorder_->SelectDevice(DeviceCombo->itemData(index).toInt());
    FillSourceList();
}
void Form1::cmbSrcInput_Click(int index) {
    if (!recorder_ || index < 0) return;
    recorder_->SelectSource(index);
    recorder_->SetSourceActive(true);
}

}  // namespace qsr::app
