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
#include "platform/services/Accessibility.h"
#include "settings/FormatValues.h"
#include "settings/Inifun.h"
#include "settings/UpDown.h"
#include "settings/frmMP3.h"
#include "support/TempDir.h"

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
    EXPECT_EQ(w->Slider1->value(), 9);
    EXPECT_EQ(w->Label1->text(), "Current bitrate:");
    EXPECT_EQ(w->Combo5->currentText(), "44100");
    EXPECT_EQ(values.MP3Bitrate, 128);
    EXPECT_EQ(values.MP3Frequency, 44100);
    EXPECT_EQ(values.MP3Channels, 2);
    EXPECT_EQ(w->Combo3->currentText(), "Joint Stereo");  // the object's mode 2
    EXPECT_EQ(w->Slider2->value(), 5);
    EXPECT_EQ(w->Slider3->value(), 14);
    EXPECT_EQ(w->Label8->text(), "Current bitrate: 320 kbit");
    EXPECT_EQ(w->Combo1->currentText(), "None");
    // Filters off open with the offered frequencies; widths that read 0 show
    // the defaults without handing them to the object.
    EXPECT_FALSE(w->chHFilt->isChecked());
    EXPECT_EQ(w->tHFiltF->text(), "30");
    EXPECT_EQ(w->tHFiltW->text(), "5");
    EXPECT_FALSE(w->tHFiltF->isEnabled());
    EXPECT_FALSE(w->Label11->isEnabled());
    EXPECT_FALSE(w->chLFilt->isChecked());
    EXPECT_EQ(w->tLFiltF->text(), "15160");
    EXPECT_EQ(w->tLFiltW->text(), "760");
    EXPECT_EQ(Object().lowPass, -1);
    EXPECT_EQ(Object().lowWidth, 0);
    EXPECT_EQ(Object().highWidth, 0);
    EXPECT_TRUE(w->Check1->isChecked());  // write VBR header
    EXPECT_TRUE(w->Check5->isChecked());  // bit reservoir
    EXPECT_FALSE(w->Check3->isChecked());
}

TEST_F(FrmMp3Test, StoredBitrateOutsideTheTableKeepsTheSliderAndIsStoredAgain) {
    WriteAll(Settings(), "[mp3]\nMP3Bitrate=40\nMP3Frequency=22050\nMP3Channels=1\n");
    Load();
    EXPECT_EQ(w->Slider1->value(), 9);
    EXPECT_EQ(w->Label1->text(), "Current bitrate: 40 kbit");
    EXPECT_EQ(Object().bitrate, 128);  // not a slider value: the object keeps its own
    EXPECT_EQ(w->Combo5->currentText(), "22050");
    EXPECT_EQ(Object().sampleRate, 22050);
    EXPECT_EQ(values.MP3Channels, 1);
    EXPECT_EQ(w->Combo3->currentText(), "Joint Stereo");  // the list is not changed
    QTest::mouseClick(w->Command1, Qt::LeftButton);
    EXPECT_EQ(ReadIniValue(Settings(), "mp3", "MP3Bitrate"), "40");
    EXPECT_EQ(ReadIniValue(Settings(), "mp3", "MP3Frequency"), "22050");
    EXPECT_EQ(ReadIniValue(Settings(), "mp3", "MP3Channels"), "1");
}

TEST_F(FrmMp3Test, StoredTableBitrateMovesTheSliderAndSetsTheObject) {
    WriteAll(Settings(), "[mp3]\nMP3Bitrate=192\nMP3Frequency=x\n");
    Load();
    EXPECT_EQ(w->Slider1->value(), 11);
    EXPECT_EQ(Object().bitrate, 192);
    EXPECT_EQ(w->Slider1->toolTip(), "192");
    EXPECT_EQ(values.MP3Frequency, 44100);  // not a number: as loading set it
}

TEST_F(FrmMp3Test, EveryControlWritesItsPropertyAtOnce) {
    Load();
    w->Slider1->setValue(13);
    EXPECT_EQ(Object().bitrate, 256);
    EXPECT_EQ(values.MP3Bitrate, 256);
    EXPECT_EQ(w->Label1->text(), "Current bitrate: 256 kbit");
    w->Slider2->setValue(2);
    EXPECT_EQ(Object().quality, 2);
    w->Slider3->setValue(10);
    EXPECT_EQ(Object().maxVbr, 160);
    EXPECT_EQ(w->Label8->text(), "Current bitrate: 160 kbit");
    w->Combo3->setCurrentIndex(4);
    EXPECT_EQ(Object().channelMode, 5);
    EXPECT_EQ(values.MP3Channels, 1);
    w->Combo3->setCurrentIndex(3);
    EXPECT_EQ(values.MP3Channels, 2);
    w->Combo5->setCurrentIndex(8);
    EXPECT_EQ(Object().sampleRate, 8000);
    EXPECT_EQ(values.MP3Frequency, 8000);
    w->Combo2->setCurrentIndex(3);
    EXPECT_EQ(Object().ath, 3);
    w->Combo4->setCurrentIndex(2);
    EXPECT_EQ(Object().deemphasis, 2);
    w->Combo1->setCurrentIndex(3);  // "New": the VBR quality box works
    w->tVbrQ->setText("2");
    EXPECT_EQ(Object().vbrQuality, 2);
    w->Combo1->setCurrentIndex(5);  // "ABR"
    w->udABR->stepBy(2);
    EXPECT_EQ(Object().abr, 130);
    EXPECT_EQ(w->tABR->text(), "130");
    Tick(w->Check2);
    EXPECT_TRUE(Object().enforceMin);
    w->SSTab1->setCurrentIndex(3);
    Tick(w->Check3);
    EXPECT_TRUE(Object().crc);
    Tick(w->Check4);
    EXPECT_TRUE(Object().diffBlocks);
    Tick(w->Check6);
    EXPECT_FALSE(Object().shortBlocks);
    Tick(w->Check7);
    EXPECT_TRUE(Object().iso);
}

