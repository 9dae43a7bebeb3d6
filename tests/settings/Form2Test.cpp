#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <filesystem>

#include "fakes/FakeAudio.h"
#include "fakes/FakeServices.h"
#include "platform/services/windows/Accessibility.h"
#include "settings/ApplySettings.h"
#include "settings/Inifun.h"
#include "settings/windows/Form2.h"
#include "settings/windows/UpDown.h"
#include "support/Controls.h"
#include "support/TempDir.h"

using qsr::testing::Control;

namespace qsr::settings {
namespace {

using fakes::CallLog;
using fakes::Only;
using qsr::testing::ReadAll;
using qsr::testing::WriteAll;

// Describes each format by the call that set it, so a summary shows which
// call it came from.
class DescribingFile : public fakes::FakeAudioFile {
  public:
    explicit DescribingFile(CallLog* log) : FakeAudioFile(log), log_(log) {}
    std::string FormatDescription() const override { return log_->empty() ? "" : log_->back(); }

  private:
    CallLog* log_;
};

struct Form2Test : ::testing::Test {
    qsr::testing::TempDir dir;
    CallLog log;
    fakes::FakeRecorder recorder{&log};
    DescribingFile file{&log};
    FormatValues values = ShippedFormatValues();
    FormatOptionOpeners openers;
    std::vector<int> mixerBuilt;
    std::unique_ptr<Form2> w;

