#pragma once

#include <QDialog>
#include <QStringList>
#include <array>
#include <chrono>
#include <functional>
#include <memory>
#include <string>

#include "platform/services/Services.h"
#include "tags/FolderScan.h"
#include "tags/TagPages.h"
#include "tags/TagSave.h"
#include "tags/TagWork.h"

class QAction;
class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QMenuBar;
class QPlainTextEdit;
class QProgressBar;
class QProgressDialog;
class QTabBar;
class QTimer;
class QToolBar;
class QTreeView;

namespace qsr::soundlib {
class ISoundLibrary;
}

namespace qsr::tags {

class clsFMOD;
class Frmid3vTree;
class TagFileListModel;

// Where the window keeps its settings in the per-user store.
inline constexpr const char* kEditorSettingsApp = "soundrecord";
inline constexpr const char* kEditorSettingsSection = "Settings";

// The "ID3 Editor" window: a folder tree, the MP3 files of the chosen folder
// with their tag kinds, sizes and dates, and the tag pages under them. Tags
// are read, and files previewed, through the sound library wrapper, which
// the window initialises at load and releases when it closes; they are
// written through the tag classes, ID3v2 with the engine's tag component.
// Positions of the splitter are twips, as the stored "folderwidth" is.
class Frmid3v : public QDialog {
    Q_OBJECT
  public:
    Frmid3v(soundlib::ISoundLibrary& library, audio::IAudioEngine& tagEngine,
            services::DesktopServices desktop, std::string applicationFolder,
            QWidget* parent = nullptr);
    ~Frmid3v() override;

    void Form_Load();
    // Saves the settings, stops playback and releases the wrapper; once only.
    // A running scan or save is cancelled and waited for first (a few seconds
    // at most; past that its worker ends alone, touching nothing of this).
    void Form_Unload();
    // For shut-down: a running scan or save stops after the file in hand;
    // false when its worker still runs after `bound`.
    bool StopWork(std::chrono::milliseconds bound);
    // A scan, a save or a ReplayGain run is on, or its end is not yet shown.
    bool Working() const { return working_; }
    // Where a scan's worker gets a sound library of its own (by default a
    // new one of the program's kind): the window's one serves the preview.
    void SetScanLibrary(std::function<std::unique_ptr<soundlib::ISoundLibrary>()> make) {
        makeScanLibrary_ = std::move(make);
    }

    void LoadSettings();
    void SaveSettings();
    // Lists the folder's MP3 files; ignored while a scan (hourglass) runs.
    void UpdateFolder(const std::string& folder);
    // Shows on the pages what a save would write to: with two or more ticked
    // rows the values the ticked files share, with one the ticked file, else
    // the selected file or entry `index`; with none, empty disabled pages.
    void RefreshItem(int index);
    int GetSelNum() const;
    // Writes what the user changed on the pages since they were filled to the
    // ticked (or the selected) files, each keeping the rest of its tags; the
    // files whose tags could not be written are named in one message and
    // keep their old values in the table and the list. Nothing without rows.
    void SaveItems();
    // Tells whether a recording is being written into a path; a save never
    // writes that file and names it in its message.
    void SetRecordingQuery(std::function<bool(const std::string& path)> query) {
        isRecording_ = std::move(query);
    }
    // "ReplayGain...": measures the ticked (or the selected) files in a worker
    // with a progress dialog that can cancel, writes their track and album
    // values as `quorvin-cli loudness --tag` does, names every file it had
    // to skip and why, and draws their rows again.
    void menReplayGain_Click();
    // "pause", "forward", "back", "jump", empty (stop) or a file name (play it).
    void Playback(const std::string& command);

    // Splitter events, x relative to the splitter, in twips.
    void p_MouseDown();
    void p_MouseMove(int x);
    void p_MouseUp(int x);
    int SplitterLeft() const;  // twips

    void menSelect_Click(int index);
    void menPlayback_Click(int index);
    void menJump_Click();
    void chkOpt_Click(int index);
    void tabs_Click(int position);  // 1-based, as the tab strip counts
    // Toolbar button (1 Revert, 2 Save, 4 and 5 copy, 7 Playback) of either page.
    void tbr_ButtonClick(int page, int button);
    void chkv1_Click();
    void chkv2_Click();

    // What the pages hold now.
    PageValues Pages() const;

    // Adds a batch of scanned rows to the list in one insertion.
    void AddRows(const std::vector<ScanRow>& rows);

