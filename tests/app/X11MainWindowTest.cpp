// The main window and the program on a real X server: global hotkeys typed
// with xdotool, a key held by another client, the position slider under the
// pointer, and the single-copy rule.
#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include <QCursor>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QSignalSpy>
#include <QSlider>
#include <QTest>
#include <QTreeWidget>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>

#include "app/windows/Form1.h"
#include "desktop/X11Hotkeys.h"
#include "fakes/FakeAudio.h"
#include "fakes/FakeServices.h"
#include "platform/audio/AudioFileComponent.h"
#include "platform/services/windows/QtServices.h"
#include "player/PlaybackRules.h"
#include "settings/Inifun.h"
#include "support/Controls.h"
#include "support/EventWait.h"
#include "support/MainWindow.h"
#include "support/TempDir.h"

using namespace qsr;

namespace {

QString Display() {
    return QString::fromLocal8Bit(qgetenv("QSR_TEST_X_DISPLAY"));
}

// Runs a short X tool on the test display; true when it exited with 0.
bool RunX(const QString& program, const QStringList& args, QString* out = nullptr) {
    QProcess p;
    auto env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", Display());
    p.setProcessEnvironment(env);
    p.start(program, args);
    if (!p.waitForFinished(10000)) {
        p.kill();
        p.waitForFinished();
        return false;
    }
    if (out) *out = QString::fromLocal8Bit(p.readAllStandardOutput()).trimmed();
    return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

// Another X client: its own connection, as another program has.
class OtherClient {
  public:
    OtherClient() {
        conn_ = xcb_connect(Display().toLocal8Bit().constData(), nullptr);
        root_ = xcb_setup_roots_iterator(xcb_get_setup(conn_)).data->root;
    }
    ~OtherClient() { xcb_disconnect(conn_); }
    bool GrabCtrl(char letter) {
        const auto code = desktop::KeycodeForLetter(conn_, letter);
        auto cookie = xcb_grab_key_checked(conn_, 1, root_, XCB_MOD_MASK_CONTROL, code,
                                           XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
        xcb_generic_error_t* error = xcb_request_check(conn_, cookie);
        std::free(error);
        return code != 0 && error == nullptr;
    }

  private:
    xcb_connection_t* conn_ = nullptr;
    xcb_window_t root_ = 0;
};

fakes::FakeDevice OneDevice() {
    fakes::FakeDevice device;
    device.name = "Microphone";
    device.lines.resize(1);
    device.lines[0].name = "Mic";
    return device;
}

class X11Test : public ::testing::Test {
  protected:
    void SetUp() override {
        if (Display().isEmpty()) GTEST_SKIP() << "QSR_TEST_X_DISPLAY is not set";
        engine.devices = {OneDevice()};
        hotkeys = std::make_unique<desktop::X11HotkeyRegistrar>();
        ASSERT_TRUE(hotkeys->Available());
        services::DesktopServices s = desk.Services();
        s.hotkeys = hotkeys.get();
        s.eventPump = &pump;
        qsr::testing::NewMainWindow(core, form, engine, s, home.path().string());
        form->Form_Load();
    }

    qsr::testing::TempDir home;
    fakes::FakeAudioEngine engine;
    fakes::FakeDesktop desk;
    services::QtEventPump pump;
    std::unique_ptr<desktop::X11HotkeyRegistrar> hotkeys;
    std::unique_ptr<app::AppCore> core;
    std::unique_ptr<app::Form1> form;
};

TEST_F(X11Test, CtrlRAndCtrlSTypedAnywhereStartAndStop) {
    ASSERT_TRUE(desk.messageBox.shown.empty()) << desk.messageBox.shown[0].text;
    ASSERT_TRUE(form->HotkeyRecordClaimed() && form->HotkeyStopClaimed());
    form->show();
    QSignalSpy started(form.get(), &app::Form1::StartRecordCalled);
    QSignalSpy stopped(form.get(), &app::Form1::StopRecordCalled);

    ASSERT_TRUE(RunX("xdotool", {"key", "ctrl+r"}));
    ASSERT_TRUE(started.wait(5000));
    ASSERT_TRUE(RunX("xdotool", {"key", "ctrl+s"}));
    ASSERT_TRUE(stopped.wait(5000));
    EXPECT_EQ(started.count(), 1);

    // With CapsLock and NumLock on the keys still work.
    ASSERT_TRUE(RunX("xdotool", {"key", "Caps_Lock", "ctrl+r", "Caps_Lock"}));
    ASSERT_TRUE(started.wait(5000));
    ASSERT_TRUE(RunX("xdotool", {"key", "Num_Lock", "ctrl+s", "Num_Lock"}));
    ASSERT_TRUE(stopped.wait(5000));

    // Ctrl+Shift+R is another combination.
    ASSERT_TRUE(RunX("xdotool", {"key", "ctrl+shift+r"}));
    QTest::qWait(300);
    EXPECT_EQ(started.count(), 2);

    // Exit releases the keys: another client can take them now.
    form->exitsystem();
    OtherClient other;
    EXPECT_TRUE(other.GrabCtrl('R'));
    EXPECT_TRUE(other.GrabCtrl('S'));
}

// Moves the pointer to `at` in the widget, on the test display, and waits
// until the server has it there.
bool PointerTo(const QWidget& widget, QPoint at) {
    const QPoint global = widget.mapToGlobal(at);
    return RunX("xdotool",
                {"mousemove", QString::number(global.x()), QString::number(global.y())}) &&
           qsr::testing::RunUntil([global] { return QCursor::pos() == global; }, 15000);
}

// A click on the slider's groove seeks to that point; dragging the handle
// seeks once, when the button is let go.
TEST_F(X11Test, TheSlidersGrooveSeeksWhereItIsClickedAndADragOnRelease) {
    const std::string path = home.File("tone.WAV");
    qsr::testing::WriteAll(path, "audio");
    auto* list = qsr::testing::Control<QTreeWidget>(*form, "ListView1");
    auto* row = new QTreeWidgetItem(
        list, QStringList{"1", QString::fromStdString(path), "1MB", "0:10.000", "now"});
    row->setSelected(true);
    engine.lastFile->content.assign(441000 * 2, 7);  // 10 s of stereo at 44100 Hz
    form->PlaySelected();
    ASSERT_TRUE(form->Playing());
    const std::int64_t total = form->Playback().TotalSamples();
    ASSERT_EQ(total, 441000);
    // A skin's style sheet over the window, as the shipped one is.
    form->setStyleSheet("QMainWindow { background-color: #d4d0c8; }");
    form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form.get()));
    auto* slider = qsr::testing::Control<QSlider>(*form, "slPosition");
    ASSERT_EQ(slider->value(), 0);

    // Three quarters along the groove, well away from the handle at the start.
    ASSERT_TRUE(PointerTo(*slider, {slider->width() * 3 / 4, slider->height() / 2}));
    ASSERT_TRUE(RunX("xdotool", {"click", "1"}));
    ASSERT_TRUE(qsr::testing::RunUntil([&] { return form->PlaybackOffset() > 0; }, 15000));
    EXPECT_NEAR(slider->value(), 750, 40);
    EXPECT_EQ(form->PlaybackOffset(), player::SliderToSample(slider->value(), total));

    // Held and dragged to a quarter: no seek until the button is let go.
    const std::int64_t before = form->PlaybackOffset();
    ASSERT_TRUE(PointerTo(*slider, {slider->width() * 3 / 4, slider->height() / 2}));
    ASSERT_TRUE(RunX("xdotool", {"mousedown", "1"}));
    ASSERT_TRUE(qsr::testing::RunUntil([&] { return slider->isSliderDown(); }, 15000));
    ASSERT_TRUE(PointerTo(*slider, {slider->width() / 4, slider->height() / 2}));
    ASSERT_TRUE(qsr::testing::RunUntil([&] { return slider->value() < 400; }, 15000));
    EXPECT_EQ(form->PlaybackOffset(), before);
    ASSERT_TRUE(RunX("xdotool", {"mouseup", "1"}));
    ASSERT_TRUE(qsr::testing::RunUntil([&] { return form->PlaybackOffset() != before; }, 15000));
    EXPECT_NEAR(slider->value(), 250, 40);
    EXPECT_EQ(form->PlaybackOffset(), player::SliderToSample(slider->value(), total));
}

TEST(X11Hotkeys, KeyHeldByAnotherProgramCannotBeClaimed) {
    if (Display().isEmpty()) GTEST_SKIP() << "QSR_TEST_X_DISPLAY is not set";
    OtherClient other;
    ASSERT_TRUE(other.GrabCtrl('R'));

    qsr::testing::TempDir home;
    fakes::FakeAudioEngine engine;
    engine.devices = {OneDevice()};
    fakes::FakeDesktop desk;
    desktop::X11HotkeyRegistrar hotkeys;
    services::DesktopServices s = desk.Services();
    s.hotkeys = &hotkeys;
    std::unique_ptr<app::AppCore> core;
    std::unique_ptr<app::Form1> window;
    app::Form1& form = qsr::testing::NewMainWindow(core, window, engine, s, home.path().string());
    form.Form_Load();
    EXPECT_EQ(
        desk.messageBox.Texts(),
        (std::vector<std::string>{"Can not register the hotkeys CTRL+R ...this key is already "
                                  "registered by some other running applications."}));
    EXPECT_FALSE(form.HotkeyRecordClaimed());
    EXPECT_TRUE(form.HotkeyStopClaimed());
    form.exitsystem();
    // Ctrl+S was released; Ctrl+R still belongs to the other client.
    OtherClient third;
    EXPECT_TRUE(third.GrabCtrl('S'));
    EXPECT_FALSE(third.GrabCtrl('R'));
}

// Waits for a top-level window whose name matches the pattern; its id or "".
QString WaitForWindow(const QString& pattern, int ms = 15000) {
    QString id;
    for (int waited = 0; waited < ms; waited += 200) {
        if (RunX("xdotool", {"search", "--onlyvisible", "--name", pattern}, &id) && !id.isEmpty())
            return id.split('\n').first();
        QTest::qWait(200);
    }
    return {};
}

// The program's environment on the test display, with its own application
// and runtime folders.
QProcessEnvironment ProgramEnvironment(const qsr::testing::TempDir& home,
                                       const qsr::testing::TempDir& runtime) {
    auto env = QProcessEnvironment::systemEnvironment();
    env.insert("DISPLAY", Display());
    env.insert("QT_QPA_PLATFORM", "xcb");
    env.insert("QSR_HOME", QString::fromStdString(home.path().string()));
    env.insert("XDG_RUNTIME_DIR", QString::fromStdString(runtime.path().string()));
    return env;
}

// Ends the program as a session would, killing it only if it hangs.
void Stop(QProcess& program) {
    program.terminate();
    if (!program.waitForFinished(5000)) {
        program.kill();
        program.waitForFinished();
    }
}

TEST(Program, SecondCopyIsRefusedAndTheFirstGoesOn) {
    if (Display().isEmpty()) GTEST_SKIP() << "QSR_TEST_X_DISPLAY is not set";
    qsr::testing::TempDir home, runtime;
    const QProcessEnvironment env = ProgramEnvironment(home, runtime);

    QProcess first;
    first.setProcessEnvironment(env);
    first.start(QSR_APP_EXE, {});
    ASSERT_TRUE(first.waitForStarted());
    const QString mainWindow = WaitForWindow("^Quorvin Sound Recorder v3.20$");
    ASSERT_FALSE(mainWindow.isEmpty()) << first.readAllStandardError().toStdString();

    QProcess second;
    second.setProcessEnvironment(env);
    second.start(QSR_APP_EXE, {});
    ASSERT_TRUE(second.waitForStarted());
    // The message box: titled with the application title alone.
    const QString box = WaitForWindow("^Quorvin Sound Recorder$");
    ASSERT_FALSE(box.isEmpty());
    QString text;
    RunX("xdotool", {"getwindowname", box}, &text);
    EXPECT_EQ(text.toStdString(), "Quorvin Sound Recorder");
    // Answer the box as a user would: focus it and press Return (again, if
    // the box was not ready for keys yet).
    bool ended = false;
    for (int attempt = 0; attempt < 20 && !ended; ++attempt) {
        RunX("xdotool", {"windowfocus", "--sync", box});
        RunX("xdotool", {"key", "Return"});
        ended = second.waitForFinished(500);
    }
    if (!ended) second.kill();
    EXPECT_TRUE(ended);
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_EQ(first.state(), QProcess::Running);  // the first copy is unaffected

    Stop(first);
    // The application folder was seeded by the first copy only.
    EXPECT_TRUE(std::filesystem::exists(home.File("settings.dat")));
}

// A schedule.dat too large to be a schedule is reported at start; the box
// comes over the main window, which is already up, instead of holding it back.
TEST(Program, AStartMessageComesOverTheShownMainWindow) {
    if (Display().isEmpty()) GTEST_SKIP() << "QSR_TEST_X_DISPLAY is not set";
    qsr::testing::TempDir home, runtime;
    const QProcessEnvironment env = ProgramEnvironment(home, runtime);
    { std::ofstream(home.File("schedule.dat")) << "x"; }
    std::filesystem::resize_file(home.File("schedule.dat"), 17 * 1024 * 1024);

    QProcess program;
    program.setProcessEnvironment(env);
    program.start(QSR_APP_EXE, {});
    ASSERT_TRUE(program.waitForStarted());
    const QString box = WaitForWindow("^Quorvin Sound Recorder$");
    ASSERT_FALSE(box.isEmpty()) << program.readAllStandardError().toStdString();
    // Asked once, at the moment the box is up: no waiting for the window.
    QString mainWindow;
    RunX("xdotool", {"search", "--onlyvisible", "--name", "^Quorvin Sound Recorder v3.20$"},
         &mainWindow);
    EXPECT_FALSE(mainWindow.isEmpty()) << "the message came before the main window";
    Stop(program);
}

// Start-up loads no module: the encoders, the libsndfile reader and FFmpeg
// wait for the first file written or read.
TEST(Program, TheWindowAtRestHasLoadedNoCodecModule) {
    if (Display().isEmpty()) GTEST_SKIP() << "QSR_TEST_X_DISPLAY is not set";
    if (qgetenv("PULSE_SERVER").isEmpty()) GTEST_SKIP() << "no test sound server";
    qsr::testing::TempDir home, runtime;
    const QProcessEnvironment env = ProgramEnvironment(home, runtime);

    QProcess program;
    program.setProcessEnvironment(env);
    program.start(QSR_APP_EXE, {});
    ASSERT_TRUE(program.waitForStarted());
    ASSERT_FALSE(WaitForWindow("^Quorvin Sound Recorder v3.20$").isEmpty())
        << program.readAllStandardError().toStdString();
    const std::string maps =
        qsr::testing::ReadAll("/proc/" + std::to_string(program.processId()) + "/maps");
    Stop(program);
    ASSERT_NE(maps.find("libQt6Widgets"), std::string::npos);  // the map was read
    for (const char* library : {"qsr-codecs-module.so", "qsr-ffmpeg-module.so", "libopusenc",
                                "libavcodec", "libavformat"})
        EXPECT_EQ(maps.find(library), std::string::npos) << library << " is mapped";
}

// The program killed in the middle of a recording: at its next start the
// journal leads it to the file, which is listed and decodes to what was
// recorded before the kill.
TEST(Program, ARecordingCutOffByAKillIsRecoveredAtTheNextStart) {
    if (Display().isEmpty()) GTEST_SKIP() << "QSR_TEST_X_DISPLAY is not set";
    if (qgetenv("PULSE_SERVER").isEmpty()) GTEST_SKIP() << "no test sound server";
    qsr::testing::TempDir home, runtime;
    const QProcessEnvironment env = ProgramEnvironment(home, runtime);

    QProcess first;
    first.setProcessEnvironment(env);
    first.start(QSR_APP_EXE, {});
    ASSERT_TRUE(first.waitForStarted());
    ASSERT_FALSE(WaitForWindow("^Quorvin Sound Recorder v3.20$").isEmpty());
    ASSERT_TRUE(RunX("xdotool", {"key", "ctrl+r"}));
    // Three seconds of 44100 Hz stereo WAV, then the kill.
    std::string wav;
    std::uintmax_t bytes = 0;
    for (int waited = 0; waited < 20000 && bytes < 44 + 3 * 44100 * 4; waited += 100) {
        for (const auto& e : std::filesystem::directory_iterator(home.path()))
            if (e.path().extension() == ".WAV") wav = e.path().string();
        std::error_code ec;
        if (!wav.empty()) bytes = std::filesystem::file_size(wav, ec);
        QTest::qWait(100);
    }
    ASSERT_GE(bytes, 44u + 3 * 44100 * 4) << "no recording grew in " << home.path();
    first.kill();  // SIGKILL: nothing is finished, nothing is listed
    first.waitForFinished();
    bytes = std::filesystem::file_size(wav);
    ASSERT_TRUE(std::filesystem::exists(home.File("recordings.journal")));

    QProcess second;
    second.setProcessEnvironment(env);
    second.start(QSR_APP_EXE, {});
    ASSERT_TRUE(second.waitForStarted());
    // The one message saying what was recovered, answered as a user would.
    const QString box = WaitForWindow("^Quorvin Sound Recorder$");
    ASSERT_FALSE(box.isEmpty());
    for (int attempt = 0; attempt < 20 && !WaitForWindow("^Quorvin Sound Recorder$", 300).isEmpty();
         ++attempt) {
        RunX("xdotool", {"windowfocus", "--sync", box});
        RunX("xdotool", {"key", "Return"});
    }
    EXPECT_FALSE(WaitForWindow("^Quorvin Sound Recorder v3.20$").isEmpty());
    EXPECT_FALSE(std::filesystem::exists(home.File("recordings.journal")));
    Stop(second);

    auto file = audio::CreateRealAudioFile();
    ASSERT_GE(file->OpenFile(wav), 0);
    const double seconds = static_cast<double>(file->TotalSamples()) / file->SampleRate();
    EXPECT_NEAR(seconds, static_cast<double>(bytes - 44) / (44100 * 4), 1.0);
    EXPECT_GE(seconds, 3.0);
}

// A marker set through quorvin-cli mark (the journal's channel) survives a
// kill: the journal kept it, and the recovery writes it into the WAV file,
// where ffprobe reads it as a chapter inside what was recorded.
TEST(Program, AMarkerOfARecordingCutOffByAKillIsInTheRecoveredFile) {
    if (Display().isEmpty()) GTEST_SKIP() << "QSR_TEST_X_DISPLAY is not set";
    if (qgetenv("PULSE_SERVER").isEmpty()) GTEST_SKIP() << "no test sound server";
    qsr::testing::TempDir home, runtime;
    const QProcessEnvironment env = ProgramEnvironment(home, runtime);
    QProcess first;
    first.setProcessEnvironment(env);
    first.start(QSR_APP_EXE, {});
    ASSERT_TRUE(first.waitForStarted());
    ASSERT_FALSE(WaitForWindow("^Quorvin Sound Recorder v3.20$").isEmpty());
    ASSERT_TRUE(RunX("xdotool", {"key", "ctrl+r"}));
    const std::string journal = home.File("recordings.journal");
    ASSERT_TRUE(qsr::testing::RunUntil(
        [&] { return qsr::testing::ReadAll(journal).find(".WAV") != std::string::npos; }, 20000));
    QProcess mark;
    mark.setProcessEnvironment(env);
    mark.start(QSR_CLI_EXE, {"mark", "Before the kill"});
    ASSERT_TRUE(mark.waitForFinished(30000));
    EXPECT_EQ(mark.exitCode(), 0) << mark.readAllStandardError().toStdString();
    ASSERT_TRUE(qsr::testing::RunUntil(
        [&] { return qsr::testing::ReadAll(journal).find("\nM\t") != std::string::npos; }, 20000));
    first.kill();  // SIGKILL
    first.waitForFinished();
    std::string wav = qsr::testing::ReadAll(journal);
    wav = wav.substr(0, wav.find("\nM\t"));
    wav = wav.substr(wav.rfind('\t') + 1);

    QProcess second;
    second.setProcessEnvironment(env);
    second.start(QSR_APP_EXE, {});
    ASSERT_TRUE(second.waitForStarted());
    const QString box = WaitForWindow("^Quorvin Sound Recorder$");
    ASSERT_FALSE(box.isEmpty());
    for (int attempt = 0; attempt < 20 && !WaitForWindow("^Quorvin Sound Recorder$", 300).isEmpty();
         ++attempt) {
        RunX("xdotool", {"windowfocus", "--sync", box});
        RunX("xdotool", {"key", "Return"});
    }
    EXPECT_FALSE(WaitForWindow("^Quorvin Sound Recorder v3.20$").isEmpty());
    Stop(second);

    QProcess probe;
    probe.start("ffprobe", {"-v", "error", "-show_chapters", "-show_entries", "format=duration",
                            "-of", "json", QString::fromStdString(wav)});
    ASSERT_TRUE(probe.waitForFinished(30000));
    const QJsonObject seen = QJsonDocument::fromJson(probe.readAllStandardOutput()).object();
    const QJsonArray chapters = seen["chapters"].toArray();
    ASSERT_EQ(chapters.size(), 1) << wav;
    const QJsonObject chapter = chapters[0].toObject();
    EXPECT_EQ(chapter["tags"].toObject()["title"].toString().toStdString(), "Before the kill");
    const double start = chapter["start_time"].toString().toDouble();
    EXPECT_GT(start, 0);
    EXPECT_LT(start, seen["format"].toObject()["duration"].toString().toDouble());
}

}  // namespace