    void SetUp() override {
        fakes::FakeDevice device{"Card", true, false, {}};
        for (int i = 0; i < 10; ++i)
            device.lines.push_back(fakes::FakeLine{
                "Line " + std::to_string(i), true, false, true, 32768, true, 50, {}});
        recorder.devices = {device};
    }
    std::string Settings() const { return dir.File("settings.dat"); }
    void Load() {
        w = std::make_unique<Form2>(&recorder, &file, values, dir.path().string(), openers);
        w->SetMixerPage(nullptr, [this](int last) { mixerBuilt.push_back(last); });
        w->Form_Load();
        w->show();
    }
};

// Opening changes nothing in the recorder: a running take keeps its gain control.
TEST_F(Form2Test, LoadLeavesTheRecorderAloneSummarisesEveryFormatAndReadsTheFilters) {
    WriteAll(Settings(),
             "[other]\nnotch=0\nnotchtxt=60\nlowpass=x\nlowpasstxt=3500\nautogain=1\n"
             "lowlevel=-40\n");
    values.QualityEnabled = 1;
    recorder.agcOn = true;
    Load();
    EXPECT_EQ(log, (CallLog{"SetMp3Format(44100,128,2)", "SetWavFormat(44100,2,16)",
                            "SetVoxFormat(8000)", "SetRawFormat(1,8000,1,16)",
                            "SetG726Format(8000,4)", "SetFlacFormat(44100,2,16,5)",
                            "SetOpusFormat(44100,2,96,0)", "SetOggFormat(44100,2,128,0,0,300)"}));
    EXPECT_EQ(mixerBuilt, (std::vector<int>{7}));  // ten lines, eight shown
    EXPECT_EQ(Control<QLineEdit>(*w, "txtMP3")->text(), "SetMp3Format(44100,128,2)");
    EXPECT_EQ(Control<QLineEdit>(*w, "txtWAV")->text(), "SetWavFormat(44100,2,16)");
    EXPECT_EQ(Control<QLineEdit>(*w, "txtVOX")->text(), "SetVoxFormat(8000)");
    EXPECT_EQ(Control<QLineEdit>(*w, "txtRAW")->text(), "SetRawFormat(1,8000,1,16)");
    EXPECT_EQ(Control<QLineEdit>(*w, "txtG726")->text(), "SetG726Format(8000,4)");
    EXPECT_EQ(Control<QLineEdit>(*w, "txtOGG")->text(), "SetOggFormat(44100,2,128,0,0,300)");
    EXPECT_EQ(Control<QLineEdit>(*w, "txtFLAC")->text(), "SetFlacFormat(44100,2,16,5)");
    EXPECT_EQ(Control<QLineEdit>(*w, "txtOPUS")->text(), "SetOpusFormat(44100,2,96,0)");

    // "0" clears, absent or not a number ticks; boxes follow their ticks.
    EXPECT_FALSE(Control<QCheckBox>(*w, "chFilter")->isChecked());
    EXPECT_FALSE(Control<QLineEdit>(*w, "txtNotchFreq")->isEnabled());
    EXPECT_FALSE(Control<UpDown>(*w, "udNotchFreq")->isEnabled());
    EXPECT_EQ(Control<QLineEdit>(*w, "txtNotchFreq")->text(), "60");
    EXPECT_TRUE(Control<QCheckBox>(*w, "chFilter1")->isChecked());
    EXPECT_TRUE(Control<QLineEdit>(*w, "txtHighPassFreq")->isEnabled());
    EXPECT_EQ(Control<QLineEdit>(*w, "txtHighPassFreq")->text(),
              "400");  // absent key: the box keeps its text
    EXPECT_TRUE(Control<QCheckBox>(*w, "chFilter2")->isChecked());
    EXPECT_EQ(Control<UpDown>(*w, "udLowPassFreq")->value(),
              3500);  // the stored number moves the up-down too
    EXPECT_TRUE(Control<QCheckBox>(*w, "chAutoGainControl")->isChecked());
    EXPECT_TRUE(Control<UpDown>(*w, "udAGCAttackTime")->isEnabled());
    // The gain levels come from the recorder; only the attack time is written out.
    EXPECT_EQ(Control<QLineEdit>(*w, "txtAGCLowLevel")->text(), "-40");
    EXPECT_EQ(Control<UpDown>(*w, "udAGCLowLevel")->value(), -40);
    EXPECT_EQ(Control<QLineEdit>(*w, "txtAGCHighLevel")->text(), "");
    EXPECT_EQ(Control<UpDown>(*w, "udAGCHighLevel")->value(), -10);
    EXPECT_EQ(Control<QLineEdit>(*w, "txtAGCAttackTime")->text(), "100");
    EXPECT_TRUE(recorder.agcOn);
}

TEST_F(Form2Test, OkStoresTheBoxesAsTypedButSendsOnlyUpDownValuesInRange) {
    recorder.agcOn = true;
    Load();
    log.clear();
    Control<QLineEdit>(*w, "txtNotchFreq")->setText("abc");  // not a number: the up-down keeps 50
    Control<QLineEdit>(*w, "txtHighPassFreq")
        ->setText("99999");  // above the range: the up-down holds 44100
    QTest::mouseClick(Control<QCheckBox>(*w, "chFilter2"), Qt::LeftButton);  // low-pass off
    EXPECT_FALSE(Control<QLineEdit>(*w, "txtLowPassFreq")->isEnabled());
    Control<QLineEdit>(*w, "txtAGCLowLevel")->setText("-35");
    Control<QLineEdit>(*w, "txtAGCHighLevel")->setText("-5");
    QTest::mouseClick(Control<QPushButton>(*w, "Command1"), Qt::LeftButton);

    EXPECT_EQ(w->result(), QDialog::Accepted);
    EXPECT_FALSE(w->isVisible());
    EXPECT_EQ(log,
              (CallLog{"SetNotchEnabled(1)", "SetNotchFrequency(50)", "SetHighPassEnabled(1)",
                       "SetHighPassFrequency(44100)", "SetLowPassEnabled(0)", "SetAgcEnabled(1)",
                       "SetAgcHighLevel(-5)", "SetAgcLowLevel(-35)", "SetAgcAttackTime(100)"}));
    std::vector<std::string> stored;
    for (const char* key : {"notch", "notchtxt", "highpass", "highpasstxt", "lowpass", "lowpasstxt",
                            "autogain", "lowlevel", "highlevel", "attacktime"})
        stored.push_back(ReadIniValue(Settings(), "other", key));
    EXPECT_EQ(stored, (std::vector<std::string>{"1", "abc", "1", "99999", "0", "4000", "1", "-35",
                                                "-5", "100"}));
}

TEST_F(Form2Test, CancelWritesNothingSendsNothingAndLeavesGainControlOn) {
    recorder.agcOn = true;
    WriteAll(Settings(), "[other]\nnotch=1\n");
    Load();
    log.clear();
    Control<QLineEdit>(*w, "txtNotchFreq")->setText("70");
    QTest::mouseClick(Control<QPushButton>(*w, "Command2"), Qt::LeftButton);
    EXPECT_EQ(w->result(), QDialog::Rejected);
    EXPECT_TRUE(log.empty());
    EXPECT_TRUE(recorder.agcOn);
    EXPECT_EQ(ReadAll(Settings()), "[other]\nnotch=1\n");
}

// No sound server: the recorder has nothing to read, but the stored filters
// and gain control are shown and OK stores them back, never wiped.
TEST_F(Form2Test, WithoutACaptureDeviceTheStoredSettingsAreShownAndKept) {
    recorder.devices.clear();
    const std::vector<std::pair<std::string, std::string>> stored = {
        {"notch", "1"},       {"notchtxt", "60"},     {"highpass", "0"}, {"highpasstxt", "300"},
        {"lowpass", "1"},     {"lowpasstxt", "3500"}, {"autogain", "1"}, {"lowlevel", "-40"},
        {"highlevel", "-10"}, {"attacktime", "120"}};
    std::string text = "[other]\n";
    for (const auto& [key, value] : stored) text += key + "=" + value + "\n";
    WriteAll(Settings(), text);
    Load();
    EXPECT_TRUE(mixerBuilt.empty());
    for (QLineEdit* summary : {Control<QLineEdit>(*w, "txtMP3"), Control<QLineEdit>(*w, "txtWAV"),
                               Control<QLineEdit>(*w, "txtVOX"), Control<QLineEdit>(*w, "txtOGG"),
                               Control<QLineEdit>(*w, "txtRAW"), Control<QLineEdit>(*w, "txtG726")})
        EXPECT_EQ(summary->text(), "");
    EXPECT_TRUE(Control<QCheckBox>(*w, "chFilter")->isChecked());
    EXPECT_FALSE(Control<QCheckBox>(*w, "chFilter1")->isChecked());
    EXPECT_TRUE(Control<QCheckBox>(*w, "chAutoGainControl")->isChecked());
    EXPECT_EQ(Control<QLineEdit>(*w, "txtAGCLowLevel")->text(), "-40");
    QTest::mouseClick(Control<QPushButton>(*w, "Command1"), Qt::LeftButton);
    for (const auto& [key, value] : stored)
        EXPECT_EQ(ReadIniValue(Settings(), "other", key), value) << key;
}

// OK on a settings file that cannot be written says so once, with the reason.
TEST_F(Form2Test, AFailedSaveIsReportedOnce) {
    Load();
    std::filesystem::create_directory(Settings());  // nothing can replace a folder
    fakes::FakeMessageBox box;
    w->SetMessageBox(&box);
    QTest::mouseClick(Control<QPushButton>(*w, "Command1"), Qt::LeftButton);
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(box.shown[0].text.rfind(Settings() + " could not be saved: ", 0), 0u)
        << box.shown[0].text;
    EXPECT_GT(box.shown[0].text.size(), (Settings() + " could not be saved: ").size());
    EXPECT_EQ(box.shown[0].icon, services::MsgIcon::Error);
}

TEST_F(Form2Test, DamagedSettingsOpenWithTheFallBacksAndSendOnlyInRangeValues) {
    using namespace std::string_literals;
    WriteAll(Settings(),
             "\xff\xfe\0garbage\n[set\nnotch=\x01\x02\n[other]\nhighpass=-1\n"
             "lowlevel=99999999999999\nhighlevel=-12.5\nattacktime=\xff\n"s);
    Load();
    EXPECT_TRUE(Control<QCheckBox>(*w, "chFilter")->isChecked());    // unreadable: on
    EXPECT_FALSE(Control<QCheckBox>(*w, "chFilter1")->isChecked());  // a number other than 1: off
    EXPECT_TRUE(Control<QCheckBox>(*w, "chAutoGainControl")->isChecked());
    EXPECT_EQ(Control<QLineEdit>(*w, "txtAGCLowLevel")->text(), "99999999999999");
    log.clear();
    QTest::mouseClick(Control<QPushButton>(*w, "Command1"), Qt::LeftButton);
    EXPECT_EQ(Only(log, {"SetAgc"}), (CallLog{"SetAgcEnabled(1)", "SetAgcHighLevel(-12)",
                                              "SetAgcLowLevel(-30)", "SetAgcAttackTime(100)"}));
    EXPECT_EQ(ReadIniValue(Settings(), "other", "lowlevel"), "99999999999999");
}

TEST_F(Form2Test, EachDotsButtonOpensItsOptionDialogWhichRefreshesItsSummary) {
    std::vector<std::string> opened;
    auto opener = [&](const char* name, core::Encoder which) {
        return [this, &opened, name, which] {
            opened.push_back(name);
            w->SetSummary(which, std::string("new ") + name);
        };
    };
    openers.mp3 = opener("mp3", core::Encoder::Mp3);
    openers.wav = opener("wav", core::Encoder::Wav);
    openers.vox = opener("vox", core::Encoder::Vox);
    openers.ogg = opener("ogg", core::Encoder::Ogg);
    openers.raw = opener("raw", core::Encoder::Raw);
    openers.g726 = opener("g726", core::Encoder::G726);
    openers.flac = opener("flac", core::Encoder::Flac);
    openers.opus = opener("opus", core::Encoder::Opus);
    Load();
    for (QPushButton* b :
         {Control<QPushButton>(*w, "cmdMP3"), Control<QPushButton>(*w, "cmdWAV"),
          Control<QPushButton>(*w, "cmdVOX"), Control<QPushButton>(*w, "cmdOgg"),
          Control<QPushButton>(*w, "cmdRAW"), Control<QPushButton>(*w, "cmdG726"),
          Control<QPushButton>(*w, "cmdFLAC"), Control<QPushButton>(*w, "cmdOPUS")}) {
        EXPECT_EQ(b->text(), "...");
        QTest::mouseClick(b, Qt::LeftButton);
    }
    EXPECT_EQ(opened, (std::vector<std::string>{"mp3", "wav", "vox", "ogg", "raw", "g726", "flac",
                                                "opus"}));
    EXPECT_EQ(Control<QLineEdit>(*w, "txtOPUS")->text(), "new opus");
    EXPECT_EQ(Control<QLineEdit>(*w, "txtMP3")->text(), "new mp3");
    EXPECT_EQ(Control<QLineEdit>(*w, "txtOGG")->text(), "new ogg");
    EXPECT_EQ(w->Summary(core::Encoder::G726), "new g726");
    // Cancelling the dialog afterwards keeps what the option dialog did.
    QTest::mouseClick(Control<QPushButton>(*w, "Command2"), Qt::LeftButton);
    EXPECT_EQ(Control<QLineEdit>(*w, "txtMP3")->text(), "new mp3");
}

TEST_F(Form2Test, ArrowsStepTheBoxWithinTheRange) {
    Load();
    Control<QLineEdit>(*w, "txtNotchFreq")->setText("190");
    Control<UpDown>(*w, "udNotchFreq")->stepBy(1);
    EXPECT_EQ(Control<QLineEdit>(*w, "txtNotchFreq")->text(), "200");
    Control<UpDown>(*w, "udNotchFreq")->stepBy(1);  // the top of 40..200
    EXPECT_EQ(Control<QLineEdit>(*w, "txtNotchFreq")->text(), "200");
    Control<QLineEdit>(*w, "txtAGCAttackTime")->setText("51");
    Control<UpDown>(*w, "udAGCAttackTime")->stepBy(-5);
    EXPECT_EQ(Control<QLineEdit>(*w, "txtAGCAttackTime")->text(), "50");
}

TEST_F(Form2Test, CaptionsAndAccessibleNames) {
    Load();
    EXPECT_EQ(w->windowTitle(), "Formats And Filters Settings ");
    ASSERT_EQ(Control<QTabWidget>(*w, "SSTab1")->count(), 4);
    EXPECT_EQ(Control<QTabWidget>(*w, "SSTab1")->tabText(0), "Mixer");
    EXPECT_EQ(Control<QTabWidget>(*w, "SSTab1")->tabText(1), "Formats And Filters Settings ");
    EXPECT_EQ(Control<QTabWidget>(*w, "SSTab1")->tabText(2), "Triggers");
    EXPECT_EQ(Control<QTabWidget>(*w, "SSTab1")->tabText(3), "Second source");
    EXPECT_EQ(Control<QCheckBox>(*w, "chFilter")->text(), "Notch");
    EXPECT_EQ(Control<QCheckBox>(*w, "chFilter1")->text(), "HighPass");
    EXPECT_EQ(Control<QCheckBox>(*w, "chFilter2")->text(), "LowPass");
    EXPECT_EQ(Control<QCheckBox>(*w, "chAutoGainControl")->text(), "Enabled");
    EXPECT_EQ(Control<QLineEdit>(*w, "txtAGCLowLevel")->accessibleName(), "Low Level:");
    EXPECT_EQ(Control<QLineEdit>(*w, "txtMP3")->accessibleName(), "MP3");
    EXPECT_EQ(Control<QPushButton>(*w, "cmdG726")->accessibleName(), "G726 options");
    EXPECT_EQ(services::UnnamedControls(w.get()), std::vector<std::string>{});
    EXPECT_EQ(services::TabOrderProblems(w.get()), std::vector<std::string>{});
    Control<QTabWidget>(*w, "SSTab1")->setCurrentIndex(2);
    EXPECT_EQ(services::UnnamedControls(w.get()), std::vector<std::string>{});
    EXPECT_EQ(services::TabOrderProblems(w.get()), std::vector<std::string>{});
}

}  // namespace
}  // namespace qsr::settings
