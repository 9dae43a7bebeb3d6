#pragma once

#include <QMainWindow>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/OsName.h"
#include "app/ProjectFile.h"
#include "platform/audio/AudioEngine.h"
#include "platform/audio/Display.h"
#include "platform/services/Services.h"

class QAction;
class QComboBox;
class QGroupBox;
class QLabel;
class QMenu;
class QPushButton;
class QSlider;
class QStatusBar;
class QTreeWidget;
class QTreeWidgetItem;

namespace qsr::desktop {
class frmtray;
}

namespace qsr::app {

class frmAbout;

// The web pages the Help menu and the tray open.
inline constexpr const char* kHomePage = "https://www.quorvin.com/soundrecorder/";
inline constexpr const char* kSupportPage = "https://www.quorvin.com/soundrecorder/support/";
// The help, shipped in the application folder.
inline constexpr const char* kHelpFile = "help/index.html";

// Hotkey identifiers: Ctrl+R starts, Ctrl+S stops.
inline constexpr int kHotkeyRecord = 0;
inline constexpr int kHotkeyStop = 2;

// The main recorder window. Construct it, set what the load needs (tray,
// displays, system queries), then call Form_Load once.
class Form1 : public QMainWindow {
    Q_OBJECT
  public:
    Form1(audio::IAudioEngine& engine, services::DesktopServices desktop,
          std::string applicationFolder, QWidget* parent = nullptr);
    ~Form1() override;

    // Before Form_Load: the pieces that live elsewhere.
    void SetTray(desktop::frmtray* tray) { tray_ = tray; }
    void SetSampleDisplays(audio::ISampleDisplay* av, audio::ISampleDisplay* level) {
        av1Display_ = av;
        levelDisplay_ = level;
    }
    void SetOsVersionQuery(std::function<OsVersion()> query) { osVersionQuery_ = std::move(query); }
    void SetUserNameQuery(std::function<std::string()> query) { userNameQuery_ = std::move(query); }
    // What "Schedule" opens (the schedule window, shown modal).
    void SetShowSchedule(std::function<void()> show) { showSchedule_ = std::move(show); }

    // The one-time preparation: skin, components, device, source and format
    // lists, settings to the components, hotkeys, playback state.
    void Form_Load();
    // The orderly way out: saves what must survive and releases everything.
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

    // Public state other windows read.
    bool flgRecord = false;
    std::unique_ptr<audio::IAudioRecorder> AudioRecord;
    std::unique_ptr<audio::IAudioFile> AudioFile;
    std::unique_ptr<audio::IAudioPlayer> audioplayer;

    // Windows other parts of the program build; each opens its window.
    void ShowSchedule();
    void ShowAudioPlayer();
    void ShowOutputFiles();
    void ShowFormatSettings();
    void ShowId3Editor();
    void ShowConverter();
    // Recording projects and list editing.
    void NewRecordingProject();
    void OpenRecordingProject();
    void SaveRecordingProject();
    void RenameSelected();
    void RemoveSelectedItem();
    void DeleteSelectedFile();

    // Desktop helpers.
    void OpenHelp();
    void OpenWebPage(const std::string& address);
    void StartRecordControl();
    void ShowAbout();
    // Main window to normal state and shown (tray).
    void ShowMain();

    // The hotkey dispatch: lets pending events run, then 0 starts, any other stops.
    void OnHotkey(int id);

    bool HotkeyRecordClaimed() const { return hotkeyRecordClaimed_; }
    bool HotkeyStopClaimed() const { return hotkeyStopClaimed_; }
    bool Loaded() const { return loaded_; }
    bool PlaybackStopped() const { return stopped_; }
    bool PlaybackPaused() const { return paused_; }
    bool Playing() const { return playing_; }
    std::int64_t PlaybackOffset() const { return offset_; }
    const std::string& OutputPath() const { return outputPath_; }
    // The recordings list as rows, in list order.
    std::vector<RecordingRow> Rows() const;
    std::string SettingsFile() const;

