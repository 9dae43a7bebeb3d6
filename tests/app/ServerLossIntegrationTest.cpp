// The main window over a private sound server of its own that is killed in
// the middle of a recording: the recording stops at once, its file is listed
// and one message says why.
#include <gtest/gtest.h>
#include <signal.h>

#include <QProcess>
#include <QTreeWidget>
#include <cstdlib>
#include <filesystem>

#include "settings/Inifun.h"
#include "support/Controls.h"
#include "support/EventWait.h"
#include "support/PrivateSoundServer.h"
#include "support/RealMainWindow.h"
#include "support/TempDir.h"

using namespace qsr;
using qsr::testing::Control;
namespace fs = std::filesystem;

TEST(ServerLossIntegration, AKilledServerStopsTheRecordingWithOneMessage) {
    qsr::testing::TempDir home;
    qsr::testing::PrivateSoundServer server(QSR_SOURCE_DIR);
    ASSERT_TRUE(server.Up());

    const fs::path out = home.path() / "out";
    const std::string settingsFile = home.File("settings.dat");
    ASSERT_TRUE(qsr::testing::SeedShippedSettings(home));
    settings::WriteIniValue(settingsFile, "set", "outputfolder", out.string());
    settings::WriteIniValue(settingsFile, "set", "filename", "lost");
    settings::WriteIniValue(settingsFile, "set", "datetime", "0");
    {
        qsr::testing::RealMainWindow real(home.path().string());
        app::Form1& form = *real.form;
        form.Form_Load();
        ASSERT_TRUE(real.SelectDevice("Monitor of Tone_Output"));
        form.StartRecord();
        ASSERT_TRUE(form.flgRecord());
        // Two whole blocks in the file: the recording runs.
        const fs::path wav = out / "lost.WAV";
        ASSERT_TRUE(qsr::testing::RunUntil(
            [&] { return fs::exists(wav) && fs::file_size(wav) > 2 * 88200; }, 60000));
        const std::string pid = qsr::testing::ReadAll(server.Folder() + "/pid");
        ASSERT_EQ(::kill(std::stoi(pid), SIGKILL), 0);

        EXPECT_TRUE(qsr::testing::RunUntil([&] { return !form.flgRecord(); }, 60000));
        EXPECT_EQ(Control<QTreeWidget>(form, "ListView1")->topLevelItemCount(), 1);
        ASSERT_EQ(real.desk.messageBox.shown.size(), 1u);
        EXPECT_EQ(real.desk.messageBox.shown[0].text,
                  "The recording to " + wav.string() + " stopped: the recording device was lost");
        EXPECT_EQ(real.desk.messageBox.shown[0].icon, services::MsgIcon::Error);
    }
}
