#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/soundlib/SoundLibrary.h"

// One suite for every sound library. A harness makes the library, a playable
// file (a tone of kLengthMs with the title kTitle in an ID3v2 tag), a file
// that holds no audio, and lets time pass (really or on a fake clock).
namespace qsr::contract {

struct SoundLibHarness {
    static constexpr int kLengthMs = 5000;
    static constexpr const char* kTitle = "Contract Title";
    virtual ~SoundLibHarness() = default;
    virtual soundlib::ISoundLibrary& Lib() = 0;
    virtual std::string PlayableFile() = 0;
    virtual long PlayableBytes() = 0;
    virtual std::string NotAudioFile() = 0;
    virtual std::string MissingFile() = 0;
    virtual void Wait(double seconds) = 0;
    int toleranceMs = 0;  // slack in positions and lengths
};

using SoundLibFactory = std::unique_ptr<SoundLibHarness> (*)();

class SoundLibraryContract : public ::testing::TestWithParam<SoundLibFactory> {
  protected:
    void SetUp() override {
        h = GetParam()();
        if (!h) GTEST_SKIP() << "this library cannot run here (no sound server)";
    }
    soundlib::ISoundLibrary& lib() { return h->Lib(); }
    // Init, open the playable file and play it; the channel.
    int StartPlaying(soundlib::Handle& stream) {
        EXPECT_TRUE(lib().Init(44100, 16, soundlib::kInitFlags));
        stream = lib().StreamOpen(h->PlayableFile(), soundlib::kModeAccurateSeek);
        EXPECT_NE(stream, 0);
        const int channel = lib().StreamPlay(soundlib::kFreeChannel, stream);
        EXPECT_GT(channel, 0) << "error " << lib().GetError();
        return channel;
    }
    std::unique_ptr<SoundLibHarness> h;
};

TEST_P(SoundLibraryContract, InitComesFirstAndOnlyOnce) {
    EXPECT_EQ(lib().StreamOpen(h->PlayableFile(), soundlib::kModeNormal), 0);
    EXPECT_EQ(lib().GetError(), soundlib::kErrUninitialized);
    ASSERT_TRUE(lib().Init(44100, 16, soundlib::kInitFlags));
    EXPECT_EQ(lib().GetError(), soundlib::kErrNone);
    EXPECT_FALSE(lib().Init(44100, 16, soundlib::kInitFlags));
    EXPECT_EQ(lib().GetError(), soundlib::kErrBusy);
    lib().Close();
    EXPECT_TRUE(lib().Init(44100, 16, soundlib::kInitFlags));
}

TEST_P(SoundLibraryContract, FilesThatDoNotOpenSayWhy) {
    ASSERT_TRUE(lib().Init(44100, 16, soundlib::kInitFlags));
    EXPECT_EQ(lib().StreamOpen(h->MissingFile(), soundlib::kModeNormal), 0);
    EXPECT_EQ(lib().GetError(), soundlib::kErrFileNotFound);
    EXPECT_EQ(lib().StreamOpen(h->NotAudioFile(), soundlib::kModeNormal), 0);
    EXPECT_EQ(lib().GetError(), soundlib::kErrFileFormat);
}

TEST_P(SoundLibraryContract, TagFieldsThroughTheHandle) {
    ASSERT_TRUE(lib().Init(44100, 16, soundlib::kInitFlags));
    const soundlib::Handle s = lib().StreamOpen(h->PlayableFile(), soundlib::kModeNormal);
    ASSERT_NE(s, 0);
    std::string value;
    ASSERT_TRUE(lib().StreamFindTagField(s, soundlib::kTagId3v2, "TIT2", value));
    ASSERT_FALSE(value.empty());
    EXPECT_EQ(value[0], '\0');  // the encoding byte
    EXPECT_NE(value.find(SoundLibHarness::kTitle), std::string::npos);
    EXPECT_FALSE(lib().StreamFindTagField(s, soundlib::kTagId3v2, "TOPE", value));
    EXPECT_TRUE(value.empty());
    EXPECT_FALSE(lib().StreamFindTagField(s, soundlib::kTagId3v1, "TIT2", value));

    const int count = lib().StreamGetNumTagFields(s);
    ASSERT_GE(count, 1);
    bool titleSeen = false;
    for (int i = 0; i < count; ++i) {
        soundlib::TagField f;
        ASSERT_TRUE(lib().StreamGetTagField(s, i, f));
        titleSeen = titleSeen || (f.kind == soundlib::kTagId3v2 && f.name == "TIT2");
    }
    EXPECT_TRUE(titleSeen);
    soundlib::TagField f;
    EXPECT_FALSE(lib().StreamGetTagField(s, count, f));
    EXPECT_EQ(lib().GetError(), soundlib::kErrInvalidParam);
    EXPECT_EQ(lib().StreamGetLength(s), h->PlayableBytes());

    EXPECT_TRUE(lib().StreamClose(s));
    EXPECT_FALSE(lib().StreamClose(s));
    EXPECT_FALSE(lib().StreamFindTagField(s, soundlib::kTagId3v2, "TIT2", value));
}

TEST_P(SoundLibraryContract, ChannelsPauseTakeAVolumeAndStop) {
    soundlib::Handle s = 0;
    const int ch = StartPlaying(s);
    ASSERT_GT(ch, 0);
    EXPECT_FALSE(lib().GetPaused(ch));
    EXPECT_EQ(lib().GetVolume(ch), 255);
    EXPECT_TRUE(lib().SetVolume(ch, 100));
    EXPECT_EQ(lib().GetVolume(ch), 100);
    EXPECT_FALSE(lib().SetVolume(ch, 256));
    EXPECT_EQ(lib().GetVolume(ch), 100);
    EXPECT_TRUE(lib().SetPaused(ch, true));
    EXPECT_TRUE(lib().GetPaused(ch));
    EXPECT_TRUE(lib().SetPaused(ch, false));
    EXPECT_FALSE(lib().GetPaused(ch));

    EXPECT_TRUE(lib().StopSound(ch));
    EXPECT_FALSE(lib().SetPaused(ch, true));  // the channel is gone
    EXPECT_EQ(lib().GetError(), soundlib::kErrInvalidParam);
    EXPECT_TRUE(lib().StopSound(soundlib::kAllChannels));
    EXPECT_GT(lib().StreamPlay(soundlib::kFreeChannel, s), 0);  // plays again
    EXPECT_TRUE(lib().StreamClose(s));
}

TEST_P(SoundLibraryContract, TimeMovesWhilePlayingAndSeeksStayInside) {
    soundlib::Handle s = 0;
    const int ch = StartPlaying(s);
    ASSERT_GT(ch, 0);
    EXPECT_NEAR(lib().StreamGetLengthMs(s), SoundLibHarness::kLengthMs, h->toleranceMs + 100);
    ASSERT_TRUE(lib().StreamSetTime(s, 2000));
    EXPECT_NEAR(lib().StreamGetTime(s), 2000, h->toleranceMs);
    h->Wait(0.5);
    EXPECT_NEAR(lib().StreamGetTime(s), 2500, h->toleranceMs + 100);

    ASSERT_TRUE(lib().SetPaused(ch, true));
    const int at = lib().StreamGetTime(s);
    h->Wait(0.5);
    EXPECT_NEAR(lib().StreamGetTime(s), at, 50);

    ASSERT_TRUE(lib().StreamSetTime(s, -3000));
    EXPECT_NEAR(lib().StreamGetTime(s), 0, h->toleranceMs);
    ASSERT_TRUE(lib().StreamSetTime(s, 10 * SoundLibHarness::kLengthMs));
    EXPECT_NEAR(lib().StreamGetTime(s), lib().StreamGetLengthMs(s), h->toleranceMs + 100);
    EXPECT_FALSE(lib().StreamSetTime(0, 0));
}

TEST_P(SoundLibraryContract, LevelsShowOnlyWhatPlays) {
    soundlib::Handle s = 0;
    const int ch = StartPlaying(s);
    ASSERT_GT(ch, 0);
    h->Wait(0.4);
    float left = 0, right = 0;
    ASSERT_TRUE(lib().GetCurrentLevels(ch, left, right));
    EXPECT_GT(left, 0.1f);
    EXPECT_GT(right, 0.1f);
    EXPECT_LE(left, 1.0f);
    ASSERT_TRUE(lib().SetPaused(ch, true));
    ASSERT_TRUE(lib().GetCurrentLevels(ch, left, right));
    EXPECT_EQ(left, 0.0f);
    EXPECT_EQ(right, 0.0f);
    EXPECT_FALSE(lib().GetCurrentLevels(ch + 1000, left, right));
}

TEST_P(SoundLibraryContract, CloseForgetsEveryStream) {
    soundlib::Handle s = 0;
    const int ch = StartPlaying(s);
    ASSERT_GT(ch, 0);
    lib().Close();
    EXPECT_FALSE(lib().GetPaused(ch));
    EXPECT_EQ(lib().GetError(), soundlib::kErrInvalidParam);
    EXPECT_FALSE(lib().StreamClose(s));
}

}  // namespace qsr::contract