    const TagFileTable& Table() const { return table_; }
    bool SoundLibraryReady() const { return fmodOk_; }
    int ShownRecord() const { return shownRecord_; }
    std::uint8_t Option(int index) const { return opt_[static_cast<std::size_t>(index)]; }
    // The file list and its rows, in the order shown.
    QTreeView* FileList() const { return lvw_; }
    TagFileListModel* FileModel() const { return files_; }

  protected:
    void done(int result) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // A scan or save has returned: a folder asked for meanwhile is listed now.
    void FinishWork();
    void ScanEnded();
    void SaveEnded(const std::vector<std::string>& failures);
    void ReplayGainEnded(const ReplayGainReport& report);
    void CloseReplayGainProgress();
    void BuildMenus();
    void BuildControls();
    void BuildList(int left);
    void BuildOptions();
    void BuildMeters();
    void ConnectControls();
    // Each column as wide as its longest text and its padding.
    void FitColumns();
    // "Filename" header clicked: by name, ascending first, then each way in turn.
    void SortByName();
    // The list's menu from the keyboard, under the current row.
    void PopUpListMenu();
    int SelectedRecord() const;  // 0 without a selected row
    void RefreshSelected();
    void UpdateLevels();
    void PlaceSplitter(int leftTwips);
    void BuildPages();
    void BuildV1Page(const QStringList& genres);
    void BuildV2Page(const QStringList& genres);
    // `target` false: no file to show, the tag boxes are disabled too.
    void ShowPages(const PageValues& pages, bool target = true);
    void SetV1Enabled(bool enabled);
    void SetV2Enabled(bool enabled);
    std::string V2Text(int box) const;
    void SetV2Text(int box, const std::string& text);
    void UpdateGrabbedTitle();

    soundlib::ISoundLibrary& library_;
    services::DesktopServices desktop_;
    std::string applicationFolder_;
    std::unique_ptr<clsFMOD> fmod_;
    std::function<std::unique_ptr<soundlib::ISoundLibrary>()> makeScanLibrary_;
    TagFileTable table_{1};
    std::unique_ptr<ScanJob> scanJob_;
    std::unique_ptr<SaveJob> saveJob_;
    std::unique_ptr<ReplayGainJob> replayGainJob_;
    std::optional<std::string> pendingFolder_;  // picked during a scan or a save
    std::string listedFolder_;
    int generation_ = 0;  // a job's calls arriving after an unload are dropped
    bool fmodOk_ = false;
    bool loaded_ = false;
    bool unloaded_ = false;
    bool working_ = false;  // a scan, a save or a ReplayGain run is on the stack
    bool blnDrag_ = false;
    int dragLeft_ = 0;  // twips, the splitter's Left when the drag began
    // The splitter's Left in twips; the widget stands at the nearest pixel.
    int splitterLeft_ = 3600;
    int shownRecord_ = 0;
    PageValues filled_;  // what the pages were last filled with
    std::function<bool(const std::string& path)> isRecording_;
    std::array<std::uint8_t, 3> opt_{1, 0, 0};

    QMenuBar* menuBar_;
    QMenu* menPlaybackMenu_;
    std::array<QAction*, 5> menPlayback_{};
    QAction* menJump_;
    QMenu* menSelectMenu_;
    std::array<QAction*, 2> menSelect_{};
    QAction* menSort_;
    QAction* menReplayGain_;
    QProgressDialog* replayGainProgress_ = nullptr;  // while a ReplayGain run is on
    QWidget* client_;
    Frmid3vTree* ftv_;
    QFrame* p_;
    QTreeView* lvw_;
    TagFileListModel* files_;
    QProgressBar* prb_;
    QTabBar* tabs_;
    std::array<QGroupBox*, 2> frm_{};
    QGroupBox* Frame1_;
    std::array<QCheckBox*, 3> chkOpt_{};
    QLabel* lblTitle_;
    QCheckBox* chkv1_ = nullptr;
    QCheckBox* chkv2_ = nullptr;
    std::array<QLineEdit*, kV1Boxes> txtv1_{};
    std::array<QLineEdit*, kV2Boxes> txtv2_{};  // the comment box is txtv2Comment_
    QPlainTextEdit* txtv2Comment_ = nullptr;
    QComboBox* cmbv1_ = nullptr;
    QComboBox* cmbv2_ = nullptr;
    std::array<QToolBar*, 2> tbr_{};
    QProgressBar* vuLeft_;
    QProgressBar* vuRight_;
    QLabel* lblPosition_;
    QTimer* levelTimer_;
};

}  // namespace qsr::tags
