// Start-up: refuses a second copy, prepares the application folder, creates
// the engine objects and the windows and wires them together (AppWindows).
// Windows reach each other only through what is handed to them here.
#include <QApplication>
#include <QTimer>
#include <string>

#include "app/AppCore.h"
#include "app/AppWindows.h"
#include "app/windows/Form1.h"
#include "core/AppInfo.h"
#include "desktop/SingleInstance.h"
#include "platform/pulse/RealAudioEngine.h"
#include "platform/services/AppFolder.h"
#include "platform/services/HeldMessages.h"
#include "platform/services/windows/QtServices.h"
#include "platform/soundlib/SoundLibrary.h"

int main(int argc, char** argv) {
    using namespace qsr;
    QApplication app(argc, argv);
    QApplication::setApplicationName(core::kAppTitle);
    // The close box only hides the main window; exitsystem ends the program.
    QApplication::setQuitOnLastWindowClosed(false);

    services::QtMessageBox messageBox;
    desktop::LockFileInstance instance;
    if (!instance.Acquire()) {
        messageBox.Show("There is another copy of the application being executed!",
                        services::MsgIcon::Error, services::MsgButtons::Ok, core::kAppTitle);
        return 0;
    }

    const std::string folder = services::PrepareApplicationFolder();
    // The load reads settings.dat and schedule.dat before the main window
    // shows; what it has to say waits for the window and comes over it.
    services::HeldMessages startMessages(messageBox);
    app::RealDesktop realDesktop(startMessages, instance);
    const services::DesktopServices desktop = realDesktop.Services();
    auto engine = audio::CreateRealAudioEngine(desktop.inputBox);
    // The engine objects outlive every window; the tag editor's sound library
    // is opened on first use.
    app::AppCore engineObjects(*engine, desktop.eventPump, folder, soundlib::CreateSoundLibrary);
    app::Form1 window(engineObjects, desktop);
    app::AppWindows windows(engineObjects, window, desktop);
    windows.Wire();
    engineObjects.CreateComponents();
    window.Form_Load();
    windows.LoadAfterMainWindow();
    window.show();
    QTimer::singleShot(0, &window, [&startMessages] { startMessages.Release(); });
    return QApplication::exec();
}
