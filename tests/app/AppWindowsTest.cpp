// How the windows meet (AppWindows), on fake components and desktop
// services: the Formats and Filters dialog's "..." buttons and the
// summaries their OK refreshes, the tray menu's entries, and the order of
// the exit (long work, then the recording, then the windows).
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include <QTreeWidget>
#include <chrono>
#include <condition_variable>
#include <filesystem>
#include <memory>
#include <mutex>

#include "app/AppCore.h"
#include "app/AppWindows.h"
#include "app/windows/Form1.h"
#include "converter/windows/frmcov.h"
#include "fakes/FakeAudio.h"
#include "fakes/FakeServices.h"
#include "settings/Inifun.h"
#include "settings/windows/Form2.h"
#include "support/Controls.h"
#include "support/EventWait.h"
#include "support/TempDir.h"

using namespace qsr;
using qsr::testing::Control;
namespace fs = std::filesystem;

namespace {

// The program as main() builds it, over fakes.
class AppWindowsTest : public ::testing::Test {
  protected:
    void SetUp() override {
        // The shipped settings, recording into the test's folder.
        const std::string shipped = qsr::testing::ReadAll(std::string(QSR_SOURCE_DIR) +
                                                          "/resources/appfolder/settings.dat");
        ASSERT_FALSE(shipped.empty());
        qsr::testing::WriteAll(home.File("settings.dat"), shipped);
        settings::WriteIniValue(home.File("settings.dat"), "set", "outputfolder",
                                home.path().string());
        fakes::FakeDevice device;
        device.name = "Microphone";
        device.lines.resize(1);
        device.lines[0].name = "Mic";
        engine.devices = {device};
        core = std::make_unique<app::AppCore>(engine, &desk.eventPump, home.path().string());
        window = std::make_unique<app::Form1>(*core, desk.Services());
        windows = std::make_unique<app::AppWindows>(*core, *window, desk.Services());
        windows->Wire();
        core->CreateComponents();
        window->Form_Load();
        windows->LoadAfterMainWindow();
        ASSERT_TRUE(desk.messageBox.shown.empty()) << desk.messageBox.shown[0].text;
    }
    void TearDown() override {
        windows.reset();
        window.reset();
    }
    // An entry of the tray's menu.
    QAction* TrayEntry(const char* name) const {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (w->objectName() == "frmtray")
                if (auto* action = w->findChild<QAction*>(name)) return action;
        return nullptr;
    }

