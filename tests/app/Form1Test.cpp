// The main window against fake components and desktop services.
#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialog>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTreeWidget>
#include <algorithm>
#include <filesystem>
#include <memory>

#include "app/windows/Form1.h"
#include "desktop/windows/frmtray.h"
#include "fakes/FakeAudio.h"
#include "fakes/FakeServices.h"
#include "platform/services/windows/Accessibility.h"
#include "settings/Inifun.h"
#include "support/Controls.h"
#include "support/MainWindow.h"
#include "support/TempDir.h"

using namespace qsr;
using fakes::CallLog;
using fakes::FakeDevice;
using fakes::FakeLine;
using fakes::Only;
using qsr::testing::Control;
using services::MsgAnswer;
using services::MsgButtons;
using services::MsgIcon;

namespace {

constexpr const char* kFullSettings =
    "[set]\noutputformat=0\n"
    "[mp3]\nMP3Frequency=32000\nMP3Bitrate=192\nMP3Channels=1\n"
    "[wav]\nFreq=22050\nChannel=1\n"
    "[vox]\nvoxFreq=6000\n"
    "[ogg]\noggBitrate=160\nMinBitrate=112\nMaxBitrate=192\nQuality=300\nVbrEnabled=1\n"
    "QualityEnabled=0\n"
    "[raw]\nrawFreq=11025\nrawChannel=2\nrawCompr=3\n"
    "[g726]\ngFreq=8000\ngbit=5\n"
    "[other]\nnotch=1\nnotchtxt=60\nhighpass=0\nhighpasstxt=400\nlowpass=1\nlowpasstxt=3500\n"
    "autogain=1\nlowlevel=-35\nhighlevel=-12\nattacktime=150\n";

// Hands out recorders that already sit on a chosen device, as a real one
// remembers the system's current device.
class Engine : public fakes::FakeAudioEngine {
  public:
    int startDevice = 0;
    std::unique_ptr<audio::IAudioRecorder> CreateRecorder() override {
        auto r = fakes::FakeAudioEngine::CreateRecorder();
        lastRecorder->currentDevice = startDevice;
        return r;
    }
};

// An engine whose components do not exist yet.
class NullEngine : public audio::IAudioEngine {
  public:
    std::unique_ptr<audio::IAudioRecorder> CreateRecorder() override { return nullptr; }
    std::unique_ptr<audio::IAudioFile> CreateFile() override { return nullptr; }
    std::unique_ptr<audio::IAudioPlayer> CreatePlayer() override { return nullptr; }
    std::unique_ptr<audio::IMp3Settings> CreateMp3Settings() override { return nullptr; }
    std::unique_ptr<audio::IId3v2Tag> CreateId3v2Tag() override { return nullptr; }
};

FakeDevice Device(const std::string& name, bool usable, std::vector<FakeLine> lines = {}) {
    FakeDevice d;
    d.name = name;
    d.usable = usable;
    d.lines = std::move(lines);
    return d;
}

FakeLine Line(const std::string& name, bool active = false) {
    FakeLine l;
    l.name = name;
    l.active = active;
    return l;
}

std::vector<std::string> Items(const QComboBox* combo) {
    std::vector<std::string> items;
    for (int i = 0; i < combo->count(); ++i) items.push_back(combo->itemText(i).toStdString());
    return items;
}

class Form1Test : public ::testing::Test {
  protected:
    void SetUp() override {
        home = std::make_unique<qsr::testing::TempDir>();
        qsr::testing::WriteAll(SettingsFile(), kFullSettings);
        engine.devices = {Device("Microphone", true, {Line("Mic"), Line("Line In")})};
    }
    std::string SettingsFile() const { return home->File("settings.dat"); }
    Form1Test& Settings(const std::string& content) {
        qsr::testing::WriteAll(SettingsFile(), content);
        return *this;
    }
    app::Form1& Load(audio::IAudioEngine* e = nullptr) {
        qsr::testing::NewMainWindow(core, form, e ? *e : engine, desk.Services(),
                                    home->path().string());
        form->Form_Load();
        return *form;
    }
    template <typename T>
    T* Find(const char* name) const {
        return form->findChild<T*>(name);
    }

