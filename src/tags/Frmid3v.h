#pragma once

#include <QDialog>
#include <array>
#include <memory>
#include <string>

#include "platform/services/Services.h"
#include "tags/FolderScan.h"

class QAction;
class QCheckBox;
class QFrame;
class QGroupBox;
class QLabel;
class QMenu;
class QMenuBar;
class QProgressBar;
class QTabBar;
class QTimer;
class QTreeWidget;
class QTreeWidgetItem;

namespace qsr::player {
class clsFMOD;
}
namespace qsr::soundlib {
class ISoundLibrary;
}

namespace qsr::tags {

class Frmid3vTree;
class FmodTagSource;

// Where the window keeps its settings in the per-user store.
inline constexpr const char* kEditorSettingsApp = "soundrecord";
inline constexpr const char* kEditorSettingsSection = "Settings";

// The "ID3 Editor" window: a folder tree, the MP3 files of the chosen folder
// with their tag kinds, sizes and dates, and the tag pages under them. Tags
// are read, and files previewed, through the sound library wrapper, which
// the window initialises at load and releases when it closes. Positions of
// the splitter are twips, as the stored "folderwidth" is.
class Frmid3v : public QDialog {
    Q_OBJECT
  public:
    Frmid3v(soundlib::ISoundLibrary& library, services::DesktopServices desktop,
            std::string applicationFolder, QWidget* parent = nullptr);
    ~Frmid3v() override;

    void Form_Load();
    // Saves the settings, stops playback and releases the wrapper; once only.
    void Form_Unload();

    void LoadSettings();
    void SaveSettings();
    // Lists the folder's MP3 files; ignored while a scan (hourglass) runs.
    void UpdateFolder(const std::string& folder);
    // Shows the tags of a file table entry on the pages.
    void RefreshItem(int index);
    int GetSelNum() const;
    // Writes the pages' values to the ticked (or the selected) files.
    void SaveItems();
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

    const TagFileTable& Table() const { return scan_->Table(); }
    bool SoundLibraryReady() const { return fmodOk_; }
    int ShownRecord() const { return shownRecord_; }
    std::uint8_t Option(int index) const { return opt_[static_cast<std::size_t>(index)]; }

  protected:
    void done(int result) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void AddRows(const std::vector<ScanRow>& rows);
    int SelectedRecord() const;  // 0 without a selected row
    void RefreshSelected();
    void UpdateLevels();
    void PlaceSplitter(int leftTwips);

    soundlib::ISoundLibrary& library_;
    services::DesktopServices desktop_;
    std::string applicationFolder_;
    std::unique_ptr<player::clsFMOD> fmod_;
    std::unique_ptr<FmodTagSource> source_;
    std::unique_ptr<FolderScan> scan_;
    bool fmodOk_ = false;
    bool loaded_ = false;
    bool unloaded_ = false;
    bool blnDrag_ = false;
    int dragLeft_ = 0;  // twips, the splitter's Left when the drag began
    // The splitter's Left in twips; the widget stands at the nearest pixel.
    int splitterLeft_ = 3600;
    int shownRecord_ = 0;
    std::array<std::uint8_t, 3> opt_{1, 0, 0};
    std::array<LongestText, 4> longest_;

    QMenuBar* menuBar_;
    QMenu* menPlaybackMenu_;
    std::array<QAction*, 5> menPlayback_{};
    QAction* menJump_;
    QMenu* menSelectMenu_;
    std::array<QAction*, 2> menSelect_{};
    QWidget* client_;
    Frmid3vTree* ftv_;
    QFrame* p_;
    QTreeWidget* lvw_;
    QProgressBar* prb_;
    QTabBar* tabs_;
    std::array<QGroupBox*, 2> frm_{};
    QGroupBox* Frame1_;
    std::array<QCheckBox*, 3> chkOpt_{};
    QLabel* lblTitle_;
    QProgressBar* vuLeft_;
    QProgressBar* vuRight_;
    QLabel* lblPosition_;
    QTimer* levelTimer_;
};

}  // namespace qsr::tags
