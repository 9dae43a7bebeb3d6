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
#include "platform/services/Accessibility.h"
#include "settings/MixerPage.h"
#include "settings/frmAdv.h"

using namespace qsr;
using fakes::FakeDevice;
using fakes::FakeLine;
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
    for (int i = 0; i < 8; ++i) EXPECT_EQ(page.Column[i]->isVisible(), i < 3) << i;
    EXPECT_EQ(page.Frame14->width(), 3 * page.Column[0]->width());
    EXPECT_GE(page.Column[0]->width(), 84);
    EXPECT_EQ(page.Label[0]->text(), "Microphone");
    EXPECT_EQ(page.Label[2]->text(), "Stereo Mix");
    EXPECT_EQ(page.Label3[1]->text(), "Volume:");
    EXPECT_EQ(page.Label2[1]->text(), "Balance:");
    EXPECT_EQ(page.chSelect[0]->text(), "Select All");
    EXPECT_EQ(page.chSelect[1]->text(), "Select");
    // Upside-down volume, balance as held.
    EXPECT_EQ(page.slVolume[0]->value(), 65535 - 40000);
    EXPECT_EQ(page.slVolume[2]->value(), 0);
    EXPECT_EQ(page.slBalance[0]->value(), 30);
    // What a line lacks is disabled or hidden.
    EXPECT_FALSE(page.slVolume[1]->isEnabled());
    EXPECT_FALSE(page.slBalance[1]->isEnabled());
    EXPECT_TRUE(page.slVolume[0]->isEnabled());
    EXPECT_FALSE(page.chSelect[2]->isEnabled());
    EXPECT_TRUE(page.chSelect[0]->isChecked());
    EXPECT_FALSE(page.chSelect[1]->isChecked());
    EXPECT_TRUE(page.cmdAdvanced[0]->isVisible());
    EXPECT_FALSE(page.cmdAdvanced[1]->isVisible());
    // Building changed no mixer state.
    EXPECT_TRUE(fakes::Only(fx.log, {"Set"}).empty());
    EXPECT_EQ(services::UnnamedControls(&page), std::vector<std::string>{});
    EXPECT_EQ(services::TabOrderProblems(&page), std::vector<std::string>{});
    EXPECT_EQ(page.slVolume[1]->accessibleName(), "Volume: Line In");
}

TEST(MixerPage, NoLinesShowNoColumns) {
    Fixture fx;
    MixerPage page(fx.recorder, fx.OpenAdvanced());
    page.BuildMixerPage(-1);
    page.show();
    EXPECT_EQ(page.ColumnsShown(), 0);
    for (QWidget* c : page.Column) EXPECT_FALSE(c->isVisible());
    EXPECT_EQ(page.Frame14->width(), 0);
}

TEST(MixerPage, VolumeAndBalanceGoToTheLineAndShowItsReadBack) {
    Fixture fx;
    MixerPage page(fx.recorder, fx.OpenAdvanced());
    page.BuildMixerPage(2);
    page.show();
    page.slVolume[2]->setFocus();
    QTest::keyClick(page.slVolume[2], Qt::Key_End);  // the slider's far end (maximum = bottom)
    EXPECT_EQ(fx.Of(2).volume, 0);
    page.slVolume[2]->setValue(0);  // top
    EXPECT_EQ(fx.Of(2).volume, 65535);
    EXPECT_EQ(fx.recorder.CurrentSource(), 2);
    // Top is loudest on screen too, and the up key makes the line louder.
    EXPECT_TRUE(page.slVolume[0]->invertedAppearance());
    page.slVolume[0]->setFocus();
    QTest::keyClick(page.slVolume[0], Qt::Key_Up);
    EXPECT_GT(fx.Of(0).volume, 40000);
    page.slBalance[0]->setValue(120);  // the slider's own range holds it at 100
    EXPECT_EQ(fx.Of(0).balance, 100);
    EXPECT_EQ(page.slBalance[0]->value(), 100);
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
    QTest::mouseClick(page.chSelect[1], Qt::LeftButton, {},
                      QPoint(6, page.chSelect[1]->height() / 2));
    EXPECT_TRUE(fx.Of(1).active);
    EXPECT_FALSE(fx.Of(0).active);
    EXPECT_TRUE(page.chSelect[1]->isChecked());
    EXPECT_FALSE(page.chSelect[0]->isChecked());
    EXPECT_EQ(fx.recorder.CurrentSource(), 2);
    // Dropping the only source is ignored by this device: the tick comes back.
    QTest::mouseClick(page.chSelect[1], Qt::LeftButton, {},
                      QPoint(6, page.chSelect[1]->height() / 2));
    EXPECT_TRUE(fx.Of(1).active);
    EXPECT_TRUE(page.chSelect[1]->isChecked());
    // A device that allows several sources lets it go.
    fx.recorder.devices[0].keepsOneLine = false;
    page.chSelect[1]->click();
    EXPECT_FALSE(fx.Of(1).active);
    EXPECT_FALSE(page.chSelect[1]->isChecked());
}

