// The Audio Player with every module missing, as on an install that lost its
// module folder: what the user chose is refused with a box naming the
// missing module, and nothing plays. No sound server is needed: nothing gets
// as far as a stream.
#include <gtest/gtest.h>

#include <QCoreApplication>

#include "fakes/FakeServices.h"
#include "platform/mediaplayer/MediaModules.h"
#include "platform/mediaplayer/RealMediaControl.h"
#include "player/windows/MPlay3.h"
#include "support/MidiFile.h"
#include "support/NoModules.h"
#include "support/TempDir.h"

namespace qsr::player {
namespace {

using qsr::testing::TempDir;

const qsr::testing::EmptyModuleFolder kNoModules;

TEST(ModuleMissing, TheAudioPlayerSaysAMidiFileOrACdNeedsItsModule) {
    TempDir dir;
    const std::string midi = dir.File("note.mid");
    qsr::testing::WriteMidiNote(midi, 1.0);
    mediaplayer::RealMediaControl control;
    fakes::FakeDesktop desktop;
    MPlay3 w(control, desktop.Services(), "quorvin-test", dir.path().string());
    w.Form_Load();

    desktop.fileDialog.openAnswers.push_back(midi);
    w.openfile_Click();
    QCoreApplication::sendPostedEvents();  // the box follows the handler
    ASSERT_EQ(
        desktop.messageBox.Texts(),
        std::vector<std::string>{"MIDI files cannot be played: the MIDI module cannot be loaded"});
    EXPECT_EQ(desktop.messageBox.shown[0].icon, services::MsgIcon::Error);
    // The rest of the handler ran as for any file that cannot be opened.
    EXPECT_EQ(w.Title(), "note.mid");
    EXPECT_EQ(w.Playlist().Count(), 1);
    EXPECT_FALSE(control.Playing());
    EXPECT_TRUE(control.FileName().isEmpty());

    // A CD track asks for the whole disc; the drive is never reached.
    desktop.fileDialog.openAnswers.push_back(dir.File("Track01.cda"));
    w.openfile_Click();
    QCoreApplication::sendPostedEvents();
    ASSERT_EQ(desktop.messageBox.Texts().size(), 2u);
    EXPECT_EQ(desktop.messageBox.Texts()[1],
              "CDs cannot be played: the CD module cannot be loaded");
    EXPECT_EQ(w.Playlist().Count(), 2);
    EXPECT_FALSE(control.Playing());
}

// Compressed files are decoded by the FFmpeg module; a file the control
// cannot read for a reason of its own still gives none.
TEST(ModuleMissing, TheMediaControlNamesTheMissingDecoderModule) {
    mediaplayer::RealMediaControl control;
    EXPECT_FALSE(control.SetFileName(QString(QSR_TEST_DATA) + "/tone_notag.mp3"));
    EXPECT_EQ(control.LastError(),
              "Files of this type cannot be played: the FFmpeg module cannot be loaded");
    EXPECT_FALSE(control.SetFileName("/nonexistent/none.wav"));
    EXPECT_EQ(control.LastError(), QString());
}

}  // namespace
}  // namespace qsr::player