    qsr::testing::TempDir home;
    fakes::FakeAudioEngine engine;
    fakes::FakeDesktop desk;
    std::unique_ptr<app::AppCore> core;
    std::unique_ptr<app::Form1> window;
    std::unique_ptr<app::AppWindows> windows;
};

// Each "..." opens its own format's options, and their OK writes the new
// description into that format's summary.
TEST_F(AppWindowsTest, EveryDotsButtonOpensItsOptionsAndOkRefreshesItsSummary) {
    struct Format {
        const char* button;
        core::Encoder which;
        const char* dialog;
        const char* ok;
    };
    const std::vector<Format> formats = {{"cmdMP3", core::Encoder::Mp3, "frmMP3", "Command1"},
                                         {"cmdWAV", core::Encoder::Wav, "frmWAV", "Command1"},
                                         {"cmdVOX", core::Encoder::Vox, "frmVOX", "cmdOK"},
                                         {"cmdOgg", core::Encoder::Ogg, "frmOgg", "cmdOk"},
                                         {"cmdRAW", core::Encoder::Raw, "frmRAW", "cmdOK"},
                                         {"cmdG726", core::Encoder::G726, "frmG726", "cmdOK"},
                                         {"cmdFLAC", core::Encoder::Flac, "frmFLAC", "cmdOK"},
                                         {"cmdOPUS", core::Encoder::Opus, "frmOPUS", "cmdOK"}};
    std::vector<std::string> opened = {"Form2"}, refreshed;
    desk.modal.scripts.push_back([&](QDialog& dialog) {
        auto& formatsDialog = dynamic_cast<settings::Form2&>(dialog);
        for (const Format& f : formats) {
            opened.push_back(f.dialog);
            formatsDialog.SetSummary(f.which, "stale");
            desk.modal.scripts.push_back([ok = f.ok](QDialog& options) {
                Control<QPushButton>(options, ok)->click();
                return options.result();
            });
            Control<QPushButton>(formatsDialog, f.button)->click();
            const std::string summary = formatsDialog.Summary(f.which);
            if (summary != "stale" && !summary.empty()) refreshed.push_back(f.dialog);
        }
        return QDialog::Rejected;
    });
    Control<QPushButton>(*window, "Command6")->click();
    EXPECT_EQ(desk.modal.shownObjectNames, opened);
    EXPECT_EQ(refreshed, std::vector<std::string>(opened.begin() + 1, opened.end()));
    EXPECT_TRUE(desk.messageBox.shown.empty()) << desk.messageBox.shown[0].text;
}

// The tray's entries reach the main window: Settings opens Formats and
// Filters, Record Now starts a recording.
TEST_F(AppWindowsTest, TheTraysSettingsOpensFormatsAndFiltersAndRecordNowRecords) {
    ASSERT_NE(TrayEntry("Option"), nullptr);
    TrayEntry("Option")->trigger();
    EXPECT_EQ(desk.modal.shownObjectNames, (std::vector<std::string>{"Form2"}));
    ASSERT_NE(TrayEntry("settings"), nullptr);
    TrayEntry("settings")->trigger();
    EXPECT_TRUE(window->flgRecord());
    window->StopRecord();
}

// The tray's Exit during a recording: the recording is stopped, its file
// closed and listed, the project offered, the components released, and only
// then the other windows unloaded (the schedule saves its list as it goes).
TEST_F(AppWindowsTest, TheExitFinishesTheRecordingAndItsFileBeforeTheWindowsGo) {
    const std::string schedule = home.File("schedule.dat");
    fs::remove(schedule);
    window->StartRecord();
    ASSERT_TRUE(window->flgRecord());
    engine.log.clear();
    QObject::connect(&core->Session(), &recording::RecordingSession::Finished, [&] {
        engine.log.push_back(fs::exists(schedule) ? "listed after the windows" : "listed");
    });
    desk.messageBox.whileShown = [&] { engine.log.push_back("project offered"); };
    desk.messageBox.answers = {services::MsgAnswer::Cancel};
    QSignalSpy unloaded(window.get(), &app::Form1::Unloaded);
    QObject::connect(window.get(), &app::Form1::Unloaded, [&] {
        engine.log.push_back(core->Recorder() ? "windows with components" : "windows");
    });
    ASSERT_NE(TrayEntry("Exit"), nullptr);
    TrayEntry("Exit")->trigger();
    EXPECT_EQ(fakes::Only(engine.log, {"Stop()", "Close()", "listed", "project", "windows"}),
              (fakes::CallLog{"Stop()", "Close()", "listed", "project offered", "windows"}));
    EXPECT_EQ(unloaded.count(), 1);
    // The schedule window unloaded (its list saved), the tray's icon gone.
    EXPECT_TRUE(fs::exists(schedule));
    EXPECT_FALSE(window->isVisible());
    EXPECT_EQ(desk.messageBox.Texts(),
              (std::vector<std::string>{"Do you need to save the recording project file?"}));
}

// Ctrl+T in the main window opens "Trim…" on the selected recording.
TEST_F(AppWindowsTest, CtrlTOpensTheTrimWindowOnTheSelectedRecording) {
    auto* list = Control<QTreeWidget>(*window, "ListView1");
    auto* row = new QTreeWidgetItem(list, QStringList{"1", "/rec/take.wav", "1 KB", "0:01", "now"});
    auto* edit = window->findChild<QMenu*>("mnuEdit");
    QAction* action = window->findChild<QAction*>("actTrim");
    emit edit->aboutToShow();
    EXPECT_FALSE(edit->actions().contains(action));  // nothing to trim yet
    list->setCurrentItem(row);
    emit edit->aboutToShow();
    ASSERT_TRUE(edit->actions().contains(action));  // the mouse's way in too
    action->trigger();
    QWidget* trim = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == "TrimWindow" && w->isVisible()) trim = w;
    ASSERT_NE(trim, nullptr);
    EXPECT_EQ(Control<QLabel>(*trim, "lblFile")->text().toStdString(), "/rec/take.wav");
    EXPECT_EQ(window->findChild<QAction*>("actTrim")->shortcut(), QKeySequence("Ctrl+T"));
}

