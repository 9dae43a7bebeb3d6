// The window path of a take of two: the main window's Record Device set to
// "Microphone + playback", the Second source page's layout set to files,
// a recording while paplay plays into the default sink; sox reads the two
// files: the tone sink (the default source) in one, the playback in the other.
#include <gtest/gtest.h>

#include <QComboBox>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>
#include <filesystem>

#include "recording/PairedFiles.h"
#include "settings/Inifun.h"
#include "settings/windows/Form2.h"
#include "settings/windows/SecondSourcePage.h"
#include "support/Controls.h"
#include "support/RealMainWindow.h"
#include "support/Signal.h"
#include "support/TempDir.h"

using qsr::testing::Control;

using namespace qsr;
namespace fs = std::filesystem;

namespace {

double ShareOf(const std::string& path, double hz) {
    const std::string raw =
        qsr::testing::Capture("sox '" + path + "' -t raw -e signed -b 16 -c 1 -r 44100 -");
    std::vector<double> x;
    for (std::size_t i = 0; i + 1 < raw.size(); i += 2)
        x.push_back(static_cast<std::int16_t>(static_cast<unsigned char>(raw[i]) |
                                              (static_cast<unsigned char>(raw[i + 1]) << 8)));
    return qsr::testing::LiveToneShare(x, 44100, hz);
}

TEST(SecondSourceIntegration, MicrophonePlusPlaybackRecordsTwoFilesFromTheWindow) {
    if (!std::getenv("PULSE_SERVER")) GTEST_SKIP() << "no private sound server (run scripts/test)";
    qsr::testing::TempDir home;
    ASSERT_TRUE(qsr::testing::SeedShippedSettings(home));
    const fs::path out = home.path() / "recordings";
    fs::create_directories(out);
    const std::string dat = home.File("settings.dat");
    settings::WriteIniValue(dat, "set", "outputfolder", out.string());
    settings::WriteIniValue(dat, "set", "filename", "call");
    settings::WriteIniValue(dat, "set", "datetime", "0");

    qsr::testing::RealMainWindow real(home.path().string());
    app::Form1& form = *real.form;
    form.Form_Load();
    ASSERT_TRUE(real.SelectDevice("Microphone + playback"));

    settings::Form2 formats(form.Recorder(), form.FileComponent(), real.core->Formats(),
                            home.path().string(), {});
    formats.Form_Load();
    auto& page = *Control<settings::SecondSourcePage>(formats, "secondSourceTab");
    auto* layout = Control<QComboBox>(page, "cboLayout");
    layout->setCurrentIndex(layout->findText("Files: NAME and NAME_ 2nd"));
    QTest::mouseClick(Control<QPushButton>(formats, "Command1"), Qt::LeftButton);
    EXPECT_EQ(settings::ReadIniValue(dat, "secondsource", "layout"), "files");

    const std::string tone = home.File("a440.wav");
    ASSERT_EQ(
        std::system(("sox -n -r 44100 -c 2 -b 16 " + tone + " synth 20 sine 440 vol 0.4").c_str()),
        0);
    QProcess player;
    player.start("paplay", {"-d", "qsr_sink", QString::fromStdString(tone)});
    ASSERT_TRUE(player.waitForStarted());
    QTest::qWait(500);  // its stream on the server before the take

    Control<QComboBox>(form, "cboEncoders")
        ->setCurrentIndex(Control<QComboBox>(form, "cboEncoders")->findText("WAV"));
    form.StartRecord();
    ASSERT_TRUE(form.flgRecord());
    // Three seconds of sound, counted in the session's samples.
    for (int i = 0; i < 1000 && form.Session().Samples() < 3 * 44100; ++i) QTest::qWait(10);
    form.StopRecord();
    player.kill();
    player.waitForFinished();
    ASSERT_FALSE(form.flgRecord());
    EXPECT_TRUE(real.desk.messageBox.shown.empty());

    ASSERT_EQ(Control<QTreeWidget>(form, "ListView1")->topLevelItemCount(), 1);
    const std::string first =
        Control<QTreeWidget>(form, "ListView1")->topLevelItem(0)->text(1).toStdString();
    const std::string second = recording::SecondFilePath(first);
    ASSERT_TRUE(fs::exists(second)) << second;
    const std::string length = "soxi -s '";
    EXPECT_EQ(qsr::testing::Capture(length + first + "'"),
              qsr::testing::Capture(length + second + "'"));
    EXPECT_GT(ShareOf(first, 1000), 0.9);
    EXPECT_GT(ShareOf(second, 440), 0.9);
}

}  // namespace
