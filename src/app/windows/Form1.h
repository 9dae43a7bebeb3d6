#pragma once

#include <QMainWindow>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/AppCore.h"
#include "app/CombinedTake.h"
#include "app/OsName.h"
#include "app/ProjectFile.h"
#include "app/RecordingRules.h"
#include "platform/audio-api/Display.h"
#include "platform/services/Services.h"

class QAction;
class QComboBox;
class QGroupBox;
class QLabel;
class QLayout;
class QMenu;
class QPushButton;
class QSlider;
class QStatusBar;
class QTreeWidget;
class QTreeWidgetItem;

namespace qsr::app {

class MarkerBar;
class TimeLabel;

// The web pages the Help menu and the tray open.
inline constexpr const char* kHomePage = "https://www.quorvin.com/soundrecorder/";
inline constexpr const char* kSupportPage = "https://www.quorvin.com/soundrecorder/support/";
// The help, shipped in the application folder.
inline constexpr const char* kHelpFile = "help/index.html";

// Hotkey identifiers: Ctrl+R starts, Ctrl+S stops, Ctrl+M sets a marker.
inline constexpr int kHotkeyRecord = 0;
inline constexpr int kHotkeyStop = 2;
inline constexpr int kHotkeyMarker = 3;

// What the main window asks of the tray icon (the tray is another window).
struct TrayHooks {
    std::function<void()> deleteIcon;  // shut-down removes the icon
    std::function<bool()> iconShown;   // the close box hides only while it shows
};

// The other windows, opened by what main() hands the main window.
struct WindowOpeners {
    std::function<void()> schedule;                // Form5
    std::function<void()> audioPlayer;             // MPlay3
    std::function<void()> outputFiles;             // Form4
    std::function<void()> formatSettings;          // Form2
    std::function<void()> id3Editor;               // Frmid3v
    std::function<void()> converter;               // frmcov
    std::function<void()> about;                   // frmAbout
    std::function<void(const std::string&)> trim;  // "Trim…" of a recording
};

// The main recorder window: a view of the recording session and of the list's
// in-place playback, both owned by the application core it is handed. Construct
// it, set what the load needs (tray, openers, displays, system queries), then
// call Form_Load once.
class RecordingLoudness;

class Form1 : public QMainWindow {
    Q_OBJECT
  public:
    Form1(AppCore& core, services::DesktopServices desktop, QWidget* parent = nullptr);
    ~Form1() override;

    // Before Form_Load: the pieces that live elsewhere.
    void SetTray(TrayHooks tray) { tray_ = std::move(tray); }
    // What the exit runs first: the other windows' long work (conversions,
    // tag saves and scans, the player, the schedule clock) stopped and waited for.
    void SetWorkStopper(std::function<void()> stopWork) { stopWork_ = std::move(stopWork); }
    void SetWindowOpeners(WindowOpeners openers) { openers_ = std::move(openers); }
    void SetSampleDisplays(audio::ISampleDisplay* av, audio::ISampleDisplay* level) {
        av1Display_ = av;
        levelDisplay_ = level;
    }
    void SetOsVersionQuery(std::function<OsVersion()> query) { osVersionQuery_ = std::move(query); }
    void SetUserNameQuery(std::function<std::string()> query) { userNameQuery_ = std::move(query); }

    // The one-time preparation: skin, components, device, source and format
    // lists, settings to the components, hotkeys, playback state.
    void Form_Load();
    // The orderly way out: stops the long work, finishes the recording,
    // saves what must survive and releases everything.
    void exitsystem();
    // Refills cmbSrcInput for the selected device.
    void FillSourceList();

    // Recording session. StartRecord finishes a running recording (and
    // playback) first; StopRecord lists the finished file and does nothing
    // when no recording runs.
    void StartRecord();
    void StopRecord();
    // The start the schedule clock makes: the same, but a failure message is
    // shown from the event loop, so the clock goes on at once.
    void StartScheduledRecord();

    // Playback of the selected recording in the window.
    void PlaySelected();
    void PauseResume();
    void StopPlayback();
    void PausePlay() { PauseResume(); }
    void StopPlay() { StopPlayback(); }

    // Whether a recording runs (and is not stopping).
    bool flgRecord() const { return session_.IsRecording(); }
    // The session and the components of the core (null when the engine could
    // not create one, and after exitsystem).
    recording::RecordingSession& Session() { return session_; }
    const player::FilePlayback& Playback() const { return playback_; }
    audio::IAudioRecorder* Recorder() const { return recorder_.get(); }
    audio::IAudioFile* FileComponent() const { return file_.get(); }
    audio::IAudioPlayer* Player() const { return player_.get(); }

