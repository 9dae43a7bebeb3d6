#include <QApplication>

#include "app/Form1.h"
#include "app/OsName.h"
#include "desktop/SingleInstance.h"
#include "desktop/X11Hotkeys.h"
#include "desktop/frmtray.h"
#include "platform/audio/AudioEngine.h"
#include "platform/services/AppFolder.h"
#include "platform/services/QtServices.h"
#include "schedule/Form5.h"
#include "schedule/Form6.h"

int main(int argc, char** argv) {
    using namespace qsr;
    QApplication app(argc, argv);
    QApplication::setApplicationName(app::kAppTitle);
    // The close box only hides the main window; exitsystem ends the program.
    QApplication::setQuitOnLastWindowClosed(false);

    services::QtMessageBox messageBox;
    desktop::LockFileInstance instance;
    if (!instance.Acquire()) {
        messageBox.Show("There is another copy of the application being executed!",
                        services::MsgIcon::Error, services::MsgButtons::Ok, app::kAppTitle);
        return 0;
    }

    const std::string folder = services::PrepareApplicationFolder();
    services::QtFileDialog fileDialog;
    services::QtFolderPicker folderPicker;
    services::QtInputBox inputBox;
    services::QtUserSettings userSettings;
    services::QtUrlOpener urlOpener;
    services::QtProcessStarter processStarter;
    services::QtEventPump eventPump;
    services::QtModalRunner modal;
    desktop::X11HotkeyRegistrar hotkeys;

    services::DesktopServices desktop;
    desktop.messageBox = &messageBox;
    desktop.fileDialog = &fileDialog;
    desktop.folderPicker = &folderPicker;
    desktop.inputBox = &inputBox;
    desktop.userSettings = &userSettings;
    desktop.urlOpener = &urlOpener;
    desktop.processStarter = &processStarter;
    desktop.hotkeys = &hotkeys;
    desktop.singleInstance = &instance;
    desktop.eventPump = &eventPump;
    desktop.modal = &modal;

    auto engine = audio::CreateRealAudioEngine(&inputBox);
    app::Form1 window(*engine, desktop, folder);

    desktop::TrayTargets targets;
    targets.showMain = [&window] { window.ShowMain(); };
    targets.startRecord = [&window] { window.StartRecord(); };
    targets.stopRecord = [&window] { window.StopRecord(); };
    targets.showSettings = [&window] { window.ShowFormatSettings(); };
    targets.openHelp = [&window] { window.OpenHelp(); };
    targets.openWeb = [&window] { window.OpenWebPage(app::kHomePage); };
    targets.exitSystem = [&window] { window.exitsystem(); };
    desktop::frmtray tray(app::kAppTitle, targets);
    tray.AddIcon();
    window.SetTray(&tray);

    QObject::connect(&window, &app::Form1::Unloaded, &app, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    window.Form_Load();

    // The schedule list loads hidden once the main window is loaded; its
    // clock runs from here to the end of the program, shown or not.
    schedule::ScheduleTargets scheduleTargets;
    scheduleTargets.startRecord = [&window] { window.StartScheduledRecord(); };
    scheduleTargets.stopRecord = [&window] { window.StopRecord(); };
    scheduleTargets.addSlot = [&folder, desktop] {
        return schedule::ShowScheduler(folder, desktop);
    };
    schedule::Form5 scheduleWindow(folder, desktop, scheduleTargets);
    scheduleWindow.Form_Load();
    window.SetShowSchedule([&modal, &scheduleWindow] { modal.Exec(scheduleWindow); });
    QObject::connect(&window, &app::Form1::Unloaded, &scheduleWindow,
                     &schedule::Form5::Form_Unload);

    window.show();
    return QApplication::exec();
}
