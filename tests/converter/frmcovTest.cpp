#include <gtest/gtest.h>
#include <unistd.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QStyle>
#include <QTreeWidget>

#include "converter/frmcov.h"
#include "fakes/FakeAudio.h"
#include "fakes/FakeServices.h"
#include "platform/services/Accessibility.h"
#include "recording/LiveRecordings.h"
#include "recording/RecoveryJournal.h"
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
};

TEST_F(FrmcovTest, LoadShowsTheDefaults) {
    EXPECT_EQ(w->windowTitle(), "Audio Converter");
    EXPECT_EQ(Child<QSpinBox>("udWMAProfile")->value(), 24);
    EXPECT_EQ(Child<QPushButton>("cmdConvert")->text(), "Convert Now!");
    EXPECT_TRUE(engine.lastFile->option);
    EXPECT_EQ(Child<QLineEdit>("txtWMAFormatString")->text(), "fake format");
    EXPECT_TRUE(services::UnnamedControls(w.get()).empty());
    EXPECT_EQ(services::TabOrderProblems(w.get()), std::vector<std::string>{});
}

TEST_F(FrmcovTest, ATargetBeingRecordedIsSkippedAndTheOthersAreWritten) {
    const std::string mp3 = dir.File("song_128kbps.mp3");
    recording::RecoveryJournal(recording::JournalFile(dir.path().string()))
        .Add({::getpid(), mp3, 1700000000});
    Check("chMP3");
    Check("chOGG");
    w->cmdConvert_Click();
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
    w->cmdConvert_Click();
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

TEST_F(FrmcovTest, CancelDuringWmaSkipsTheRest) {
    Check("chMP3");
    Check("chOGG");
    Check("chWMA");
    desktop.eventPump.onPump = [&] {
        if (w->Converting() && desktop.eventPump.pumped == 2) w->cmdConvert_Click();
    };
    w->cmdConvert_Click();
    EXPECT_EQ(Operations(),
              (std::vector<std::string>{"Start Convert To WMA", "complete Convert To WMA",
                                        "Tasks is completed"}));
    EXPECT_EQ(desktop.eventPump.pumped, 2);  // stopped after the block in hand
    EXPECT_EQ(Child<QPushButton>("cmdConvert")->text(), "Convert Now");
}

TEST_F(FrmcovTest, NoBoxCheckedWritesNothing) {
    w->cmdConvert_Click();
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
    }
    EXPECT_TRUE(Operations().empty());
}

TEST_F(FrmcovTest, FailedAndSelfTargetStepsSayWhy) {
    testing::WriteAll(dir.File("song.ogg"), "OggS");
    Child<QLineEdit>("txtInputFile")->setText(QString::fromStdString(dir.File("song.ogg")));
    Check("chOGG");
    Check("chMP3");
    w->cmdConvert_Click();
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
    w->cmdConvert_Click();
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
    w->cmdConvert_Click();
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
