#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTabWidget>
#include <QTest>

#include "fakes/FakeAudio.h"
#include "platform/services/windows/Accessibility.h"
#include "settings/FormatValues.h"
#include "settings/Inifun.h"
#include "settings/windows/UpDown.h"
#include "settings/windows/frmMP3.h"
#include "support/Controls.h"
#include "support/TempDir.h"

using qsr::testing::Control;

namespace qsr::settings {
namespace {

using fakes::CallLog;
using qsr::testing::WriteAll;

// Clicks a tick box on its box, where a click toggles it however wide it is.
void Tick(QCheckBox* box) {
    QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2));
}

struct FrmMp3Test : ::testing::Test {
    qsr::testing::TempDir dir;
    fakes::FakeAudioEngine engine;
    CallLog fileLog;
    fakes::FakeAudioFile file{&fileLog};
    FormatValues values;
    std::vector<std::string> summaries;
    std::unique_ptr<frmMP3> w;

    std::string Settings() const { return dir.File("settings.dat"); }
    void Load() {
        w = std::make_unique<frmMP3>(engine, &file, values, dir.path().string(),
                                     [this](const std::string& s) { summaries.push_back(s); });
        w->Form_Load();
        w->show();
    }
    fakes::FakeMp3Settings& Object() {
        return dynamic_cast<fakes::FakeMp3Settings&>(*w->Settings());
    }
};

TEST_F(FrmMp3Test, FreshObjectWithNothingStoredOpensAtTheDefaults) {
    Load();
    EXPECT_EQ(Control<QSlider>(*w, "Slider1")->value(), 9);
    EXPECT_EQ(Control<QLabel>(*w, "Label1")->text(), "Current bitrate:");
    EXPECT_EQ(Control<QComboBox>(*w, "Combo5")->currentText(), "44100");
    EXPECT_EQ(values.MP3Bitrate, 128);
    EXPECT_EQ(values.MP3Frequency, 44100);
    EXPECT_EQ(values.MP3Channels, 2);
    EXPECT_EQ(Control<QComboBox>(*w, "Combo3")->currentText(),
              "Joint Stereo");  // the object's mode 2
    EXPECT_EQ(Control<QSlider>(*w, "Slider2")->value(), 5);
    EXPECT_EQ(Control<QSlider>(*w, "Slider3")->value(), 14);
    EXPECT_EQ(Control<QLabel>(*w, "Label8")->text(), "Current bitrate: 320 kbit");
    EXPECT_EQ(Control<QComboBox>(*w, "Combo1")->currentText(), "None");
    // Filters off open with the offered frequencies; widths that read 0 show
    // the defaults without handing them to the object.
    EXPECT_FALSE(Control<QCheckBox>(*w, "chHFilt")->isChecked());
    EXPECT_EQ(Control<QLineEdit>(*w, "tHFiltF")->text(), "30");
    EXPECT_EQ(Control<QLineEdit>(*w, "tHFiltW")->text(), "5");
    EXPECT_FALSE(Control<QLineEdit>(*w, "tHFiltF")->isEnabled());
    EXPECT_FALSE(Control<QLabel>(*w, "Label11")->isEnabled());
    EXPECT_FALSE(Control<QCheckBox>(*w, "chLFilt")->isChecked());
    EXPECT_EQ(Control<QLineEdit>(*w, "tLFiltF")->text(), "15160");
    EXPECT_EQ(Control<QLineEdit>(*w, "tLFiltW")->text(), "760");
    EXPECT_EQ(Object().lowPass, -1);
    EXPECT_EQ(Object().lowWidth, 0);
    EXPECT_EQ(Object().highWidth, 0);
    EXPECT_TRUE(Control<QCheckBox>(*w, "Check1")->isChecked());  // write VBR header
    EXPECT_TRUE(Control<QCheckBox>(*w, "Check5")->isChecked());  // bit reservoir
    EXPECT_FALSE(Control<QCheckBox>(*w, "Check3")->isChecked());
}

TEST_F(FrmMp3Test, StoredBitrateOutsideTheTableKeepsTheSliderAndIsStoredAgain) {
    WriteAll(Settings(), "[mp3]\nMP3Bitrate=40\nMP3Frequency=22050\nMP3Channels=1\n");
    Load();
    EXPECT_EQ(Control<QSlider>(*w, "Slider1")->value(), 9);
    EXPECT_EQ(Control<QLabel>(*w, "Label1")->text(), "Current bitrate: 40 kbit");
    EXPECT_EQ(Object().bitrate, 128);  // not a slider value: the object keeps its own
    EXPECT_EQ(Control<QComboBox>(*w, "Combo5")->currentText(), "22050");
    EXPECT_EQ(Object().sampleRate, 22050);
    EXPECT_EQ(values.MP3Channels, 1);
    EXPECT_EQ(Control<QComboBox>(*w, "Combo3")->currentText(),
              "Joint Stereo");  // the list is not changed
    QTest::mouseClick(Control<QPushButton>(*w, "Command1"), Qt::LeftButton);
    EXPECT_EQ(ReadIniValue(Settings(), "mp3", "MP3Bitrate"), "40");
    EXPECT_EQ(ReadIniValue(Settings(), "mp3", "MP3Frequency"), "22050");
    EXPECT_EQ(ReadIniValue(Settings(), "mp3", "MP3Channels"), "1");
}