  signals:
    // Every call of StartRecord / StopRecord, for whoever watches the session.
    void StartRecordCalled();
    void StopRecordCalled();
    // exitsystem has run to its end; the program ends.
    void Unloaded();

  protected:
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    void BuildControls();
    void BuildMenus();
    QAction* AddMenuEntry(QMenu* menu, const char* name, const char* caption,
                          void (Form1::*handler)());
    void LoadDevices(bool vista);
    void ApplyFormatSettings();
    void ApplyFilterSettings();
    void ClaimHotkeys();
    void ShowMessage(const std::string& text, services::MsgIcon icon);
    void ConnectComponents();
    void PumpEvents();
    void StartRecording(bool interactive);
    void StartFailed(const std::string& reason, bool removeFile, bool interactive);
    void AddRow(const RecordingRow& row);
    QTreeWidgetItem* SelectedRow() const;
    void RenumberList();
    void FeedPlayer();
    void ShowPlaybackSamples(std::int64_t position);

    // Component events.
    void AudioRecord_EndArrayRecord(long nBlock);
    void AudioRecord_Timer(long CurrentSamples, int LevelLeft, int LevelRight);
    void AudioPlayer_Timer(long CurrentSamples, int LevelLeft, int LevelRight);
    void AudioPlayer_RequestOnLoadArray();
    void AudioPlayer_EndArrayPlay();
    void AudioPlayer_EndPlay();

    // Handlers named after their control and event.
    void cmdrecord_Click();
    void cmdStop_Click();
    void cmdPlay_Click();
    void cmdPause_Click();
    void DeviceCombo_Click(int index);
    void cmbSrcInput_Click(int index);
    void ListView1_DblClick();
    void ListView1_MouseUp(const QPoint& position);
    void slPosition_MouseDown();
    void slPosition_MouseUp();
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();
    void Command5_Click();
    void Command6_Click();
    void Command10_Click();
    void Command11_Click();
    void Command12_Click();
    void Command13_Click();
    void Command14_Click();
    void mnuNew_Click();
    void mnuOpen_Click();
    void mnuSave_Click();
    void mnuExit_Click();
    void mnuPlaySel_Click();
    void mnuRename_Click();
    void mnuRemove_Click();
    void mnuDelete_Click();
    void mnuRecord_Click();
    void mnuStop_Click();
    void mnuPlay_Click();
    void mnuPause_Click();
    void mnuStopPlay_Click();
    void mnuAudioPlayer_Click();
    void mnuConverter_Click();
    void mnuEditID3_Click();
    void mnuOutputFile_Click();
    void mnuFormat_Click();
    void mnuSchedule_Click();
    void mnuRecordControl_Click();
    void mnuHelpTopic_Click();
    void mnuHome_Click();
    void mnuSupport_Click();
    void mnuAbout_Click();

    audio::IAudioEngine& engine_;
    services::DesktopServices desktop_;
    std::string applicationFolder_;
    desktop::frmtray* tray_ = nullptr;
    audio::ISampleDisplay* av1Display_ = nullptr;
    audio::ISampleDisplay* levelDisplay_ = nullptr;
    std::function<OsVersion()> osVersionQuery_ = QueryOsVersion;
    std::function<std::string()> userNameQuery_;
    std::function<void()> showSchedule_;
    frmAbout* about_ = nullptr;

    bool loaded_ = false;
    bool exiting_ = false;
    bool hotkeyRecordClaimed_ = false;
    bool hotkeyStopClaimed_ = false;

    // Recording state: the current (or last) output file and its start.
    std::string outputPath_;
    std::string startTimeText_;
    bool stopping_ = false;
    bool inRecordTimer_ = false;

    // Playback state.
    bool playing_ = false;
    bool stopped_ = true;
    bool paused_ = false;
    bool dragging_ = false;
    std::int64_t totalSamples_ = 0;
    std::int64_t offset_ = 0;
    long blockLength_ = 0;
    int playChannels_ = 1;
    int playRate_ = 44100;
    std::string playingPath_;

  public:
    // Controls, named as the window's parts.
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
    QLabel* Label1 = nullptr;
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
};

}  // namespace qsr::app