    // The other windows, through what main() handed over (nothing when it did not).
    void ShowSchedule() {
        if (openers_.schedule) openers_.schedule();
    }
    void ShowAudioPlayer() {
        if (openers_.audioPlayer) openers_.audioPlayer();
    }
    void ShowOutputFiles() {
        if (openers_.outputFiles) openers_.outputFiles();
    }
    void ShowFormatSettings() {
        if (openers_.formatSettings) openers_.formatSettings();
    }
    void ShowId3Editor() {
        if (openers_.id3Editor) openers_.id3Editor();
    }
    void ShowConverter() {
        if (openers_.converter) openers_.converter();
    }
    // A recording in the list was rewritten (trimmed): its size and duration anew.
    void RecordingChanged(const std::string& path, std::int64_t milliseconds);
    // Recording projects and list editing.
    void NewRecordingProject();
    void OpenRecordingProject();
    void SaveRecordingProject();
    void RenameSelected();
    void RemoveSelectedItem();
    void DeleteSelectedFile();
    // The selected recording's markers: listed, renamed, deleted, played from.
    void OpenMarkers();

    // Desktop helpers.
    void OpenHelp();
    void OpenWebPage(const std::string& address);
    void StartRecordControl();
    void ShowAbout() {
        if (openers_.about) openers_.about();
    }
    // Main window to normal state and shown (tray).
    void ShowMain();

    // A marker in the running recording, at this moment (tray, hotkey).
    void SetMarker();
    // The hotkey dispatch: lets pending events run, then 0 starts, the
    // marker's sets a marker, any other stops.
    void OnHotkey(int id);

    bool HotkeyRecordClaimed() const { return hotkeyRecordClaimed_; }
    bool HotkeyStopClaimed() const { return hotkeyStopClaimed_; }
    bool Loaded() const { return loaded_; }
    bool PlaybackStopped() const { return playback_.IsStopped(); }
    bool PlaybackPaused() const { return playback_.Paused(); }
    bool Playing() const { return playback_.Playing(); }
    std::int64_t PlaybackOffset() const { return playback_.Offset(); }
    const std::string& OutputPath() const { return session_.Path(); }
    // True for the file the running (or stopping) recording writes.
    bool IsBeingRecorded(const std::string& path) const;
    // The recordings list as rows, in list order.
    std::vector<RecordingRow> Rows() const;
    std::string SettingsFile() const;

  signals:
    // Every call of StartRecord / StopRecord, for whoever watches the session.
    void StartRecordCalled();
    void StopRecordCalled();
    // exitsystem has run to its end: the other windows are unloaded now and
    // the program ends.
    void Unloaded();
    // A recording the schedule started ended because its device was lost.
    void ScheduledRecordingDeviceLost();

  protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    void BuildControls();
    QLayout* BuildDeviceLists(QWidget* central);
    QLayout* BuildTransport(QWidget* central);
    QLayout* BuildDisplays(QWidget* central);
    QWidget* BuildRecordingsList(QWidget* central);
    QLayout* BuildCommandColumn(QWidget* central);
    void BuildStatusBar();
    void ConnectControls();
    void BuildMenus();
    QAction* AddMenuEntry(QMenu* menu, const char* name, const char* caption,
                          void (Form1::*handler)());
    void LoadDevices(bool vista, const std::vector<RecordDevice>& devices, int remembered);
    void ClaimHotkeys();
    void ShowMessage(const std::string& text, services::MsgIcon icon);
    void ConnectSession();
    void PumpEvents();
    void ShowTime(std::int64_t milliseconds);
    void StartRecording(bool interactive);
    void ReportStartFailure(const std::string& text, bool interactive);
    void AddRow(const RecordingRow& row);
    // The list's loudness (in the rows' tooltips) and the normalising of a
    // take when the Output Files page asks for it (Form1List.cpp).
    void WireLoudness();
    void ShowLoudness(const std::string& path, const std::string& line);
    void NormaliseIfAsked(const std::string& path);
    QTreeWidgetItem* SelectedRow() const;
    void RenumberList();
    void ShowPlaybackSamples(std::int64_t position);
    void SetTransportEnabled(bool enabled);
    // The Edit menu holds "Markers..." only while the selected recording has markers.
    void ShowRecordingEntries();

    // Views of the session and of the playback.
    void RecordingStarted(const std::string& path, const std::string& description);
    void RecordingWaiting(bool waiting);
    void ShowDropouts(long count);
    void AudioRecord_Timer(long CurrentSamples, int LevelLeft, int LevelRight);
    void RecordingFinished(const std::string& path, std::int64_t elapsedMilliseconds);
    void RecordingCutShort(const std::string& path, const std::string& reason);
    void RecordingDeviceLost(const std::string& path);
    // A start or an exit that arrived while a stop let events run.
    void RequestAfterStop(recording::RecordingSession::Event request);
    // Repairs and lists what a crash interrupted (the journal names it).
    void RecoverInterruptedRecordings();
    void SaveProject(bool reportFailure);
    void PlaybackStarted(const std::string& path, const std::string& description);
    void AudioPlayer_Timer(std::int64_t position);
    void AudioPlayer_EndPlay();