TEST_F(FrmMp3Test, StoredTableBitrateMovesTheSliderAndSetsTheObject) {
    WriteAll(Settings(), "[mp3]\nMP3Bitrate=192\nMP3Frequency=x\n");
    Load();
    EXPECT_EQ(Control<QSlider>(*w, "Slider1")->value(), 11);
    EXPECT_EQ(Object().bitrate, 192);
    EXPECT_EQ(Control<QSlider>(*w, "Slider1")->toolTip(), "192");
    EXPECT_EQ(values.MP3Frequency, 44100);  // not a number: as loading set it
}

TEST_F(FrmMp3Test, EveryControlWritesItsPropertyAtOnce) {
    Load();
    Control<QSlider>(*w, "Slider1")->setValue(13);
    EXPECT_EQ(Object().bitrate, 256);
    EXPECT_EQ(values.MP3Bitrate, 256);
    EXPECT_EQ(Control<QLabel>(*w, "Label1")->text(), "Current bitrate: 256 kbit");
    Control<QSlider>(*w, "Slider2")->setValue(2);
    EXPECT_EQ(Object().quality, 2);
    Control<QSlider>(*w, "Slider3")->setValue(10);
    EXPECT_EQ(Object().maxVbr, 160);
    EXPECT_EQ(Control<QLabel>(*w, "Label8")->text(), "Current bitrate: 160 kbit");
    Control<QComboBox>(*w, "Combo3")->setCurrentIndex(4);
    EXPECT_EQ(Object().channelMode, 5);
    EXPECT_EQ(values.MP3Channels, 1);
    Control<QComboBox>(*w, "Combo3")->setCurrentIndex(3);
    EXPECT_EQ(values.MP3Channels, 2);
    Control<QComboBox>(*w, "Combo5")->setCurrentIndex(8);
    EXPECT_EQ(Object().sampleRate, 8000);
    EXPECT_EQ(values.MP3Frequency, 8000);
    Control<QComboBox>(*w, "Combo2")->setCurrentIndex(3);
    EXPECT_EQ(Object().ath, 3);
    Control<QComboBox>(*w, "Combo4")->setCurrentIndex(2);
    EXPECT_EQ(Object().deemphasis, 2);
    Control<QComboBox>(*w, "Combo1")->setCurrentIndex(3);  // "New": the VBR quality box works
    Control<QLineEdit>(*w, "tVbrQ")->setText("2");
    EXPECT_EQ(Object().vbrQuality, 2);
    Control<QComboBox>(*w, "Combo1")->setCurrentIndex(5);  // "ABR"
    Control<UpDown>(*w, "udABR")->stepBy(2);
    EXPECT_EQ(Object().abr, 130);
    EXPECT_EQ(Control<QLineEdit>(*w, "tABR")->text(), "130");
    Tick(Control<QCheckBox>(*w, "Check2"));
    EXPECT_TRUE(Object().enforceMin);
    Control<QTabWidget>(*w, "SSTab1")->setCurrentIndex(3);
    Tick(Control<QCheckBox>(*w, "Check3"));
    EXPECT_TRUE(Object().crc);
    Tick(Control<QCheckBox>(*w, "Check4"));
    EXPECT_TRUE(Object().diffBlocks);
    Tick(Control<QCheckBox>(*w, "Check6"));
    EXPECT_FALSE(Object().shortBlocks);
    Tick(Control<QCheckBox>(*w, "Check7"));
    EXPECT_TRUE(Object().iso);
}

TEST_F(FrmMp3Test, CodingMethodEnablesItsControls) {
    Load();
    Control<QComboBox>(*w, "Combo1")->setCurrentIndex(0);  // "None"
    for (QWidget* c : std::initializer_list<QWidget*>{
             Control<QLineEdit>(*w, "tVbrQ"), Control<UpDown>(*w, "udVbrQ"),
             Control<QLabel>(*w, "Label15"), Control<QLineEdit>(*w, "tABR"),
             Control<QLabel>(*w, "Label9"), Control<QSlider>(*w, "Slider3"),
             Control<QLabel>(*w, "Label8"), Control<QGroupBox>(*w, "frameAdvanced"),
             Control<QGroupBox>(*w, "frameMaxVbr"), Control<QCheckBox>(*w, "Check1")})
        EXPECT_FALSE(c->isEnabled()) << c->objectName().toStdString();
    EXPECT_EQ(Object().vbrMethod, -1);
    Control<QComboBox>(*w, "Combo1")->setCurrentIndex(5);  // "ABR"
    EXPECT_FALSE(Control<QLineEdit>(*w, "tVbrQ")->isEnabled());
    EXPECT_TRUE(Control<QLineEdit>(*w, "tABR")->isEnabled());
    EXPECT_TRUE(Control<QSlider>(*w, "Slider3")->isEnabled());
    EXPECT_EQ(Object().vbrMethod, 4);
    Control<QComboBox>(*w, "Combo1")->setCurrentIndex(4);  // "MTRH"
    EXPECT_TRUE(Control<QLineEdit>(*w, "tVbrQ")->isEnabled());
    EXPECT_FALSE(Control<UpDown>(*w, "udABR")->isEnabled());
    EXPECT_TRUE(Control<QCheckBox>(*w, "Check2")->isEnabled());
}

