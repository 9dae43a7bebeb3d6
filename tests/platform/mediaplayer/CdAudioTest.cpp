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

TEST_F(CdAudioImage, ATrackAloneReadsFromItsOwnStartToItsEnd) {
    auto cd = CdAudio::Open(cue, 2);
    ASSERT_TRUE(cd);
    EXPECT_EQ(cd->TotalFrames(), kTrackFrames);
    EXPECT_TRUE(cd->Read(3) == Written(kTrackFrames, 3 * CdAudio::kSectorFrames));
    EXPECT_EQ(cd->Seek(kTrackFrames - 1), kTrackFrames - CdAudio::kSectorFrames);
    EXPECT_EQ(cd->Read(9).size(), CdAudio::kSectorFrames * 2u);  // not into a next track
    EXPECT_FALSE(CdAudio::Open(cue, 3));
    EXPECT_FALSE(CdAudio::Open(cue, -1));
}

TEST(CdTrackFile, TheHeaderNamesTheTrackElseTheFileName) {
    testing::TempDir dir;
    // A track file's header: "RIFF", size, "CDDA", "fmt ", 24, version 1, track 7.
    const std::string header("RIFF\x24\0\0\0CDDAfmt \x18\0\0\0\x01\0\x07\0", 24);
    const std::string named = dir.File("Track02.cda");
    std::ofstream(named, std::ios::binary) << header;
    EXPECT_EQ(CdAudio::TrackOfFile(named), 7);
    EXPECT_EQ(CdAudio::TrackOfFile("/media/cd/Track03.cda"), 3);
    EXPECT_EQ(CdAudio::TrackOfFile("/media/cd/Track 12.CDA"), 12);
    EXPECT_EQ(CdAudio::TrackOfFile("/media/cd/track1.Cda"), 1);
    for (const char* other :
         {"/media/cd/Track03.wav", "/media/cd/Song03.cda", "/media/cd/Track.cda",
          "/media/cd/Track123.cda", "cda", "/x/Track03.cdax", ""}) {
        EXPECT_EQ(CdAudio::TrackOfFile(other), 0) << other;
    }
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
