// In-place playback over scripted components: feeding, pause offsets, seek, end.
#include <gtest/gtest.h>

#include "fakes/FakeAudio.h"
#include "player/FilePlayback.h"
#include "support/TempDir.h"

namespace qsr::player {
namespace {

using qsr::testing::TempDir;
using qsr::testing::WriteAll;

struct Rig {
    TempDir dir;
    std::string path = dir.File("a.WAV");
    fakes::CallLog log;
    fakes::FakeAudioFile file{&log};
    fakes::FakePlayer player{&log};
    FilePlayback playback;
    int stops = 0;
    std::vector<std::int64_t> positions;
    Rig() {
        WriteAll(path, "x");
        file.contentRate = 44100;
        file.contentChannels = 1;
        file.content.assign(44100, 1);  // one second
        playback.Attach(&file, &player);
        QObject::connect(&playback, &FilePlayback::Stopped, [this] { ++stops; });
        QObject::connect(&playback, &FilePlayback::Progress,
                         [this](std::int64_t p) { positions.push_back(p); });
    }
};

TEST(FilePlayback, FeedsBlocksKeepsThePositionThroughPauseAndSeekAndStopsAtTheEnd) {
    Rig r;
    ASSERT_TRUE(r.playback.Play(r.path));
    ASSERT_EQ(r.player.queued.size(), 1u);
    EXPECT_EQ(r.player.queued[0].size(), 8820u);  // 200 ms
    emit r.player.Timer(4410, 0, 0);
    r.player.played = 4410;
    r.playback.PauseResume();  // pause: the offset holds what was played
    EXPECT_TRUE(r.playback.Paused());
    EXPECT_EQ(r.playback.Offset(), 4410);
    emit r.player.Timer(0, 0, 0);  // no progress while paused
    r.playback.PauseResume();      // resume: reading goes on from the offset
    EXPECT_EQ(r.log.back(), "QueueBlock(8820)");
    EXPECT_NE(std::find(r.log.begin(), r.log.end(), "Seek(4410)"), r.log.end());
    emit r.player.Timer(100, 0, 0);
    r.playback.SeekTo(22050);
    EXPECT_FALSE(r.playback.Paused());
    EXPECT_EQ(r.playback.Offset(), 22050);
    emit r.player.EndPlay();
    EXPECT_TRUE(r.playback.IsStopped());
    EXPECT_FALSE(r.playback.Playing());
    EXPECT_TRUE(r.file.closed);
    EXPECT_EQ(r.stops, 1);
    EXPECT_EQ(r.positions, (std::vector<std::int64_t>{4410, 4510}));
}

TEST(FilePlayback, AFileThatCannotPlayLeavesPlaybackStopped) {
    Rig r;
    EXPECT_FALSE(r.playback.Play(r.dir.File("missing.WAV")));
    r.file.content.clear();  // opens, but holds no samples
    EXPECT_FALSE(r.playback.Play(r.path));
    EXPECT_TRUE(r.file.closed);
    r.file.content.assign(100, 1);
    r.player.startResult = -1;
    EXPECT_FALSE(r.playback.Play(r.path));
    EXPECT_TRUE(r.playback.IsStopped());
    EXPECT_TRUE(r.player.queued.empty());
}

}  // namespace
}  // namespace qsr::player
