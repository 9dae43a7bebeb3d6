#include <gtest/gtest.h>

#include "recording/SplitRule.h"
#include "support/TempDir.h"

namespace qsr::recording {
namespace {

TEST(SplitRule, LengthsAndSizesAreReadAndAnythingElseRefused) {
    EXPECT_EQ(ParseSplit("10m")->seconds, 600);
    EXPECT_EQ(ParseSplit("90S")->seconds, 90);
    EXPECT_EQ(ParseSplit("100MB")->bytes, 100'000'000u);
    EXPECT_EQ(ParseSplit("100mb")->seconds, 0);
    for (const char* bad : {"", "10", "m", "0m", "-5m", "5h", "5 m", "1.5m", "99999999999999m"})
        EXPECT_FALSE(ParseSplit(bad).has_value()) << bad;
    // Stored settings: a measure above zero turns it on.
    const SplitRule both = SplitFromSettings({30, 700});
    EXPECT_EQ(both.seconds, 1800);
    EXPECT_EQ(both.bytes, 700'000'000u);
    EXPECT_TRUE(SplitFromSettings({0, 0}).Off());
}

TEST(SplitRule, PiecesBesideTheFirstTakeTheNextFreeNumber) {
    qsr::testing::TempDir dir;
    qsr::testing::WriteAll(dir.File("take.flac"), "first");
    qsr::testing::WriteAll(dir.File("take_ 3.flac"), "someone else's");
    auto next = PiecesBeside(dir.File("take.flac"));
    EXPECT_EQ(next(), dir.File("take_ 2.flac"));
    qsr::testing::WriteAll(dir.File("take_ 2.flac"), "second");
    EXPECT_EQ(next(), dir.File("take_ 4.flac"));  // 3 is taken
}

}  // namespace
}  // namespace qsr::recording
