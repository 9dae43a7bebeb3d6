#pragma once

#include <QSystemTrayIcon>
#include <QWidget>
#include <functional>
#include <string>

class QMenu;

namespace qsr::desktop {

// What the tray menu calls in the rest of the program.
struct TrayTargets {
    std::function<void()> showMain;      // main window to normal state, then shown
    std::function<void()> startRecord;   // StartRecord
    std::function<void()> stopRecord;    // StopRecord
    std::function<void()> setMarker;     // a marker in the running recording
    std::function<void()> showSettings;  // the Formats and Filters dialog, modal
    std::function<void()> openHelp;
    std::function<void()> openWeb;  // the product's home page
    std::function<void()> exitSystem;
};

// Icon messages as the tray reports them.
inline constexpr int kIconLeftButtonUp = 514;
inline constexpr int kIconRightButtonUp = 517;

// The tip: the title, cut so that it fits the 64-character field with its
// terminating NUL (63 characters at most).
std::string TrayTip(const std::string& title);

// The hidden window that owns the notification-area icon and its menu.
class frmtray : public QWidget {
    Q_OBJECT
  public:
    frmtray(const std::string& title, TrayTargets targets, QWidget* parent = nullptr);
    ~frmtray() override;

    // Adds the icon; where the desktop has no tray the program runs without it.
    void AddIcon();
    // Removes the icon (shut-down).
    void DeleteIcon();
    bool IconShown() const;

    // An icon message: 514 shows the main window, 517 pops the menu up at
    // the pointer, anything else is ignored.
    void Form_MouseMove(int message);

    QMenu* mPopupSys() const { return mPopupSys_; }
    QSystemTrayIcon* TrayIcon() const { return icon_; }

  private:
    void web_Click();
    void Help_Click();
    void maindisp_Click();
    void Option_Click();
    void settings_Click();
    void Restore_Click();
    void Marker_Click();
    void Exit_Click();
    void OnActivated(QSystemTrayIcon::ActivationReason reason);

    TrayTargets targets_;
    QMenu* mPopupSys_ = nullptr;
    QSystemTrayIcon* icon_ = nullptr;
};

}  // namespace qsr::desktop