TEST(MixerPage, SharedDeviceLevelsShowInEveryColumn) {
    // Lines whose volume belongs to the device: a change in one column is
    // read back into all of them.
    Fixture fx;
    MixerPage page(fx.recorder, fx.OpenAdvanced());
    page.BuildMixerPage(2);
    page.slVolume[0]->setValue(65535 - 20000);
    EXPECT_EQ(page.slVolume[2]->value(), 65535 - 65535) << "the fake keeps lines apart";
    fx.Of(2).volume = 20000;  // as a device holding one volume would report
    fx.Of(2).balance = 70;
    page.slBalance[0]->setValue(70);
    EXPECT_EQ(page.slVolume[2]->value(), 65535 - 20000);
    EXPECT_EQ(page.slBalance[2]->value(), 70);
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
        for (int i = 0; i < adv.Combo1->count(); ++i)
            entries.push_back(adv.Combo1->itemText(i).toStdString());
        EXPECT_EQ(d.parentWidget(), page.window());
        return 0;
    });
    fx.recorder.SelectSource(2);
    QTest::mouseClick(page.cmdAdvanced[0], Qt::LeftButton);
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
    EXPECT_EQ(adv.Combo1->currentIndex(), 0);
    EXPECT_TRUE(adv.Check1->isVisible());
    EXPECT_FALSE(adv.Slider1->isVisible());
    EXPECT_TRUE(adv.Check1->isChecked());
    EXPECT_EQ(adv.Check1->text(), "");
    EXPECT_EQ(adv.width(), 250);
    EXPECT_EQ(services::UnnamedControls(&adv), std::vector<std::string>{});
    EXPECT_EQ(services::TabOrderProblems(&adv), std::vector<std::string>{});
    EXPECT_EQ(adv.Check1->accessibleName(), "Mic Boost");
    // Applied at once and read back.
    adv.Check1->click();
    EXPECT_EQ(fx.Of(0).advanced[0].second.value, 0);
    EXPECT_FALSE(adv.Check1->isChecked());
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
    adv.Combo1->setCurrentIndex(1);
    emit adv.Combo1->activated(1);
    EXPECT_TRUE(adv.Slider1->isVisible());
    EXPECT_FALSE(adv.Check1->isVisible());
    EXPECT_EQ(adv.width(), 368);
    EXPECT_EQ(adv.Slider1->value(), 1200) << "a negative level shows as its magnitude";
    EXPECT_TRUE(fakes::Only(fx.log, {"AdvancedSet"}).empty()) << "showing sets nothing";
    adv.Slider1->setValue(30000);
    EXPECT_EQ(fx.Of(0).advanced[1].second.value, 30000);
    EXPECT_EQ(adv.Slider1->value(), 30000);
    // Back to a switch: the narrow window again, its own value.
    adv.Combo1->setCurrentIndex(2);
    emit adv.Combo1->activated(2);
    EXPECT_EQ(adv.width(), 250);
    EXPECT_FALSE(adv.Check1->isChecked());
    EXPECT_EQ(fakes::Only(fx.log, {"AdvancedSet"}), fakes::CallLog{"AdvancedSet(1,30000)"});
}

}  // namespace
