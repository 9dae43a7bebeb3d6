#include "app/AppWindows.h"

#include <QApplication>
#include <QFileInfo>
#include <QTimer>
#include <chrono>

#include "app/AppCore.h"
#include "app/windows/Form1.h"
#include "app/windows/frmAbout.h"
#include "converter/windows/frmcov.h"
#include "core/AppInfo.h"
#include "desktop/MprisService.h"
#include "desktop/PortalHotkeys.h"
#include "desktop/X11Hotkeys.h"
#include "desktop/windows/frmtray.h"
#include "platform/mediaplayer/RealMediaControl.h"
#include "platform/services/AppFolder.h"
#include "player/windows/MPlay3.h"
#include "player/windows/PlayerMarkerKeys.h"
#include "player/windows/WatchedMediaControl.h"
#include "recording/LiveRecordings.h"
#include "schedule/windows/Form5.h"
#include "schedule/windows/Form6.h"
#include "settings/ApplySettings.h"
#include "settings/TriggerSettings.h"
#include "settings/windows/Form2.h"
#include "settings/windows/Form4.h"
#include "settings/windows/MixerPage.h"
#include "settings/windows/frmAdv.h"
#include "settings/windows/frmFLAC.h"
#include "settings/windows/frmG726.h"
#include "settings/windows/frmMP3.h"
#include "settings/windows/frmOPUS.h"
#include "settings/windows/frmOgg.h"
#include "settings/windows/frmRAW.h"
#include "settings/windows/frmVOX.h"
#include "settings/windows/frmWAV.h"
#include "tags/windows/Frmid3v.h"
#include "trim/windows/TrimWindow.h"

