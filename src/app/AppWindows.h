#pragma once

#include <memory>
#include <string>

#include "desktop/SleepInhibitor.h"
#include "platform/services/Services.h"
#include "platform/services/windows/QtServices.h"

namespace qsr::app {
class AppCore;
class Form1;
class frmAbout;
}  // namespace qsr::app
namespace qsr::converter {
class frmcov;
}
namespace qsr::desktop {
class frmtray;
}
namespace qsr::mediaplayer {
class RealMediaControl;
}
namespace qsr::player {
class MPlay3;
}
namespace qsr::schedule {
class Form5;
}
namespace qsr::settings {
class Form2;
}
namespace qsr::tags {
class Frmid3v;
}
namespace qsr::trim {
class TrimWindow;
}

namespace qsr::app {

// The program's desktop services on the real desktop, alive while it runs.
class RealDesktop {
  public:
    RealDesktop(services::IMessageBox& messageBox, services::ISingleInstance& instance);
    ~RealDesktop();
    services::DesktopServices Services();

  private:
    services::IMessageBox& messageBox_;
    services::ISingleInstance& instance_;
    services::QtFileDialog fileDialog_;
    services::QtFolderPicker folderPicker_;
    services::QtInputBox inputBox_;
    services::QtUserSettings userSettings_;
    services::QtUrlOpener urlOpener_;
    services::QtProcessStarter processStarter_;
    services::QtEventPump eventPump_;
    services::QtModalRunner modal_;
    std::unique_ptr<services::IHotkeyRegistrar> hotkeys_;
};

// Every window besides the main one, and how they meet: each is created on
// first use (the schedule list and the tray at once) and kept until
// shut-down; the main window opens them through the openers handed to it;
// the exit unloads them in a fixed order. Windows reach each other only
// through what is wired here.
class AppWindows {
  public:
    AppWindows(AppCore& core, Form1& window, services::DesktopServices desktop);
    ~AppWindows();
    AppWindows(const AppWindows&) = delete;
    AppWindows& operator=(const AppWindows&) = delete;

    // The main window's openers and tray, the schedule's targets, the exit.
    void Wire();
    // After the main window's load: the sleep watch on the session and the
    // schedule list's load (its clock runs from then on, shown or not).
    void LoadAfterMainWindow();

  private:
    void OpenAbout();
    void OpenConverter();
    void OpenFormatSettings();
    void OpenId3Editor();
    void OpenAudioPlayer();
    void OpenTrim(const std::string& path);
    // The start of exitsystem, before the recording is finished: the
    // schedule clock stopped, the player stopped, and every running
    // conversion, tag save and folder scan cancelled and waited for.
    void StopWork();
    // The end of exitsystem: the windows unloaded in order; the program ends
    // once control is back in the event loop.
    void UnloadAll();
    // No suspend while a recording runs or a scheduled one is about to start.
    void KeepAwake();

    AppCore& core_;
    Form1& window_;
    services::DesktopServices desktop_;
    std::string folder_;

    std::unique_ptr<frmAbout> about_;
    std::unique_ptr<converter::frmcov> converterWindow_;
    std::unique_ptr<tags::Frmid3v> id3Editor_;
    std::unique_ptr<trim::TrimWindow> trimWindow_;
    // The Formats and Filters dialog exists while it is shown; its option
    // dialogs write their new description back into it.
    std::unique_ptr<settings::Form2> formatsDialog_;
    desktop::SleepInhibitor sleepInhibitor_;
    bool recordingRuns_ = false;
    bool slotPending_ = false;
    // The player and its media control live while the window is open; each
    // opening starts with an empty playlist.
    std::unique_ptr<mediaplayer::RealMediaControl> playerControl_;
    std::unique_ptr<player::MPlay3> playerWindow_;
    std::unique_ptr<schedule::Form5> scheduleWindow_;
    std::unique_ptr<desktop::frmtray> tray_;
};

}  // namespace qsr::app
