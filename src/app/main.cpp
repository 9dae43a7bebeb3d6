// Start-up: refuses a second copy, prepares the application folder, creates
// the windows and wires them together. Windows reach each other only through
// what is handed to them here.
#include <QApplication>
#include <QFileInfo>
#include <QTimer>
#include <chrono>
#include <memory>

#include "app/Form1.h"
#include "app/frmAbout.h"
#include "converter/frmcov.h"
#include "core/AppInfo.h"
#include "desktop/MprisService.h"
#include "desktop/PortalHotkeys.h"
#include "desktop/SingleInstance.h"
#include "desktop/SleepInhibitor.h"
#include "desktop/X11Hotkeys.h"
#include "desktop/frmtray.h"
#include "platform/audio/RealAudioEngine.h"
#include "platform/mediaplayer/RealMediaControl.h"
#include "platform/services/AppFolder.h"
#include "platform/services/QtServices.h"
#include "platform/soundlib/SoundLibrary.h"
#include "player/MPlay3.h"
#include "player/WatchedMediaControl.h"
#include "schedule/Form5.h"
#include "schedule/Form6.h"
#include "settings/Form2.h"
#include "settings/Form4.h"
#include "settings/FormatValues.h"
#include "settings/MixerPage.h"
#include "settings/frmFLAC.h"
#include "settings/frmG726.h"
#include "settings/frmMP3.h"
#include "settings/frmOPUS.h"
#include "settings/frmOgg.h"
#include "settings/frmRAW.h"
#include "settings/frmVOX.h"
#include "settings/frmWAV.h"
#include "tags/Frmid3v.h"

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
    services::QtFileDialog fileDialog;
    services::QtFolderPicker folderPicker;
    services::QtInputBox inputBox;
    services::QtUserSettings userSettings;
    services::QtUrlOpener urlOpener;
    services::QtProcessStarter processStarter;
    services::QtEventPump eventPump;
    services::QtModalRunner modal;
    std::unique_ptr<services::IHotkeyRegistrar> hotkeys;
    if (desktop::UsePortalHotkeys(QGuiApplication::platformName(),
                                  qEnvironmentVariable("XDG_SESSION_TYPE")))
        hotkeys = std::make_unique<desktop::PortalHotkeyRegistrar>(QDBusConnection::sessionBus());
    else
        hotkeys = std::make_unique<desktop::X11HotkeyRegistrar>();

    services::DesktopServices desktop;
    desktop.messageBox = &messageBox;
    desktop.fileDialog = &fileDialog;
    desktop.folderPicker = &folderPicker;
    desktop.inputBox = &inputBox;
    desktop.userSettings = &userSettings;
    desktop.urlOpener = &urlOpener;
    desktop.processStarter = &processStarter;
    desktop.hotkeys = hotkeys.get();
    desktop.singleInstance = &instance;
    desktop.eventPump = &eventPump;
    desktop.modal = &modal;

    auto engine = audio::CreateRealAudioEngine(&inputBox);
    // The current parameters of every format, shared by the main window and
    // the format dialogs.
    settings::FormatValues formatValues;
    app::Form1 window(*engine, desktop, folder);
    window.SetFormatValues(formatValues);

    // Windows are created on first use and kept until shut-down.
    std::unique_ptr<app::frmAbout> about;
    std::unique_ptr<converter::frmcov> converterWindow;
    // The tag editor's sound library outlives the editor, which closes it.
    std::unique_ptr<soundlib::ISoundLibrary> soundLibrary;
    std::unique_ptr<tags::Frmid3v> id3Editor;
    // The Formats and Filters dialog exists while it is shown; its option
    // dialogs write their new description back into it.
    std::unique_ptr<settings::Form2> formatsDialog;
    auto setSummary = [&formatsDialog](core::Encoder which) {
        return [&formatsDialog, which](const std::string& text) {
            if (formatsDialog) formatsDialog->SetSummary(which, text);
        };
    };
    auto execModal = [&modal](QDialog& dialog) { return modal.Exec(dialog); };

    // No suspend while a recording runs or a scheduled one is about to start.
    desktop::SleepInhibitor sleepInhibitor(QDBusConnection::sessionBus(),
                                           QDBusConnection::systemBus());
    bool recordingRuns = false;
    bool slotPending = false;
    const auto keepAwake = [&] {
        if (recordingRuns || slotPending)
            sleepInhibitor.Hold(recordingRuns ? "Recording" : "Scheduled recording");
        else
            sleepInhibitor.Release();
    };
    // The player and its media control live while the window is open; each
    // opening starts with an empty playlist.
    std::unique_ptr<mediaplayer::RealMediaControl> playerControl;
    std::unique_ptr<player::MPlay3> playerWindow;

    // The schedule list: loaded hidden once the main window is loaded; its
    // clock runs from then to the end of the program, shown or not.
    schedule::ScheduleTargets scheduleTargets;
    scheduleTargets.startRecord = [&window] { window.StartScheduledRecord(); };
    scheduleTargets.stopRecord = [&window] { window.StopRecord(); };
    scheduleTargets.slotPending = [&](bool pending) {
        slotPending = pending;
        keepAwake();
    };
    scheduleTargets.addSlot = [&folder, desktop] {
        return schedule::ShowScheduler(folder, desktop);
    };
    schedule::Form5 scheduleWindow(folder, desktop, scheduleTargets);
    QObject::connect(&window, &app::Form1::ScheduledRecordingDeviceLost, &scheduleWindow,
                     &schedule::Form5::NoteDeviceLost);

    app::WindowOpeners openers;
    openers.schedule = [&modal, &scheduleWindow] { modal.Exec(scheduleWindow); };
    openers.about = [&] {
        if (!about) about = std::make_unique<app::frmAbout>(&window);
        modal.Exec(*about);
    };
    openers.converter = [&] {
        if (!converterWindow) {
            converterWindow =
                std::make_unique<converter::frmcov>(*engine, desktop, folder, &window);
            converterWindow->Form_Load();
        }
        modal.Exec(*converterWindow);
    };
    openers.formatSettings = [&] {
        if (formatsDialog) return;  // already open
        settings::FormatOptionOpeners options;
        options.mp3 = [&] {
            settings::ShowMp3Options(*engine, window.FileComponent(), formatValues, folder,
                                     setSummary(core::Encoder::Mp3), execModal,
                                     formatsDialog.get());
        };
        // The other option dialogs: each writes its section of settings.dat
        // and sets its format on the main window's file component.
        const std::string settingsFile = services::AppPath(folder, settings::kSettingsFileName);
        const auto optionDialog = [&](auto show, core::Encoder which) {
            return [&, show, which] {
                if (audio::IAudioFile* file = window.FileComponent())
                    show(desktop, *file, formatValues, settingsFile, setSummary(which),
                         formatsDialog.get());
            };
        };
        options.ogg = optionDialog(&settings::ShowOggOptions, core::Encoder::Ogg);
        options.wav = optionDialog(&settings::ShowWavOptions, core::Encoder::Wav);
        options.vox = optionDialog(&settings::ShowVoxOptions, core::Encoder::Vox);
        options.raw = optionDialog(&settings::ShowRawOptions, core::Encoder::Raw);
        options.g726 = optionDialog(&settings::ShowG726Options, core::Encoder::G726);
        options.flac = optionDialog(&settings::ShowFlacOptions, core::Encoder::Flac);
        options.opus = optionDialog(&settings::ShowOpusOptions, core::Encoder::Opus);
        formatsDialog = std::make_unique<settings::Form2>(window.Recorder(), window.FileComponent(),
                                                          formatValues, folder, options, &window);
        formatsDialog->SetMessageBox(desktop.messageBox);
        // The "Mixer" page of the current capture device; Form2 takes it over.
        if (audio::IAudioRecorder* recorder = window.Recorder()) {
            auto* page = new settings::MixerPage(*recorder, desktop, folder);
            formatsDialog->SetMixerPage(page, [page](int n) { page->BuildMixerPage(n); });
        }
        formatsDialog->Form_Load();
        modal.Exec(*formatsDialog);
        formatsDialog.reset();
    };
    openers.outputFiles = [&folder, desktop, &window] {
        settings::ShowOutputFiles(folder, desktop, &window);
    };
    openers.id3Editor = [&] {
        if (!soundLibrary) soundLibrary = soundlib::CreateSoundLibrary();
        if (!id3Editor) {
            id3Editor =
                std::make_unique<tags::Frmid3v>(*soundLibrary, *engine, desktop, folder, &window);
            id3Editor->SetRecordingQuery(
                [&window](const std::string& path) { return window.IsBeingRecorded(path); });
        }
        id3Editor->Form_Load();  // each opening loads it anew; closing unloads it
        modal.Exec(*id3Editor);
    };
    openers.audioPlayer = [&] {
        if (playerWindow) return;
        playerControl = std::make_unique<mediaplayer::RealMediaControl>();
        // What the window starts, stops or moves reaches the desktop at once;
        // while it plays, the media service refreshes by itself.
        desktop::MprisService* mediaService = nullptr;
        player::WatchedMediaControl announced(*playerControl, [&mediaService] {
            if (mediaService) mediaService->Refresh();
        });
        playerWindow = std::make_unique<player::MPlay3>(
            announced, desktop,
            QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName().toStdString(),
            folder, &window);
        playerWindow->Form_Load();
        // While the player is open the desktop's media keys and sound menu
        // reach it.
        desktop::MprisTargets media;
        media.playPause = [&] { playerWindow->pause_Click(); };
        media.play = [&] {
            if (!playerControl->Playing()) playerWindow->pause_Click();
        };
        media.pause = [&] {
            if (playerControl->Playing()) playerWindow->pause_Click();
        };
        media.stop = [&] { playerWindow->stop_Click(); };
        media.next = [&] { playerWindow->next_Click(); };
        media.previous = [&] { playerWindow->previous_Click(); };
        media.status = [&] {
            return playerControl->Playing()  ? desktop::MprisStatus::Playing
                   : playerControl->Paused() ? desktop::MprisStatus::Paused
                                             : desktop::MprisStatus::Stopped;
        };
        media.title = [&] { return QFileInfo(playerControl->FileName()).fileName(); };
        media.lengthSeconds = [&] { return playerControl->Duration(); };
        media.positionSeconds = [&] { return playerControl->CurrentPosition(); };
        media.volume = [&] {
            const auto gains = mediaplayer::GainsFor(playerControl->Volume(), 0);
            return gains.left;
        };
        desktop::MprisService mpris(QDBusConnection::sessionBus(), media);
        mediaService = &mpris;
        modal.Exec(*playerWindow);
        mediaService = nullptr;
        playerWindow.reset();
        playerControl.reset();
    };
    window.SetWindowOpeners(openers);

    desktop::TrayTargets targets;
    targets.showMain = [&window] { window.ShowMain(); };
    targets.startRecord = [&window] { window.StartRecord(); };
    targets.stopRecord = [&window] { window.StopRecord(); };
    targets.showSettings = [&window] { window.ShowFormatSettings(); };
    targets.openHelp = [&window] { window.OpenHelp(); };
    targets.openWeb = [&window] { window.OpenWebPage(app::kHomePage); };
    targets.exitSystem = [&window] { window.exitsystem(); };
    desktop::frmtray tray(core::kAppTitle, targets);
    tray.AddIcon();
    window.SetTray({[&tray] { tray.DeleteIcon(); }, [&tray] { return tray.IconShown(); }});

    // The end of exitsystem unloads the other windows in this order (Form2,
    // About, Form4, Form5, Form6, frmcov, the option dialogs, Frmid3v, MPlay3,
    // frmtray); the program ends once control is back in the event loop.
    // Long work is cancelled and its workers waited for first. Windows are
    // closed here but deleted only when main returns: exit may come from
    // inside one of their calls (a modal loop, a file dialog), and the quit
    // below unwinds those first.
    QObject::connect(&window, &app::Form1::Unloaded, &app, [&] {
        constexpr std::chrono::seconds kWorkerBound{5};
        if (converterWindow) converterWindow->StopWork(kWorkerBound);
        if (id3Editor) id3Editor->StopWork(kWorkerBound);
        if (formatsDialog) formatsDialog->Command2_Click();  // its opener deletes it
        if (about) about->done(0);
        scheduleWindow.Form_Unload();  // saves schedule.dat
        if (converterWindow) converterWindow->done(0);
        if (id3Editor) id3Editor->reject();  // unloads it
        // Saves its position and ends its modal loop; the opener frees it.
        if (playerWindow) playerWindow->done(0);
        tray.close();
        QTimer::singleShot(0, &app, &QCoreApplication::quit);
    });
    window.Form_Load();
    QObject::connect(&window.Session(), &recording::RecordingSession::Started, &sleepInhibitor,
                     [&] {
                         recordingRuns = true;
                         keepAwake();
                     });
    QObject::connect(&window.Session(), &recording::RecordingSession::Finished, &sleepInhibitor,
                     [&] {
                         recordingRuns = false;
                         keepAwake();
                     });
    scheduleWindow.Form_Load();
    window.show();
    return QApplication::exec();
}
