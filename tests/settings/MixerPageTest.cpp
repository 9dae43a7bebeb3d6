#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTest>

#include "fakes/FakeAudio.h"
#include "fakes/FakeServices.h"
#include "platform/services/windows/Accessibility.h"
#include "settings/windows/MixerPage.h"
#include "settings/windows/frmAdv.h"
#include "support/Controls.h"

using namespace qsr;
using fakes::FakeDevice;
using fakes::FakeLine;
using qsr::testing::Control;
using settings::frmAdv;
using settings::MixerPage;

namespace {

FakeLine Line(std::string name, int volume, int balance, bool active) {
    FakeLine l;
    l.name = std::move(name);
    l.volume = volume;
    l.balance = balance;
    l.active = active;
    return l;
}

// A card of three lines: a microphone with advanced controls, a line input
// without volume or balance, and a mix that cannot be selected.
struct Fixture {
    Fixture() {
        FakeDevice card;
        card.name = "Card";
        card.lines = {Line("Microphone", 40000, 30, true), Line("Line In", 0, 50, false),
                      Line("Stereo Mix", 65535, 80, false)};
        card.lines[0].advanced = {
            {"Mic Boost", {true, 1}}, {"Gain", {false, -1200}}, {"AGC", {true, 0}}};
        card.lines[1].hasVolume = false;
        card.lines[1].hasBalance = false;
        card.lines[2].selectable = false;
        recorder.devices = {card};
        recorder.SelectDevice(0);
    }
    // What main() hands the page: the advanced dialog over the page's window.
    MixerPage::AdvancedOpener OpenAdvanced() {
        return [this](QWidget& owner) {
            settings::ShowAdvancedProperties(recorder, "", desk.Services().modal, owner);
        };
    }
    FakeLine& Of(int i) { return recorder.devices[0].lines[static_cast<std::size_t>(i)]; }
    fakes::CallLog log;
    fakes::FakeRecorder recorder{&log};
    fakes::FakeDesktop desk;
};

TEST(MixerPage, ThreeLinesShowThreeColumnsAsTheRecorderHoldsThem) {
    Fixture fx;
    MixerPage page(fx.recorder, fx.OpenAdvanced());
    page.BuildMixerPage(2);
    page.show();
    EXPECT_EQ(page.ColumnsShown(), 3);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(Control<QWidget>(page, "Column_" + std::to_string(i))->isVisible(), i < 3) << i;
    EXPECT_EQ(Control<QFrame>(page, "Frame14")->width(),
              3 * Control<QWidget>(page, "Column_0")->width());
    EXPECT_GE(Control<QWidget>(page, "Column_0")->width(), 84);
    EXPECT_EQ(Control<QLabel>(page, "Label_0")->text(), "Microphone");
    EXPECT_EQ(Control<QLabel>(page, "Label_2")->text(), "Stereo Mix");
    EXPECT_EQ(Control<QLabel>(page, "Label3_1")->text(), "Volume:");
    EXPECT_EQ(Control<QLabel>(page, "Label2_1")->text(), "Balance:");
    EXPECT_EQ(Control<QCheckBox>(page, "chSelect_0")->text(), "Select All");
    EXPECT_EQ(Control<QCheckBox>(page, "chSelect_1")->text(), "Select");
    // Upside-down volume, balance as held.
    EXPECT_EQ(Control<QSlider>(page, "slVolume_0")->value(), 65535 - 40000);
    EXPECT_EQ(Control<QSlider>(page, "slVolume_2")->value(), 0);
    EXPECT_EQ(Control<QSlider>(page, "slBalance_0")->value(), 30);
    // What a line lacks is disabled or hidden.
    EXPECT_FALSE(Control<QSlider>(page, "slVolume_1")->isEnabled());
    EXPECT_FALSE(Control<QSlider>(page, "slBalance_1")->isEnabled());
    EXPECT_TRUE(Control<QSlider>(page, "slVolume_0")->isEnabled());
    EXPECT_FALSE(Control<QCheckBox>(page, "chSelect_2")->isEnabled());
    EXPECT_TRUE(Control<QCheckBox>(page, "chSelect_0")->isChecked());
    EXPECT_FALSE(Control<QCheckBox>(page, "chSelect_1")->isChecked());
    EXPECT_TRUE(Control<QPushButton>(page, "cmdAdvanced_0")->isVisible());
    EXPECT_FALSE(Control<QPushButton>(page, "cmdAdvanced_1")->isVisible());
    // Building changed no mixer state.
    EXPECT_TRUE(fakes::Only(fx.log, {"Set"}).empty());
    EXPECT_EQ(services::UnnamedControls(&page), std::vector<std::string>{});
    EXPECT_EQ(services::TabOrderProblems(&page), std::vector<std::string>{});
    EXPECT_EQ(Control<QSlider>(page, "slVolume_1")->accessibleName(), "Volume: Line In");
}

TEST(MixerPage, NoLinesShowNoColumns) {
    Fixture fx;
    MixerPage page(fx.recorder, fx.OpenAdvanced());
    page.BuildMixerPage(-1);
    page.show();
    EXPECT_EQ(page.ColumnsShown(), 0);
    for (int i = 0; i < settings::kMixerColumns; ++i)
        EXPECT_FALSE(Control<QWidget>(page, "Column_" + std::to_string(i))->isVisible());
    EXPECT_EQ(Control<QFrame>(page, "Frame14")->width(), 0);
}

TEST(MixerPage, VolumeAndBalanceGoToTheLineAndShowItsReadBack) {
    Fixture fx;
    MixerPage page(fx.recorder, fx.OpenAdvanced());
    page.BuildMixerPage(2);
    page.show();
    Control<QSlider>(page, "slVolume_2")->setFocus();
    QTest::keyClick(Control<QSlider>(page, "slVolume_2"),
                    Qt::Key_End);  // the slider's far end (maximum = bottom)
    EXPECT_EQ(fx.Of(2).volume, 0);
    Control<QSlider>(page, "slVolume_2")->setValue(0);  // top
    EXPECT_EQ(fx.Of(2).volume, 65535);
    EXPECT_EQ(fx.recorder.CurrentSource(), 2);
    // Top is loudest on screen too, and the up key makes the line louder.
    EXPECT_TRUE(Control<QSlider>(page, "slVolume_0")->invertedAppearance());
    Control<QSlider>(page, "slVolume_0")->setFocus();
    QTest::keyClick(Control<QSlider>(page, "slVolume_0"), Qt::Key_Up);
    EXPECT_GT(fx.Of(0).volume, 40000);
    Control<QSlider>(page, "slBalance_0")->setValue(120);  // the slider's own range holds it at 100
    EXPECT_EQ(fx.Of(0).balance, 100);
    EXPECT_EQ(Control<QSlider>(page, "slBalance_0")->value(), 100);
    // One call per change, none for what the page only shows.
    const fakes::CallLog sets = fakes::Only(fx.log, {"SetVolume", "SetBalance"});
    ASSERT_EQ(sets.size(), 4u);
    EXPECT_EQ(sets[0], "SetVolume(0)");
    EXPECT_EQ(sets[1], "SetVolume(65535)");
    EXPECT_EQ(sets[3], "SetBalance(100)");
}

TEST(MixerPage, TicksShowWhatTheDeviceSelectsAndTheCurrentLineIsKept) {
    Fixture fx;
    fx.recorder.devices[0].keepsOneLine = true;
    MixerPage page(fx.recorder, fx.OpenAdvanced());
    page.BuildMixerPage(2);
    page.show();
    fx.recorder.SelectSource(2);
    // Choosing the line input drops the microphone.
    QTest::mouseClick(Control<QCheckBox>(page, "chSelect_1"), Qt::LeftButton, {},
                      QPoint(6, Control<QCheckBox>(page, "chSelect_1")->height() / 2));
    EXPECT_TRUE(fx.Of(1).active);
    EXPECT_FALSE(fx.Of(0).active);
    EXPECT_TRUE(Control<QCheckBox>(page, "chSelect_1")->isChecked());
    EXPECT_FALSE(Control<QCheckBox>(page, "chSelect_0")->isChecked());
    EXPECT_EQ(fx.recorder.CurrentSource(), 2);
    // Dropping the only source is ignored by this device: the tick comes back.
    QTest::mouseClick(Control<QCheckBox>(page, "chSelect_1"), Qt::LeftButton, {},
                      QPoint(6, Control<QCheckBox>(page, "chSelect_1")->height() / 2));
    EXPECT_TRUE(fx.Of(1).active);
    EXPECT_TRUE(Control<QCheckBox>(page, "chSelect_1")->isChecked());
    // A device that allows several sources lets it go.
    fx.recorder.devices[0].keepsOneLine = false;
    Control<QCheckBox>(page, "chSelect_1")->click();
    EXPECT_FALSE(fx.Of(1).active);
    EXPECT_FALSE(Control<QCheckBox>(page, "chSelect_1")->isChecked());
}

TEST(MixerPage, SharedDeviceLevelsShowInEveryColumn) {
    // Lines whose volume belongs to the device: a change in one column is
    // read back into all of them.
    Fixture fx;
    MixerPage page(fx.recorder, fx.OpenAdvanced());
    page.BuildMixerPage(2);
    Control<QSlider>(page, "slVolume_0")->setValue(65535 - 20000);
    EXPECT_EQ(Control<QSlider>(page, "slVolume_2")->value(), 65535 - 65535)
        << "the fake keeps lines apart";
    fx.Of(2).volume = 20000;  // as a device holding one volume would report
    fx.Of(2).balance = 70;
    Control<QSlider>(page, "slBalance_0")->setValue(70);
    EXPECT_EQ(Control<QSlider>(page, "slVolume_2")->value(), 65535 - 20000);
    EXPECT_EQ(Control<QSlider>(page, "slBalance_2")->value(), 70);
    EXPECT_EQ(fx.recorder.CurrentSource(), 0);
}

TEST(MixerPage, AdvancedOpensTheDialogForThatLine) {
    Fixture fx;
    MixerPage page(fx.recorder, fx.OpenAdvanced());
    page.BuildMixerPage(2);
    page.show();
    std::string caption;
    std::vector<std::string> entries;
    fx.desk.modal.scripts.push_back([&](QDialog& d) {
        auto& adv = dynamic_cast<frmAdv&>(d);
        caption = adv.windowTitle().toStdString();
        for (int i = 0; i < Control<QComboBox>(adv, "Combo1")->count(); ++i)
            entries.push_back(Control<QComboBox>(adv, "Combo1")->itemText(i).toStdString());
        EXPECT_EQ(d.parentWidget(), page.window());
        return 0;
    });
    fx.recorder.SelectSource(2);
    QTest::mouseClick(Control<QPushButton>(page, "cmdAdvanced_0"), Qt::LeftButton);
    EXPECT_EQ(fx.desk.modal.shownObjectNames, std::vector<std::string>{"frmAdv"});
    EXPECT_EQ(caption, "Microphone: Advanced Properties");
    EXPECT_EQ(entries, (std::vector<std::string>{"Mic Boost", "Gain", "AGC"}));
    EXPECT_EQ(fx.recorder.CurrentSource(), 0);
}

// ---- frmAdv ----

struct AdvFixture : Fixture {
    AdvFixture() { recorder.SelectSource(0); }
};

TEST(frmAdv, ASwitchShowsATickBoxInTheNarrowWindow) {
    AdvFixture fx;
    frmAdv adv(fx.recorder, "");
    EXPECT_EQ(adv.windowTitle(), "Advanced Propities");
    adv.Form_Load();
    adv.show();
    EXPECT_EQ(adv.windowTitle(), "Microphone: Advanced Properties");
    EXPECT_EQ(Control<QComboBox>(adv, "Combo1")->currentIndex(), 0);
    EXPECT_TRUE(Control<QCheckBox>(adv, "Check1")->isVisible());
    EXPECT_FALSE(Control<QSlider>(adv, "Slider1")->isVisible());
    EXPECT_TRUE(Control<QCheckBox>(adv, "Check1")->isChecked());
    EXPECT_EQ(Control<QCheckBox>(adv, "Check1")->text(), "");
    EXPECT_EQ(adv.width(), 250);
    EXPECT_EQ(services::UnnamedControls(&adv), std::vector<std::string>{});
    EXPECT_EQ(services::TabOrderProblems(&adv), std::vector<std::string>{});
    EXPECT_EQ(Control<QCheckBox>(adv, "Check1")->accessibleName(), "Mic Boost");
    // Applied at once and read back.
    Control<QCheckBox>(adv, "Check1")->click();
    EXPECT_EQ(fx.Of(0).advanced[0].second.value, 0);
    EXPECT_FALSE(Control<QCheckBox>(adv, "Check1")->isChecked());
    // No OK or Cancel: only the close box.
    EXPECT_TRUE(adv.findChildren<QPushButton*>().isEmpty());
    EXPECT_TRUE(adv.windowFlags() & Qt::WindowCloseButtonHint);
    EXPECT_FALSE(adv.windowFlags() & Qt::WindowMinimizeButtonHint);
}

TEST(frmAdv, ALevelShowsASliderInTheWideWindowAsItsMagnitude) {
    AdvFixture fx;
    frmAdv adv(fx.recorder, "");
    adv.Form_Load();
    adv.show();
    Control<QComboBox>(adv, "Combo1")->setCurrentIndex(1);
    emit Control<QComboBox>(adv, "Combo1")->activated(1);
    EXPECT_TRUE(Control<QSlider>(adv, "Slider1")->isVisible());
    EXPECT_FALSE(Control<QCheckBox>(adv, "Check1")->isVisible());
    EXPECT_EQ(adv.width(), 368);
    EXPECT_EQ(Control<QSlider>(adv, "Slider1")->value(), 1200)
        << "a negative level shows as its magnitude";
    EXPECT_TRUE(fakes::Only(fx.log, {"AdvancedSet"}).empty()) << "showing sets nothing";
    Control<QSlider>(adv, "Slider1")->setValue(30000);
    EXPECT_EQ(fx.Of(0).advanced[1].second.value, 30000);
    EXPECT_EQ(Control<QSlider>(adv, "Slider1")->value(), 30000);
    // Back to a switch: the narrow window again, its own value.
    Control<QComboBox>(adv, "Combo1")->setCurrentIndex(2);
    emit Control<QComboBox>(adv, "Combo1")->activated(2);
    EXPECT_EQ(adv.width(), 250);
    EXPECT_FALSE(Control<QCheckBox>(adv, "Check1")->isChecked());
    EXPECT_EQ(fakes::Only(fx.log, {"AdvancedSet"}), fakes::CallLog{"AdvancedSet(1,30000)"});
}

}  // namespace
