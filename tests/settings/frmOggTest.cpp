#include <gtest/gtest.h>

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTest>

#include "fakes/FakeAudio.h"
#include "fakes/FakeServices.h"
#include "platform/services/windows/Accessibility.h"
#include "settings/FormatValues.h"
#include "settings/Inifun.h"
#include "settings/windows/frmOgg.h"
#include "support/Controls.h"
#include "support/TempDir.h"

using qsr::testing::Control;

using namespace qsr;
using qsr::testing::ReadAll;
using qsr::testing::WriteAll;
using settings::frmOgg;

namespace {

struct Fixture {
    qsr::testing::TempDir home;
    std::string file = home.File("settings.dat");
    fakes::FakeDesktop desk;
    fakes::CallLog log;
    fakes::FakeAudioFile audio{&log};
    settings::FormatValues values = settings::ShippedFormatValues();
    std::vector<std::string> summaries;
    std::unique_ptr<frmOgg> Open() {
        auto f = std::make_unique<frmOgg>(
            settings::FormatOptionInputs{desk.Services(), audio, values, file,
                                         [this](const std::string& s) { summaries.push_back(s); }});
        f->Form_Load();
        f->show();
        return f;
    }
};

TEST(frmOgg, OddStoredBitratesOpenAtPositionTwoAndOkStoresAndSetsTheRange) {
    Fixture fx;
    WriteAll(fx.file,
             "[ogg]\noggBitrate=96\nMinBitrate=96\nMaxBitrate=192\nQuality=450\n"
             "VbrEnabled=1\nQualityEnabled=0\n");
    auto f = fx.Open();
    EXPECT_EQ(f->windowTitle(), "Ogg Vorbis Option");
    EXPECT_EQ(services::UnnamedControls(f.get()), std::vector<std::string>{});
    EXPECT_EQ(services::TabOrderProblems(f.get()), std::vector<std::string>{});
    EXPECT_EQ(Control<QSlider>(*f, "sldrBitrate")->value(), 2);
    EXPECT_EQ(Control<QLabel>(*f, "lblBitrate")->text(), "Current nominal Bitrate: 96 kbit");
    EXPECT_EQ(Control<QSlider>(*f, "sldrBitrate")->toolTip(), "96");
    EXPECT_EQ(Control<QSlider>(*f, "sldrMinBitrate")->value(), 2);
    EXPECT_EQ(Control<QLabel>(*f, "lblMinBitrate")->text(), "Current min oggBitrate: 128 kbit");
    EXPECT_EQ(Control<QSlider>(*f, "sldrMaxBitrate")->value(), 4);
    EXPECT_EQ(Control<QLabel>(*f, "lblMaxBitrate")->text(), "Current max oggBitrate: 192 kbit");
    EXPECT_EQ(Control<QSlider>(*f, "sldrQuality")->value(), 450);
    EXPECT_EQ(Control<QSlider>(*f, "sldrQuality")->toolTip(), "4.5");
    // Variable bitrate on, quality off.
    EXPECT_TRUE(Control<QCheckBox>(*f, "chVbr")->isChecked());
    EXPECT_FALSE(Control<QCheckBox>(*f, "chQuality")->isChecked());
    EXPECT_TRUE(Control<QCheckBox>(*f, "chVbr")->isEnabled());
    EXPECT_TRUE(Control<QSlider>(*f, "sldrBitrate")->isEnabled());
    EXPECT_TRUE(Control<QGroupBox>(*f, "frmVbr")->isEnabled());
    EXPECT_TRUE(Control<QSlider>(*f, "sldrMinBitrate")->isEnabled());
    EXPECT_FALSE(Control<QGroupBox>(*f, "frmQuality")->isEnabled());
    EXPECT_FALSE(Control<QSlider>(*f, "sldrQuality")->isEnabled());
    EXPECT_TRUE(fx.log.empty()) << "loading sets no format";

    QTest::mouseClick(Control<QPushButton>(*f, "cmdOk"), Qt::LeftButton);
    EXPECT_EQ(f->result(), QDialog::Accepted);
    EXPECT_EQ(ReadAll(fx.file),
              "[ogg]\noggBitrate=96\nMinBitrate=128\nMaxBitrate=192\n"
              "Quality=450\nVbrEnabled=1\nQualityEnabled=0\n");
    EXPECT_EQ(fx.log, (fakes::CallLog{"SetOggFormat(44100,2,96,128,192,-1)"}));
    EXPECT_EQ(fx.summaries, std::vector<std::string>{"fake format"});
}

TEST(frmOgg, QualityModeDisablesTheBitratesAndWinsOnOk) {
    Fixture fx;
    WriteAll(fx.file, "[ogg]\noggBitrate=320\nQuality=300\nVbrEnabled=1\nQualityEnabled=1\n");
    auto f = fx.Open();
    EXPECT_TRUE(Control<QCheckBox>(*f, "chQuality")->isChecked());
    EXPECT_TRUE(Control<QCheckBox>(*f, "chVbr")->isChecked());
    for (QWidget* w : std::initializer_list<QWidget*>{
             Control<QCheckBox>(*f, "chVbr"), Control<QGroupBox>(*f, "frmVbr"),
             Control<QSlider>(*f, "sldrBitrate"), Control<QLabel>(*f, "lblBitrate"),
             Control<QSlider>(*f, "sldrMinBitrate"), Control<QSlider>(*f, "sldrMaxBitrate"),
             Control<QLabel>(*f, "lblMaxBitrate")})
        EXPECT_FALSE(w->isEnabled()) << w->objectName().toStdString();
    EXPECT_TRUE(Control<QSlider>(*f, "sldrQuality")->isEnabled());

    // The quality slider to its end, by keyboard.
    Control<QSlider>(*f, "sldrQuality")->setFocus();
    QTest::keyClick(Control<QSlider>(*f, "sldrQuality"), Qt::Key_End);
    EXPECT_EQ(fx.values.Quality, 1000);
    EXPECT_EQ(Control<QSlider>(*f, "sldrQuality")->toolTip(), "10");

    QTest::mouseClick(Control<QPushButton>(*f, "cmdOk"), Qt::LeftButton);
    EXPECT_EQ(fx.log, (fakes::CallLog{"SetOggFormat(44100,2,128,0,0,1000)"}));
    EXPECT_EQ(settings::ReadIniValue(fx.file, "ogg", "Quality"), "1000");
    EXPECT_EQ(settings::ReadIniValue(fx.file, "ogg", "oggBitrate"), "320");
}

TEST(frmOgg, SlidersAndTicksChangeTheSharedValuesAndCancelPutsThemBack) {
    Fixture fx;
    const std::string stored =
        "[ogg]\noggBitrate=128\nMinBitrate=112\nMaxBitrate=160\n"
        "Quality=300\nVbrEnabled=0\nQualityEnabled=1\n";
    WriteAll(fx.file, stored);
    auto f = fx.Open();
    // Quality off: the nominal slider comes back, the range follows its tick.
    QTest::mouseClick(Control<QCheckBox>(*f, "chQuality"), Qt::LeftButton);
    EXPECT_EQ(fx.values.QualityEnabled, 0);
    EXPECT_TRUE(Control<QSlider>(*f, "sldrBitrate")->isEnabled());
    EXPECT_TRUE(Control<QCheckBox>(*f, "chVbr")->isEnabled());
    EXPECT_FALSE(Control<QGroupBox>(*f, "frmVbr")->isEnabled());
    EXPECT_FALSE(Control<QSlider>(*f, "sldrQuality")->isEnabled());
    QTest::mouseClick(Control<QCheckBox>(*f, "chVbr"), Qt::LeftButton);
    EXPECT_EQ(fx.values.VbrEnabled, 1);
    EXPECT_TRUE(Control<QSlider>(*f, "sldrMaxBitrate")->isEnabled());

    Control<QSlider>(*f, "sldrBitrate")->setFocus();
    QTest::keyClick(Control<QSlider>(*f, "sldrBitrate"), Qt::Key_Right);
    EXPECT_EQ(fx.values.oggBitrate, 160);
    EXPECT_EQ(Control<QLabel>(*f, "lblBitrate")->text(), "Current nominal oggBitrate: 160 kbit");
    EXPECT_EQ(Control<QSlider>(*f, "sldrBitrate")->toolTip(), "160");
    Control<QSlider>(*f, "sldrMaxBitrate")->setFocus();
    QTest::keyClick(Control<QSlider>(*f, "sldrMaxBitrate"), Qt::Key_End);
    EXPECT_EQ(fx.values.MaxBitrate, 320);
    EXPECT_EQ(Control<QLabel>(*f, "lblMaxBitrate")->text(), "Current max oggBitrate: 320 kbit");
    Control<QSlider>(*f, "sldrMinBitrate")->setFocus();
    QTest::keyClick(Control<QSlider>(*f, "sldrMinBitrate"), Qt::Key_Home);
    EXPECT_EQ(Control<QLabel>(*f, "lblMinBitrate")->text(), "Current min oggBitrate: 112 kbit");

    QTest::mouseClick(Control<QPushButton>(*f, "cmdCancel"), Qt::LeftButton);
    EXPECT_EQ(f->result(), QDialog::Rejected);
    EXPECT_EQ(ReadAll(fx.file), stored);
    EXPECT_TRUE(fx.log.empty());
    EXPECT_TRUE(fx.summaries.empty());
    EXPECT_EQ(fx.values.oggBitrate, settings::ShippedFormatValues().oggBitrate)
        << "the shared values are back to what the dialog found";
}

TEST(frmOgg, ShownModalThroughTheDesktop) {
    Fixture fx;
    fx.desk.modal.scripts.push_back([](QDialog& d) {
        QTest::mouseClick(Control<QPushButton>(dynamic_cast<frmOgg&>(d), "cmdOk"), Qt::LeftButton);
        return d.result();
    });
    EXPECT_EQ(settings::ShowOptionDialog<settings::frmOgg>(
                  fx.desk.Services(), fx.audio, fx.values, fx.file,
                  [&fx](const std::string& s) { fx.summaries.push_back(s); }),
              QDialog::Accepted);
    EXPECT_EQ(fx.desk.modal.shownObjectNames, std::vector<std::string>{"frmOgg"});
    // Nothing stored: the shipped nominal 128, no range, no quality mode.
    EXPECT_EQ(fx.log, (fakes::CallLog{"SetOggFormat(44100,2,128,0,0,-1)"}));
    EXPECT_EQ(fx.summaries.size(), 1u);
}

}  // namespace
