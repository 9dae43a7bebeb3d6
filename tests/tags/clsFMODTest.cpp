#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "fakes/FakeServices.h"
#include "fakes/FakeSoundLibrary.h"
#include "tags/clsFMOD.h"

using namespace qsr;
using namespace qsr::tags;
using fakes::FakeSoundLibrary;
using services::MsgIcon;

namespace {

std::string Bytes(const char* p, std::size_t n) {
    return std::string(p, n);
}

class ClsFmodTest : public ::testing::Test {
  protected:
    void SetUp() override {
        lib.AddFile("/music/song.mp3",
                    {200000,
                     3'200'000,
                     {{soundlib::kTagId3v1, "TITLE", Bytes("  Title\0\0\0", 10)},
                      {soundlib::kTagId3v2, "TIT2", Bytes("\0Song\0", 6)},
                      {soundlib::kTagId3v2, "COMM", Bytes("\0eng\0Hi", 7)},
                      {soundlib::kTagId3v2, "WXXX", Bytes("\0\0http://q", 10)}}});
        lib.AddFile("/music/short.mp3", {900, 20000, {}});
        fmod = std::make_unique<clsFMOD>(lib, box);
        ASSERT_TRUE(fmod->Init(44100, 16));
    }
    bool Called(const std::string& call) const {
        return std::find(lib.calls.begin(), lib.calls.end(), call) != lib.calls.end();
    }

    FakeSoundLibrary lib;
    fakes::FakeMessageBox box;
    std::unique_ptr<clsFMOD> fmod;
};

}  // namespace

TEST(FmodText, ErrorTableAndUnknownCodes) {
    EXPECT_EQ(FmodErrorText(0), "No errors");
    EXPECT_EQ(FmodErrorText(1),
              "Cannot call this command after FSOUND_Init.  Call FSOUND_Close first.");
    EXPECT_EQ(FmodErrorText(9), "File not found");
    EXPECT_EQ(FmodErrorText(19), "An error occured trying to open the specified CD device");
    EXPECT_EQ(FmodErrorText(20), "Unknown error");
    EXPECT_EQ(FmodErrorText(-1), "Unknown error");
}

TEST(FmodText, StringFromPointerStopsAtNulAndAt255Bytes) {
    EXPECT_EQ(StringFromPointer("abc\0def"), "abc");
    EXPECT_EQ(StringFromPointer(nullptr), "");
    const std::string longText(300, 'x');
    EXPECT_EQ(StringFromPointer(longText.c_str()), std::string(255, 'x'));
}

TEST(FmodText, StringFromBytesKeepsNulsAndAddsOne) {
    EXPECT_EQ(StringFromBytes("a\0b", 3), Bytes("a\0b\0", 4));
    EXPECT_EQ(StringFromBytes("x", 0), Bytes("\0", 1));
    // Valid UTF-8 passes; a stray or cut-off byte becomes "?".
    EXPECT_EQ(StringFromBytes("\xC3\xA9", 2), Bytes("\xC3\xA9\0", 3));
    EXPECT_EQ(StringFromBytes("a\xE9z", 3), Bytes("a?z\0", 4));
    EXPECT_EQ(StringFromBytes("a\xC3", 2), Bytes("a?\0", 3));
    EXPECT_EQ(StringFromBytes("\xC0\x80", 2), Bytes("??\0", 3));  // overlong NUL
}

TEST_F(ClsFmodTest, AFileThatDoesNotOpenGivesTheCouldNotPlayMessage) {
    EXPECT_FALSE(fmod->StreamPlay("/music/none.mp3", true, 255));
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(box.shown[0].text, "Could not recognize & play \"/music/none.mp3\".");
    EXPECT_EQ(box.shown[0].icon, MsgIcon::Warning);
    EXPECT_EQ(box.shown[0].title, "FMOD Error");
    EXPECT_FALSE(fmod->StreamIsLoaded());
}

TEST_F(ClsFmodTest, StreamPlayOpensPlaysAtTheVolumeAndReplacesTheOldStream) {
    ASSERT_TRUE(fmod->StreamPlay("/music/song.mp3", true, 200));
    EXPECT_TRUE(Called("StreamOpen(/music/song.mp3,131376)"));
    EXPECT_TRUE(Called("SetVolume(200)"));
    EXPECT_TRUE(fmod->StreamIsLoaded());
    EXPECT_TRUE(fmod->StreamIsPlaying());
    ASSERT_TRUE(fmod->StreamPlay("/music/short.mp3", false, 255));
    EXPECT_TRUE(Called("StreamOpen(/music/short.mp3,304)"));
    EXPECT_EQ(lib.OpenStreams(), 1);
    EXPECT_EQ(fmod->StreamSongLen(), 900);
    EXPECT_TRUE(box.shown.empty());
}

