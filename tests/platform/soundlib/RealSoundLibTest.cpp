// The real sound library on the private sound server (PULSE_SERVER), with
// MP3 files made by the real encoder: the shared contract, then the wrapper
// over it as the tag editor drives it.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

#include "fakes/FakeServices.h"
#include "platform/soundlib/RealSoundLibrary.h"
#include "platform/soundlib/SoundLibraryContract.h"
#include "support/EventWait.h"
#include "support/Signal.h"
#include "support/TempDir.h"
#include "tags/clsFMOD.h"

namespace qsr::contract {
namespace {

// An MP3 of the tone by LAME, titled in an ID3v2 tag.
std::string MakeMp3(const testing::TempDir& dir, const std::string& name, double seconds,
                    const std::string& title) {
    const std::string wav = dir.File(name + ".wav");
    const std::string mp3 = dir.File(name + ".mp3");
    qsr::testing::WriteToneWav(wav, 44100, 2, seconds);
    const int rc = QProcess::execute(
        "lame", {"--quiet", "-b", "128", "--add-id3v2", "--tt", QString::fromStdString(title),
                 QString::fromStdString(wav), QString::fromStdString(mp3)});
    return rc == 0 ? mp3 : std::string();
}

void Pump(double seconds) {
    qsr::testing::RunFor(static_cast<int>(seconds * 1000));
}

struct RealHarness : SoundLibHarness {
    soundlib::RealSoundLibrary lib;
    testing::TempDir dir;
    std::string playable;
    RealHarness() { toleranceMs = 300; }
    soundlib::ISoundLibrary& Lib() override { return lib; }
    std::string PlayableFile() override {
        if (playable.empty()) playable = MakeMp3(dir, "tone", kLengthMs / 1000.0, kTitle);
        return playable;
    }
    long PlayableBytes() override {
        return static_cast<long>(std::filesystem::file_size(PlayableFile()));
    }
    std::string NotAudioFile() override {
        const std::string path = dir.File("notes.mp3");
        std::ofstream(path) << "These are notes, not sound.\n";
        return path;
    }
    std::string MissingFile() override { return dir.File("none.mp3"); }
    void Wait(double seconds) override { Pump(seconds); }
};

std::unique_ptr<SoundLibHarness> MakeReal() {
    if (!std::getenv("PULSE_SERVER")) return nullptr;
    return std::make_unique<RealHarness>();
}

class RealWrapper : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!std::getenv("PULSE_SERVER")) GTEST_SKIP() << "no private sound server";
        ASSERT_TRUE(fmod.Init(44100, 16));
    }
    float Level() {
        float l = 0, r = 0;
        fmod.GetVU(l, r);
        return std::max(l, r);
    }
    testing::TempDir dir;
    soundlib::RealSoundLibrary lib;
    fakes::FakeMessageBox box;
    tags::clsFMOD fmod{lib, box};
};

TEST_F(RealWrapper, PlayPauseSeekAndLevelsAsTheEditorUsesThem) {
    const std::string file = MakeMp3(dir, "six", 6.0, "Six");
    ASSERT_FALSE(file.empty());
    ASSERT_TRUE(fmod.StreamPlay(file, true, 255));
    EXPECT_TRUE(fmod.StreamIsLoaded());
    EXPECT_NEAR(fmod.StreamSongLen(), 6000, 100);
    Pump(2.0);
    EXPECT_NEAR(fmod.StreamSongPos(), 2000, 400);
    EXPECT_GT(Level(), 0.2f);  // the tone is at half scale

    ASSERT_TRUE(fmod.StreamPausePlay());
    EXPECT_FALSE(fmod.StreamIsPlaying());
    const long paused = fmod.StreamSongPos();
    Pump(0.5);
    EXPECT_NEAR(fmod.StreamSongPos(), paused, 50);
    EXPECT_EQ(Level(), 0.0f);
    ASSERT_TRUE(fmod.StreamPausePlay());

    fmod.StreamSongPos(fmod.StreamSongPos() + 2000);  // "forward"
    EXPECT_NEAR(fmod.StreamSongPos(), paused + 2000, 400);
    fmod.StreamSongPos(static_cast<long>(std::nearbyint(fmod.StreamSongLen() / 2.0)));  // "jump"
    EXPECT_NEAR(fmod.StreamSongPos(), 3000, 400);
    Pump(0.3);
    EXPECT_GT(Level(), 0.2f);

    ASSERT_TRUE(fmod.StreamUnload());
    EXPECT_FALSE(fmod.StreamIsLoaded());
    EXPECT_EQ(fmod.StreamSongPos(), 0);
    EXPECT_TRUE(box.shown.empty()) << box.shown.front().text;
}

TEST_F(RealWrapper, AStreamStaysOpenAtItsEndAndPlaysAgain) {
    const std::string file = MakeMp3(dir, "one", 1.0, "One");
    ASSERT_FALSE(file.empty());
    ASSERT_TRUE(fmod.StreamPlay(file, true, 255));
    for (int i = 0; i < 60 && fmod.StreamSongPos() < fmod.StreamSongLen(); ++i) Pump(0.1);
    EXPECT_TRUE(fmod.StreamIsLoaded());
    EXPECT_EQ(fmod.StreamSongPos(), fmod.StreamSongLen());
    EXPECT_EQ(Level(), 0.0f);
    ASSERT_TRUE(fmod.StreamPlay(file, true, 255));  // "&Play" again starts from the top
    EXPECT_LT(fmod.StreamSongPos(), 500);
    EXPECT_TRUE(box.shown.empty());
}

TEST_F(RealWrapper, TextNamedMp3GivesTheCouldNotPlayMessage) {
    const std::string file = dir.File("fake.mp3");
    std::ofstream(file) << std::string(5000, 'x');
    EXPECT_FALSE(fmod.StreamPlay(file, true, 255));
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(box.shown[0].text, "Could not recognize & play \"" + file + "\".");
    EXPECT_FALSE(fmod.StreamIsLoaded());
}

// No sound server: tags still read, a play is refused with the output error
// instead of passing for a success.
TEST(RealWrapperNoServer, PlayFailsWithTheOutputErrorAndTagsStillRead) {
    testing::TempDir dir;
    const std::string file = MakeMp3(dir, "tone", 2.0, "Quiet");
    ASSERT_FALSE(file.empty());
    const char* old = std::getenv("PULSE_SERVER");
    const std::string saved = old ? old : "";
    ::setenv("PULSE_SERVER", ("unix:" + dir.File("no-server")).c_str(), 1);
    {
        soundlib::RealSoundLibrary lib;
        fakes::FakeMessageBox box;
        tags::clsFMOD fmod{lib, box};
        ASSERT_TRUE(fmod.Init(44100, 16));
        const long h = fmod.GetStreamOpenFile(file, false);
        EXPECT_EQ(fmod.GetStreamTag(h, soundlib::kTagId3v2, "TIT2"), "Quiet");
        EXPECT_TRUE(fmod.GetStreamCloseFile(h));
        EXPECT_FALSE(fmod.StreamPlay(file, true, 255));
        ASSERT_EQ(box.shown.size(), 1u);
        EXPECT_EQ(box.shown[0].text, "Error initializing output device.");
        EXPECT_FALSE(fmod.StreamIsLoaded());
    }
    if (old)
        ::setenv("PULSE_SERVER", saved.c_str(), 1);
    else
        ::unsetenv("PULSE_SERVER");
}

}  // namespace

INSTANTIATE_TEST_SUITE_P(Real, SoundLibraryContract, ::testing::Values(&MakeReal));

}  // namespace qsr::contract
