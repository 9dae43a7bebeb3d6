#include <gtest/gtest.h>

#include "platform/audio-api/MixDown.h"

using qsr::audio::MakeMonoFromStereo;
using qsr::audio::Samples;

TEST(MixDown, AveragesPairsWithoutOverflow) {
    EXPECT_EQ(MakeMonoFromStereo({100, 300, -32768, -32768, 32767, 32767, 1000, -1000}),
              (Samples{200, -32768, 32767, 0}));
    EXPECT_EQ(MakeMonoFromStereo({}), Samples{});
    EXPECT_EQ(MakeMonoFromStereo({4, 6, 9}), (Samples{5, 9}));
}
