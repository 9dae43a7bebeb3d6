// "Normalise to -16 LUFS" ticked on the Output Files page: a take recorded by
// the main window over the real engine and the private sound server
// (PULSE_SERVER, its "Tone_Output" monitor) is written again at -16 LUFS, as
// ffmpeg's own meter measures it, and the status says the gain applied.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QTest>
#include <QTreeWidget>
#include <filesystem>
#include <regex>

#include "app/windows/Form1.h"
#include "fakes/FakeServices.h"
#include "platform/pulse/RealAudioEngine.h"
#include "platform/services/windows/QtServices.h"
#include "support/Controls.h"
#include "support/MainWindow.h"
#include "support/Signal.h"
#include "support/TempDir.h"

using namespace qsr;
using qsr::testing::Control;
namespace fs = std::filesystem;

namespace {

double FfmpegLufs(const std::string& path) {
    const std::string log = qsr::testing::Capture("ffmpeg -nostats -hide_banner -i '" + path +
                                                  "' -af ebur128 -f null - 2>&1");
    const auto summary = log.rfind("Summary:");
    std::smatch m;
    const std::string tail = summary == std::string::npos ? "" : log.substr(summary);
    return std::regex_search(tail, m, std::regex(R"(I:\s+(-?[0-9.]+) LUFS)")) ? std::stod(m[1])
                                                                              : NAN;
}

TEST(NormaliseIntegration, ATakeIsNormalisedAndTheStatusSaysTheGain) {
    if (!std::getenv("PULSE_SERVER")) GTEST_SKIP() << "no private sound server (run scripts/test)";
    qsr::testing::TempDir home;
    const fs::path out = home.path() / "recordings";
    fs::create_directories(out);
    std::string settings =
        qsr::testing::ReadAll(std::string(QSR_SOURCE_DIR) + "/resources/appfolder/settings.dat");
    ASSERT_FALSE(settings.empty());
    for (const auto& [from, to] :
         {std::pair<std::string, std::string>{"outputfolder=0", "outputfolder=" + out.string()},
          {"filename=recorded", "filename=call"},
          {"datetime=1", "datetime=0"}}) {
        const auto at = settings.find(from);
        ASSERT_NE(at, std::string::npos) << from;
        settings.replace(at, from.size(), to);
    }
    qsr::testing::WriteAll(home.File("settings.dat"),
                           settings + "[loudness]\nnormalise=1\ntarget=-16\nceiling=-1\n");

    auto engine = audio::CreateRealAudioEngine();
    fakes::FakeDesktop desk;
    services::QtEventPump pump;
    auto services = desk.Services();
    services.eventPump = &pump;
    std::unique_ptr<app::AppCore> core;
    std::unique_ptr<app::Form1> form;
    qsr::testing::NewMainWindow(core, form, *engine, services, home.path().string());
    form->Form_Load();
    auto& f = *form;
    const int tone = Control<QComboBox>(f, "DeviceCombo")->findText("Monitor of Tone_Output");
    ASSERT_GE(tone, 0);
    Control<QComboBox>(f, "DeviceCombo")->setCurrentIndex(tone);
    emit Control<QComboBox>(f, "DeviceCombo")->activated(tone);
    Control<QComboBox>(f, "cboEncoders")->setCurrentIndex(0);  // WAV

    f.StartRecord();
    ASSERT_TRUE(f.flgRecord());
    QElapsedTimer clock;
    clock.start();
    while (!Control<QLabel>(f, "Label1")->text().startsWith("0:04") && clock.elapsed() < 20000)
        QTest::qWait(20);
    f.StopRecord();
    const std::string path = (out / "call.WAV").string();
    ASSERT_EQ(Control<QTreeWidget>(f, "ListView1")->topLevelItemCount(), 1);
    EXPECT_EQ(Control<QTreeWidget>(f, "ListView1")->topLevelItem(0)->text(1).toStdString(), path);
    auto* status = Control<QLabel>(f, "Panel2");
    clock.restart();
    while (!status->text().startsWith("normalised") && clock.elapsed() < 60000) QTest::qWait(50);
    EXPECT_TRUE(status->text().startsWith("normalised to -16.0 LUFS: gain "))
        << status->text().toStdString();
    EXPECT_TRUE(desk.messageBox.shown.empty()) << desk.messageBox.shown.front().text;
    EXPECT_NEAR(FfmpegLufs(path), -16.0, 0.5);
    // The row's tooltip gives the file's figures as it now is.
    const QString tip = Control<QTreeWidget>(f, "ListView1")->topLevelItem(0)->toolTip(1);
    EXPECT_TRUE(tip.contains("Loudness: -16.0 LUFS")) << tip.toStdString();
}

}  // namespace
