// The ID3 Editor's preview on the private sound server (PULSE_SERVER),
// through the real sound library: the Playback menu plays the selected file,
// the level meters and the position follow it, Stop ends it.
#include <gtest/gtest.h>

#include <QLabel>
#include <QProcess>
#include <QProgressBar>
#include <cstdlib>

#include "EditorWait.h"
#include "FileRows.h"
#include "fakes/FakeAudio.h"
#include "fakes/FakeServices.h"
#include "platform/soundlib/SoundLibrary.h"
#include "support/EventWait.h"
#include "support/TempDir.h"
#include "tags/windows/Frmid3v.h"

namespace qsr::tags {
namespace {

TEST(Frmid3vPlayback, MenuPlaysTheSelectedFileWithLevelsAndPosition) {
    if (!std::getenv("PULSE_SERVER")) GTEST_SKIP() << "no private sound server";
    testing::TempDir dir;
    // Twelve seconds of a 440 Hz tone near half scale (the source makes 1/8), made
    // by the reference encoder.
    const QString file = QString::fromStdString(dir.File("tone.mp3"));
    ASSERT_EQ(QProcess::execute(
                  "ffmpeg", {"-v", "error", "-f", "lavfi", "-i", "sine=frequency=440:duration=12",
                             "-af", "volume=4", "-ac", "2", "-b:a", "128k", file}),
              0);
    auto library = soundlib::CreateSoundLibrary();
    fakes::FakeDesktop desktop;
    fakes::FakeAudioEngine engine;  // no tag is written here
    Frmid3v w(*library, engine, desktop.Services(), "");
    w.Form_Load();
    ASSERT_TRUE(w.SoundLibraryReady());
    w.UpdateFolder(dir.path().string());
    WaitForEditor(w);
    const testing::FileRows rows(w);
    ASSERT_EQ(rows.Count(), 1);
    rows.Select(0);

    auto* position = w.findChild<QLabel*>("lblPosition");
    auto* left = w.findChild<QProgressBar*>("vuLeft");
    auto* right = w.findChild<QProgressBar*>("vuRight");
    w.menPlayback_Click(0);
    EXPECT_TRUE(testing::RunUntil([&] { return left->value() > 20 && right->value() > 20; }, 5000))
        << left->value() << " " << right->value();
    EXPECT_TRUE(position->text().endsWith("/ 0:12")) << position->text().toStdString();

    w.menPlayback_Click(3);  // forward 5 s
    EXPECT_TRUE(testing::RunUntil([&] { return position->text() >= "0:05"; }, 5000))
        << position->text().toStdString();
    w.menJump_Click();  // the middle: 6 s
    EXPECT_TRUE(testing::RunUntil([&] { return position->text().startsWith("0:06"); }, 5000))
        << position->text().toStdString();

    w.menPlayback_Click(1);  // pause: the meters fall silent
    EXPECT_TRUE(testing::RunUntil([&] { return left->value() == 0; }, 5000));
    w.menPlayback_Click(2);  // stop
    EXPECT_EQ(position->text(), "");
    EXPECT_TRUE(desktop.messageBox.shown.empty()) << desktop.messageBox.shown.front().text;
}

}  // namespace
}  // namespace qsr::tags
