#include <gtest/gtest.h>

#include "player/PlaybackRules.h"

using namespace qsr::player;

TEST(PlaybackArithmetic, SliderAndSamplePositions) {
    EXPECT_EQ(SliderToSample(500, 441000), 220500);
    EXPECT_EQ(SliderToSample(0, 441000), 0);
    EXPECT_EQ(SliderToSample(1000, 441000), 441000);
    EXPECT_EQ(SliderToSample(333, 1001), 333);  // whole part of 333.333
    EXPECT_EQ(SliderToSample(2000, 441000), 441000);
    EXPECT_EQ(SliderToSample(500, 0), 0);
    // Files longer than 32-bit sample counts stay exact.
    EXPECT_EQ(SliderToSample(999, 10'000'000'000'001LL), 9'990'000'000'000LL);

    EXPECT_EQ(SampleToSlider(220500, 441000), 500);
    EXPECT_EQ(SampleToSlider(441, 441000), 1);
    EXPECT_EQ(SampleToSlider(220, 441000), 0);  // 0.499 rounds down
    EXPECT_EQ(SampleToSlider(221, 441000), 1);  // 0.501 rounds up
    EXPECT_EQ(SampleToSlider(900000, 441000), 1000);
    EXPECT_EQ(SampleToSlider(10, 0), 0);
}

TEST(PlaybackArithmetic, PauseAndResumeGoOnFromWherePlaybackStopped) {
    // Seek to 220500, play 44100, pause: the offset is where it stopped.
    std::int64_t offset = SliderToSample(500, 441000);
    offset = OffsetAfterPause(offset, 44100);
    EXPECT_EQ(offset, 264600);
    // The player's count restarts at 0 after resume; the display goes on.
    EXPECT_EQ(PlaybackPosition(offset, 0), 264600);
    EXPECT_EQ(PlaybackPosition(offset, 4410), 269010);
    EXPECT_EQ(RemainingSamples(269010, 441000), 171990);
    EXPECT_EQ(RemainingSamples(441000, 441000), 0);
    EXPECT_EQ(RemainingSamples(500000, 441000), 0);
}
