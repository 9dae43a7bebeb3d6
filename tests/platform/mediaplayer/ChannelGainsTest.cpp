#include <gtest/gtest.h>

#include "platform/mediaplayer/MediaControl.h"

namespace qsr::mediaplayer {
namespace {

TEST(ChannelGains, VolumeIsHundredthsOfADecibelAndTheBottomIsSilence) {
    EXPECT_DOUBLE_EQ(GainsFor(0, 0).left, 1.0);
    EXPECT_NEAR(GainsFor(-2000, 0).left, 0.1, 1e-12);
    EXPECT_NEAR(GainsFor(-600, 0).right, 0.501, 0.001);
    EXPECT_DOUBLE_EQ(GainsFor(-10000, 0).left, 0.0);
    EXPECT_DOUBLE_EQ(GainsFor(-10000, 0).right, 0.0);
}

TEST(ChannelGains, BalanceLowersOnlyTheOtherSide) {
    const auto right = GainsFor(-2000, 2000);
    EXPECT_NEAR(right.right, 0.1, 1e-12);
    EXPECT_NEAR(right.left, 0.01, 1e-12);
    const auto leftOnly = GainsFor(0, -10000);
    EXPECT_DOUBLE_EQ(leftOnly.left, 1.0);
    EXPECT_DOUBLE_EQ(leftOnly.right, 0.0);
}

}  // namespace
}  // namespace qsr::mediaplayer