TEST_F(FrmMp3Test, FilterTicksSendTheFrequencyOrMinusOne) {
    Load();
    Control<QTabWidget>(*w, "SSTab1")->setCurrentIndex(1);
    Tick(Control<QCheckBox>(*w, "chHFilt"));
    EXPECT_EQ(Object().highPass, 30);  // the box's offer
    EXPECT_TRUE(Control<QLineEdit>(*w, "tHFiltW")->isEnabled());
    Control<QLineEdit>(*w, "tHFiltF")->setText("250");
    EXPECT_EQ(Object().highPass, 250);
    Control<QLineEdit>(*w, "tHFiltW")->setText("40");
    EXPECT_EQ(Object().highWidth, 40);
    Tick(Control<QCheckBox>(*w, "chHFilt"));
    EXPECT_EQ(Object().highPass, -1);
    Tick(Control<QCheckBox>(*w, "chLFilt"));
    EXPECT_EQ(Object().lowPass, 15160);
    Control<QLineEdit>(*w, "tLFiltF")->setText("99999");  // held to the up-down's 0..48000
    EXPECT_EQ(Object().lowPass, 48000);
}

TEST_F(FrmMp3Test, OkStoresHandsTheObjectOverAndRefreshesTheSummary) {
    file.description = "MP3 VBR quality 2";
    Load();
    Control<QSlider>(*w, "Slider1")->setValue(10);
    QTest::mouseClick(Control<QPushButton>(*w, "Command1"), Qt::LeftButton);
    EXPECT_EQ(w->result(), QDialog::Accepted);
    EXPECT_EQ(fileLog, (CallLog{"SetMp3Settings()"}));
    EXPECT_EQ(summaries, (std::vector<std::string>{"MP3 VBR quality 2"}));
    EXPECT_EQ(ReadIniValue(Settings(), "mp3", "MP3Bitrate"), "160");
}

TEST_F(FrmMp3Test, CancelWritesNothingHandsNothingOverAndPutsTheSharedValuesBack) {
    const std::int16_t before = values.MP3Bitrate;
    Load();
    Control<QSlider>(*w, "Slider1")->setValue(14);
    EXPECT_EQ(values.MP3Bitrate, 320);
    QTest::mouseClick(Control<QPushButton>(*w, "Command2"), Qt::LeftButton);
    EXPECT_EQ(w->result(), QDialog::Rejected);
    EXPECT_TRUE(fileLog.empty());
    EXPECT_TRUE(summaries.empty());
    EXPECT_EQ(ReadIniValue(Settings(), "mp3", "MP3Bitrate"), "");
    EXPECT_EQ(values.MP3Bitrate, before) << "the next recording uses what is stored";
}

TEST_F(FrmMp3Test, CaptionsPagesAndAccessibleNames) {
    Load();
    EXPECT_EQ(w->windowTitle(), "MP3 Advanced Option");
    ASSERT_EQ(Control<QTabWidget>(*w, "SSTab1")->count(), 4);
    EXPECT_EQ(Control<QTabWidget>(*w, "SSTab1")->tabText(0), "General");
    EXPECT_EQ(Control<QTabWidget>(*w, "SSTab1")->tabText(1), "Filtering");
    EXPECT_EQ(Control<QTabWidget>(*w, "SSTab1")->tabText(2), "VBR");
    EXPECT_EQ(Control<QTabWidget>(*w, "SSTab1")->tabText(3), "Expert");
    EXPECT_EQ(Control<QLabel>(*w, "Label9")->text(), "Targed bitrate for ABR:");
    EXPECT_EQ(Control<QCheckBox>(*w, "Check3")->text(), "include CRC -Checksums");
    EXPECT_EQ(Control<QComboBox>(*w, "Combo4")->itemText(2), "citt j.17");
    EXPECT_EQ(Control<QLineEdit>(*w, "tVbrQ")->accessibleName(), "VBR Quality:");
    EXPECT_EQ(services::UnnamedControls(w.get()), std::vector<std::string>{});
    EXPECT_EQ(services::TabOrderProblems(w.get()), std::vector<std::string>{});
}

}  // namespace
}  // namespace qsr::settings
