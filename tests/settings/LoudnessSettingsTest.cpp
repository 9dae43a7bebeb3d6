#include <gtest/gtest.h>

#include <filesystem>

#include "settings/LoudnessSettings.h"
#include "support/TempDir.h"

namespace qsr::settings {
namespace {

using qsr::testing::ReadAll;
using qsr::testing::TempDir;
using qsr::testing::WriteAll;

// Off with -16 LUFS and -1 dBTP until stored; tenths kept; a number out of
// its range or unreadable reads as its default; a failed save says so.
TEST(LoudnessSettings, OffByDefaultStoredInItsOwnSectionAndReadBack) {
    TempDir dir;
    const std::string file = dir.File("settings.dat");
    WriteAll(file, "[other]\nnotch=1\n");
    const LoudnessSettings fresh = ReadLoudnessSettings(file);
    EXPECT_FALSE(fresh.normalise);
    EXPECT_EQ(fresh.target, -16.0);
    EXPECT_EQ(fresh.ceiling, -1.0);

    ASSERT_TRUE(WriteLoudnessSettings(file, {true, -23.0, -1.5}).Ok());
    EXPECT_EQ(ReadAll(file),
              "[other]\nnotch=1\n[loudness]\nnormalise=1\ntarget=-23\nceiling=-1.5\n");
    const LoudnessSettings back = ReadLoudnessSettings(file);
    EXPECT_TRUE(back.normalise);
    EXPECT_EQ(back.target, -23.0);
    EXPECT_EQ(back.ceiling, -1.5);

    WriteAll(file, "[loudness]\nnormalise=1\ntarget=-90\nceiling=loud\n");
    const LoudnessSettings odd = ReadLoudnessSettings(file);
    EXPECT_EQ(odd.target, -16.0);
    EXPECT_EQ(odd.ceiling, -1.0);

    const std::string folder = dir.File("folder.dat");
    std::filesystem::create_directory(folder);
    EXPECT_FALSE(WriteLoudnessSettings(folder, {}).Ok());
}

}  // namespace
}  // namespace qsr::settings
