// The Audio Player window over the real media control on the private sound
// server (PULSE_SERVER): real WAV and MP3 files play to their end and the
// playlist moves on, then stops after its last entry; a CD image stands
// in for the drive.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTimer>
#include <cstdlib>
#include <functional>
#include <thread>

#include "fakes/FakeServices.h"
#include "platform/mediaplayer/CdAudio.h"
#include "platform/mediaplayer/RealMediaControl.h"
#include "player/windows/MPlay3.h"
#include "support/CdImage.h"
#include "support/TempDir.h"

namespace qsr::player {
namespace {

// Lets events run until done() holds or the time is up; true when it held.
bool PumpUntil(const std::function<bool()>& done, double seconds) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < seconds * 1000) {
        if (done()) return true;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return done();
}

QString SinkInputs() {
    QProcess pactl;
    pactl.start("pactl", {"list", "sink-inputs"});
    pactl.waitForFinished();
    return QString::fromUtf8(pactl.readAllStandardOutput());
}

class MPlay3Real : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!std::getenv("PULSE_SERVER")) GTEST_SKIP() << "no private sound server";
        wav = dir.File("three.wav");
        mp3 = dir.File("three.mp3");
        ASSERT_EQ(QProcess::execute("ffmpeg", {"-loglevel", "error", "-f", "lavfi", "-i",
                                               "sine=frequency=440:duration=3", "-ac", "2", "-ar",
                                               "44100", QString::fromStdString(wav)}),
                  0);
        ASSERT_EQ(QProcess::execute("lame", {"--quiet", "-b", "128", QString::fromStdString(wav),
                                             QString::fromStdString(mp3)}),
                  0);
        w = std::make_unique<MPlay3>(control, desktop.Services(), "quorvin-test",
                                     dir.path().string());
        w->Form_Load();
    }
    void Add(const std::string& path) {
        desktop.fileDialog.openAnswers.push_back(path);
        w->Image3_Click();
    }
    testing::TempDir dir;
    std::string wav, mp3;
    mediaplayer::RealMediaControl control;
    fakes::FakeDesktop desktop;
    std::unique_ptr<MPlay3> w;
};

TEST_F(MPlay3Real, AWavThenAnMp3PlayToTheirEndAndTheListStops) {
    Add(wav);
    Add(mp3);
    int ends = 0;
    QObject::connect(&control, &mediaplayer::IMediaControl::EndOfStream, [&ends] { ++ends; });
    w->lstfavs_DblClick(0);
    ASSERT_EQ(control.FileName().toStdString(), wav);
    EXPECT_NEAR(control.Duration(), 3.0, 0.1);
    EXPECT_TRUE(SinkInputs().contains("Audio Player"));

    // The WAV's end moves the list on to the MP3.
    ASSERT_TRUE(PumpUntil([&] { return ends == 1; }, 9)) << "the WAV never ended";
    EXPECT_EQ(control.FileName().toStdString(), mp3);
    EXPECT_EQ(w->Title(), "three.mp3");
    EXPECT_EQ(w->Playlist().Current(), 1);
    EXPECT_TRUE(control.Playing());
    EXPECT_NEAR(control.Duration(), 3.0, 0.15);

    // The MP3 is the last entry: its end stops the list.
    ASSERT_TRUE(PumpUntil([&] { return ends == 2; }, 9)) << "the MP3 never ended";
    PumpUntil([] { return false; }, 0.3);
    EXPECT_FALSE(control.Playing());
    EXPECT_EQ(control.FileName().toStdString(), mp3);
    EXPECT_EQ(w->Playlist().Current(), 1);
}

TEST_F(MPlay3Real, PauseKeepsThePositionAndTheKnobSeeks) {
    Add(wav);
    w->lstfavs_DblClick(0);
    w->pause_Click();  // the first press plays
    PumpUntil([] { return false; }, 1.0);
    w->pause_Click();
    ASSERT_TRUE(control.Paused());
    const double at = control.CurrentPosition();
    EXPECT_GT(at, 0.5);
    PumpUntil([] { return false; }, 0.8);
    EXPECT_NEAR(control.CurrentPosition(), at, 0.05);
    w->pause_Click();
    EXPECT_TRUE(control.Playing());

    // Dragging the knob to its middle seeks to floor(1770 / 3540 × 3) = 1 s.
    w->islider_MouseDown(0);
    w->islider_MouseMove((1890 - w->SliderLeft()) / 15);
    w->islider_MouseUp();
    EXPECT_NEAR(control.CurrentPosition(), 1.0, 0.15);
    EXPECT_TRUE(control.Playing());
    w->Timer5_Timer();
    w->done(0);
    EXPECT_FALSE(control.Playing());
}

TEST_F(MPlay3Real, FilesThatCannotBeOpenedArePassedOverQuietly) {
    const std::string noise = dir.File("noise.mp3");
    std::string bytes;
    for (int i = 0; i < 8192; ++i) bytes += static_cast<char>((i * 7919 + 13) % 251);
    testing::WriteAll(noise, bytes);
    testing::WriteAll(dir.File("empty.mid"), "");
    testing::WriteAll(dir.File("self.asx"), "<asx><entry><ref href=\"self.asx\"/></entry>");
    for (const std::string& bad : {noise, dir.File("empty.mid"), dir.File("missing.wav")}) Add(bad);
    Add(dir.File("self.asx"));  // names only itself: adds nothing
    Add(wav);
    ASSERT_EQ(w->Playlist().Count(), 4);
    for (int row = 0; row < 3; ++row) {
        w->lstfavs_DblClick(row);
        EXPECT_FALSE(control.Playing()) << row;
        EXPECT_TRUE(control.FileName().isEmpty()) << row;
    }
    // The next entry after the last bad one plays.
    w->next_Click();
    EXPECT_EQ(control.FileName().toStdString(), wav);
    EXPECT_TRUE(control.Playing());
    EXPECT_TRUE(desktop.messageBox.shown.empty());
}

// A CD track chosen in the Open dialog plays the disc in the drive (here a
// CD image named by the drive variable); reached with Next, the entry plays
// its own track.
TEST_F(MPlay3Real, ACdTrackPlaysTheDiscAndNextPlaysTheTrack) {
    const std::string cue = dir.File("disc.cue");
    testing::WriteCdImage(cue, dir.File("disc.bin"), 2, 150);
    ::setenv(mediaplayer::CdAudio::kDriveVariable, cue.c_str(), 1);
    desktop.fileDialog.openAnswers.push_back("/media/cd/Track02.cda");
    w->openfile_Click();
    EXPECT_EQ(control.FileName(), "CDAUDIO:");
    EXPECT_TRUE(control.Playing());
    EXPECT_DOUBLE_EQ(control.Duration(), 4.0);
    EXPECT_TRUE(SinkInputs().contains("Audio Player"));
    w->next_Click();  // the only entry again
    EXPECT_EQ(control.FileName(), "/media/cd/Track02.cda");
    EXPECT_TRUE(control.Playing());
    EXPECT_DOUBLE_EQ(control.Duration(), 2.0);
    ::unsetenv(mediaplayer::CdAudio::kDriveVariable);
    EXPECT_TRUE(desktop.messageBox.shown.empty());
}

}  // namespace
}  // namespace qsr::player