    // Handlers named after their control and event.
    void cmdrecord_Click() { StartRecord(); }
    void cmdStop_Click();
    void cmdPlay_Click() { PlaySelected(); }
    void cmdPause_Click() { PauseResume(); }
    void DeviceCombo_Click(int index);
    void cmbSrcInput_Click(int index);
    void ListView1_DblClick();
    void ListView1_MouseUp(const QPoint& position);
    void slPosition_MouseDown();
    void slPosition_MouseUp();
    void Command1_Click() { StartRecord(); }
    void Command2_Click() { ShowSchedule(); }
    void Command3_Click() { cmdStop_Click(); }
    void Command4_Click() { ShowAudioPlayer(); }
    void Command5_Click() { ShowOutputFiles(); }
    void Command6_Click() { ShowFormatSettings(); }
    void Command10_Click() { OpenHelp(); }
    void Command11_Click() { ShowAbout(); }
    void Command12_Click() { exitsystem(); }
    void Command13_Click() { ShowId3Editor(); }
    void Command14_Click() { ShowConverter(); }
    void mnuNew_Click() { NewRecordingProject(); }
    void mnuOpen_Click() { OpenRecordingProject(); }
    void mnuSave_Click() { SaveRecordingProject(); }
    void mnuExit_Click() { exitsystem(); }
    void mnuPlaySel_Click() { PlaySelected(); }
    void mnuTrim_Click();  // Ctrl+T
    void mnuRename_Click() { RenameSelected(); }
    void mnuRemove_Click() { RemoveSelectedItem(); }
    void mnuDelete_Click() { DeleteSelectedFile(); }
    void mnuRecord_Click() { StartRecord(); }
    void mnuStop_Click() { StopRecord(); }
    void mnuPlay_Click() { PlaySelected(); }
    void mnuPause_Click() { PauseResume(); }
    void mnuStopPlay_Click() { StopPlayback(); }
    void mnuAudioPlayer_Click() { ShowAudioPlayer(); }
    void mnuConverter_Click() { ShowConverter(); }
    void mnuEditID3_Click() { ShowId3Editor(); }
    void mnuOutputFile_Click() { ShowOutputFiles(); }
    void mnuFormat_Click() { ShowFormatSettings(); }
    void mnuSchedule_Click() { ShowSchedule(); }
    void mnuRecordControl_Click() { StartRecordControl(); }
    void mnuHelpTopic_Click() { OpenHelp(); }
    void mnuHome_Click() { OpenWebPage(kHomePage); }
    void mnuSupport_Click() { OpenWebPage(kSupportPage); }
    void mnuAbout_Click() { ShowAbout(); }

    AppCore& core_;
    services::DesktopServices desktop_;
    std::string applicationFolder_;
    TrayHooks tray_;
    std::function<void()> stopWork_;
    WindowOpeners openers_;
    audio::ISampleDisplay* av1Display_ = nullptr;
    audio::ISampleDisplay* levelDisplay_ = nullptr;
    std::function<OsVersion()> osVersionQuery_ = QueryOsVersion;
    std::function<std::string()> userNameQuery_;

    // The core's components as it holds them (null when absent), its session
    // and its playback, which this window shows.
    const std::unique_ptr<audio::IAudioRecorder>& recorder_;
    const std::unique_ptr<audio::IAudioFile>& file_;
    const std::unique_ptr<audio::IAudioPlayer>& player_;
    recording::RecordingSession& session_;
    player::FilePlayback& playback_;
    CombinedTake combinedTake_{core_};  // the second source of each start

    bool loaded_ = false;
    bool hotkeyRecordClaimed_ = false;
    bool hotkeyStopClaimed_ = false;
    bool hotkeyMarkerClaimed_ = false;

    // The current recording's start, as its row shows it.
    std::string startTimeText_;
    std::string scheduledPath_;  // the recording the schedule started last
    bool dragging_ = false;      // the position slider is held
    std::unique_ptr<RecordingLoudness> loudness_;

    // Controls, named as the window's parts; tests find them by object name.
    QLabel* SkinLabel1 = nullptr;
    QLabel* SkinLabel2 = nullptr;
    QLabel* SkinLabel3 = nullptr;
    QComboBox* DeviceCombo = nullptr;
    QComboBox* cmbSrcInput = nullptr;
    QComboBox* cboEncoders = nullptr;
    QPushButton* cmdrecord = nullptr;
    QPushButton* cmdStop = nullptr;
    QPushButton* cmdPlay = nullptr;
    QPushButton* cmdPause = nullptr;
    MarkerBar* markerBar_ = nullptr;
    QAction* mnuMarkers = nullptr;
    TimeLabel* Label1 = nullptr;
    QSlider* slPosition = nullptr;
    QWidget* AudioDisplay1 = nullptr;
    QWidget* AV1 = nullptr;
    QTreeWidget* ListView1 = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* Command2 = nullptr;
    QPushButton* Command3 = nullptr;
    QPushButton* Command4 = nullptr;
    QPushButton* Command5 = nullptr;
    QPushButton* Command6 = nullptr;
    QPushButton* Command10 = nullptr;
    QPushButton* Command11 = nullptr;
    QPushButton* Command12 = nullptr;
    QPushButton* Command13 = nullptr;
    QPushButton* Command14 = nullptr;
    QMenu* mnuEdit = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    QLabel* StatusPanel1 = nullptr;
    QLabel* StatusPanel2 = nullptr;
    QLabel* PanelDropouts = nullptr;  // sound the recording lost; hidden while none
};

}  // namespace qsr::app