TEST_F(ClsFmodTest, AStreamThatOpensButDoesNotPlayIsReportedAndNotLoaded) {
    lib.failing = {"StreamPlay"};
    lib.failError = soundlib::kErrInit;
    EXPECT_FALSE(fmod->StreamPlay("/music/song.mp3", true, 255));
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(box.shown[0].text, "Error initializing output device.");
    EXPECT_EQ(box.shown[0].icon, MsgIcon::Error);
    EXPECT_FALSE(fmod->StreamIsLoaded());
    EXPECT_EQ(lib.OpenStreams(), 0);
}

TEST_F(ClsFmodTest, StreamSongPosOnlyWhileAStreamPlays) {
    fmod->StreamSongPos(5000);
    EXPECT_EQ(fmod->StreamSongPos(), 0);
    EXPECT_FALSE(Called("StreamSetTime(5000)"));

    ASSERT_TRUE(fmod->StreamPlay("/music/song.mp3", true, 255));
    fmod->StreamSongPos(5000);
    EXPECT_TRUE(Called("StreamSetTime(5000)"));
    lib.Advance(1000);
    EXPECT_EQ(fmod->StreamSongPos(), 6000);

    ASSERT_TRUE(fmod->StreamUnload());
    lib.calls.clear();
    fmod->StreamSongPos(7000);
    EXPECT_EQ(fmod->StreamSongPos(), 0);
    EXPECT_TRUE(lib.calls.empty());
    EXPECT_EQ(fmod->StreamSongLen(), 0);
}

TEST_F(ClsFmodTest, PausePlayTogglesAndReportsFailures) {
    EXPECT_FALSE(fmod->StreamPausePlay());  // nothing loaded: no box
    EXPECT_TRUE(box.shown.empty());
    ASSERT_TRUE(fmod->StreamPlay("/music/song.mp3", true, 255));
    ASSERT_TRUE(fmod->StreamPausePlay());
    EXPECT_FALSE(fmod->StreamIsPlaying());
    ASSERT_TRUE(fmod->StreamPausePlay());
    EXPECT_TRUE(fmod->StreamIsPlaying());

    lib.failing = {"SetPaused"};
    lib.failError = soundlib::kErrInvalidParam;
    EXPECT_FALSE(fmod->StreamPausePlay());
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(box.shown[0].text, "An invalid parameter was passed to this function");
    EXPECT_EQ(box.shown[0].icon, MsgIcon::Error);
    EXPECT_EQ(box.shown[0].title, "FMOD Error");
}

TEST_F(ClsFmodTest, InitFailuresAndThrowsAreReported) {
    EXPECT_FALSE(fmod->Init(44100, 16));  // the fake is initialised already
    lib.throwing = {"Init"};
    EXPECT_FALSE(fmod->Init(44100, 16));
    ASSERT_EQ(box.shown.size(), 2u);
    EXPECT_EQ(box.shown[0].text, FmodErrorText(soundlib::kErrBusy));
    EXPECT_EQ(box.shown[1].title, "FMOD Error");
}

TEST_F(ClsFmodTest, StreamStopRewindsThenPlaysAgain) {
    EXPECT_TRUE(fmod->StreamStop());  // no stream: nothing to do
    EXPECT_FALSE(Called("StopSound"));
    ASSERT_TRUE(fmod->StreamPlay("/music/song.mp3", true, 255));
    lib.Advance(3000);
    ASSERT_TRUE(fmod->StreamStop());
    EXPECT_TRUE(Called("StreamSetTime(0)"));
    EXPECT_FALSE(fmod->StreamIsPlaying());
    EXPECT_EQ(fmod->StreamSongPos(), 0);  // no channel now
    ASSERT_TRUE(fmod->StreamStop());
    EXPECT_TRUE(fmod->StreamIsPlaying());
}

TEST_F(ClsFmodTest, TagTextsFollowTheNulRules) {
    const long h = fmod->GetStreamOpenFile("/music/song.mp3", false);
    ASSERT_NE(h, 0);
    EXPECT_TRUE(Called("StreamOpen(/music/song.mp3,304)"));
    EXPECT_FALSE(fmod->StreamIsLoaded());  // tag reading leaves the class state alone

    EXPECT_EQ(fmod->GetStreamTag(h, soundlib::kTagId3v1, "TITLE"), "Title");
    EXPECT_EQ(fmod->GetStreamTag(h, soundlib::kTagId3v2, "TIT2"), "Song");
    EXPECT_EQ(fmod->GetStreamTag(h, soundlib::kTagId3v2, "COMM"), "Hi");
    EXPECT_EQ(fmod->GetStreamTag(h, soundlib::kTagId3v2, "WXXX"), "http://q");
    EXPECT_EQ(fmod->GetStreamTag(h, soundlib::kTagId3v2, "TALB"), "");
    EXPECT_EQ(fmod->GetStreamTag(h, soundlib::kTagId3v1, "TIT2"), "");
    EXPECT_TRUE(fmod->GetStreamCloseFile(h));
    EXPECT_EQ(lib.OpenStreams(), 0);
}