// The exit while the converter converts (its worker held in the second
// block of the input until it is told to stop, so the conversion is surely
// under way): the conversion is cancelled and its files closed, and the
// schedule clock stopped, before the recording is stopped and its file
// closed; the windows go last.
TEST_F(AppWindowsTest, TheExitStopsARunningConversionBeforeItFinishesTheRecording) {
    window->StartRecord();
    ASSERT_TRUE(window->flgRecord());
    std::mutex m;
    std::condition_variable cv;
    int reads = 0;
    bool held = false;
    converter::frmcov* converterWindow = nullptr;
    desk.messageBox.answers = {services::MsgAnswer::Cancel};
    QObject::connect(window.get(), &app::Form1::Unloaded, [&] { engine.log.push_back("windows"); });
    // The schedule clock, which could start a recording, is stopped by then too.
    QTimer* clock = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == "Form5") clock = w->findChild<QTimer*>("Timer1");
    ASSERT_NE(clock, nullptr);
    ASSERT_TRUE(clock->isActive());
    QObject::connect(&core->Session(), &recording::RecordingSession::Finished, [&] {
        engine.log.push_back(clock->isActive() ? "listed, the clock running" : "listed");
    });
    desk.modal.scripts.push_back([&](QDialog& dialog) {
        converterWindow = dynamic_cast<converter::frmcov*>(&dialog);
        fakes::FakeAudioFile& reader = *engine.lastFile;  // made last, at the window's load
        reader.contentRate = 10;
        reader.contentChannels = 2;
        reader.content.assign(10 * 2 * 10, 1);  // ten blocks
        reader.onRead = [&] {
            std::unique_lock lock(m);
            if (++reads != 2) return;
            held = true;
            cv.notify_all();
            // Waits for the cancel, which nothing announces: looked at often.
            const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
            while (!converterWindow->CancelRequested() &&
                   std::chrono::steady_clock::now() < deadline)
                cv.wait_for(lock, std::chrono::milliseconds(2));
            engine.log.push_back("conversion told to stop");
        };
        const std::string input = home.File("song.x.wav");
        qsr::testing::WriteAll(input, "RIFF");
        Control<QLineEdit>(dialog, "txtInputFile")->setText(QString::fromStdString(input));
        Control<QCheckBox>(dialog, "chMP3")->setChecked(true);
        converterWindow->cmdConvert_Click();
        {
            std::unique_lock lock(m);
            EXPECT_TRUE(cv.wait_for(lock, std::chrono::seconds(20), [&] { return held; }));
        }
        engine.log.clear();  // the worker waits in its read: the log is this thread's
        TrayEntry("Exit")->trigger();
        return QDialog::Rejected;
    });
    Control<QPushButton>(*window, "Command14")->click();
    ASSERT_NE(converterWindow, nullptr);
    // The worker returned (its writer and reader closed), then the recorder
    // stopped and the recording's file closed and listed, then the windows.
    EXPECT_EQ(fakes::Only(engine.log, {"conversion", "Close()", "Stop()", "listed", "windows"}),
              (fakes::CallLog{"conversion told to stop", "Close()", "Close()", "Stop()", "Close()",
                              "listed", "windows"}));
    EXPECT_EQ(reads, 2);  // stopped after the block in hand
    EXPECT_FALSE(window->isVisible());
    // The step's end reaches the converter's list once events run again.
    ASSERT_TRUE(qsr::testing::RunUntil([&] { return !converterWindow->Working(); }, 20000));
    auto* list = Control<QTreeWidget>(*converterWindow, "viewEvent");
    std::vector<std::string> steps;
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        steps.push_back(list->topLevelItem(i)->text(2).toStdString());
    EXPECT_NE(
        std::find(steps.begin(), steps.end(), "Cancel Convert To MP3: the file is incomplete"),
        steps.end());
}

}  // namespace
