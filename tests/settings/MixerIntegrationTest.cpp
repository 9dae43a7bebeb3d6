// The mixer page over the real recorder and the private sound server that
// scripts/test starts (PULSE_SERVER): what the page sets is what another
// client of the server (pactl) reports.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QRegularExpression>
#include <QSlider>
#include <QTest>
#include <cstdlib>

#include "fakes/FakeServices.h"
#include "platform/pulse/PulseRecorder.h"
#include "settings/windows/MixerPage.h"
#include "settings/windows/frmAdv.h"
#include "support/Controls.h"

using namespace qsr;
using qsr::testing::Control;

namespace {

constexpr const char* kSource = "qsr_sink.monitor";  // "Monitor of Test_Output"

QString Pactl(const QStringList& args) {
    QProcess pactl;
    pactl.start("pactl", args);
    if (!pactl.waitForFinished(10000)) return {};
    return QString::fromUtf8(pactl.readAllStandardOutput());
}

// The raw server volume of one channel as pactl prints it.
long Channel(const QString& volume, const char* position) {
    const auto m = QRegularExpression(QString(position) + R"(:\s*(\d+))").match(volume);
    return m.hasMatch() ? m.captured(1).toLong() : -1;
}

TEST(MixerIntegration, VolumeBalanceAndMuteFromThePageAreWhatTheServerHolds) {
    if (!std::getenv("PULSE_SERVER")) GTEST_SKIP() << "no private sound server (run scripts/test)";
    audio::PulseRecorder rec;
    int device = -1;
    for (int i = 0; i < rec.DeviceCount(); ++i) {
        rec.SelectDevice(i);
        if (rec.DeviceName() == "Monitor of Test_Output") device = i;
    }
    ASSERT_GE(device, 0);
    rec.SelectDevice(device);
    Pactl({"set-source-volume", kSource, "100%"});
    Pactl({"set-source-mute", kSource, "0"});

    fakes::FakeDesktop desk;
    settings::MixerPage page(rec, [&](QWidget& owner) {
        settings::ShowAdvancedProperties(rec, "", desk.Services().modal, owner);
    });
    page.BuildMixerPage(rec.SourceLastIndex());
    page.show();
    ASSERT_EQ(page.ColumnsShown(), 1);  // a null sink's monitor has no ports: one line
    EXPECT_EQ(Control<QLabel>(page, "Label_0")->text(), "Monitor of Test_Output");
    EXPECT_EQ(Control<QSlider>(page, "slVolume_0")->value(), 0) << "full volume shows at the top";
    EXPECT_TRUE(Control<QCheckBox>(page, "chSelect_0")->isChecked());

    Control<QSlider>(page, "slVolume_0")->setValue(65535 - 32768);
    QString volume = Pactl({"get-source-volume", kSource});
    EXPECT_NEAR(Channel(volume, "front-left"), 32768, 2) << volume.toStdString();
    EXPECT_NEAR(Channel(volume, "front-right"), 32768, 2);
    EXPECT_NEAR(Control<QSlider>(page, "slVolume_0")->value(), 65535 - 32768, 2);

    Control<QSlider>(page, "slBalance_0")->setValue(25);  // towards the left
    volume = Pactl({"get-source-volume", kSource});
    EXPECT_NEAR(Channel(volume, "front-left"), 32768, 2) << volume.toStdString();
    EXPECT_NEAR(Channel(volume, "front-right"), 16384, 2);
    EXPECT_EQ(Control<QSlider>(page, "slBalance_0")->value(), 25);

    // Dropping the device's only line is ignored: the tick comes back.
    Control<QCheckBox>(page, "chSelect_0")->click();
    EXPECT_TRUE(Control<QCheckBox>(page, "chSelect_0")->isChecked());

    // Mute through the advanced dialog, applied at once.
    desk.modal.scripts.push_back([](QDialog& d) {
        auto& adv = dynamic_cast<settings::frmAdv&>(d);
        EXPECT_EQ(adv.windowTitle(), "Monitor of Test_Output: Advanced Properties");
        EXPECT_EQ(Control<QComboBox>(adv, "Combo1")->itemText(0), "Mute");
        Control<QCheckBox>(adv, "Check1")->click();
        EXPECT_TRUE(Control<QCheckBox>(adv, "Check1")->isChecked());
        return 0;
    });
    QTest::mouseClick(Control<QPushButton>(page, "cmdAdvanced_0"), Qt::LeftButton);
    EXPECT_TRUE(Pactl({"get-source-mute", kSource}).contains("yes"));

    // Changed by another program: the next build shows the server's values.
    Pactl({"set-source-mute", kSource, "0"});
    Pactl({"set-source-volume", kSource, "100%"});
    page.BuildMixerPage(rec.SourceLastIndex());
    EXPECT_EQ(Control<QSlider>(page, "slVolume_0")->value(), 0);
    EXPECT_EQ(Control<QSlider>(page, "slBalance_0")->value(), 50);
}

}  // namespace
