#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QStyle>
#include <QTimer>
#include <QTreeWidget>
#include <cmath>
#include <condition_variable>
#include <mutex>
#include <thread>

#include "converter/windows/frmcov.h"
#include "fakes/FakeAudio.h"
#include "fakes/FakeServices.h"
#include "platform/services/windows/Accessibility.h"
#include "recording/LiveRecordings.h"
#include "recording/RecoveryJournal.h"
#include "support/EventWait.h"
#include "support/TempDir.h"

namespace qsr::converter {
namespace {

struct FrmcovTest : ::testing::Test {
    testing::TempDir dir;
    fakes::FakeAudioEngine engine;
    fakes::FakeDesktop desktop;
    std::unique_ptr<frmcov> w;
    fakes::FakeAudioFile* reader = nullptr;

    void SetUp() override {
        w = std::make_unique<frmcov>(engine, desktop.Services(), dir.path().string());
        w->Form_Load();
        reader = engine.lastFile;  // the reader is created after the writer
        reader->contentRate = 10;
        reader->contentChannels = 2;
        reader->content.assign(10 * 2 * 10, 1);
        testing::WriteAll(dir.File("song.x.wav"), "RIFF");
        Child<QLineEdit>("txtInputFile")->setText(QString::fromStdString(dir.File("song.x.wav")));
    }
    template <class T>
    T* Child(const char* name) {
        auto* c = w->findChild<T*>(name);
        EXPECT_NE(c, nullptr) << name;
        return c;
    }
    std::vector<std::string> Operations() {
        std::vector<std::string> ops;
        auto* list = Child<QTreeWidget>("viewEvent");
        for (int i = 0; i < list->topLevelItemCount(); ++i)
            ops.push_back(list->topLevelItem(i)->text(2).toStdString());
        return ops;
    }
    void Check(const char* box) { Child<QCheckBox>(box)->setChecked(true); }
    // Clicks Convert and lets events run until the whole run has ended.
    void ConvertAll() {
        w->cmdConvert_Click();
        ASSERT_TRUE(testing::RunUntil([&] { return !w->Converting() && !w->Working(); }, 20000));
    }
};

// Holds the worker inside the reader at block `at` until Release().
struct ReadGate {
    std::mutex m;
    std::condition_variable cv;
    int reads = 0, at = 0;
    bool reached = false, open = false;
    void Arm(fakes::FakeAudioFile& file, int block) {
        at = block;
        file.onRead = [this] {
            std::unique_lock lock(m);
            if (++reads != at) return;
            reached = true;
            cv.notify_all();
            cv.wait(lock, [this] { return open; });
        };
    }
    bool WaitReached() {
        std::unique_lock lock(m);
        return cv.wait_for(lock, std::chrono::seconds(20), [this] { return reached; });
    }
    void Release() {
        std::lock_guard lock(m);
        open = true;
        cv.notify_all();
    }
    int Reads() {
        std::lock_guard lock(m);
        return reads;
    }
};

TEST_F(FrmcovTest, LoadShowsTheDefaults) {
    EXPECT_EQ(w->windowTitle(), "Audio Converter");
    EXPECT_EQ(Child<QSpinBox>("udWMAProfile")->value(), 24);
    EXPECT_EQ(Child<QPushButton>("cmdConvert")->text(), "Convert Now!");
    EXPECT_TRUE(engine.lastFile->option);
    EXPECT_EQ(Child<QLineEdit>("txtWMAFormatString")->text(), "fake format");
    // Nothing stored of the loudness: off, with its defaults.
    EXPECT_FALSE(Child<QCheckBox>("chNormalise")->isChecked());
    EXPECT_EQ(Child<QCheckBox>("chNormalise")->text(),
              "Normalise to -16 LUFS, true peak \u2264 -1 dBTP");
    EXPECT_TRUE(services::UnnamedControls(w.get()).empty());
    EXPECT_EQ(services::TabOrderProblems(w.get()), std::vector<std::string>{});
}

TEST_F(FrmcovTest, ATargetBeingRecordedIsSkippedAndTheOthersAreWritten) {
    const std::string mp3 = dir.File("song_128kbps.mp3");
    recording::RecoveryJournal(recording::JournalFile(dir.path().string()))
        .Add({::getpid(), mp3, 1700000000});
    Check("chMP3");
    Check("chOGG");
    ConvertAll();
    EXPECT_EQ(Operations(),
              (std::vector<std::string>{
                  "Start Convert To MP3", "Skip Convert To MP3: " + mp3 + " is being recorded",
                  "Start Convert To Ogg", "complete Convert To Ogg", "Tasks is completed"}));
    EXPECT_EQ(std::find(engine.log.begin(), engine.log.end(), "CreateFile(" + mp3 + ")"),
              engine.log.end());
}

TEST_F(FrmcovTest, AllThreeRunInOrderWmaMp3Ogg) {
    Check("chMP3");
    Check("chOGG");
    Check("chWMA");
    ConvertAll();
    const std::string stem = dir.File("song");
    EXPECT_EQ(Operations(),
              (std::vector<std::string>{"Start Convert To WMA", "complete Convert To WMA",
                                        "Start Convert To MP3", "complete Convert To MP3",
                                        "Start Convert To Ogg", "complete Convert To Ogg",
                                        "Tasks is completed"}));
    EXPECT_EQ(Child<QPushButton>("cmdConvert")->text(), "Convert Now");
    // The writer's last target was the Ogg file; the names follow the stem.
    EXPECT_NE(std::find(engine.log.begin(), engine.log.end(), "CreateFile(" + stem + "_24.wma)"),
              engine.log.end());
    EXPECT_NE(
        std::find(engine.log.begin(), engine.log.end(), "CreateFile(" + stem + "_128kbps.mp3)"),
        engine.log.end());
}

TEST_F(FrmcovTest, CancelDuringWmaSkipsTheRestAndSaysTheFileIsIncomplete) {
    Check("chMP3");
    Check("chOGG");
    Check("chWMA");
    ReadGate gate;
    gate.Arm(*reader, 2);
    w->cmdConvert_Click();
    // The window is live while the worker converts: the click has returned.
    ASSERT_TRUE(gate.WaitReached());
    EXPECT_EQ(Child<QPushButton>("cmdConvert")->text(), "Cancel");
    EXPECT_TRUE(Child<QSpinBox>("udWMAProfile")->isEnabled() == false);
    w->cmdConvert_Click();  // cancel
    EXPECT_EQ(Child<QPushButton>("cmdConvert")->text(), "Convert");
    EXPECT_EQ(Child<QProgressBar>("ProgressConvert")->value(), 0);
    w->cmdConvert_Click();  // a second click while the block ends starts nothing
    gate.Release();
    ASSERT_TRUE(testing::RunUntil([&] { return !w->Working(); }, 20000));
    EXPECT_EQ(Operations(),
              (std::vector<std::string>{"Start Convert To WMA",
                                        "Cancel Convert To WMA: the file is incomplete",
                                        "Tasks is completed"}));
    EXPECT_EQ(gate.Reads(), 2);  // stopped after the block in hand
    EXPECT_EQ(engine.lastFile, reader);
    EXPECT_EQ(Child<QPushButton>("cmdConvert")->text(), "Convert Now");
    EXPECT_TRUE(Child<QSpinBox>("udWMAProfile")->isEnabled());
}

TEST_F(FrmcovTest, EscapeDuringAConversionCancelsThenClosesAndItOpensAgain) {
    Check("chMP3");
    Check("chOGG");
    ReadGate gate;
    gate.Arm(*reader, 1);
    w->show();
    w->cmdConvert_Click();
    ASSERT_TRUE(gate.WaitReached());
    w->reject();                  // what Escape and the close box do
    EXPECT_TRUE(w->isVisible());  // still finishing the block in hand
    gate.Release();
    ASSERT_TRUE(testing::RunUntil([&] { return !w->isVisible(); }, 20000));
    EXPECT_FALSE(w->Working());
    EXPECT_EQ(Operations(),
              (std::vector<std::string>{"Start Convert To MP3",
                                        "Cancel Convert To MP3: the file is incomplete",
                                        "Tasks is completed"}));
    reader->onRead = nullptr;
    w->show();
    ConvertAll();
    EXPECT_EQ(Operations().back(), "Tasks is completed");
    EXPECT_EQ(Operations().size(), 8u);
    EXPECT_TRUE(w->isVisible());
    w->reject();  // idle: closes at once
    EXPECT_FALSE(w->isVisible());
}

TEST_F(FrmcovTest, StopWorkWaitsForTheWorker) {
    Check("chMP3");
    ReadGate gate;
    gate.Arm(*reader, 1);
    w->cmdConvert_Click();
    ASSERT_TRUE(gate.WaitReached());
    EXPECT_FALSE(w->StopWork(std::chrono::milliseconds(0)));  // cancelled, still in its block
    std::thread release([&] { gate.Release(); });
    EXPECT_TRUE(w->StopWork(std::chrono::seconds(20)));
    release.join();
    // The partial file (and the input) are closed by the time shut-down goes on.
    EXPECT_FALSE(w->Converting());
    EXPECT_EQ(gate.Reads(), 1);
    EXPECT_EQ(std::count(engine.log.begin(), engine.log.end(), "Close()"), 2);
}

// What the program's shut-down does, from inside the window's own modal loop
// while a step runs, and from inside its file dialog: the worker is waited
// for, the window closes, and it is deleted only once its calls returned.
TEST_F(FrmcovTest, ExitDuringAConversionOrItsFileDialogIsClean) {
    Check("chMP3");
    Check("chOGG");
    ReadGate gate;
    gate.Arm(*reader, 1);
    QTimer::singleShot(0, w.get(), [&] {
        w->cmdConvert_Click();
        ASSERT_TRUE(gate.WaitReached());
        EXPECT_FALSE(w->StopWork(std::chrono::milliseconds(0)));  // cancelled, still in its block
        std::thread release([&] { gate.Release(); });
        w->StopWork(std::chrono::seconds(20));
        release.join();
        w->done(0);
    });
    w->exec();
    EXPECT_EQ(gate.Reads(), 1);
    EXPECT_EQ(std::count(engine.log.begin(), engine.log.end(), "Close()"), 2);
    w.reset();

    SetUp();
    desktop.fileDialog.whileOpen = [&] { w->done(0); };
    desktop.fileDialog.openAnswers.push_back(dir.File("other.wav"));
    QTimer::singleShot(0, w.get(), [&] { w->cmdOpenFile_Click(); });
    w->exec();
    EXPECT_EQ(Child<QLineEdit>("txtInputFile")->text().toStdString(), dir.File("other.wav"));
    w.reset();
}

TEST_F(FrmcovTest, ANamedPipeAsInputIsRefusedWithoutWaiting) {
    const std::string fifo = dir.File("pipe.wav");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    Child<QLineEdit>("txtInputFile")->setText(QString::fromStdString(fifo));
    Check("chMP3");
    w->cmdConvert_Click();
    ASSERT_FALSE(desktop.messageBox.shown.empty());
    EXPECT_EQ(desktop.messageBox.shown.back().text, "Invalid input file name: " + fifo);
    EXPECT_FALSE(w->Working());
}

TEST_F(FrmcovTest, NoBoxCheckedWritesNothing) {
    ConvertAll();
    EXPECT_EQ(Operations(), std::vector<std::string>{"Tasks is completed"});
}

TEST_F(FrmcovTest, InvalidInputNamesAreRefused) {
    testing::WriteAll(dir.File("noext"), "x");
    for (const std::string& name :
         {dir.File("noext"), dir.File("missing.wav"), dir.path().string()}) {
        Child<QLineEdit>("txtInputFile")->setText(QString::fromStdString(name));
        w->cmdConvert_Click();
        ASSERT_FALSE(desktop.messageBox.shown.empty());
        EXPECT_EQ(desktop.messageBox.shown.back().text, "Invalid input file name: " + name);
        EXPECT_EQ(desktop.messageBox.shown.back().icon, services::MsgIcon::Error);
        EXPECT_EQ(desktop.messageBox.shown.back().title, "Quorvin Sound Recorder");
    }
    EXPECT_TRUE(Operations().empty());
}

TEST_F(FrmcovTest, FailedAndSelfTargetStepsSayWhy) {
    testing::WriteAll(dir.File("song.ogg"), "OggS");
    Child<QLineEdit>("txtInputFile")->setText(QString::fromStdString(dir.File("song.ogg")));
    Check("chOGG");
    Check("chMP3");
    ConvertAll();
    const auto ops = Operations();
    ASSERT_EQ(ops.size(), 5u);
    EXPECT_EQ(ops[3], "Skip Convert To Ogg: output is the input file");
    EXPECT_EQ(testing::ReadAll(dir.File("song.ogg")), "OggS");
    EXPECT_EQ(ops[1], "complete Convert To MP3");

    std::filesystem::remove(dir.File("song.ogg"));
    w->cmdConvert_Click();  // the input vanished: the lookup refuses it
    EXPECT_EQ(Operations().size(), 5u);

    Child<QLineEdit>("txtInputFile")->setText(QString::fromStdString(dir.File("song.x.wav")));
    reader->openResult = -1;
    reader->lastError = "not an audio file";
    ConvertAll();
    EXPECT_EQ(Operations()[6], "failed Convert To MP3: not an audio file");
}

// A damaged input converts, but the entry says how many frames were lost,
// with the warning icon; the WMA line describes the profile the box holds.
TEST_F(FrmcovTest, DamagedInputIsAWarningAndTheWmaLineNamesTheProfileUsed) {
    EXPECT_NE(std::find(engine.log.begin(), engine.log.end(), "SetWmaFormat(24)"),
              engine.log.end());
    EXPECT_EQ(std::find(engine.log.begin(), engine.log.end(), "SetWmaFormat(39)"),
              engine.log.end());
    reader->damagedFrames = 7;
    Check("chMP3");
    ConvertAll();
    ASSERT_GE(Operations().size(), 3u);
    EXPECT_EQ(Operations()[1],
              "complete Convert To MP3: the input is damaged; 7 bad frames were skipped");
    auto* list = Child<QTreeWidget>("viewEvent");
    const QImage shown = list->topLevelItem(1)->icon(0).pixmap(16).toImage();
    EXPECT_EQ(shown, w->style()->standardIcon(QStyle::SP_MessageBoxWarning).pixmap(16).toImage());
    EXPECT_NE(shown, list->topLevelItem(2)->icon(0).pixmap(16).toImage());
}

TEST_F(FrmcovTest, ProfileChangeAndFileChoice) {
    Child<QSpinBox>("udWMAProfile")->setValue(30);
    EXPECT_EQ(Operations(), std::vector<std::string>{"Set WMA Format parameters "});
    desktop.fileDialog.openAnswers.push_back("/m/a.wav");
    w->cmdOpenFile_Click();
    EXPECT_EQ(Child<QLineEdit>("txtInputFile")->text(), "/m/a.wav");
    EXPECT_EQ(desktop.fileDialog.titles.back(), "Open an Audio file");
    EXPECT_EQ(desktop.fileDialog.filters.back(),
              "Wav files (*.wav);;MP3 files (*.mp3);;Ogg Vorbis files (*.ogg);;WMA files (*.wma)");
}

}  // namespace
}  // namespace qsr::converter

