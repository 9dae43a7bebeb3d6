#include <gtest/gtest.h>

#include <filesystem>

#include "converter/ConvertRules.h"
#include "support/TempDir.h"

namespace qsr::converter {
namespace {

TEST(ConvertRules, StemIsFolderPlusNameUpToFirstDot) {
    EXPECT_EQ(OutputStem("/music/a.b.mp3", "a.b.mp3"), "/music/a");
    EXPECT_EQ(Mp3Name(*OutputStem("/music/a.b.mp3", "a.b.mp3"), 128), "/music/a_128kbps.mp3");
    // The folder contains the name earlier: the cut is at its first occurrence.
    EXPECT_EQ(OutputStem("/a.wav/a.wav", "a.wav"), "/a");
    EXPECT_EQ(OutputStem("/m/x/song.wav", "song.wav"), "/m/x/song");
}

TEST(ConvertRules, NameWithoutDotIsRefused) {
    EXPECT_FALSE(OutputStem("/music/noext", "noext"));
    EXPECT_FALSE(OutputStem("/music/a.wav", ""));
}

TEST(ConvertRules, OutputNames) {
    EXPECT_EQ(Mp3Name("/m/a", 192), "/m/a_192kbps.mp3");
    EXPECT_EQ(OggName("/m/a"), "/m/a.ogg");
    EXPECT_EQ(WmaName("/m/a", 24), "/m/a_24.wma");
}

TEST(ConvertRules, LookupFindsOnlyExistingRegularFiles) {
    testing::TempDir dir;
    testing::WriteAll(dir.File("a.wav"), "x");
    std::filesystem::create_directory(dir.path() / "folder.wav");
    EXPECT_EQ(LookupInputName(dir.File("a.wav")), "a.wav");
    EXPECT_FALSE(LookupInputName(dir.File("missing.wav")));
    EXPECT_FALSE(LookupInputName(dir.File("folder.wav")));
    EXPECT_FALSE(LookupInputName(""));
}

TEST(ConvertRules, SameFileThroughOtherPathsAndLinks) {
    testing::TempDir dir;
    testing::WriteAll(dir.File("song.ogg"), "x");
    std::filesystem::create_directory(dir.path() / "sub");
    std::filesystem::create_symlink(dir.path() / "song.ogg", dir.path() / "link.ogg");
    EXPECT_TRUE(IsSameFile(dir.File("song.ogg"), dir.File("song.ogg")));
    EXPECT_TRUE(IsSameFile(dir.File("song.ogg"), dir.File("sub/../song.ogg")));
    EXPECT_TRUE(IsSameFile(dir.File("link.ogg"), dir.File("song.ogg")));
    EXPECT_FALSE(IsSameFile(dir.File("song.ogg"), dir.File("song_128kbps.mp3")));
}

TEST(ConvertRules, ProgressArithmetic) {
    // 4 bytes make one unit (16-bit stereo frames); total 1000 frames.
    double p = AdvancePosition(0, 2000, 4.0, 1000);
    EXPECT_DOUBLE_EQ(p, 500);
    EXPECT_DOUBLE_EQ(ProgressPercent(p, 1000), 50.0);
    // Never beyond the total, even when the decoder delivers more than announced.
    p = AdvancePosition(p, 4000, 4.0, 1000);
    EXPECT_DOUBLE_EQ(p, 1000);
    EXPECT_DOUBLE_EQ(ProgressPercent(p, 1000), 100.0);
    // Unknown total or size: no division by zero, progress stays at 0.
    EXPECT_DOUBLE_EQ(ProgressPercent(500, 0), 0.0);
    EXPECT_DOUBLE_EQ(ProgressPercent(500, -1), 0.0);
    EXPECT_DOUBLE_EQ(AdvancePosition(10, 4000, 0.0, 1000), 10);
}

}  // namespace
}  // namespace qsr::converter
