#pragma once

#include <QDialog>
#include <functional>
#include <string>

#include "platform/mediaplayer/MediaControl.h"
#include "platform/services/Services.h"
#include "player/PlayerList.h"
#include "player/RefusalNotices.h"
#include "player/windows/WatchedMediaControl.h"

class QLabel;
class QLineEdit;
class QListWidget;
class QRadioButton;
class QTimer;
class QMenu;
class QWidget;

namespace qsr::player {

class FaceButton;
class FaceKnob;

// The "Audio Player" window: a small player face of its own drawing over the
// media control am1, with a playlist that lives as long as the window.
// Geometry is kept in twips (15 to a pixel) so the mode tests compare exact
// heights. Handlers are public so tests drive them as the controls do.
class MPlay3 : public QDialog {
    Q_OBJECT
  public:
    // settingsApp: the per-user store's application name (the executable's
    // base name); applicationFolder: where the skin is.
    MPlay3(mediaplayer::IMediaControl& am1, services::DesktopServices desktop,
           std::string settingsApp, const std::string& applicationFolder,
           QWidget* parent = nullptr);
    ~MPlay3() override;

    void Form_Load();
    // Saves the position and stops playback; runs once, however the window
    // goes (the "Exit" image, Escape, the main window's shut-down).
    void Form_Unload();

    // Open a file: filter F2, add it, play it (the "Add Songs" button).
    void openfile_Click();
    // The same, adding without playing ("Add Song").
    void Image3_Click();
    void play_Click();
    void Image10_Click();
    // row -1 (a double-click beside the entries) asks for a file.
    void lstfavs_DblClick(int row);
    void next_Click();
    void previous_Click();
    void pause_Click();
    void stop_Click();
    void am1_EndOfStream();
    void shuffle_Click();
    void repeat_Click();
    void Image9_Click();
    void directory_Click();
    void addfile_Click();
    void list_Click();
    void LOADLIST_Click();
    void savelist_Click();

    // Knobs: pointer X in screen pixels.
    void islider_MouseDown(int x);
    void islider_MouseMove(int x);
    void islider_MouseUp();
    void balance_MouseDown(int x);
    void balance_MouseMove(int x);
    void balance_MouseUp();

    void pluss_MouseDown();
    void minus_MouseDown();
    void volume_MouseUp();
    void TVolum_Timer();

    void Image4_Click();
    void Image15_Click();
    void Image2_Click();
    void Image1_Click();
    void plup_MouseDown();
    void pldown_MouseMove();

    void Timer55_Timer();
    void Timer5_Timer();
    void Timer4_Timer();
    void Timer1_Timer();
    void Timer7_Timer();
    void Timer3_Timer();
    void toppicture_Timer();
    void Timer6_Timer();

    int HeightTwips() const { return heightTwips_; }
    void SetHeightTwips(int twips);
    int SliderLeft() const { return sliderLeft_; }
    int BalanceLeft() const { return balanceLeft_; }
    const PlayerList& Playlist() const { return playlist_; }
    QString Title() const;
    bool Shuffled() const;
    bool Repeating() const { return repeating_; }
    bool OnTop() const { return onTop_; }
    // The shuffle draw's source of r in [0, 1); the default is one generator
    // seeded once from the system's entropy.
    void SetRandomSource(std::function<double()> random) { random_ = std::move(random); }
    const std::function<double()>& RandomSource() const { return random_; }

    // Unloads the window, then closes it.
    void done(int result) override;

  protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    // Asks for a file with filter; empty when cancelled.
    std::string AskFile(const char* filter);
    void OpenFile(bool play);
    // Plays a chosen file (a metafile's first entry) and appends it.
    void PlayAndAppend(const std::string& path);
    // Makes an entry current and plays it.
    void PlayEntry(int row);
    void Append(const std::string& path);
    void SetTitle(const QString& text);
    void SelectRow(int row);
    void PlayCurrent();
    void PlaceKnob(FaceKnob* knob, int leftTwips, int topTwips);
    void ShowBars(int count);
    // The face's controls in their places (MPlay3Layout.cpp).
    void BuildFace();
    void BuildTitleStrip();
    void BuildDisplay();
    void BuildKnobsAndVolume();
    void BuildKeys();
    void BuildStateHolders();
    void BuildMenu();
    // Runs the clocks that have something to show and brings the position
    // display up to date; called whenever playback, the title or the
    // window's visibility changes.
    void UpdateClocks(bool visible);
    void UpdateClocks() { UpdateClocks(isVisible()); }
    // A file refused for a reason worth telling (a missing module): told in
    // a box once the running handler is done, not in the middle of it.
    void Refused(const QString& why);
    void TellRefusals();

    WatchedMediaControl watched_;
    mediaplayer::IMediaControl& am1_;
    services::DesktopServices desktop_;
    std::string settingsApp_;
    PlayerList playlist_;
    std::function<double()> random_;

    int heightTwips_ = 0;
    int sliderLeft_ = 0;
    int balanceLeft_ = 0;
    int label24Left_ = 0;
    bool isDragging_ = false;
    int dragStartX_ = 0;
    int dragKnobLeft_ = 0;
    bool volumeUp_ = false;
    bool repeating_ = false;
    bool onTop_ = false;
    bool loaded_ = false;
    bool unloaded_ = false;
    bool syncing_ = false;
    bool playingOn_ = false;  // the list moves on by itself (an end of stream)
    RefusalNotices refusals_;

    QWidget* PicDisplay_;
    QLabel* Label24_;
    QLabel* Label20_;
    QLabel* toptime_;
    QWidget* toppic_;
    QLabel* VolumInd_;
    QLabel* LVol_[6];
    QLabel* Labelpause_;
    QLineEdit* ext_;
    QRadioButton* optres_;
    QRadioButton* optrnd_;
    QListWidget* lstfavs_;
    QListWidget* List1_;
    QWidget* filebar_;
    QWidget* listbar_;
    QLabel* shuffleon_;
    QLabel* repeaton_;
    FaceKnob* islider_;
    FaceKnob* balance_;
    FaceButton* plup_;
    FaceButton* pldown_;
    FaceButton* smallTransport_[5];

    QTimer* Timer55_;
    QTimer* TVolum_;
    QTimer* Timer5_;
    QTimer* Timer4_;
    QTimer* Timer7_;
    // The face's right-click menu: the file, playlist and order commands.
    QMenu* menu_;
};

}  // namespace qsr::player
