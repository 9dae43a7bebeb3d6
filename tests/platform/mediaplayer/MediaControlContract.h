#pragma once

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <memory>

#include "platform/mediaplayer/MediaControl.h"

// One suite for every media control. A harness makes the control, makes a
// playable file of a given length and lets time pass (really or on a fake
// clock); each implementation instantiates the suite with its own harness.
namespace qsr::contract {

struct MediaHarness {
    virtual ~MediaHarness() = default;
    virtual mediaplayer::IMediaControl& Control() = 0;
    virtual QString MakeFile(double seconds) = 0;
    virtual QString MakeBadFile() = 0;
    virtual void Wait(double seconds) = 0;
    double tolerance = 0.3;  // seconds of slack in positions
};

using HarnessFactory = std::unique_ptr<MediaHarness> (*)();

class MediaControlContract : public ::testing::TestWithParam<HarnessFactory> {
  protected:
    void SetUp() override {
        h = GetParam()();
        if (!h) GTEST_SKIP() << "this control cannot run here (no sound server)";
    }
    std::unique_ptr<MediaHarness> h;
};

TEST_P(MediaControlContract, ANewFileStartsByItselfAndEndsOnce) {
    auto& c = h->Control();
    const QString file = h->MakeFile(1.0);
    QSignalSpy ended(&c, &mediaplayer::IMediaControl::EndOfStream);
    ASSERT_TRUE(c.SetFileName(file));
    EXPECT_TRUE(c.Playing());
    EXPECT_NEAR(c.Duration(), 1.0, 0.1);
    h->Wait(3.5);  // the end comes once the sound server has played it all
    EXPECT_EQ(ended.count(), 1);
    EXPECT_FALSE(c.Playing());
    EXPECT_DOUBLE_EQ(c.CurrentPosition(), 0.0);
}

TEST_P(MediaControlContract, PauseKeepsThePositionAndPlayResumesFromIt) {
    auto& c = h->Control();
    ASSERT_TRUE(c.SetFileName(h->MakeFile(3.0)));
    h->Wait(1.0);
    c.Pause();
    EXPECT_TRUE(c.Paused());
    EXPECT_FALSE(c.Playing());
    const double at = c.CurrentPosition();
    EXPECT_NEAR(at, 1.0, h->tolerance);
    h->Wait(0.8);
    EXPECT_NEAR(c.CurrentPosition(), at, 0.05);
    c.Play();
    EXPECT_FALSE(c.Paused());
    h->Wait(0.5);
    EXPECT_NEAR(c.CurrentPosition(), at + 0.5, h->tolerance);
}

TEST_P(MediaControlContract, StopRewindsAndSeekMovesThePosition) {
    auto& c = h->Control();
    ASSERT_TRUE(c.SetFileName(h->MakeFile(3.0)));
    c.SetCurrentPosition(2.0);
    h->Wait(0.3);
    EXPECT_NEAR(c.CurrentPosition(), 2.3, h->tolerance);
    c.Stop();
    EXPECT_FALSE(c.Playing());
    EXPECT_FALSE(c.Paused());
    EXPECT_DOUBLE_EQ(c.CurrentPosition(), 0.0);
    c.Play();
    EXPECT_TRUE(c.Playing());
}

TEST_P(MediaControlContract, VolumeAndBalanceOutsideTheirRangesAreRefused) {
    auto& c = h->Control();
    EXPECT_TRUE(c.SetVolume(-2000));
    EXPECT_FALSE(c.SetVolume(1));
    EXPECT_FALSE(c.SetVolume(-10001));
    EXPECT_EQ(c.Volume(), -2000);
    EXPECT_TRUE(c.SetVolume(-10000));
    EXPECT_TRUE(c.SetBalance(10000));
    EXPECT_FALSE(c.SetBalance(10001));
    EXPECT_FALSE(c.SetBalance(-10001));
    EXPECT_EQ(c.Balance(), 10000);
}

// A file's own fault gives no reason: the player passes over it in silence.
TEST_P(MediaControlContract, AFileThatCannotBeOpenedLeavesThePlayingOneAlone) {
    auto& c = h->Control();
    const QString good = h->MakeFile(3.0);
    ASSERT_TRUE(c.SetFileName(good));
    EXPECT_EQ(c.LastError(), QString());
    EXPECT_FALSE(c.SetFileName(h->MakeBadFile()));
    EXPECT_EQ(c.LastError(), QString());
    EXPECT_FALSE(c.SetFileName(QStringLiteral("/nonexistent/none.mp3")));
    EXPECT_EQ(c.LastError(), QString());
    EXPECT_EQ(c.FileName(), good);
    EXPECT_TRUE(c.Playing());
}

}  // namespace qsr::contract