namespace qsr::converter {
namespace {

// The Output Files loudness, stored on: the window's option is ticked with
// the stored target, and each step's list says the gain it applied.
TEST(FrmcovLoudness, TheStoredTargetIsOfferedAndTheGainIsListed) {
    testing::TempDir dir;
    testing::WriteAll(dir.File("settings.dat"),
                      "[loudness]\nnormalise=1\ntarget=-20\nceiling=-1.5\n");
    fakes::FakeAudioEngine engine;
    fakes::FakeDesktop desktop;
    frmcov w(engine, desktop.Services(), dir.path().string());
    w.Form_Load();
    auto* normalise = w.findChild<QCheckBox*>("chNormalise");
    ASSERT_NE(normalise, nullptr);
    EXPECT_TRUE(normalise->isChecked());
    EXPECT_EQ(normalise->text(), "Normalise to -20 LUFS, true peak \u2264 -1.5 dBTP");
    // Three seconds of a 1 kHz tone at -26 dBFS, mono: -29 LUFS; the writer
    // makes two channels of it (-26 LUFS), so +6 dB reach -20.
    fakes::FakeAudioFile* reader = engine.lastFile;
    reader->contentRate = 8000;
    reader->contentChannels = 1;
    reader->content.resize(3 * 8000);
    for (std::size_t i = 0; i < reader->content.size(); ++i)
        reader->content[i] =
            static_cast<std::int16_t>(std::lround(1641 * std::sin(2 * M_PI * 1000 * i / 8000.0)));
    testing::WriteAll(dir.File("call.wav"), "RIFF");
    w.findChild<QLineEdit*>("txtInputFile")->setText(QString::fromStdString(dir.File("call.wav")));
    w.findChild<QCheckBox*>("chMP3")->setChecked(true);
    w.cmdConvert_Click();
    ASSERT_TRUE(testing::RunUntil([&] { return !w.Converting() && !w.Working(); }, 20000));
    std::vector<std::string> ops;
    auto* list = w.findChild<QTreeWidget*>("viewEvent");
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        ops.push_back(list->topLevelItem(i)->text(2).toStdString());
    ASSERT_GE(ops.size(), 3U);
    EXPECT_EQ(ops[1], "complete Convert To MP3");
    const std::string said = "Convert To MP3: normalised to -20.0 LUFS: gain +";
    ASSERT_EQ(ops[2].rfind(said, 0), 0U) << ops[2];
    EXPECT_NEAR(std::stod(ops[2].substr(said.size())), 6.0, 0.1) << ops[2];
}

}  // namespace
}  // namespace qsr::converter
