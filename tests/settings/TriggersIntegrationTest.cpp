// The Triggers page over the real main window, engine and private sound
// server: its OK arms the next recording, which waits (and says so) on the
// silent sink, starts when paplay plays a tone into it and ends by itself
// after the silence; sox reads the file.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QProcess>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTreeWidget>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <memory>

#include "settings/Inifun.h"
#include "settings/windows/Form2.h"
#include "settings/windows/TriggerPage.h"
#include "support/Controls.h"
#include "support/RealMainWindow.h"
#include "support/Signal.h"
#include "support/TempDir.h"

using qsr::testing::Control;

using namespace qsr;
namespace fs = std::filesystem;

namespace {

TEST(TriggersIntegration, TheTriggersPageArmsTheWindowsRecording) {
    if (!std::getenv("PULSE_SERVER")) GTEST_SKIP() << "no private sound server (run scripts/test)";
    qsr::testing::TempDir home;
    ASSERT_TRUE(qsr::testing::SeedShippedSettings(home));
    const fs::path out = home.path() / "recordings";
    fs::create_directories(out);
    const std::string dat = home.File("settings.dat");
    settings::WriteIniValue(dat, "set", "outputfolder", out.string());
    settings::WriteIniValue(dat, "set", "filename", "armed");
    settings::WriteIniValue(dat, "set", "datetime", "0");

    qsr::testing::RealMainWindow real(home.path().string());
    app::Form1& form = *real.form;
    settings::FormatValues& values = real.core->Formats();
    form.Form_Load();
    ASSERT_TRUE(real.SelectDevice("Monitor of Test_Output"));

    settings::Form2 formats(form.Recorder(), form.FileComponent(), values, home.path().string(),
                            {});
    formats.Form_Load();
    settings::TriggerPage& page = *Control<settings::TriggerPage>(formats, "triggerTab");
    EXPECT_FALSE(Control<QCheckBox>(page, "chStartOnSound")->isChecked());  // off as installed
    Control<QCheckBox>(page, "chStartOnSound")->setChecked(true);
    Control<QSpinBox>(page, "udStartLevel")->setValue(-30);
    Control<QCheckBox>(page, "chStopOnSilence")->setChecked(true);
    Control<QDoubleSpinBox>(page, "udStopTime")->setValue(2);
    QTest::mouseClick(Control<QPushButton>(formats, "Command1"), Qt::LeftButton);
    EXPECT_EQ(settings::ReadIniValue(dat, "trigger", "startonsound"), "1");
    EXPECT_EQ(settings::ReadIniValue(dat, "trigger", "stoptime"), "2");

    Control<QComboBox>(form, "cboEncoders")
        ->setCurrentIndex(Control<QComboBox>(form, "cboEncoders")->findText("WAV"));
    form.StartRecord();
    ASSERT_TRUE(form.flgRecord());
    EXPECT_EQ(Control<QLabel>(form, "Panel2")->text(),
              QString::fromUtf8("Waiting for sound\u2026"));

    // 2 s of silence first, so the second before the tone was captured.
    const std::string tone = home.File("tone.wav");
    ASSERT_EQ(
        std::system(
            ("sox -n -r 44100 -c 2 -b 16 " + tone + " synth 1.5 sine 700 vol 0.5 pad 2 0").c_str()),
        0);
    QProcess player;
    player.start("paplay", {"-d", "qsr_sink", QString::fromStdString(tone)});
    for (int i = 0; i < 3000 && form.flgRecord(); ++i) QTest::qWait(10);
    player.waitForFinished(10000);
    ASSERT_FALSE(form.flgRecord()) << "the silence did not end the recording";
    EXPECT_TRUE(real.desk.messageBox.shown.empty());
    ASSERT_EQ(Control<QTreeWidget>(form, "ListView1")->topLevelItemCount(), 1);
    const std::string path =
        Control<QTreeWidget>(form, "ListView1")->topLevelItem(0)->text(1).toStdString();

    // About 1 s before the tone, the 1.5 s tone, then 2 s of silence.
    const std::string stats = qsr::testing::Capture("sox '" + path + "' -n stat 2>&1");
    const auto at = stats.find("Length (seconds):");
    ASSERT_NE(at, std::string::npos) << stats;
    const double seconds = std::stod(stats.substr(at + 17));
    EXPECT_GT(seconds, 4.3) << stats;
    EXPECT_LT(seconds, 5.0) << stats;
}

}  // namespace