namespace qsr::app {
namespace {

// While the player is open the desktop's media keys and sound menu reach it.
desktop::MprisTargets MediaTargets(player::MPlay3& window, mediaplayer::RealMediaControl& control) {
    desktop::MprisTargets media;
    media.playPause = [&window] { window.pause_Click(); };
    media.play = [&] {
        if (!control.Playing()) window.pause_Click();
    };
    media.pause = [&] {
        if (control.Playing()) window.pause_Click();
    };
    media.stop = [&window] { window.stop_Click(); };
    media.next = [&window] { window.next_Click(); };
    media.previous = [&window] { window.previous_Click(); };
    media.status = [&control] {
        return control.Playing()  ? desktop::MprisStatus::Playing
               : control.Paused() ? desktop::MprisStatus::Paused
                                  : desktop::MprisStatus::Stopped;
    };
    media.title = [&control] { return QFileInfo(control.FileName()).fileName(); };
    media.lengthSeconds = [&control] { return control.Duration(); };
    media.positionSeconds = [&control] { return control.CurrentPosition(); };
    media.volume = [&control] { return mediaplayer::GainsFor(control.Volume(), 0).left; };
    return media;
}

}  // namespace

// ------------------------------------------------------------ desktop

RealDesktop::RealDesktop(services::IMessageBox& messageBox, services::ISingleInstance& instance)
    : messageBox_(messageBox), instance_(instance) {
    if (desktop::UsePortalHotkeys(QGuiApplication::platformName(),
                                  qEnvironmentVariable("XDG_SESSION_TYPE")))
        hotkeys_ = std::make_unique<desktop::PortalHotkeyRegistrar>(QDBusConnection::sessionBus());
    else
        hotkeys_ = std::make_unique<desktop::X11HotkeyRegistrar>();
}

RealDesktop::~RealDesktop() = default;

services::DesktopServices RealDesktop::Services() {
    services::DesktopServices desktop;
    desktop.messageBox = &messageBox_;
    desktop.fileDialog = &fileDialog_;
    desktop.folderPicker = &folderPicker_;
    desktop.inputBox = &inputBox_;
    desktop.userSettings = &userSettings_;
    desktop.urlOpener = &urlOpener_;
    desktop.processStarter = &processStarter_;
    desktop.hotkeys = hotkeys_.get();
    desktop.singleInstance = &instance_;
    desktop.eventPump = &eventPump_;
    desktop.modal = &modal_;
    return desktop;
}

// ------------------------------------------------------------ windows

AppWindows::AppWindows(AppCore& core, Form1& window, services::DesktopServices desktop)
    : core_(core),
      window_(window),
      desktop_(desktop),
      folder_(core.ApplicationFolder()),
      sleepInhibitor_(QDBusConnection::sessionBus(), QDBusConnection::systemBus()) {}

AppWindows::~AppWindows() = default;

void AppWindows::KeepAwake() {
    if (recordingRuns_ || slotPending_)
        sleepInhibitor_.Hold(recordingRuns_ ? "Recording" : "Scheduled recording");
    else
        sleepInhibitor_.Release();
}

void AppWindows::Wire() {
    // The schedule list: loaded hidden once the main window is loaded.
    schedule::ScheduleTargets scheduleTargets;
    scheduleTargets.startRecord = [this] { window_.StartScheduledRecord(); };
    scheduleTargets.stopRecord = [this] { window_.StopRecord(); };
    scheduleTargets.slotPending = [this](bool pending) {
        slotPending_ = pending;
        KeepAwake();
    };
    scheduleTargets.addSlot = [folder = folder_, desktop = desktop_] {
        return schedule::ShowScheduler(folder, desktop);
    };
    scheduleWindow_ = std::make_unique<schedule::Form5>(folder_, desktop_, scheduleTargets);
    QObject::connect(&window_, &Form1::ScheduledRecordingDeviceLost, scheduleWindow_.get(),
                     &schedule::Form5::NoteDeviceLost);

    WindowOpeners openers;
    openers.schedule = [this] { desktop_.modal->Exec(*scheduleWindow_); };
    openers.about = [this] { OpenAbout(); };
    openers.converter = [this] { OpenConverter(); };
    openers.formatSettings = [this] { OpenFormatSettings(); };
    openers.outputFiles = [this] { settings::ShowOutputFiles(folder_, desktop_, &window_); };
    openers.id3Editor = [this] { OpenId3Editor(); };
    openers.audioPlayer = [this] { OpenAudioPlayer(); };
    openers.trim = [this](const std::string& path) { OpenTrim(path); };
    window_.SetWindowOpeners(openers);

    desktop::TrayTargets targets;
    targets.showMain = [this] { window_.ShowMain(); };
    targets.startRecord = [this] { window_.StartRecord(); };
    targets.stopRecord = [this] { window_.StopRecord(); };
    targets.setMarker = [this] { window_.SetMarker(); };
    targets.showSettings = [this] { window_.ShowFormatSettings(); };
    targets.openHelp = [this] { window_.OpenHelp(); };
    targets.openWeb = [this] { window_.OpenWebPage(kHomePage); };
    targets.exitSystem = [this] { window_.exitsystem(); };
    tray_ = std::make_unique<desktop::frmtray>(core::kAppTitle, targets);
    tray_->AddIcon();
    window_.SetTray({[this] { tray_->DeleteIcon(); }, [this] { return tray_->IconShown(); }});
    window_.SetWorkStopper([this] { StopWork(); });

    QObject::connect(&window_, &Form1::Unloaded, qApp, [this] { UnloadAll(); });
}

void AppWindows::LoadAfterMainWindow() {
    QObject::connect(&core_.Session(), &recording::RecordingSession::Started, &sleepInhibitor_,
                     [this] {
                         recordingRuns_ = true;
                         KeepAwake();
                     });
    QObject::connect(&core_.Session(), &recording::RecordingSession::Finished, &sleepInhibitor_,
                     [this] {
                         recordingRuns_ = false;
                         KeepAwake();
                     });
    scheduleWindow_->Form_Load();
}

void AppWindows::OpenAbout() {
    if (!about_) about_ = std::make_unique<frmAbout>(&window_);
    desktop_.modal->Exec(*about_);
}

void AppWindows::OpenConverter() {
    if (!converterWindow_) {
        converterWindow_ =
            std::make_unique<converter::frmcov>(core_.Engine(), desktop_, folder_, &window_);
        converterWindow_->Form_Load();
    }
    desktop_.modal->Exec(*converterWindow_);
}

void AppWindows::OpenTrim(const std::string& path) {
    if (!trimWindow_) {
        trim::TrimWindowDeps deps;
        deps.cacheFolder = services::AppPath(folder_, "overviews");
        const std::string journal = recording::JournalFile(folder_);
        deps.beingRecorded = [journal](const std::string& file) {
            return recording::IsBeingRecorded(file, journal) ? recording::BeingRecordedMessage(file)
                                                             : std::string();
        };
        deps.fileDialog = desktop_.fileDialog;
        const settings::TriggerSettings trigger =
            settings::LoadTriggerSettings(services::AppPath(folder_, settings::kSettingsFileName));
        deps.silenceDb = trigger.startDb;
        deps.silenceMs = trigger.startMs;
        trimWindow_ = std::make_unique<trim::TrimWindow>(core_.Engine(), deps, &window_);
        QObject::connect(trimWindow_.get(), &trim::TrimWindow::Saved, &window_,
                         [this](const QString& saved, qint64 milliseconds) {
                             window_.RecordingChanged(saved.toStdString(), milliseconds);
                         });
    }
    // Headerless files as the settings say now.
    trim::TrimWork::Headerless formats;
    formats.readAs = [this](audio::IAudioFile& reader) {
        settings::ApplyFormatValues(reader, core_.Formats());
    };
    formats.rawCompression = core_.Formats().rawCompr;
    formats.g726Bits = core_.Formats().gbit;
    trimWindow_->SetHeaderless(formats);
    trimWindow_->show();
    trimWindow_->raise();
    trimWindow_->OpenFile(path);
}

void AppWindows::OpenFormatSettings() {
    if (formatsDialog_) return;  // already open
    settings::FormatValues& formatValues = core_.Formats();
    const auto setSummary = [this](core::Encoder which) {
        return [this, which](const std::string& text) {
            if (formatsDialog_) formatsDialog_->SetSummary(which, text);
        };
    };
    settings::FormatOptionOpeners options;
    options.mp3 = [this, &formatValues, setSummary] {
        settings::ShowMp3Options(
            core_.Engine(), core_.FileComponent(), formatValues, folder_,
            setSummary(core::Encoder::Mp3),
            [this](QDialog& dialog) { return desktop_.modal->Exec(dialog); }, formatsDialog_.get(),
            desktop_.messageBox);
    };
    // The other option dialogs: each writes its section of settings.dat
    // and sets its format on the main window's file component.
    const std::string settingsFile = services::AppPath(folder_, settings::kSettingsFileName);
    const auto optionDialog = [&](auto show, core::Encoder which) {
        return [this, &formatValues, settingsFile, setSummary, show, which] {
            if (audio::IAudioFile* file = core_.FileComponent())
                show(desktop_, *file, formatValues, settingsFile, setSummary(which),
                     formatsDialog_.get());
        };
    };
    options.ogg = optionDialog(&settings::ShowOptionDialog<settings::frmOgg>, core::Encoder::Ogg);
    options.wav = optionDialog(&settings::ShowOptionDialog<settings::frmWAV>, core::Encoder::Wav);
    options.vox = optionDialog(&settings::ShowOptionDialog<settings::frmVOX>, core::Encoder::Vox);
    options.raw = optionDialog(&settings::ShowOptionDialog<settings::frmRAW>, core::Encoder::Raw);
    options.g726 =
        optionDialog(&settings::ShowOptionDialog<settings::frmG726>, core::Encoder::G726);
    options.flac =
        optionDialog(&settings::ShowOptionDialog<settings::frmFLAC>, core::Encoder::Flac);
    options.opus =
        optionDialog(&settings::ShowOptionDialog<settings::frmOPUS>, core::Encoder::Opus);
    formatsDialog_ = std::make_unique<settings::Form2>(core_.Recorder(), core_.FileComponent(),
                                                       formatValues, folder_, options, &window_);
    formatsDialog_->SetMessageBox(desktop_.messageBox);
    // The "Mixer" page of the current capture device; Form2 takes it over.
    if (audio::IAudioRecorder* recorder = core_.Recorder()) {
        auto* page = new settings::MixerPage(*recorder, [this, recorder](QWidget& owner) {
            settings::ShowAdvancedProperties(*recorder, folder_, desktop_.modal, owner);
        });
        formatsDialog_->SetMixerPage(page, [page](int n) { page->BuildMixerPage(n); });
    }
    formatsDialog_->Form_Load();
    desktop_.modal->Exec(*formatsDialog_);
    formatsDialog_.reset();
}

void AppWindows::OpenId3Editor() {
    if (!id3Editor_) {
        id3Editor_ = std::make_unique<tags::Frmid3v>(*core_.SoundLibrary(), core_.Engine(),
                                                     desktop_, folder_, &window_);
        id3Editor_->SetRecordingQuery(
            [this](const std::string& path) { return window_.IsBeingRecorded(path); });
    }
    id3Editor_->Form_Load();  // each opening loads it anew; closing unloads it
    desktop_.modal->Exec(*id3Editor_);
}

void AppWindows::OpenAudioPlayer() {
    if (playerWindow_) return;
    playerControl_ = std::make_unique<mediaplayer::RealMediaControl>();
    // What the window starts, stops or moves reaches the desktop at once;
    // while it plays, the media service refreshes by itself.
    desktop::MprisService* mediaService = nullptr;
    player::WatchedMediaControl announced(*playerControl_, [&mediaService] {
        if (mediaService) mediaService->Refresh();
    });
    playerWindow_ = std::make_unique<player::MPlay3>(
        announced, desktop_,
        QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName().toStdString(),
        folder_, &window_);
    playerWindow_->Form_Load();
    new player::PlayerMarkerKeys(announced, *playerWindow_, [this](const QString& path) {
        std::vector<core::Marker> markers;
        int rate = 0;
        std::vector<double> seconds;
        if (core_.Engine().ReadMarkers(path.toStdString(), markers, rate, nullptr) && rate > 0)
            for (const core::Marker& m : markers) seconds.push_back(double(m.frame) / rate);
        return seconds;
    });
    desktop::MprisService mpris(QDBusConnection::sessionBus(),
                                MediaTargets(*playerWindow_, *playerControl_));
    mediaService = &mpris;
    desktop_.modal->Exec(*playerWindow_);
    mediaService = nullptr;
    playerWindow_.reset();
    playerControl_.reset();
}

// Each worker is waited for a bounded time: one stuck in a system call must
// not keep the program from ending.
void AppWindows::StopWork() {
    constexpr std::chrono::seconds kWorkerBound{5};
    scheduleWindow_->StopClock();
    if (playerWindow_) playerWindow_->stop_Click();
    if (converterWindow_) converterWindow_->StopWork(kWorkerBound);
    if (id3Editor_) id3Editor_->StopWork(kWorkerBound);
    if (trimWindow_) trimWindow_->StopWork(kWorkerBound);
}

// The exit order: Form2, About, Form4, Form5, Form6, frmcov, the option
// dialogs, Frmid3v, MPlay3, frmtray; the long work was stopped before the
// recording was finished (StopWork). Windows are closed here but deleted only
// when main returns: exit may come from inside one of their calls (a modal
// loop, a file dialog), and the quit below unwinds those first.
void AppWindows::UnloadAll() {
    if (formatsDialog_) formatsDialog_->Command2_Click();  // its opener deletes it
    if (about_) about_->done(0);
    scheduleWindow_->Form_Unload();  // saves schedule.dat
    if (converterWindow_) converterWindow_->done(0);
    if (id3Editor_) id3Editor_->reject();  // unloads it
    if (trimWindow_) trimWindow_->close();
    // Saves its position and ends its modal loop; the opener frees it.
    if (playerWindow_) playerWindow_->done(0);
    tray_->close();
    QTimer::singleShot(0, qApp, &QCoreApplication::quit);
}

}  // namespace qsr::app