TEST_F(ClsFmodTest, CommentsWithAndWithoutTrailingNulReadAlike) {
    lib.AddFile("/c.mp3", {1000,
                           100,
                           {{soundlib::kTagId3v2, "COMM", Bytes("\0eng\0Note\0", 10)},
                            {soundlib::kTagId3v2, "WCOM", "http://shop"},
                            {soundlib::kTagId3v2, "TXXX", Bytes("\0key\0 value ", 12)}}});
    const long h = fmod->GetStreamOpenFile("/c.mp3", false);
    EXPECT_EQ(fmod->GetStreamTag(h, soundlib::kTagId3v2, "COMM"), "Note");
    EXPECT_EQ(fmod->GetStreamTag(h, soundlib::kTagId3v2, "WCOM"), "http://shop");
    EXPECT_EQ(fmod->GetStreamTag(h, soundlib::kTagId3v2, "TXXX"), "key  value");

    ASSERT_EQ(fmod->GetStreamTagNumTags(h), 3);
    int kind = -1;
    std::string name, value;
    ASSERT_TRUE(fmod->GetStreamTagByNum(h, 0, kind, name, value));
    EXPECT_EQ(kind, soundlib::kTagId3v2);
    EXPECT_EQ(name, "COMM");
    EXPECT_EQ(value, "Note");
    ASSERT_TRUE(fmod->GetStreamTagByNum(h, 2, kind, name, value));
    EXPECT_EQ(value, "key  value");
    EXPECT_FALSE(fmod->GetStreamTagByNum(h, 3, kind, name, value));
    EXPECT_TRUE(name.empty());
    EXPECT_TRUE(value.empty());
}

TEST_F(ClsFmodTest, LengthsRates) {
    const long h = fmod->GetStreamOpenFile("/music/song.mp3", false);
    EXPECT_EQ(fmod->GetStreamLength(h), 200);
    EXPECT_EQ(fmod->StreamKbps(), 0);  // no playing stream
    ASSERT_TRUE(fmod->StreamPlay("/music/song.mp3", false, 255));
    EXPECT_EQ(fmod->StreamKbps(), 128);  // 3,200,000 bytes in 200 s
    ASSERT_TRUE(fmod->StreamPlay("/music/short.mp3", false, 255));
    EXPECT_EQ(fmod->StreamKbps(), 0);  // shorter than a second

    // Seconds round half to even.
    lib.AddFile("/2500.mp3", {2500, 1, {}});
    lib.AddFile("/3500.mp3", {3500, 1, {}});
    lib.AddFile("/2501.mp3", {2501, 1, {}});
    EXPECT_EQ(fmod->GetStreamLength(fmod->GetStreamOpenFile("/2500.mp3", false)), 2);
    EXPECT_EQ(fmod->GetStreamLength(fmod->GetStreamOpenFile("/3500.mp3", false)), 4);
    EXPECT_EQ(fmod->GetStreamLength(fmod->GetStreamOpenFile("/2501.mp3", false)), 3);
}

TEST_F(ClsFmodTest, LevelsComeFromThePlayingChannel) {
    float l = -1, r = -1;
    fmod->GetVU(l, r);
    EXPECT_EQ(l, 0.0f);
    EXPECT_EQ(r, 0.0f);
    ASSERT_TRUE(fmod->StreamPlay("/music/song.mp3", true, 255));
    fmod->GetVU(l, r);
    EXPECT_EQ(l, lib.levels[0]);
    EXPECT_EQ(r, lib.levels[1]);
}

TEST_F(ClsFmodTest, UnsupportedMembersAnswerHonestly) {
    std::vector<std::string> drivers{"old"};
    EXPECT_FALSE(fmod->ReturnDrivers(drivers));
    EXPECT_TRUE(drivers.empty());
    EXPECT_TRUE(box.shown.empty());

    EXPECT_FALSE(fmod->InitOutput(1));
    ASSERT_EQ(box.shown.size(), 1u);
    EXPECT_EQ(box.shown[0].text, "Unknown error");
    EXPECT_EQ(box.shown[0].icon, MsgIcon::Error);

    EXPECT_FALSE(fmod->MusicPlay("/music/song.mod", true, 255));
    ASSERT_EQ(box.shown.size(), 2u);
    EXPECT_EQ(box.shown[1].text, "Could not recognize & play \"/music/song.mod\".");
    EXPECT_FALSE(fmod->MusicIsLoaded());
    EXPECT_FALSE(fmod->CDPlay(0, 1));
    EXPECT_EQ(fmod->TestFile("/music/song.mp3"), 1);
    EXPECT_EQ(fmod->TestFile("/music/song.mod"), 0);
    EXPECT_EQ(lib.OpenStreams(), 0);
}

TEST_F(ClsFmodTest, DestructionStopsClosesAndIgnoresFailures) {
    ASSERT_TRUE(fmod->StreamPlay("/music/song.mp3", true, 255));
    lib.calls.clear();
    lib.throwing = {"StreamClose"};
    fmod.reset();  // must not throw
    EXPECT_EQ(lib.calls, (std::vector<std::string>{"StopSound", "StreamClose"}));
    lib.throwing.clear();
    fmod = std::make_unique<clsFMOD>(lib, box);
    fmod.reset();
    EXPECT_TRUE(Called("Close"));
    EXPECT_FALSE(lib.Initialised());
}
