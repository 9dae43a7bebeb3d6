#include <gtest/gtest.h>

#include "player/FaceClocks.h"

namespace qsr::player {
namespace {

TEST(FaceClocks, RunOnlyWhatTheSeenFaceHasToShow) {
    const auto clocks = [](bool visible, bool minimised, bool loaded, bool playing, bool title) {
        const FaceClocks c = ClocksFor({visible, minimised, loaded, playing, title});
        return std::pair{c.position, c.titleScroll};
    };
    EXPECT_EQ(clocks(true, false, false, false, true), std::pair(false, false));  // the hint
    EXPECT_EQ(clocks(true, false, true, true, false), std::pair(true, false));
    EXPECT_EQ(clocks(true, false, true, false, true), std::pair(false, true));  // stopped, titled
    EXPECT_EQ(clocks(true, false, true, true, true), std::pair(true, true));
    EXPECT_EQ(clocks(false, false, true, true, true), std::pair(false, false));  // hidden
    EXPECT_EQ(clocks(true, true, true, true, true), std::pair(false, false));    // minimised
}

}  // namespace
}  // namespace qsr::player