TEST_F(FrmMp3Test, CodingMethodEnablesItsControls) {
    Load();
    w->Combo1->setCurrentIndex(0);  // "None"
    for (QWidget* c : std::initializer_list<QWidget*>{w->tVbrQ, w->udVbrQ, w->Label15, w->tABR,
                                                      w->Label9, w->Slider3, w->Label8,
                                                      w->frameAdvanced, w->frameMaxVbr, w->Check1})
        EXPECT_FALSE(c->isEnabled()) << c->objectName().toStdString();
    EXPECT_EQ(Object().vbrMethod, -1);
    w->Combo1->setCurrentIndex(5);  // "ABR"
    EXPECT_FALSE(w->tVbrQ->isEnabled());
    EXPECT_TRUE(w->tABR->isEnabled());
    EXPECT_TRUE(w->Slider3->isEnabled());
    EXPECT_EQ(Object().vbrMethod, 4);
    w->Combo1->setCurrentIndex(4);  // "MTRH"
    EXPECT_TRUE(w->tVbrQ->isEnabled());
    EXPECT_FALSE(w->udABR->isEnabled());
    EXPECT_TRUE(w->Check2->isEnabled());
}

TEST_F(FrmMp3Test, FilterTicksSendTheFrequencyOrMinusOne) {
    Load();
    w->SSTab1->setCurrentIndex(1);
    Tick(w->chHFilt);
    EXPECT_EQ(Object().highPass, 30);  // the box's offer
    EXPECT_TRUE(w->tHFiltW->isEnabled());
    w->tHFiltF->setText("250");
    EXPECT_EQ(Object().highPass, 250);
    w->tHFiltW->setText("40");
    EXPECT_EQ(Object().highWidth, 40);
    Tick(w->chHFilt);
    EXPECT_EQ(Object().highPass, -1);
    Tick(w->chLFilt);
    EXPECT_EQ(Object().lowPass, 15160);
    w->tLFiltF->setText("99999");  // held to the up-down's 0..48000
    EXPECT_EQ(Object().lowPass, 48000);
}

TEST_F(FrmMp3Test, OkStoresHandsTheObjectOverAndRefreshesTheSummary) {
    file.description = "MP3 VBR quality 2";
    Load();
    w->Slider1->setValue(10);
    QTest::mouseClick(w->Command1, Qt::LeftButton);
    EXPECT_EQ(w->result(), QDialog::Accepted);
    EXPECT_EQ(fileLog, (CallLog{"SetMp3Settings()"}));
    EXPECT_EQ(summaries, (std::vector<std::string>{"MP3 VBR quality 2"}));
    EXPECT_EQ(ReadIniValue(Settings(), "mp3", "MP3Bitrate"), "160");
}

TEST_F(FrmMp3Test, CancelWritesNothingHandsNothingOverAndPutsTheSharedValuesBack) {
    const std::int16_t before = values.MP3Bitrate;
    Load();
    w->Slider1->setValue(14);
    EXPECT_EQ(values.MP3Bitrate, 320);
    QTest::mouseClick(w->Command2, Qt::LeftButton);
    EXPECT_EQ(w->result(), QDialog::Rejected);
    EXPECT_TRUE(fileLog.empty());
    EXPECT_TRUE(summaries.empty());
    EXPECT_EQ(ReadIniValue(Settings(), "mp3", "MP3Bitrate"), "");
    EXPECT_EQ(values.MP3Bitrate, before) << "the next recording uses what is stored";
}

TEST_F(FrmMp3Test, CaptionsPagesAndAccessibleNames) {
    Load();
    EXPECT_EQ(w->windowTitle(), "MP3 Advanced Option");
    ASSERT_EQ(w->SSTab1->count(), 4);
    EXPECT_EQ(w->SSTab1->tabText(0), "General");
    EXPECT_EQ(w->SSTab1->tabText(1), "Filtering");
    EXPECT_EQ(w->SSTab1->tabText(2), "VBR");
    EXPECT_EQ(w->SSTab1->tabText(3), "Expert");
    EXPECT_EQ(w->Label9->text(), "Targed bitrate for ABR:");
    EXPECT_EQ(w->Check3->text(), "include CRC -Checksums");
    EXPECT_EQ(w->Combo4->itemText(2), "citt j.17");
    EXPECT_EQ(w->tVbrQ->accessibleName(), "VBR Quality:");
    EXPECT_EQ(services::UnnamedControls(w.get()), std::vector<std::string>{});
    EXPECT_EQ(services::TabOrderProblems(w.get()), std::vector<std::string>{});
}

}  // namespace
}  // namespace qsr::settings
