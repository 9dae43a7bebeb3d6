// Recording session, recordings list with playback, and projects in the main
// window, against fake components that keep real files on disk.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QSignalSpy>
#include <QSlider>
#include <QTreeWidget>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>

#include "app/RecordingRules.h"
#include "app/windows/Form1.h"
#include "fakes/FakeAudio.h"
#include "fakes/FakeServices.h"
#include "recording/RecoveryJournal.h"
#include "support/Controls.h"
#include "support/MainWindow.h"
#include "support/TempDir.h"

using namespace qsr;
using fakes::CallLog;
using fakes::Only;
using qsr::testing::Control;
using services::MsgAnswer;
using services::MsgIcon;
namespace fs = std::filesystem;

namespace {

// A file component that also makes the file on disk: empty on create, two
// bytes a sample per written block, so names collide and sizes show as they
// would. `leaveFileOnFailure` mimics a component that leaves an empty file
// behind when it cannot finish creating one.
class DiskFile : public fakes::FakeAudioFile {
  public:
    using FakeAudioFile::FakeAudioFile;
    bool leaveFileOnFailure = false;
    // Open from create to close, as the real one holds its file.
    std::ofstream stream;
    int CreateFile(const std::string& path) override {
        const int result = FakeAudioFile::CreateFile(path);
        if (result >= 0 || leaveFileOnFailure) {
            errno = 0;
            stream = std::ofstream(path, std::ios::binary | std::ios::trunc);
            if (!stream && result >= 0) {
                lastError = std::strerror(errno);  // as the real one reports it
                return -1;
            }
        }
        return result;
    }
    int WriteBlock(const audio::Samples& block) override {
        stream.write(reinterpret_cast<const char*>(block.data()),
                     static_cast<std::streamsize>(block.size() * sizeof(block[0])));
        stream.flush();
        return FakeAudioFile::WriteBlock(block);
    }
    void Close() override {
        stream.close();
        FakeAudioFile::Close();
    }
};

class Engine : public fakes::FakeAudioEngine {
  public:
    // Set up each new file component as the test wants.
    std::function<void(DiskFile&)> prepareFile;
    std::unique_ptr<audio::IAudioFile> CreateFile() override {
        auto f = std::make_unique<DiskFile>(&log);
        lastFile = f.get();
        if (prepareFile) prepareFile(*f);
        return f;
    }
    DiskFile& File() { return static_cast<DiskFile&>(*lastFile); }
};

class RecordingSessionTest : public ::testing::Test {
  protected:
    void SetUp() override {
        out = home.path() / "rec out";
        fs::create_directories(out);
        Settings("0", "0");
        fakes::FakeDevice device;
        device.name = "Microphone";
        device.lines = {fakes::FakeLine{}};
        engine.devices = {device};
        engine.prepareFile = [](DiskFile& f) { f.encoderRate = 8000; };
    }
    void Settings(const std::string& datetime, const std::string& existedfile,
                  const std::string& folder = "") {
        qsr::testing::WriteAll(
            home.File("settings.dat"),
            "[set]\noutputformat=0\noutputfolder=" + (folder.empty() ? out.string() : folder) +
                "\nfilename=rec\ndatetime=" + datetime + "\nexistedfile=" + existedfile + "\n");
    }
    app::Form1& Load() {
        qsr::testing::NewMainWindow(core, form, engine, desk.Services(), home.path().string());
        level.frame = 2048;
        form->SetSampleDisplays(&av, &level);
        form->Form_Load();
        return *form;
    }
    std::string Cell(int row, int column) const {
        return Control<QTreeWidget>(*form, "ListView1")
            ->topLevelItem(row)
            ->text(column)
            .toStdString();
    }
    std::vector<std::string> Column(int column) const {
        std::vector<std::string> cells;
        for (int i = 0; i < Control<QTreeWidget>(*form, "ListView1")->topLevelItemCount(); ++i)
            cells.push_back(Cell(i, column));
        return cells;
    }
    void AddRow(const std::string& number, const std::string& path) {
        new QTreeWidgetItem(Control<QTreeWidget>(*form, "ListView1"),
                            QStringList{QString::fromStdString(number),
                                        QString::fromStdString(path), "1MB", "0:01.000", "now"});
    }
    void Select(int row) {
        Control<QTreeWidget>(*form, "ListView1")->clearSelection();
        Control<QTreeWidget>(*form, "ListView1")->topLevelItem(row)->setSelected(true);
    }
    std::string MakeFile(const std::string& name, const std::string& content = "audio") {
        const std::string path = (out / name).string();
        qsr::testing::WriteAll(path, content);
        return path;
    }
    fakes::FakeRecorder& Recorder() { return *engine.lastRecorder; }
    fakes::FakePlayer& Player() { return *engine.lastPlayer; }

