#pragma once
// What every implementation of the audio interfaces must do, whether real or
// fake: instantiated once with the fakes (unit) and once with the real engine
// on the test sound server (integration), so the fakes cannot drift from it.

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>

#include "platform/audio-api/AudioEngine.h"
#include "support/TempDir.h"

namespace qsr::contract {

using EngineFactory = std::function<std::unique_ptr<audio::IAudioEngine>()>;

class AudioContract : public ::testing::TestWithParam<EngineFactory> {
  protected:
    void SetUp() override { engine_ = GetParam()(); }
    std::unique_ptr<audio::IAudioEngine> engine_;
    qsr::testing::TempDir dir_;
};

TEST_P(AudioContract, RecorderDevicesFormatAndTimeArithmetic) {
    auto r = engine_->CreateRecorder();
    ASSERT_NE(r, nullptr);
    ASSERT_GE(r->DeviceCount(), 1);
    r->SelectDevice(r->DeviceCount());  // one past the end
    EXPECT_FALSE(r->DeviceUsable());
    EXPECT_EQ(r->DeviceName(), "");
    EXPECT_EQ(r->SourceLastIndex(), -1);
    r->SelectDevice(0);
    EXPECT_TRUE(r->DeviceUsable());
    EXPECT_GE(r->SourceLastIndex(), 0);

    r->SetFormat(22050, 1);
    EXPECT_EQ(r->Rate(), 22050);
    EXPECT_EQ(r->Channels(), 1);
    r->SetFormat(0, 9);  // refused: the last good format stays
    EXPECT_EQ(r->Rate(), 22050);
    EXPECT_EQ(r->Channels(), 1);
    EXPECT_EQ(r->MillisecondsToSamples(1000), 22050);
    EXPECT_EQ(r->SamplesToMilliseconds(11025), 500);
}

TEST_P(AudioContract, RecorderFiltersAndLevelsReadBack) {
    auto r = engine_->CreateRecorder();
    ASSERT_NE(r, nullptr);
    r->SelectDevice(0);
    r->SelectSource(0);
    r->SetNotchFrequency(60);
    r->SetHighPassFrequency(300);
    r->SetLowPassFrequency(3000);
    r->SetAgcLowLevel(-40);
    r->SetAgcHighLevel(-5);
    r->SetAgcAttackTime(150);
    EXPECT_EQ(r->NotchFrequency(), 60);
    EXPECT_EQ(r->HighPassFrequency(), 300);
    EXPECT_EQ(r->LowPassFrequency(), 3000);
    EXPECT_EQ(r->AgcLowLevel(), -40);
    EXPECT_EQ(r->AgcHighLevel(), -5);
    EXPECT_EQ(r->AgcAttackTime(), 150);
    if (r->HasVolume()) {
        r->SetVolume(30000);
        EXPECT_NEAR(r->Volume(), 30000, 700);  // the server keeps its own steps
        r->SetVolume(70000);
        EXPECT_LE(r->Volume(), 65535);
        r->SetVolume(65535);
    }
}

// A fresh MP3 settings object: the options dialog shows these as they are, so
// the fake and the real object must agree (both filters start off).
TEST_P(AudioContract, Mp3SettingsStartWithTheirDefaults) {
    auto s = engine_->CreateMp3Settings();
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(s->LowPassFrequency(), -1);
    EXPECT_EQ(s->HighPassFrequency(), -1);
    EXPECT_EQ(s->LowPassWidth(), 0);
    EXPECT_EQ(s->HighPassWidth(), 0);
    EXPECT_EQ(s->MaxVbrBitrate(), 320);
    EXPECT_EQ(s->VbrQuality(), 4);
    EXPECT_EQ(s->VbrMethod(), -1);
    EXPECT_EQ(s->AbrBitrate(), 128);
    EXPECT_EQ(s->ChannelMode(), 2);
    EXPECT_EQ(s->EncoderQuality(), 5);
    EXPECT_TRUE(s->WriteVbrHeader());
    EXPECT_TRUE(s->BitReservoir());
    EXPECT_FALSE(s->DifferentBlockTypes());
    EXPECT_TRUE(s->ShortBlocks());
    EXPECT_EQ(s->Deemphasis(), 0);
    EXPECT_FALSE(s->IsoCompliance());
    EXPECT_FALSE(s->EnforceMinBitrate());
    EXPECT_EQ(s->AthControl(), 0);
    EXPECT_FALSE(s->Crc());
    EXPECT_EQ(s->Bitrate(), 128);
}

// The WAV dialog shows mono while a mono-only coding is in force.
TEST_P(AudioContract, WavChannelsFollowTheCodingInForce) {
    auto f = engine_->CreateFile();
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->WavChannels(), 2);
    f->SetWavGsmFormat(8000);
    EXPECT_EQ(f->WavChannels(), 1);
    f->SetWavAdpcmFormat(22050, 2);
    EXPECT_EQ(f->WavChannels(), 2);
    f->SetWavDspFormat();
    EXPECT_EQ(f->WavChannels(), 1);
    f->SetWavFormat(44100, 2, 16);
    EXPECT_EQ(f->WavChannels(), 2);
}