    std::unique_ptr<qsr::testing::TempDir> home;
    Engine engine;
    fakes::FakeDesktop desk;
    std::unique_ptr<app::AppCore> core;
    std::unique_ptr<app::Form1> form;
};

TEST_F(Form1Test, ListsUsableDevicesOnlyAndClampsRememberedIndex) {
    engine.devices = {Device("Microphone", true, {Line("Mic")}), Device("Broken", false),
                      Device("Line card", true, {Line("Line In"), Line("CD", true)})};
    engine.startDevice = 7;  // beyond the last list entry
    auto& f = Load();
    EXPECT_EQ(Items(Control<QComboBox>(f, "DeviceCombo")),
              (std::vector<std::string>{"Microphone", "Line card"}));
    EXPECT_EQ(Control<QComboBox>(f, "DeviceCombo")->itemData(0).toInt(), 0);
    EXPECT_EQ(Control<QComboBox>(f, "DeviceCombo")->itemData(1).toInt(), 2);
    // Every index up to and including the count is tried; the one past the end is not listed.
    const CallLog selects = Only(engine.log, {"SelectDevice"});
    ASSERT_GE(selects.size(), 5u);
    EXPECT_EQ(CallLog(selects.begin(), selects.begin() + 5),
              (CallLog{"SelectDevice(0)", "SelectDevice(1)", "SelectDevice(2)", "SelectDevice(3)",
                       "SelectDevice(2)"}));
    EXPECT_EQ(Control<QComboBox>(f, "DeviceCombo")->currentIndex(), 1);
    EXPECT_EQ(engine.lastRecorder->currentDevice, 2);
    // Sources of the chosen device, the active line chosen.
    EXPECT_EQ(Items(Control<QComboBox>(f, "cmbSrcInput")),
              (std::vector<std::string>{"Line In", "CD"}));
    EXPECT_EQ(Control<QComboBox>(f, "cmbSrcInput")->currentIndex(), 1);
    EXPECT_EQ(engine.lastRecorder->currentSource, 1);
    EXPECT_TRUE(desk.messageBox.shown.empty());
}

TEST_F(Form1Test, ChoosingDeviceAndSourceReachesTheRecorder) {
    engine.devices = {Device("Microphone", true, {Line("Mic", true)}),
                      Device("Line card", true, {Line("Line In"), Line("CD"), Line("Aux")})};
    auto& f = Load();
    EXPECT_EQ(Items(Control<QComboBox>(f, "cmbSrcInput")), (std::vector<std::string>{"Mic"}));
    engine.log.clear();
    emit Control<QComboBox>(f, "DeviceCombo")->activated(1);
    EXPECT_EQ(engine.lastRecorder->currentDevice, 1);
    EXPECT_EQ(Items(Control<QComboBox>(f, "cmbSrcInput")),
              (std::vector<std::string>{"Line In", "CD", "Aux"}));
    // No line active: the recorder's current source (0 after the device change) stays.
    EXPECT_EQ(Control<QComboBox>(f, "cmbSrcInput")->currentIndex(), 0);
    engine.log.clear();
    emit Control<QComboBox>(f, "cmbSrcInput")->activated(2);
    EXPECT_EQ(engine.log, (CallLog{"SelectSource(2)", "SetSourceActive(1)"}));
    EXPECT_TRUE(engine.lastRecorder->devices[1].lines[2].active);
}

TEST_F(Form1Test, NoDeviceShowsErrorAndLeavesTheWindowEmpty) {
    engine.devices.clear();
    Settings("[set]\noutputformat=1\n");
    auto& f = Load();
    ASSERT_EQ(desk.messageBox.shown.size(), 1u);
    EXPECT_EQ(desk.messageBox.shown[0].text, "Record device error!");
    EXPECT_EQ(desk.messageBox.shown[0].icon, MsgIcon::Error);
    EXPECT_EQ(desk.messageBox.shown[0].title, "Quorvin Sound Recorder");
    EXPECT_EQ(Control<QComboBox>(f, "DeviceCombo")->count(), 0);
    EXPECT_EQ(Control<QComboBox>(f, "cmbSrcInput")->count(), 0);
    EXPECT_EQ(Control<QComboBox>(f, "cboEncoders")->count(), 0);
    EXPECT_TRUE(Only(engine.log, {"Set"}).empty());  // no settings applied
    EXPECT_TRUE(desk.hotkeys.registered.empty());
    // Exiting such a window keeps the stored format choice.
    f.exitsystem();
    EXPECT_EQ(settings::ReadIniValue(SettingsFile(), "set", "outputformat"), "1");

    // The "Programs" entry with no program playing has no line to record
    // from: a server without a capture source still has no device.
    engine.devices = {Device("Programs", true)};
    desk.messageBox.shown.clear();
    Load();
    ASSERT_EQ(desk.messageBox.Texts(), (std::vector<std::string>{"Record device error!"}));
    EXPECT_EQ(Control<QComboBox>(*form, "DeviceCombo")->count(), 0);
    // Once a program plays, the entry is offered.
    engine.devices = {Device("Programs", true, {Line("Radio")})};
    desk.messageBox.shown.clear();
    Load();
    EXPECT_TRUE(desk.messageBox.shown.empty());
    EXPECT_EQ(Items(Control<QComboBox>(*form, "DeviceCombo")),
              (std::vector<std::string>{"Programs"}));
}

// The exit's store of the chosen format can fail: it says so, naming the file.
TEST_F(Form1Test, AFailedStoreOfTheFormatAtExitIsReported) {
    auto& f = Load();
    Control<QComboBox>(f, "cboEncoders")->setCurrentIndex(2);
    // A second hard link: the file cannot be replaced, also not by root.
    std::filesystem::create_hard_link(SettingsFile(), home->File("settings.link"));
    f.exitsystem();
    ASSERT_EQ(desk.messageBox.shown.size(), 1u);
    const std::string& text = desk.messageBox.shown[0].text;
    EXPECT_EQ(text.rfind(SettingsFile() + " could not be saved: ", 0), 0u) << text;
    EXPECT_GT(text.size(), (SettingsFile() + " could not be saved: ").size()) << "with the reason";
    EXPECT_EQ(settings::ReadIniValue(SettingsFile(), "set", "outputformat"), "0");
}

TEST_F(Form1Test, StoredOutputFormatSelectsTheEntry) {
    const std::pair<const char*, const char*> cases[] = {{"3", "Raw"}, {"7", "OPUS"}, {"9", "WAV"},
                                                         {"x", "WAV"}, {"-1", "WAV"}, {"", "WAV"}};
    for (const auto& [stored, expected] : cases) {
        settings::WriteIniValue(SettingsFile(), "set", "outputformat", stored);
        auto& f = Load();
        EXPECT_EQ(
            Items(Control<QComboBox>(f, "cboEncoders")),
            (std::vector<std::string>{"WAV", "MP3", "VOX", "Raw", "G726", "OGG", "FLAC", "OPUS"}));
        EXPECT_EQ(Control<QComboBox>(f, "cboEncoders")->currentText().toStdString(), expected)
            << "stored " << stored;
    }
}

TEST_F(Form1Test, HandsFormatsThenFiltersToTheComponentsInOrder) {
    app::Form1& f = Load();
    (void)f;
    const CallLog calls =
        Only(engine.log, {"SetMp3", "SetWav", "SetVox", "SetOgg", "SetRaw", "SetG726", "SetNotch",
                          "SetHighPass", "SetLowPass", "SetAgc"});
    EXPECT_EQ(calls,
              (CallLog{"SetMp3Format(32000,192,1)", "SetWavFormat(22050,1,16)",
                       "SetVoxFormat(6000)", "SetOggFormat(44100,2,160,112,192,-1)",
                       "SetRawFormat(3,11025,2,16)", "SetG726Format(8000,5)", "SetNotchEnabled(1)",
                       "SetNotchFrequency(60)", "SetHighPassEnabled(0)", "SetLowPassEnabled(1)",
                       "SetLowPassFrequency(3500)", "SetAgcEnabled(1)", "SetAgcLowLevel(-35)",
                       "SetAgcHighLevel(-12)", "SetAgcAttackTime(150)"}));
}

TEST_F(Form1Test, OggQualityModeWinsOverBitrateRange) {
    settings::WriteIniValue(SettingsFile(), "ogg", "QualityEnabled", "1");
    Load();
    EXPECT_EQ(Only(engine.log, {"SetOgg"}), (CallLog{"SetOggFormat(44100,2,128,0,0,300)"}));
}

TEST_F(Form1Test, WithoutSectionOtherEveryFilterAndAgcIsOnWithoutFrequencies) {
    Settings("[set]\noutputformat=0\n[mp3]\nMP3Frequency=44100\nMP3Bitrate=128\nMP3Channels=2\n");
    Load();
    EXPECT_EQ(Only(engine.log, {"SetNotch", "SetHighPass", "SetLowPass", "SetAgc"}),
              (CallLog{"SetNotchEnabled(1)", "SetHighPassEnabled(1)", "SetLowPassEnabled(1)",
                       "SetAgcEnabled(1)"}));
}

TEST_F(Form1Test, VisualizationTakes4096SamplesAFrame) {
    fakes::FakeDisplay av, level;
    qsr::testing::NewMainWindow(core, form, engine, desk.Services(), home->path().string());
    form->SetSampleDisplays(&av, &level);
    form->Form_Load();
    EXPECT_EQ(av.frame, 4096);
    EXPECT_TRUE(form->PlaybackStopped());
}

TEST_F(Form1Test, HotkeyClaimFailuresAreReportedAndOnlyClaimedOnesReleased) {
    desk.hotkeys.taken = {'R'};
    auto& f = Load();
    ASSERT_EQ(
        desk.messageBox.Texts(),
        (std::vector<std::string>{"Can not register the hotkeys CTRL+R ...this key is already "
                                  "registered by some other running applications."}));
    EXPECT_EQ(desk.messageBox.shown[0].icon, MsgIcon::Error);
    EXPECT_EQ(desk.hotkeys.registered, (std::map<int, char>{{2, 'S'}, {3, 'M'}}));
    f.exitsystem();
    EXPECT_EQ(desk.hotkeys.unregistered, (std::vector<int>{2, 3}));
}

TEST_F(Form1Test, BothHotkeysTakenShowsBothMessagesAndReleasesNothing) {
    desk.hotkeys.taken = {'R', 'S', 'M'};
    auto& f = Load();
    EXPECT_EQ(desk.messageBox.Texts(),
              (std::vector<std::string>{
                  "Can not register the hotkeys CTRL+R ...this key is already registered by some "
                  "other running applications.",
                  "Can not register the hotkeys CTRL+S ... this key is already registered by some "
                  "other running applications."}));
    // Buttons and menus still work without the hotkeys.
    QSignalSpy started(&f, &app::Form1::StartRecordCalled);
    Control<QPushButton>(f, "Command1")->click();
    EXPECT_EQ(started.count(), 1);
    f.exitsystem();
    EXPECT_TRUE(desk.hotkeys.unregistered.empty());
}

TEST_F(Form1Test, HotkeysLetPendingEventsRunThenStartOrStop) {
    auto& f = Load();
    EXPECT_EQ(desk.hotkeys.registered, (std::map<int, char>{{0, 'R'}, {2, 'S'}, {3, 'M'}}));
    std::vector<std::string> order;
    desk.eventPump.onPump = [&] { order.push_back("pump"); };
    QObject::connect(&f, &app::Form1::StartRecordCalled, [&] { order.push_back("start"); });
    QObject::connect(&f, &app::Form1::StopRecordCalled, [&] { order.push_back("stop"); });
    desk.hotkeys.Press(0);
    desk.hotkeys.Press(2);
    desk.hotkeys.Press(5);  // any other identifier stops
    // The first stop ends a recording and lets its last block arrive (a pump of its own).
    EXPECT_EQ(order,
              (std::vector<std::string>{"pump", "start", "pump", "stop", "pump", "pump", "stop"}));
    // After exit the hotkeys no longer reach the window.
    f.exitsystem();
    order.clear();
    desk.hotkeys.Press(0);
    EXPECT_TRUE(order.empty());
}

TEST_F(Form1Test, CommandsReachTheirTargets) {
    auto& f = Load();
    QSignalSpy started(&f, &app::Form1::StartRecordCalled);
    QSignalSpy stopped(&f, &app::Form1::StopRecordCalled);
    Control<QPushButton>(f, "cmdrecord")->click();
    Find<QAction>("mnuRecord")->trigger();  // finishes the first recording, starts the next
    EXPECT_EQ(started.count(), 2);
    EXPECT_EQ(stopped.count(), 1);
    // Stop buttons stop the recording, else the playback; the Stop menu always
    // asks StopRecord.
    fakes::FakeDisplay av, level;
    f.SetSampleDisplays(&av, &level);
    Control<QPushButton>(f, "cmdStop")->click();
    EXPECT_FALSE(f.flgRecord());
    Control<QPushButton>(f, "Command3")->click();
    EXPECT_EQ(stopped.count(), 2);
    // StopRecord clears the level display, each stop button clears it again,
    // and so does the (idle) playback the second one stops.
    EXPECT_EQ(level.shown.size(), 4u);
    for (const auto& shown : level.shown) EXPECT_TRUE(shown.empty());
    Find<QAction>("mnuStop")->trigger();
    EXPECT_EQ(stopped.count(), 3);
    EXPECT_EQ(Control<QTreeWidget>(f, "ListView1")->topLevelItemCount(), 2);

    Find<QAction>("mnuRecordControl")->trigger();
    ASSERT_EQ(desk.processStarter.started.size(), 1u);
    EXPECT_EQ(desk.processStarter.started[0].first, "pavucontrol");
    EXPECT_EQ(desk.processStarter.started[0].second, (std::vector<std::string>{"--tab=2"}));
    desk.processStarter.result = false;  // a mixer that does not start is ignored
    Find<QAction>("mnuRecordControl")->trigger();
    EXPECT_TRUE(desk.messageBox.shown.empty());

    Find<QAction>("mnuHome")->trigger();
    Find<QAction>("mnuSupport")->trigger();
    EXPECT_EQ(desk.urlOpener.opened, (std::vector<std::string>{app::kHomePage, app::kSupportPage}));

    // Every other window opens through what main() handed over.
    std::vector<std::string> opened;
    app::WindowOpeners openers;
    auto opener = [&opened](const char* name) {
        return [&opened, name] { opened.push_back(name); };
    };
    openers.schedule = opener("Form5");
    openers.audioPlayer = opener("MPlay3");
    openers.outputFiles = opener("Form4");
    openers.formatSettings = opener("Form2");
    openers.id3Editor = opener("Frmid3v");
    openers.converter = opener("frmcov");
    openers.about = opener("frmAbout");
    f.SetWindowOpeners(openers);
    for (QPushButton* b :
         {Control<QPushButton>(f, "Command2"), Control<QPushButton>(f, "Command4"),
          Control<QPushButton>(f, "Command5"), Control<QPushButton>(f, "Command6"),
          Control<QPushButton>(f, "Command13"), Control<QPushButton>(f, "Command14"),
          Control<QPushButton>(f, "Command11")})
        b->click();
    for (const char* entry : {"mnuSchedule", "mnuAudioPlayer", "mnuOutputFile", "mnuFormat",
                              "mnuEditID3", "mnuConverter", "mnuAbout"})
        Find<QAction>(entry)->trigger();
    const std::vector<std::string> once = {"Form5",   "MPlay3", "Form4",   "Form2",
                                           "Frmid3v", "frmcov", "frmAbout"};
    std::vector<std::string> twice = once;
    twice.insert(twice.end(), once.begin(), once.end());
    EXPECT_EQ(opened, twice);
}

// The small Stop button ends a playback as well as a recording, and the
// meters go back to zero, also when a playback ends by itself.
TEST_F(Form1Test, StopEndsAPlaybackAndTheMetersReturnToZero) {
    auto& f = Load();
    fakes::FakeDisplay av, level;
    f.SetSampleDisplays(&av, &level);
    Control<QPushButton>(f, "cmdrecord")->click();
    Control<QPushButton>(f, "cmdStop")->click();
    ASSERT_EQ(Control<QTreeWidget>(f, "ListView1")->topLevelItemCount(), 1);
    // The recording as the fake file component will play it.
    qsr::testing::WriteAll(
        Control<QTreeWidget>(f, "ListView1")->topLevelItem(0)->text(1).toStdString(), "x");
    engine.lastFile->contentRate = 44100;
    engine.lastFile->contentChannels = 2;
    engine.lastFile->content.assign(44100 * 2 * 5, 1);
    Control<QTreeWidget>(f, "ListView1")
        ->setCurrentItem(Control<QTreeWidget>(f, "ListView1")->topLevelItem(0));
    f.PlaySelected();
    ASSERT_FALSE(f.PlaybackStopped()) << "the recording plays";
    level.shown.clear();
    Control<QPushButton>(f, "cmdStop")->click();
    EXPECT_TRUE(f.PlaybackStopped());
    ASSERT_FALSE(level.shown.empty());
    EXPECT_TRUE(level.shown.back().empty());

    f.PlaySelected();
    ASSERT_FALSE(f.PlaybackStopped());
    level.shown.clear();
    Find<QAction>("mnuStopPlay")->trigger();  // the playback's end, as the player reports it
    ASSERT_FALSE(level.shown.empty());
    EXPECT_TRUE(level.shown.back().empty());
}

// A long status text is shortened, never pushes the window wider; a long
// path in the list keeps its file name and extension in sight.
TEST_F(Form1Test, LongTextsNeverWidenTheWindow) {
    auto& f = Load();
    f.resize(820, 600);
    f.show();
    QCoreApplication::processEvents();
    const int width = f.width();
    const QString longText = "/home/user/" + QString(300, 'x') + "/recording.mp3";
    Control<QLabel>(f, "Panel1")->setText(longText);
    Control<QLabel>(f, "Panel2")->setText(longText);
    QCoreApplication::processEvents();
    EXPECT_EQ(f.width(), width);
    EXPECT_LT(f.minimumSizeHint().width(), width);
    EXPECT_EQ(Control<QLabel>(f, "Panel1")->text(), longText) << "the text itself stays whole";
    EXPECT_EQ(Control<QTreeWidget>(f, "ListView1")->textElideMode(), Qt::ElideMiddle);
}

TEST_F(Form1Test, HelpOpensTheShippedFileEvenInAFolderWithBlanks) {
    const auto folder = home->path() / "my recordings";
    std::filesystem::create_directories(folder / "help");
    qsr::testing::WriteAll((folder / "help" / "index.html").string(), "<html></html>");
    qsr::testing::NewMainWindow(core, form, engine, desk.Services(), folder.string());
    form->Form_Load();
    Control<QPushButton>(*form, "Command10")->click();
    EXPECT_EQ(desk.urlOpener.opened,
              (std::vector<std::string>{(folder / "help" / "index.html").string()}));
    EXPECT_TRUE(desk.messageBox.shown.empty());
}

TEST_F(Form1Test, MissingHelpFileIsNamedAndTheProgramGoesOn) {
    auto& f = Load();
    Find<QAction>("mnuHelpTopic")->trigger();
    EXPECT_TRUE(desk.urlOpener.opened.empty());
    ASSERT_EQ(desk.messageBox.shown.size(), 1u);
    EXPECT_NE(desk.messageBox.shown[0].text.find(home->File("help/index.html")), std::string::npos);
    EXPECT_TRUE(f.Loaded());
}

TEST_F(Form1Test, ExitWithEmptyListAsksNothingAndSavesTheFormat) {
    auto& f = Load();
    desktop::frmtray tray("Quorvin Sound Recorder", {});
    tray.AddIcon();
    f.SetTray({[&tray] { tray.DeleteIcon(); }, [&tray] { return tray.IconShown(); }});
    QSignalSpy unloaded(&f, &app::Form1::Unloaded);
    Control<QComboBox>(f, "cboEncoders")->setCurrentIndex(1);  // MP3
    Find<QAction>("mnuExit")->trigger();
    EXPECT_TRUE(desk.messageBox.shown.empty());
    EXPECT_EQ(settings::ReadIniValue(SettingsFile(), "set", "outputformat"), "1");
    EXPECT_EQ(unloaded.count(), 1);
    EXPECT_FALSE(tray.IconShown());
    EXPECT_EQ(f.Recorder(), nullptr);
    EXPECT_EQ(f.FileComponent(), nullptr);
    EXPECT_EQ(f.Player(), nullptr);
    EXPECT_EQ(desk.hotkeys.unregistered, (std::vector<int>{0, 2, 3}));
    // A second exit request does nothing more.
    Control<QPushButton>(f, "Command12")->click();
    EXPECT_EQ(unloaded.count(), 1);
}

TEST_F(Form1Test, ExitWithRowsAsksAndCancelExitsWithoutSaving) {
    auto& f = Load();
    new QTreeWidgetItem(Control<QTreeWidget>(f, "ListView1"),
                        QStringList{"1", "a.wav", "1 KB", "0:01.000", "now"});
    desk.messageBox.answers = {MsgAnswer::Cancel};
    Control<QComboBox>(f, "cboEncoders")->setCurrentIndex(5);
    QSignalSpy unloaded(&f, &app::Form1::Unloaded);
    Control<QPushButton>(f, "Command12")->click();
    ASSERT_EQ(desk.messageBox.shown.size(), 1u);
    EXPECT_EQ(desk.messageBox.shown[0].text, "Do you need to save the recording project file?");
    EXPECT_EQ(desk.messageBox.shown[0].icon, MsgIcon::Question);
    EXPECT_EQ(desk.messageBox.shown[0].buttons, MsgButtons::OkCancel);
    EXPECT_TRUE(desk.fileDialog.titles.empty());  // no project save was offered
    EXPECT_EQ(unloaded.count(), 1);
    EXPECT_EQ(settings::ReadIniValue(SettingsFile(), "set", "outputformat"), "5");
}

TEST_F(Form1Test, ScheduleOpensWhatItIsGivenAndNoScheduledStartAfterExit) {
    auto& f = Load();
    int opened = 0;
    Control<QPushButton>(f, "Command2")->click();  // nothing given yet: nothing happens
    app::WindowOpeners openers;
    openers.schedule = [&opened] { ++opened; };
    f.SetWindowOpeners(openers);
    Control<QPushButton>(f, "Command2")->click();
    Find<QAction>("mnuSchedule")->trigger();
    EXPECT_EQ(opened, 2);

    QSignalSpy started(&f, &app::Form1::StartRecordCalled);
    f.exitsystem();
    f.StartScheduledRecord();
    QCoreApplication::processEvents();
    EXPECT_EQ(started.count(), 0);
    EXPECT_FALSE(f.flgRecord());
    EXPECT_TRUE(desk.messageBox.shown.empty());
}

TEST_F(Form1Test, CloseBoxOnlyTakesTheWindowOffTheScreen) {
    auto& f = Load();
    f.show();
    QSignalSpy unloaded(&f, &app::Form1::Unloaded);
    Control<QComboBox>(f, "cboEncoders")->setCurrentIndex(2);
    f.close();
    EXPECT_EQ(unloaded.count(), 0);
    EXPECT_EQ(settings::ReadIniValue(SettingsFile(), "set", "outputformat"), "0");
    EXPECT_TRUE(f.HotkeyRecordClaimed());
    f.ShowMain();
    EXPECT_TRUE(f.isVisible());
    EXPECT_FALSE(f.isMinimized());
}

TEST_F(Form1Test, VistaBranchListsDevicesWithoutSources) {
    engine.devices = {Device("Microphone", true, {Line("Mic", true)}), Device("Card", true)};
    qsr::testing::NewMainWindow(core, form, engine, desk.Services(), home->path().string());
    form->SetOsVersionQuery([] { return app::OsVersion{2, 6, 1}; });
    form->SetUserNameQuery([] { return std::string("bob"); });
    form->Form_Load();
    EXPECT_EQ(Control<QLabel>(*form, "SkinLabel1")->text().toStdString(),
              "Record device and source");
    ASSERT_FALSE(desk.messageBox.shown.empty());
    EXPECT_EQ(desk.messageBox.shown[0].text,
              "Your OS is Windows Vista, Please Log on as Administrator account in Windows Vista");
    EXPECT_EQ(desk.messageBox.shown[0].icon, MsgIcon::Information);
    EXPECT_EQ(Items(Control<QComboBox>(*form, "DeviceCombo")),
              (std::vector<std::string>{"Microphone", "Card"}));
    EXPECT_FALSE(Control<QComboBox>(*form, "cmbSrcInput")->isEnabled());
    EXPECT_EQ(Control<QComboBox>(*form, "cmbSrcInput")->count(), 0);
    EXPECT_EQ(Control<QComboBox>(*form, "cboEncoders")->count(), 8);  // the load goes on
}

TEST_F(Form1Test, VistaBranchSkipsTheDeviceCountCheckAndGreetsAdministrator) {
    engine.devices.clear();
    qsr::testing::NewMainWindow(core, form, engine, desk.Services(), home->path().string());
    form->SetOsVersionQuery([] { return app::OsVersion{2, 6, 0}; });
    form->SetUserNameQuery([] { return std::string(" Administrator \n"); });
    form->Form_Load();
    EXPECT_TRUE(desk.messageBox.shown.empty());  // neither device error nor the log-on advice
    EXPECT_EQ(Control<QComboBox>(*form, "cboEncoders")->count(), 8);
    EXPECT_EQ(desk.hotkeys.registered.size(), 3u);
}

TEST_F(Form1Test, SurvivesComponentsThatDoNotExist) {
    NullEngine none;
    auto& f = Load(&none);
    EXPECT_TRUE(desk.messageBox.shown.empty());
    EXPECT_EQ(Control<QComboBox>(f, "DeviceCombo")->count(), 0);
    EXPECT_EQ(Control<QComboBox>(f, "cboEncoders")->count(), 8);
    EXPECT_EQ(desk.hotkeys.registered.size(), 3u);
    Control<QPushButton>(f, "cmdStop")->click();
    emit Control<QComboBox>(f, "DeviceCombo")->activated(0);
    emit Control<QComboBox>(f, "cmbSrcInput")->activated(0);
    Control<QComboBox>(f, "cboEncoders")->setCurrentIndex(4);
    f.exitsystem();
    EXPECT_EQ(settings::ReadIniValue(SettingsFile(), "set", "outputformat"), "4");
}

TEST_F(Form1Test, EveryControlHasTheNameAScreenReaderSays) {
    auto& f = Load();
    f.show();
    EXPECT_EQ(services::UnnamedControls(&f), std::vector<std::string>{});
    EXPECT_EQ(services::TabOrderProblems(&f), std::vector<std::string>{});
    EXPECT_EQ(Control<QPushButton>(f, "cmdrecord")->accessibleName(),
              "Start Recording (Hotkey:CTRL+R)");  // its tooltip
    EXPECT_EQ(Control<QPushButton>(f, "cmdPlay")->accessibleName(), "Play");
    EXPECT_EQ(Control<QComboBox>(f, "DeviceCombo")->accessibleName(),
              "Record Device");  // its label
    EXPECT_EQ(Control<QComboBox>(f, "cboEncoders")->accessibleName(), "Output Format");
    EXPECT_EQ(Control<QPushButton>(f, "Command1")->accessibleName(), "Record Ctrl+R");
}

TEST_F(Form1Test, ControlsAndMenusCarryTheirCaptions) {
    auto& f = Load();
    EXPECT_EQ(f.windowTitle().toStdString(), "Quorvin Sound Recorder v3.20");
    const std::pair<const char*, const char*> buttons[] = {{"Command1", "Record Ctrl+R"},
                                                           {"Command3", "Stop Ctrl+S"},
                                                           {"Command2", "Schedule"},
                                                           {"Command4", "Audio Player"},
                                                           {"Command5", "Output File"},
                                                           {"Command6", "Format Settings"},
                                                           {"Command10", "Help"},
                                                           {"Command11", "About"},
                                                           {"Command12", "Close"},
                                                           {"Command13", "Edit ID3"},
                                                           {"Command14", "Audio Converter"},
                                                           {"cmdStop", "Stop"}};
    for (const auto& [name, caption] : buttons) {
        auto* b = Find<QPushButton>(name);
        ASSERT_NE(b, nullptr) << name;
        EXPECT_EQ(b->text().toStdString(), caption);
    }
    EXPECT_EQ(Control<QPushButton>(f, "cmdrecord")->toolTip().toStdString(),
              "Start Recording (Hotkey:CTRL+R)");
    ASSERT_NE(Find<QPushButton>("cmdPlay"), nullptr);
    ASSERT_NE(Find<QPushButton>("cmdPause"), nullptr);
    EXPECT_EQ(Find<QLabel>("Label1")->text().toStdString(), "0:00.000");
    EXPECT_EQ(Find<QLabel>("SkinLabel1")->text().toStdString(), "Record Device");
    EXPECT_EQ(Find<QLabel>("SkinLabel2")->text().toStdString(), "Sound Source");
    EXPECT_EQ(Find<QLabel>("SkinLabel3")->text().toStdString(), "Output Format");
    for (const char* name : {"slPosition", "AV1", "AudioDisplay1", "StatusBar1", "DeviceCombo",
                             "cmbSrcInput", "cboEncoders"})
        EXPECT_NE(Find<QWidget>(name), nullptr) << name;
    auto* list = Find<QTreeWidget>("ListView1");
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->columnCount(), 5);
    const char* columns[] = {"NO.", "File Name", "Size", "Duration", "Record Time"};
    for (int i = 0; i < 5; ++i) EXPECT_EQ(list->headerItem()->text(i).toStdString(), columns[i]);
    // Two panels; the note of lost sound stays hidden until there is some.
    const auto labels = Control<QStatusBar>(f, "StatusBar1")->findChildren<QLabel*>();
    EXPECT_EQ(std::count_if(labels.begin(), labels.end(), [](QLabel* l) { return !l->isHidden(); }),
              2);