    qsr::testing::TempDir home;
    fs::path out;
    Engine engine;
    fakes::FakeDesktop desk;
    fakes::FakeDisplay av, level;
    std::unique_ptr<app::AppCore> core;
    std::unique_ptr<app::Form1> form;
};

// ---- recording -----------------------------------------------------------------

TEST_F(RecordingSessionTest, RecordsBlocksShowsProgressAndListsTheFile) {
    auto& f = Load();
    engine.log.clear();
    f.StartRecord();
    const std::string path = (out / "rec.WAV").string();
    ASSERT_TRUE(f.flgRecord());
    // Created first; the recorder takes the encoder's format and one-second blocks.
    EXPECT_EQ(Only(engine.log, {"CreateFile", "SetFormat", "SetBlockLength", "Start()"}),
              (CallLog{"CreateFile(" + path + ")", "SetFormat(8000,2)", "SetBlockLength(8000)",
                       "Start()"}));
    EXPECT_EQ(Control<QLabel>(f, "Panel1")->text().toStdString(), path);
    EXPECT_EQ(Control<QLabel>(f, "Panel2")->text().toStdString(), "fake format");
    for (QWidget* w : {static_cast<QWidget*>(Control<QPushButton>(f, "cmdPause")),
                       static_cast<QWidget*>(Control<QPushButton>(f, "cmdPlay")),
                       static_cast<QWidget*>(Control<QPushButton>(f, "cmdrecord")),
                       static_cast<QWidget*>(Control<QPushButton>(f, "Command1")),
                       static_cast<QWidget*>(Control<QPushButton>(f, "Command4"))})
        EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
    EXPECT_TRUE(Control<QPushButton>(f, "cmdStop")->isEnabled());

    // 1.5 MB of samples in two blocks; each block goes to the file as it comes.
    const audio::Samples half(393216, 1000);
    Recorder().Deliver(half);
    Recorder().Deliver(half);
    EXPECT_EQ(engine.File().written.size(), 2u);

    // Progress: 600336 samples at 8000 Hz are 75042 ms; the stereo visualization
    // gets a 4096-sample mono mix-down, the level meter the peaks the recorder
    // measured (no samples to scan again).
    Recorder().latest.assign(20000, 0);
    for (std::size_t i = 0; i < Recorder().latest.size(); i += 2) Recorder().latest[i] = 2000;
    level.shown.clear();
    emit Recorder().Timer(600336, 2000, 7);
    EXPECT_EQ(Control<QLabel>(f, "Label1")->text(), "1:15.042");
    ASSERT_FALSE(av.shown.empty());
    EXPECT_EQ(av.shown.back(), audio::Samples(4096, 1000));
    EXPECT_EQ(av.channels, 1);
    EXPECT_EQ(level.peaks, (std::vector<std::pair<int, int>>{{2000, 7}}));
    EXPECT_TRUE(level.shown.empty());

    // The last, partial block arrives while stopping and is still written.
    bool lastDelivered = false;
    desk.eventPump.onPump = [&] {
        if (f.flgRecord() || lastDelivered) return;
        lastDelivered = true;
        Recorder().Deliver(audio::Samples(8, 1));
    };
    f.StopRecord();
    desk.eventPump.onPump = nullptr;
    EXPECT_FALSE(f.flgRecord());
    EXPECT_EQ(engine.File().written.size(), 3u);
    EXPECT_EQ(Only(engine.log, {"Stop()", "WriteBlock", "Close()"}).back(), "Close()");
    EXPECT_TRUE(Control<QPushButton>(f, "cmdrecord")->isEnabled());
    EXPECT_TRUE(Control<QPushButton>(f, "Command4")->isEnabled());
    EXPECT_EQ(Control<QLabel>(f, "Panel2")->text(), "Done");
    EXPECT_TRUE(av.shown.back().empty());
    EXPECT_TRUE(level.shown.back().empty());
    ASSERT_EQ(Control<QTreeWidget>(f, "ListView1")->topLevelItemCount(), 1);
    EXPECT_EQ(Cell(0, 0), "1");
    EXPECT_EQ(Cell(0, 1), path);
    EXPECT_EQ(Cell(0, 2), "1.5MB");
    EXPECT_EQ(Cell(0, 3), "1:15.042");
    EXPECT_FALSE(Cell(0, 4).empty());

    // The next recording counts from zero again.
    f.StartRecord();
    EXPECT_EQ(Control<QLabel>(f, "Label1")->text(), "0:00.000");
}

// The status bar tells of lost sound once there is some, and the next
// recording starts without the note.
TEST_F(RecordingSessionTest, StatusBarShowsDropoutsOnceThereAreAny) {
    auto& f = Load();
    f.show();
    f.StartRecord();
    emit Recorder().Timer(8000, 0, 0);
    EXPECT_FALSE(Control<QLabel>(f, "PanelDropouts")->isVisible());
    Recorder().dropouts = 3;
    emit Recorder().Timer(16000, 0, 0);
    EXPECT_TRUE(Control<QLabel>(f, "PanelDropouts")->isVisible());
    EXPECT_EQ(Control<QLabel>(f, "PanelDropouts")->text(), "Dropouts: 3");
    f.StopRecord();
    EXPECT_TRUE(
        Control<QLabel>(f, "PanelDropouts")->isVisible());  // still about the recording just listed
    f.StartRecord();
    EXPECT_FALSE(Control<QLabel>(f, "PanelDropouts")->isVisible());
    f.StopRecord();
}

TEST_F(RecordingSessionTest, StartWhileRecordingListsTheFirstFileAndStartsTheNext) {
    auto& f = Load();
    f.StartRecord();
    f.StartRecord();  // e.g. Ctrl+R while recording
    EXPECT_TRUE(f.flgRecord());
    ASSERT_EQ(Control<QTreeWidget>(f, "ListView1")->topLevelItemCount(), 1);
    EXPECT_EQ(Cell(0, 1), (out / "rec.WAV").string());
    // rec.WAV is taken and the list has one row: the next name is numbered.
    EXPECT_EQ(f.OutputPath(), (out / "rec_ 2.WAV").string());
    EXPECT_EQ(Only(engine.log, {"Start()", "Stop()", "Close()"}),
              (CallLog{"Start()", "Stop()", "Close()", "Start()"}));
    f.StopRecord();
    EXPECT_EQ(Column(0), (std::vector<std::string>{"1", "2"}));
    EXPECT_TRUE(fs::exists(out / "rec.WAV"));
    EXPECT_TRUE(fs::exists(out / "rec_ 2.WAV"));
}

TEST_F(RecordingSessionTest, NumberedNamesNeverOverwriteAnEarlierRecording) {
    MakeFile("rec.WAV", "first");
    MakeFile("rec_ 1.WAV", "second");
    auto& f = Load();
    f.StartRecord();
    EXPECT_EQ(f.OutputPath(), (out / "rec_ 2.WAV").string());
    f.StopRecord();
    EXPECT_EQ(qsr::testing::ReadAll((out / "rec_ 1.WAV").string()), "second");

    // Two starts within the same second with the date and time in the name.
    Settings("1", "0");
    f.StartRecord();
    const std::string first = f.OutputPath();
    f.StartRecord();
    f.StopRecord();
    EXPECT_NE(f.OutputPath(), first);
    EXPECT_TRUE(fs::exists(first));

    // Overwriting chosen: the same name again. The format list's text is the extension.
    Settings("0", "1");
    Control<QComboBox>(f, "cboEncoders")->setCurrentIndex(1);
    f.StartRecord();
    f.StopRecord();
    f.StartRecord();
    EXPECT_EQ(f.OutputPath(), (out / "rec.MP3").string());
    f.StopRecord();

    // No output folder: the application folder.
    Settings("0", "1", "0");
    f.StartRecord();
    EXPECT_EQ(f.OutputPath(), (home.path() / "rec.MP3").string());
    f.StopRecord();
}

TEST_F(RecordingSessionTest, StopWithNothingRunningDoesNothing) {
    auto& f = Load();
    engine.log.clear();
    f.StopRecord();
    f.findChild<QAction*>("mnuStop")->trigger();
    EXPECT_TRUE(Only(engine.log, {"Stop()", "Close()", "WriteBlock"}).empty());
    EXPECT_EQ(Control<QTreeWidget>(f, "ListView1")->topLevelItemCount(), 0);
    EXPECT_TRUE(Control<QLabel>(f, "Panel2")->text().isEmpty());
}

TEST_F(RecordingSessionTest, ExitDuringTheRecordersProgressSignalEndsCleanly) {
    auto& f = Load();
    f.StartRecord();
    Recorder().latest.assign(10000, 5);
    // The user's Exit is handled within the recorder's own Timer signal,
    // after the window's progress handler (as from a dialog's event loop).
    bool exited = false;
    const int pumpedBefore = desk.eventPump.pumped;
    int pumpedByTheTick = -1;
    QObject::connect(&Recorder(), &audio::IAudioRecorder::Timer, &*form, [&] {
        if (exited) return;
        exited = true;
        pumpedByTheTick = desk.eventPump.pumped - pumpedBefore;
        desk.messageBox.answers = {MsgAnswer::Cancel};
        f.exitsystem();
    });
    QPointer<audio::IAudioRecorder> recorder(&Recorder());
    emit Recorder().Timer(8000, 0, 0);
    EXPECT_TRUE(exited);
    // The tick let no events run of its own: painting waits for the event loop.
    EXPECT_EQ(pumpedByTheTick, 0);
    EXPECT_FALSE(f.flgRecord());
    EXPECT_EQ(f.Recorder(), nullptr);
    EXPECT_EQ(Control<QTreeWidget>(f, "ListView1")->topLevelItemCount(), 1);
    // The recorder outlived its signal and goes once the event loop runs.
    ASSERT_FALSE(recorder.isNull());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(recorder.isNull());
}

// ---- the decided fault: a start that fails ------------------------------------

TEST_F(RecordingSessionTest, FailedCreateShowsOneMessageAndLeavesNoFile) {
    engine.prepareFile = [](DiskFile& file) {
        file.createResult = -1;
        file.lastError = "no space left on device";
        file.leaveFileOnFailure = true;
    };
    auto& f = Load();
    f.StartRecord();
    const std::string path = (out / "rec.WAV").string();
    EXPECT_FALSE(f.flgRecord());
    ASSERT_EQ(desk.messageBox.shown.size(), 1u);
    EXPECT_EQ(desk.messageBox.shown[0].text,
              recording::StartFailedMessage(path, "no space left on device"));
    EXPECT_NE(desk.messageBox.shown[0].text.find(path), std::string::npos);
    EXPECT_EQ(desk.messageBox.shown[0].icon, MsgIcon::Error);
    EXPECT_FALSE(fs::exists(path));
    EXPECT_TRUE(Only(engine.log, {"Start()"}).empty());
    EXPECT_TRUE(Control<QPushButton>(f, "cmdrecord")->isEnabled());
    // Nothing to stop, nothing listed.
    f.StopRecord();
    EXPECT_EQ(Control<QTreeWidget>(f, "ListView1")->topLevelItemCount(), 0);
}

TEST_F(RecordingSessionTest, AStoredNameNoFileCanHaveIsRefusedBeforeAnyWork) {
    const fs::path unmade = home.path() / "not made";
    qsr::testing::WriteAll(
        home.File("settings.dat"),
        "[set]\noutputfolder=" + unmade.string() + "\nfilename=" + std::string(256, 'n') + "\n");
    auto& f = Load();
    f.StartRecord();
    EXPECT_FALSE(f.flgRecord());
    EXPECT_EQ(desk.messageBox.Texts(),
              std::vector<std::string>{"Cannot record: the file name in settings.dat is too long"});
    EXPECT_FALSE(fs::exists(unmade));
    EXPECT_TRUE(Only(engine.log, {"Start()"}).empty());
    EXPECT_TRUE(Control<QPushButton>(f, "cmdrecord")->isEnabled());
}

TEST_F(RecordingSessionTest, FailedCreateOverAnExistingFileLeavesThatFile) {
    Settings("0", "1");
    const std::string path = MakeFile("rec.WAV", "keep me");
    engine.prepareFile = [](DiskFile& file) { file.createResult = -1; };
    auto& f = Load();
    f.StartRecord();
    EXPECT_FALSE(f.flgRecord());
    EXPECT_EQ(qsr::testing::ReadAll(path), "keep me");
    ASSERT_EQ(desk.messageBox.shown.size(), 1u);
    EXPECT_NE(desk.messageBox.shown[0].text.find(path), std::string::npos);
}

TEST_F(RecordingSessionTest, RecorderThatDoesNotStartIsReportedAndItsFileRemoved) {
    auto& f = Load();
    Recorder().startResult = -3;
    f.StartRecord();
    const std::string path = (out / "rec.WAV").string();
    EXPECT_FALSE(f.flgRecord());
    EXPECT_TRUE(engine.File().closed);
    EXPECT_FALSE(fs::exists(path));
    ASSERT_EQ(desk.messageBox.shown.size(), 1u);
    EXPECT_NE(desk.messageBox.shown[0].text.find(path), std::string::npos);
    EXPECT_TRUE(Control<QPushButton>(f, "cmdrecord")->isEnabled());
    f.StopRecord();
    EXPECT_EQ(Control<QTreeWidget>(f, "ListView1")->topLevelItemCount(), 0);
}

TEST_F(RecordingSessionTest, ScheduledStartThatFailsDoesNotWaitForTheMessage) {
    auto& f = Load();
    Recorder().startResult = -1;
    QSignalSpy started(&f, &app::Form1::StartRecordCalled);
    f.StartScheduledRecord();
    EXPECT_EQ(started.count(), 1);
    EXPECT_FALSE(f.flgRecord());
    // The caller (the schedule clock) is back before any message is shown.
    EXPECT_TRUE(desk.messageBox.shown.empty());
    QCoreApplication::processEvents();
    ASSERT_EQ(desk.messageBox.shown.size(), 1u);
    EXPECT_NE(desk.messageBox.shown[0].text.find((out / "rec.WAV").string()), std::string::npos);
    // A later scheduled start that works runs normally.
    Recorder().startResult = 0;
    f.StartScheduledRecord();
    EXPECT_TRUE(f.flgRecord());
}

// ---- list commands ---------------------------------------------------------------

TEST_F(RecordingSessionTest, DeletingTheMiddleOfThreeRowsRenumbers) {
    auto& f = Load();
    const std::string a = MakeFile("a.WAV"), b = MakeFile("b.WAV"), c = MakeFile("c.WAV");
    AddRow("1", a);
    AddRow("2", b);
    AddRow("3", c);
    Select(1);
    desk.messageBox.answers = {MsgAnswer::Cancel};
    f.findChild<QAction*>("mnuDelete")->trigger();
    EXPECT_EQ(Control<QTreeWidget>(f, "ListView1")->topLevelItemCount(), 3);
    EXPECT_TRUE(fs::exists(b));
    ASSERT_EQ(desk.messageBox.shown.size(), 1u);
    EXPECT_EQ(desk.messageBox.shown[0].text, "Do you want to delete the selected audio file now?");
    EXPECT_EQ(desk.messageBox.shown[0].icon, MsgIcon::Warning);

    f.findChild<QAction*>("mnuDelete")->trigger();  // OK this time
    EXPECT_FALSE(fs::exists(b));
    EXPECT_EQ(Column(0), (std::vector<std::string>{"1", "2"}));
    EXPECT_EQ(Column(1), (std::vector<std::string>{a, c}));

    // Removing an item keeps its file.
    Select(0);
    f.findChild<QAction*>("mnuRemove")->trigger();
    EXPECT_EQ(Column(0), (std::vector<std::string>{"1"}));
    EXPECT_EQ(Column(1), (std::vector<std::string>{c}));
    EXPECT_TRUE(fs::exists(a));

    // Nothing selected: nothing happens, nothing asked.
    Control<QTreeWidget>(f, "ListView1")->clearSelection();
    desk.messageBox.shown.clear();
    f.DeleteSelectedFile();
    f.RemoveSelectedItem();
    f.RenameSelected();
    EXPECT_EQ(Control<QTreeWidget>(f, "ListView1")->topLevelItemCount(), 1);
    EXPECT_TRUE(desk.messageBox.shown.empty());
}

TEST_F(RecordingSessionTest, RightButtonInTheListOpensTheEditMenu) {
    auto& f = Load();
    f.show();
    AddRow("1", MakeFile("a.WAV"));
    emit Control<QTreeWidget>(f, "ListView1")->customContextMenuRequested(QPoint(10, 10));
    // The menu is a popup window of its own, so it is found under the menu bar.
    auto* edit = Control<QMenuBar>(f, "menuBar")->findChild<QMenu*>("mnuEdit");
    ASSERT_NE(edit, nullptr);
    EXPECT_TRUE(edit->isVisible());
    edit->hide();
}

TEST_F(RecordingSessionTest, RenameShowsItsMessages) {
    auto& f = Load();
    const std::string a = MakeFile("a.WAV", "A"), other = MakeFile("other.WAV", "O");
    const std::string gone = (out / "gone.WAV").string();
    AddRow("1", a);
    AddRow("2", gone);

    Select(1);
    f.RenameSelected();
    ASSERT_EQ(desk.messageBox.shown.size(), 1u);
    EXPECT_EQ(desk.messageBox.shown[0].text, gone + " is not exist!");
    EXPECT_EQ(desk.messageBox.shown[0].icon, MsgIcon::Error);
    EXPECT_TRUE(desk.inputBox.prompts.empty());

    // A new name: the file moves and the row follows.
    Select(0);
    const std::string renamed = (out / "renamed.WAV").string();
    desk.inputBox.answers = {"  " + renamed + " "};
    f.findChild<QAction*>("mnuRename")->trigger();
    EXPECT_EQ(desk.inputBox.prompts.back(),
              "Old audio file name is: " + a + "\n\nPlease enter new Audio file name:");
    EXPECT_EQ(desk.messageBox.shown.back().text, "Rename audio file is  succeeded!");
    EXPECT_EQ(desk.messageBox.shown.back().icon, MsgIcon::Information);
    EXPECT_EQ(Cell(0, 1), renamed);
    EXPECT_EQ(qsr::testing::ReadAll(renamed), "A");

    // Onto another existing file: refused, both files kept.
    desk.inputBox.answers = {other};
    f.RenameSelected();
    EXPECT_EQ(desk.messageBox.shown.back().text, "Rename audio file is  Faild!");
    EXPECT_EQ(Cell(0, 1), renamed);
    EXPECT_EQ(qsr::testing::ReadAll(other), "O");
    EXPECT_EQ(qsr::testing::ReadAll(renamed), "A");

    // Unchanged answer: onto itself, reported as success.
    desk.inputBox.answers = {renamed};
    f.RenameSelected();
    EXPECT_EQ(desk.messageBox.shown.back().text, "Rename audio file is  succeeded!");

    // Empty answer or Cancel: nothing.
    const auto count = desk.messageBox.shown.size();
    desk.inputBox.answers = {"   ", std::nullopt};
    f.RenameSelected();
    f.RenameSelected();
    EXPECT_EQ(desk.messageBox.shown.size(), count);
    EXPECT_EQ(Cell(0, 1), renamed);
}

// ---- playback --------------------------------------------------------------------

TEST_F(RecordingSessionTest, PlaysPausesSeeksAndStopsAtTheEnd) {
    auto& f = Load();
    const std::string path = MakeFile("tone.WAV");
    AddRow("1", path);
    Select(0);
    engine.File().content.assign(441000 * 2, 7);  // 10 s of stereo at 44100 Hz
    engine.log.clear();
    Control<QTreeWidget>(f, "ListView1")
        ->itemDoubleClicked(Control<QTreeWidget>(f, "ListView1")->topLevelItem(0), 0);
    ASSERT_TRUE(f.Playing());
    EXPECT_EQ(Only(engine.log, {"OpenFile", "PlayerSetFormat", "PlayerStart"}),
              (CallLog{"OpenFile(" + path + ")", "PlayerSetFormat(44100,2)", "PlayerStart()"}));
    // One 200 ms block is queued at once, another at each request.
    ASSERT_EQ(Player().queued.size(), 1u);
    EXPECT_EQ(Player().queued[0].size(), 8820u * 2);
    emit Player().RequestOnLoadArray();
    emit Player().EndArrayPlay();
    EXPECT_EQ(Player().queued.size(), 3u);

    // Progress: time and slider follow the player's count.
    Player().played = 22050;
    emit Player().Timer(22050, 0, 0);
    EXPECT_EQ(Control<QLabel>(f, "Label1")->text(), "0:00.500");
    EXPECT_EQ(Control<QSlider>(f, "slPosition")->value(), 50);
    EXPECT_EQ(av.shown.back().size(), 4096u * 2);

    // Pause keeps the place; resume starts there.
    Control<QPushButton>(f, "cmdPause")->click();
    EXPECT_TRUE(f.PlaybackPaused());
    EXPECT_EQ(f.PlaybackOffset(), 22050);
    engine.log.clear();
    f.findChild<QAction*>("mnuPause")->trigger();
    EXPECT_FALSE(f.PlaybackPaused());
    EXPECT_EQ(Only(engine.log, {"PlayerStart", "Seek"}), (CallLog{"PlayerStart()", "Seek(22050)"}));
    Player().played = 22050;
    emit Player().Timer(22050, 0, 0);
    EXPECT_EQ(Control<QLabel>(f, "Label1")->text(), "0:01.000");

    // Seeking: while the slider is held the timer leaves it alone.
    Control<QSlider>(f, "slPosition")->setSliderDown(true);
    Control<QSlider>(f, "slPosition")->setValue(500);
    emit Player().Timer(100, 0, 0);
    EXPECT_EQ(Control<QSlider>(f, "slPosition")->value(), 500);
    engine.log.clear();
    Control<QSlider>(f, "slPosition")->setSliderDown(false);
    EXPECT_EQ(Only(engine.log, {"PlayerStop", "PlayerStart", "Seek"}),
              (CallLog{"PlayerStop()", "PlayerStart()", "Seek(220500)"}));
    EXPECT_EQ(f.PlaybackOffset(), 220500);

    // A seek while paused plays again from the new place.
    f.PauseResume();
    ASSERT_TRUE(f.PlaybackPaused());
    Control<QSlider>(f, "slPosition")->setSliderDown(true);
    Control<QSlider>(f, "slPosition")->setValue(100);
    Control<QSlider>(f, "slPosition")->setSliderDown(false);
    EXPECT_FALSE(f.PlaybackPaused());
    EXPECT_EQ(f.PlaybackOffset(), 44100);
    EXPECT_EQ(Player().status, 1);

    // Play while playing starts over from the beginning.
    engine.log.clear();
    Control<QPushButton>(f, "cmdPlay")->click();
    EXPECT_EQ(Only(engine.log, {"Close()", "OpenFile"}),
              (CallLog{"Close()", "OpenFile(" + path + ")"}));
    EXPECT_EQ(f.PlaybackOffset(), 0);

    // The player runs dry: playback ends.
    emit Player().EndPlay();
    EXPECT_FALSE(f.Playing());
    EXPECT_TRUE(f.PlaybackStopped());
    EXPECT_EQ(Control<QSlider>(f, "slPosition")->value(), 0);
    EXPECT_TRUE(av.shown.back().empty());
    // Pause and the slider do nothing when stopped.
    engine.log.clear();
    f.PauseResume();
    Control<QSlider>(f, "slPosition")->setSliderDown(true);
    Control<QSlider>(f, "slPosition")->setSliderDown(false);
    EXPECT_TRUE(Only(engine.log, {"Player", "Seek"}).empty());
}

TEST_F(RecordingSessionTest, PlayDoesNothingWhileRecordingOrForAMissingFile) {
    auto& f = Load();
    const std::string path = MakeFile("tone.WAV");
    engine.File().content.assign(1000, 1);
    AddRow("1", (out / "deleted.WAV").string());
    AddRow("2", path);
    Select(0);
    engine.log.clear();
    f.PlaySelected();
    EXPECT_TRUE(Only(engine.log, {"OpenFile", "Player"}).empty());

    Select(1);
    f.StartRecord();
    engine.log.clear();
    f.PlaySelected();
    f.findChild<QAction*>("mnuPlay")->trigger();
    EXPECT_TRUE(Only(engine.log, {"OpenFile", "Player"}).empty());
    // Recording and playback exclude each other: a start stops playback.
    f.StopRecord();
    Select(1);
    f.PlaySelected();
    ASSERT_TRUE(f.Playing());
    f.StartRecord();
    EXPECT_FALSE(f.Playing());
    EXPECT_TRUE(f.flgRecord());
}

// ---- projects ---------------------------------------------------------------------

TEST_F(RecordingSessionTest, ProjectsRoundTripAndOpenAppendsAsStored) {
    auto& f = Load();
    f.StartRecord();
    f.StopRecord();
    f.StartRecord();
    f.StopRecord();
    const auto rows = f.Rows();
    ASSERT_EQ(rows.size(), 2u);

    const std::string project = (out / "my project.rpf").string();
    desk.fileDialog.saveAnswers = {project};
    f.findChild<QAction*>("mnuSave")->trigger();
    EXPECT_EQ(desk.fileDialog.titles.back(), "Save recording project file");
    EXPECT_EQ(desk.fileDialog.filters.back(), "Project Files(*.rpf)");
    EXPECT_EQ(qsr::testing::ReadAll(project),
              app::JoinProjectLine(rows[0]) + "\r\n" + app::JoinProjectLine(rows[1]) + "\r\n");

    // New empties the list at once and leaves the recordings on disk.
    f.findChild<QAction*>("mnuNew")->trigger();
    EXPECT_EQ(Control<QTreeWidget>(f, "ListView1")->topLevelItemCount(), 0);
    EXPECT_TRUE(desk.messageBox.shown.empty());
    EXPECT_TRUE(fs::exists(rows[0].fileName));

    // Opening twice shows the rows twice, numbered as stored.
    desk.fileDialog.openAnswers = {project, project};
    f.findChild<QAction*>("mnuOpen")->trigger();
    EXPECT_EQ(desk.fileDialog.titles.back(), "Select a recording project file");
    EXPECT_EQ(f.Rows(), rows);
    f.OpenRecordingProject();
    EXPECT_EQ(Column(0), (std::vector<std::string>{"1", "2", "1", "2"}));
    EXPECT_EQ(f.Rows()[3], rows[1]);

    // Cancel, an unreadable file: nothing changes; a file that is not a
    // project says why it is refused.
    f.OpenRecordingProject();
    EXPECT_TRUE(desk.messageBox.shown.empty());
    const std::string binary = MakeFile("binary.rpf", std::string("1\t/a\0b.WAV\r\n", 12));
    desk.fileDialog.openAnswers = {binary};
    f.OpenRecordingProject();
    EXPECT_EQ(Control<QTreeWidget>(f, "ListView1")->topLevelItemCount(), 4);
    EXPECT_EQ(desk.messageBox.Texts(),
              std::vector<std::string>{"The recording project " + binary +
                                       " could not be opened: it holds a NUL byte, so it is not "
                                       "a recording project"});
}

TEST_F(RecordingSessionTest, SavingAnEmptyListMakesAnEmptyFileAndExitOffersTheSave) {
    auto& f = Load();
    const std::string project = MakeFile("old.rpf", "old content\r\n");
    desk.fileDialog.saveAnswers = {project};
    f.SaveRecordingProject();
    EXPECT_TRUE(fs::exists(project));
    EXPECT_EQ(fs::file_size(project), 0u);
    // Cancel in the dialog writes nothing.
    f.SaveRecordingProject();
    EXPECT_EQ(fs::file_size(project), 0u);

    // At exit with rows, OK leads to the save dialog.
    AddRow("1", "/x/y.WAV");
    const std::string atExit = (out / "at exit.rpf").string();
    desk.messageBox.answers = {MsgAnswer::Ok};
    desk.fileDialog.saveAnswers = {atExit};
    f.exitsystem();
    EXPECT_EQ(qsr::testing::ReadAll(atExit), "1\t/x/y.WAV\t1MB\t0:01.000\tnow\r\n");
}

// ---- nothing lost ---------------------------------------------------------------

TEST_F(RecordingSessionTest, AStartDuringTheStopWaitsUntilTheStoppedFileIsListed) {
    auto& f = Load();
    f.StartRecord();
    // Ctrl+R reaches the window while the stop lets events run.
    desk.eventPump.onPump = [&] {
        desk.eventPump.onPump = nullptr;
        f.StartRecord();
    };
    f.StopRecord();
    EXPECT_FALSE(f.flgRecord());
    EXPECT_EQ(Column(1), (std::vector<std::string>{(out / "rec.WAV").string()}));
    QCoreApplication::processEvents();  // the start that waited
    ASSERT_TRUE(f.flgRecord());
    EXPECT_EQ(f.OutputPath(), (out / "rec_ 2.WAV").string());
    f.StopRecord();
    EXPECT_EQ(Column(1), (std::vector<std::string>{(out / "rec.WAV").string(),
                                                   (out / "rec_ 2.WAV").string()}));
}

TEST_F(RecordingSessionTest, AnExitDuringTheStopSavesTheListWithTheLastRecording) {
    auto& f = Load();
    QSignalSpy unloaded(&*form, &app::Form1::Unloaded);
    f.StartRecord();
    desk.eventPump.onPump = [&] {
        desk.eventPump.onPump = nullptr;
        f.exitsystem();
    };
    const std::string project = (out / "exit.rpf").string();
    desk.messageBox.answers = {MsgAnswer::Ok};
    desk.fileDialog.saveAnswers = {project};
    f.StopRecord();
    EXPECT_EQ(unloaded.count(), 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(unloaded.count(), 1);
    EXPECT_NE(qsr::testing::ReadAll(project).find((out / "rec.WAV").string()), std::string::npos);
}

// Exit chosen while a new start stops the running recording: the exit wins
// and no second recording begins for it to cut off.
TEST_F(RecordingSessionTest, AnExitDuringTheStopOfANewStartStartsNothing) {
    auto& f = Load();
    QSignalSpy unloaded(&*form, &app::Form1::Unloaded);
    f.StartRecord();
    desk.eventPump.onPump = [&] {
        desk.eventPump.onPump = nullptr;
        f.exitsystem();
    };
    desk.messageBox.answers = {MsgAnswer::Cancel};
    f.StartRecord();
    EXPECT_FALSE(f.flgRecord());
    QCoreApplication::processEvents();
    EXPECT_EQ(unloaded.count(), 1);
    EXPECT_EQ(Column(1), (std::vector<std::string>{(out / "rec.WAV").string()}));
    EXPECT_FALSE(fs::exists(out / "rec_ 2.WAV"));
    EXPECT_EQ(desk.messageBox.Texts(),
              (std::vector<std::string>{"Do you need to save the recording project file?"}));
}

TEST_F(RecordingSessionTest, AStartDuringTheExitQuestionIsIgnored) {
    auto& f = Load();
    AddRow("1", "/x/y.WAV");
    desk.messageBox.answers = {MsgAnswer::Cancel};
    desk.messageBox.whileShown = [&] { f.StartRecord(); };
    f.exitsystem();
    EXPECT_FALSE(f.flgRecord());
    EXPECT_FALSE(fs::exists(out / "rec.WAV"));
}

TEST_F(RecordingSessionTest, TheFileBeingRecordedCanBeNeitherDeletedNorRenamed) {
    Settings("0", "1");  // overwrite: the list already names the file being recorded
    auto& f = Load();
    f.StartRecord();
    f.StopRecord();
    f.StartRecord();
    const std::string path = (out / "rec.WAV").string();
    Select(0);
    desk.messageBox.answers = {MsgAnswer::Ok};
    f.DeleteSelectedFile();
    EXPECT_TRUE(fs::exists(path));
    EXPECT_EQ(desk.messageBox.shown.back().text,
              "Cannot delete " + path + ": it is being recorded.");
    desk.inputBox.answers = {(out / "moved.WAV").string()};
    f.RenameSelected();
    EXPECT_TRUE(fs::exists(path));
    EXPECT_FALSE(fs::exists(out / "moved.WAV"));
    EXPECT_EQ(desk.messageBox.shown.back().text,
              "Cannot rename " + path + ": it is being recorded.");
    EXPECT_TRUE(f.flgRecord());
}

TEST_F(RecordingSessionTest, AFailedWriteStopsListsAndNamesTheFileAndTheReason) {
    engine.prepareFile = [](DiskFile& file) { file.writesBeforeFailure = 1; };
    auto& f = Load();
    f.StartRecord();
    Recorder().Deliver(audio::Samples(8000, 1));
    Recorder().Deliver(audio::Samples(8000, 1));
    QCoreApplication::processEvents();
    EXPECT_FALSE(f.flgRecord());
    const std::string path = (out / "rec.WAV").string();
    EXPECT_EQ(Column(1), (std::vector<std::string>{path}));
    ASSERT_EQ(desk.messageBox.shown.size(), 1u);
    EXPECT_EQ(desk.messageBox.shown[0].text,
              "The recording to " + path + " stopped: No space left on device");
    EXPECT_TRUE(Control<QPushButton>(f, "Command1")->isEnabled());
}

TEST_F(RecordingSessionTest, AFileReplacedUnderTheRecordingStopsItAndWhatWasRecordedIsListed) {
    auto& f = Load();
    f.StartRecord();
    const std::string path = (out / "rec.WAV").string();
    Recorder().Deliver(audio::Samples(8000, 1));
    QCoreApplication::processEvents();
    ASSERT_TRUE(f.flgRecord());
    qsr::testing::WriteAll((out / "other.WAV").string(), "another program's file");
    fs::rename(out / "other.WAV", path);
    Recorder().Deliver(audio::Samples(8000, 2));
    QCoreApplication::processEvents();
    EXPECT_FALSE(f.flgRecord());
    const std::string kept = (out / "rec (recovered).WAV").string();
    EXPECT_EQ(Column(1), (std::vector<std::string>{kept}));
    EXPECT_EQ(Column(3), (std::vector<std::string>{"0:01.000"}));  // 2 x 8000 samples, 8 kHz stereo
    // Both blocks, the one after the replacement too.
    EXPECT_EQ(fs::file_size(kept), 2 * 8000 * sizeof(audio::Samples::value_type));
    EXPECT_EQ(qsr::testing::ReadAll(path), "another program's file");
    ASSERT_EQ(desk.messageBox.shown.size(), 1u);
    EXPECT_EQ(desk.messageBox.shown[0].text,
              "The recording to " + path + " stopped: the file was replaced by another program");
}

TEST_F(RecordingSessionTest, AProjectThatCannotBeSavedAtExitIsNamedWithTheReason) {
    auto& f = Load();
    AddRow("1", "/x/y.WAV");
    const std::string project = (out / "no such folder" / "a.rpf").string();
    desk.messageBox.answers = {MsgAnswer::Ok};
    desk.fileDialog.saveAnswers = {project};
    f.exitsystem();
    ASSERT_EQ(desk.messageBox.shown.size(), 2u);
    EXPECT_EQ(desk.messageBox.shown[1].text.rfind(
                  "The recording project could not be saved to " + project + ": ", 0),
              0u);
}

TEST_F(RecordingSessionTest, ABaseNameTooLongForTheFileSystemGivesTheFailedStartMessage) {
    // A stored name of 253 bytes is taken; with ".WAV" the file system refuses it.
    qsr::testing::WriteAll(home.File("settings.dat"),
                           "[set]\noutputformat=0\noutputfolder=" + out.string() + "\nfilename=" +
                               std::string(253, 'n') + "\ndatetime=0\nexistedfile=0\n");
    auto& f = Load();
    f.StartRecord();
    EXPECT_FALSE(f.flgRecord());
    ASSERT_EQ(desk.messageBox.shown.size(), 1u);
    EXPECT_NE(desk.messageBox.shown[0].text.find("File name too long"), std::string::npos)
        << desk.messageBox.shown[0].text;
}

TEST_F(RecordingSessionTest, RecordingsACrashInterruptedAreListedAgainAtTheNextStart) {
    const pid_t child = ::fork();  // a process that has ended stands for the crashed one
    if (child == 0) ::_exit(0);
    ::waitpid(child, nullptr, 0);
    const std::string crashed = MakeFile("crashed.WAV", "not really a wav");
    recording::RecoveryJournal journal(home.File(recording::kJournalFileName));
    journal.Add({child, crashed, 1765000000});
    journal.Add({child, (out / "gone.WAV").string(), 1765000001});  // nothing left to list
    engine.prepareFile = [](DiskFile& file) {
        file.content.assign(2 * 8000 * 3, 0);  // what reading the file gives: 3 s
        file.contentRate = 8000;
    };
    auto& f = Load();
    ASSERT_EQ(f.Rows().size(), 1u);
    EXPECT_EQ(f.Rows()[0].fileName, crashed);
    EXPECT_EQ(f.Rows()[0].duration, "0:03.000");
    EXPECT_EQ(desk.messageBox.Texts(), (std::vector<std::string>{app::RecoveredMessage(1)}));
    EXPECT_TRUE(journal.Entries().empty());
}

TEST_F(RecordingSessionTest, TheRecordingsFolderIsMadeOnTheFirstRecording) {
    Settings("0", "0", (out / "Music" / "Recordings").string());
    auto& f = Load();
    f.StartRecord();
    ASSERT_TRUE(f.flgRecord());
    EXPECT_TRUE(fs::exists(out / "Music" / "Recordings" / "rec.WAV"));
    f.StopRecord();
}

}  // namespace
