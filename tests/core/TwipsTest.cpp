#include <gtest/gtest.h>

#include "core/Twips.h"

namespace qsr::core {

// The player's heights and the mixer's widths, and the rounding of values
// that are not whole pixels, both signs alike.
TEST(Twips, NearestPixel) {
    EXPECT_EQ(TwipsToPixels(1725), 115);
    EXPECT_EQ(TwipsToPixels(5640), 376);
    EXPECT_EQ(TwipsToPixels(230), 15);
    EXPECT_EQ(TwipsToPixels(1260), 84);
    EXPECT_EQ(TwipsToPixels(7), 0);
    EXPECT_EQ(TwipsToPixels(8), 1);
    EXPECT_EQ(TwipsToPixels(-7), 0);
    EXPECT_EQ(TwipsToPixels(-8), -1);
    EXPECT_EQ(TwipsToPixels(-230), -15);
}

}  // namespace qsr::core
