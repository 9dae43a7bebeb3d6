// The main window over the real engine and the private sound server that
// scripts/test starts (PULSE_SERVER): a record device unplugged after the
// window listed it cannot be recorded from, and nothing else is recorded
// in its place. And over a server of its own without any capture source.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QProcess>
#include <QTreeWidget>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "app/windows/Form1.h"
#include "fakes/FakeServices.h"
#include "platform/pulse/RealAudioEngine.h"
#include "platform/services/windows/QtServices.h"
#include "settings/Inifun.h"
#include "support/Controls.h"
#include "support/PrivateSoundServer.h"
#include "support/RealMainWindow.h"
#include "support/TempDir.h"

using namespace qsr;
using qsr::testing::Control;
namespace fs = std::filesystem;

namespace {

QString Pactl(const QStringList& args) {
    QProcess pactl;
    pactl.start("pactl", args);
    if (!pactl.waitForFinished(10000)) return {};
    return QString::fromUtf8(pactl.readAllStandardOutput()).trimmed();
}

TEST(DeviceGoneIntegration, StartOnAnUnpluggedDeviceFailsWithTheStartMessage) {
    if (!std::getenv("PULSE_SERVER")) GTEST_SKIP() << "no private sound server (run scripts/test)";
    qsr::testing::TempDir home;
    const fs::path out = home.path() / "out";
    const std::string settingsFile = home.File("settings.dat");
    // The shipped defaults, recording WAV into our folder.
    ASSERT_TRUE(qsr::testing::SeedShippedSettings(home));
    ASSERT_EQ(settings::ReadIniValue(settingsFile, "set", "outputformat"), "0");
    settings::WriteIniValue(settingsFile, "set", "outputfolder", out.string());
    settings::WriteIniValue(settingsFile, "set", "filename", "gone");
    settings::WriteIniValue(settingsFile, "set", "datetime", "0");
    const QString module = Pactl({"load-module", "module-null-sink", "sink_name=QsrUsbMic",
                                  "sink_properties=device.description=QsrUsbMic"});
    ASSERT_FALSE(module.isEmpty());

    qsr::testing::RealMainWindow real(home.path().string());
    app::Form1& form = *real.form;
    auto& desk = real.desk;
    form.Form_Load();
    ASSERT_TRUE(real.SelectDevice("Monitor of QsrUsbMic"));

    Pactl({"unload-module", module});
    const QString outputsBefore = Pactl({"list", "short", "source-outputs"});
    form.StartRecord();
    EXPECT_FALSE(form.flgRecord());
    EXPECT_EQ(Pactl({"list", "short", "source-outputs"}), outputsBefore)
        << "nothing records from another source";
    ASSERT_EQ(desk.messageBox.shown.size(), 1u);
    EXPECT_EQ(desk.messageBox.shown[0].text, "Cannot record to " + (out / "gone.WAV").string() +
                                                 ": the recording device could not be started");
    EXPECT_EQ(desk.messageBox.shown[0].icon, services::MsgIcon::Error);
    EXPECT_EQ(Control<QTreeWidget>(form, "ListView1")->topLevelItemCount(), 0);
    EXPECT_FALSE(fs::exists(out / "gone.WAV"));

    // The other devices still record under the numbers the window holds.
    const int tone = Control<QComboBox>(form, "DeviceCombo")->findText("Monitor of Tone_Output");
    ASSERT_GE(tone, 0);
    Control<QComboBox>(form, "DeviceCombo")->setCurrentIndex(tone);
    emit Control<QComboBox>(form, "DeviceCombo")->activated(tone);
    form.StartRecord();
    EXPECT_TRUE(form.flgRecord());
    form.StopRecord();
    EXPECT_EQ(Control<QTreeWidget>(form, "ListView1")->topLevelItemCount(), 1);
}

// No capture source and no program playing: the "Programs" entry alone is
// no device, and the window says so.
TEST(DeviceGoneIntegration, AServerWithoutCaptureSourcesGivesTheRecordDeviceError) {
    qsr::testing::TempDir home;
    qsr::testing::PrivateSoundServer server(QSR_SOURCE_DIR);
    ASSERT_TRUE(server.Up());
    // Every sink (and with it its monitor and what plays into it) and every source goes.
    for (const char* module : {"module-null-sink", "module-sine-source", "module-pipe-source"})
        Pactl({"unload-module", module});
    const QString sources = Pactl({"list", "short", "sources"});
    const QString playing = Pactl({"list", "short", "sink-inputs"});
    if (sources.isEmpty() && playing.isEmpty()) {
        ASSERT_TRUE(qsr::testing::SeedShippedSettings(home));
        qsr::testing::RealMainWindow real(home.path().string());
        real.form->Form_Load();
        EXPECT_EQ(real.desk.messageBox.Texts(), (std::vector<std::string>{"Record device error!"}));
        EXPECT_EQ(Control<QComboBox>(*real.form, "DeviceCombo")->count(), 0);
    }
    if (!sources.isEmpty() || !playing.isEmpty())
        GTEST_SKIP() << "the server kept sources: " << sources.toStdString();
}

}  // namespace
