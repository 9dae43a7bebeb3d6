// The CD reader on a real disc layout: a BIN/CUE image libcdio opens as it
// opens a drive. No sound server is needed.
#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

#include "platform/mediaplayer/CdAudio.h"
#include "support/CdImage.h"
#include "support/TempDir.h"

namespace qsr::mediaplayer {
namespace {

constexpr int kSectors = 150;  // two seconds a track
constexpr std::int64_t kTrackFrames = kSectors * CdAudio::kSectorFrames;

class CdAudioImage : public ::testing::Test {
  protected:
    void SetUp() override {
        cue = dir.File("disc.cue");
        samples = testing::WriteCdImage(cue, dir.File("disc.bin"), 2, kSectors);
    }
    // The samples of `frames` frames from `frame` as written to the image.
    std::vector<std::int16_t> Written(std::int64_t frame, std::int64_t frames) const {
        return {samples.begin() + frame * 2, samples.begin() + (frame + frames) * 2};
    }
    testing::TempDir dir;
    std::string cue;
    std::vector<std::int16_t> samples;
};

TEST_F(CdAudioImage, TheWholeDiscReadsBackAsWrittenAndEnds) {
    auto cd = CdAudio::Open(cue);
    ASSERT_TRUE(cd);
    EXPECT_EQ(cd->TotalFrames(), 2 * kTrackFrames);
    std::vector<std::int16_t> all;
    for (auto block = cd->Read(7); !block.empty(); block = cd->Read(7)) {
        EXPECT_LE(block.size(), 7u * CdAudio::kSectorFrames * 2);
        all.insert(all.end(), block.begin(), block.end());
    }
    ASSERT_EQ(all.size(), samples.size());  // across the track boundary, to the last sector
    EXPECT_TRUE(all == samples);
    EXPECT_TRUE(cd->Read(7).empty());
}

TEST_F(CdAudioImage, SeekGoesToTheSectorStartAndReadsFromThere) {
    auto cd = CdAudio::Open(cue);
    ASSERT_TRUE(cd);
    cd->Read(3);
    // Into the second track, a little past a sector's start.
    const std::int64_t at = cd->Seek(kTrackFrames + 5 * CdAudio::kSectorFrames + 100);
    EXPECT_EQ(at, kTrackFrames + 5 * CdAudio::kSectorFrames);
    EXPECT_TRUE(cd->Read(4) == Written(at, 4 * CdAudio::kSectorFrames));
    // Back to the start, then past the end.
    EXPECT_EQ(cd->Seek(0), 0);
    EXPECT_TRUE(cd->Read(2) == Written(0, 2 * CdAudio::kSectorFrames));
    EXPECT_EQ(cd->Seek(10 * kTrackFrames), cd->TotalFrames());
    EXPECT_TRUE(cd->Read(1).empty());
    // The last sector alone.
    EXPECT_EQ(cd->Seek(cd->TotalFrames() - 1), cd->TotalFrames() - CdAudio::kSectorFrames);
    EXPECT_EQ(cd->Read(5).size(), CdAudio::kSectorFrames * 2u);
}

TEST_F(CdAudioImage, WithoutANameTheDriveVariableIsUsed) {
    ::setenv(CdAudio::kDriveVariable, cue.c_str(), 1);
    auto cd = CdAudio::Open("");
    ::unsetenv(CdAudio::kDriveVariable);
    ASSERT_TRUE(cd);
    EXPECT_EQ(cd->TotalFrames(), 2 * kTrackFrames);
}

TEST_F(CdAudioImage, NoDriveOrNoAudioDiscOpensNothing) {
    EXPECT_FALSE(CdAudio::Open(dir.File("missing.cue")));
    const std::string junk = dir.File("junk.bin");
    std::ofstream(junk, std::ios::binary) << std::string(2352 * 4, '\x5A');
    EXPECT_FALSE(CdAudio::Open(junk));
}

}  // namespace
}  // namespace qsr::mediaplayer