// The first device records from one line at a time (a sound server's source
// with its ports): the page's source ticks rely on that read-back.
TEST_P(AudioContract, RecorderChoosingALineMakesItTheOnlyActiveOne) {
    auto r = engine_->CreateRecorder();
    ASSERT_NE(r, nullptr);
    r->SelectDevice(0);
    const int last = r->SourceLastIndex();
    ASSERT_GE(last, 0);
    for (int i = 0; i <= last; ++i) {
        r->SelectSource(i);
        if (!r->SourceSelectable()) continue;
        r->SetSourceActive(true);
        for (int j = 0; j <= last; ++j) {
            r->SelectSource(j);
            EXPECT_EQ(r->SourceActive(), i == j) << "chose " << i << ", line " << j;
        }
        // Dropping the only active line is ignored: it keeps recording.
        r->SelectSource(i);
        r->SetSourceActive(false);
        EXPECT_TRUE(r->SourceActive());
    }
}

TEST_P(AudioContract, RecorderAdvancedSwitchesReadBackWhatWasSet) {
    auto r = engine_->CreateRecorder();
    ASSERT_NE(r, nullptr);
    r->SelectDevice(0);
    r->SelectSource(0);
    int switches = 0;
    for (int i = 0; i <= r->AdvancedLastIndex(); ++i) {
        EXPECT_FALSE(r->AdvancedName(i).empty());
        if (!r->AdvancedGet(i).isSwitch) continue;
        ++switches;
        r->AdvancedSet(i, 1);
        EXPECT_EQ(r->AdvancedGet(i).value, 1);
        r->AdvancedSet(i, 0);
        EXPECT_EQ(r->AdvancedGet(i).value, 0);
    }
    EXPECT_GE(switches, 1);
}

TEST_P(AudioContract, RecorderStatusFollowsStartAndStop) {
    auto r = engine_->CreateRecorder();
    ASSERT_NE(r, nullptr);
    r->SelectDevice(0);
    r->SetFormat(8000, 1);
    r->SetBlockLength(r->MillisecondsToSamples(100));
    ASSERT_GE(r->Start(), 0);
    EXPECT_EQ(r->Status(), 1);
    EXPECT_EQ(r->DropoutCount(), 0);  // a fresh capture has lost nothing
    r->SetFormat(44100, 2);           // a running capture keeps its format
    EXPECT_EQ(r->Rate(), 8000);
    r->Stop();
    EXPECT_EQ(r->Status(), 0);
    EXPECT_TRUE(r->TakeBlock(987654).empty());
}

TEST_P(AudioContract, FileComponentRefusesWhatItCannotWriteOrRead) {
    auto f = engine_->CreateFile();
    ASSERT_NE(f, nullptr);
    f->SetWavFormat(44100, 2, 16);
    EXPECT_FALSE(f->FormatDescription().empty());
    const std::string unknown = dir_.File("take.xyz");
    EXPECT_LT(f->CreateFile(unknown), 0);
    EXPECT_FALSE(f->LastError().empty());
    EXPECT_FALSE(std::filesystem::exists(unknown));
    EXPECT_LT(f->OpenFile(dir_.File("missing.wav")), 0);
    EXPECT_FALSE(f->LastError().empty());

    ASSERT_GE(f->CreateFile(dir_.File("take.wav")), 0);
    EXPECT_GT(f->EncoderRate(), 0);
    EXPECT_GE(f->EncoderChannels(), 1);
    EXPECT_GE(f->WriteBlock(audio::Samples(4410 * 2, 100)), 0);
    f->Close();
}

TEST_P(AudioContract, PlayerArithmeticAndStatus) {
    auto p = engine_->CreatePlayer();
    ASSERT_NE(p, nullptr);
    p->SetFormat(22050, 1);
    EXPECT_EQ(p->MillisecondsToSamples(1000), 22050);
    EXPECT_EQ(p->SamplesToMilliseconds(22050), 1000);
    ASSERT_GE(p->Start(), 0);
    EXPECT_EQ(p->Status(), 1);
    EXPECT_EQ(p->CurrentSamples(), 0);
    EXPECT_LE(p->LatestSamples(100).size(), 100u);
    p->Stop();
    EXPECT_EQ(p->Status(), 0);
}

}  // namespace qsr::contract