    // Menus in order; "-" is a separator.
    const std::vector<std::pair<std::string, std::vector<std::string>>> menus = {
        {"File(&F)",
         {"New Recording Project", "Open Recording Project", "Save Recording Project", "-",
          "Exit"}},
        {"Edit(&E)",
         {"Play Selected File", "-", "Rename", "Remove Selected Item", "Delete Selected File"}},
        {"Action(&A)",
         {"Record", "Stop", "-", "Play Audio", "Pause Play", "Stop Play", "-", "Audio Player",
          "Audio Converter", "Edit ID3"}},
        {"Option(&O)", {"Output File", "Format Settings", "-", "Schedule", "Record Control"}},
        {"Help(&H)", {"Help", "-", "Sound Recorder Home Page", "Support Online", "-", "About"}}};
    const auto bar = f.menuBar()->actions();
    ASSERT_EQ(bar.size(), 5);
    for (int m = 0; m < 5; ++m) {
        EXPECT_EQ(bar[m]->text().toStdString(), menus[m].first);
        std::vector<std::string> entries;
        for (QAction* a : bar[m]->menu()->actions())
            entries.push_back(a->isSeparator() ? "-" : a->text().toStdString());
        EXPECT_EQ(entries, menus[m].second) << menus[m].first;
    }
}

}  // namespace
