// The main window over the real engine and the private sound server that
// scripts/test starts (PULSE_SERVER): what the Output Files dialog stores is
// where the next real recording goes.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTreeWidget>
#include <cstdlib>
#include <filesystem>

#include "app/windows/Form1.h"
#include "fakes/FakeServices.h"
#include "platform/pulse/RealAudioEngine.h"
#include "platform/services/windows/QtServices.h"
#include "settings/windows/Form4.h"
#include "support/Controls.h"
#include "support/RealMainWindow.h"
#include "support/TempDir.h"

using qsr::testing::Control;

using namespace qsr;
namespace fs = std::filesystem;

namespace {

TEST(OutputFilesIntegration, OkChangesWhereTheNextRecordingGoes) {
    if (!std::getenv("PULSE_SERVER")) GTEST_SKIP() << "no private sound server (run scripts/test)";
    qsr::testing::TempDir home;
    ASSERT_TRUE(qsr::testing::SeedShippedSettings(home));
    const fs::path first = home.path() / "first";
    const fs::path second = home.path() / "second" / "deeper";

    qsr::testing::RealMainWindow real(home.path().string());
    app::Form1& form = *real.form;
    auto& desk = real.desk;
    const auto services = real.services;
    form.Form_Load();
    ASSERT_TRUE(real.SelectDevice("Monitor of Tone_Output"));
    Control<QComboBox>(form, "cboEncoders")->setCurrentIndex(0);  // WAV

    // The dialog as the user fills it: folder, name, no date, overwrite.
    const auto fill = [](const fs::path& folder, const char* name) {
        return [folder, name](QDialog& d) {
            auto& f = dynamic_cast<settings::Form4&>(d);
            Control<QLineEdit>(f, "Text2")
                ->setText(QString::fromStdString(" " + folder.string() + " "));
            Control<QLineEdit>(f, "Text1")->setText(name);
            Control<QCheckBox>(f, "Check1")->setChecked(false);
            Control<QRadioButton>(f, "Option2")->setChecked(true);
            QTest::mouseClick(Control<QPushButton>(f, "Command1"), Qt::LeftButton);
            return d.result();
        };
    };
    const auto recordOneSecond = [&form] {
        form.StartRecord();
        ASSERT_TRUE(form.flgRecord());
        QTest::qWait(1000);
        form.StopRecord();
    };

    desk.modal.scripts.push_back(fill(first, "take"));
    ASSERT_TRUE(settings::ShowOutputFiles(home.path().string(), services));
    recordOneSecond();
    desk.modal.scripts.push_back(fill(second, "later take"));
    ASSERT_TRUE(settings::ShowOutputFiles(home.path().string(), services));
    recordOneSecond();

    EXPECT_TRUE(desk.messageBox.shown.empty()) << desk.messageBox.shown.front().text;
    ASSERT_EQ(Control<QTreeWidget>(form, "ListView1")->topLevelItemCount(), 2);
    EXPECT_EQ(Control<QTreeWidget>(form, "ListView1")->topLevelItem(0)->text(1).toStdString(),
              (first / "take.WAV").string());
    EXPECT_EQ(Control<QTreeWidget>(form, "ListView1")->topLevelItem(1)->text(1).toStdString(),
              (second / "later take.WAV").string());
    for (const fs::path& p : {first / "take.WAV", second / "later take.WAV"}) {
        ASSERT_TRUE(fs::exists(p)) << p;
        EXPECT_GT(fs::file_size(p), 44u + 44100u) << "more than a header: sound was written";
    }
}

}  // namespace
