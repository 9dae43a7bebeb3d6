// The recordings list's loudness and the normalising after a take, over the
// real engine on files ffmpeg made, checked with ffmpeg's own meter.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <regex>

#include "app/RecordingLoudness.h"
#include "platform/pulse/RealAudioEngine.h"
#include "support/EventWait.h"
#include "support/Signal.h"
#include "support/TempDir.h"

namespace qsr::app {
namespace {

using qsr::testing::Capture;
using qsr::testing::TempDir;

double FfmpegLufs(const std::string& path) {
    const std::string log =
        Capture("ffmpeg -nostats -hide_banner -i " + path + " -af ebur128 -f null - 2>&1");
    std::smatch m;
    const std::string tail = log.substr(std::min(log.size(), log.rfind("Summary:")));
    return std::regex_search(tail, m, std::regex(R"(I:\s+(-?[0-9.]+) LUFS)")) ? std::stod(m[1])
                                                                              : NAN;
}

ino_t Inode(const std::string& path) {
    struct stat st {};
    ::stat(path.c_str(), &st);
    return st.st_ino;
}

TEST(RecordingLoudness, MeasuresOnceKnowsTheFileAsItIsAndNormalisesInPlace) {
    TempDir dir, home;
    auto engine = audio::CreateRealAudioEngine();
    RecordingLoudness tool(
        *engine, [] { return settings::ShippedFormatValues(); }, home.File("journal"));
    std::vector<std::string> lines, notes;
    tool.onMeasured = [&](const std::string&, const std::string& line) { lines.push_back(line); };
    tool.onNormalised = [&](const std::string&, const std::string& note, bool failed) {
        notes.push_back((failed ? "failed: " : "") + note);
    };

    // A quiet call: a tone at -40 dBFS, mono WAV.
    const std::string call = dir.File("call.wav");
    Capture("ffmpeg -v error -f lavfi -i 'sine=f=400:r=44100:d=6' -af volume=0.08 -ac 1 -y " +
            call);
    tool.Measure(call);
    ASSERT_TRUE(qsr::testing::RunUntil([&] { return !tool.Busy(); }, 60000));
    ASSERT_EQ(lines.size(), 1U);
    EXPECT_EQ(lines[0].rfind("Loudness: -", 0), 0U) << lines[0];
    ASSERT_TRUE(tool.Known(call));
    tool.Measure(call);  // known: told at once, nothing queued
    EXPECT_FALSE(tool.Busy());
    EXPECT_EQ(lines.size(), 2U);

    const ino_t before = Inode(call);
    tool.Normalise(call, loudness::Target{-16.0, -1.0});
    ASSERT_TRUE(qsr::testing::RunUntil([&] { return !tool.Busy(); }, 60000));
    ASSERT_EQ(notes.size(), 1U);
    EXPECT_EQ(notes[0].rfind("normalised to -16.0 LUFS: gain +", 0), 0U) << notes[0];
    EXPECT_NEAR(FfmpegLufs(call), -16.0, 0.2);
    EXPECT_NE(Inode(call), before) << "written beside, then renamed over";
    // Measured again as it is now, and that is what is known.
    ASSERT_EQ(lines.size(), 3U);
    EXPECT_NE(lines[2].find("-16.0 LUFS"), std::string::npos) << lines[2];
    EXPECT_EQ(tool.Known(call), lines[2]);
    // A changed file is no longer known.
    Capture("ffmpeg -v error -f lavfi -i 'sine=f=400:r=44100:d=3' -ac 1 -y " + call);
    EXPECT_FALSE(tool.Known(call));

    // A damaged file is neither given a figure nor written.
    const std::string mp3 = dir.File("hole.mp3");
    Capture("ffmpeg -v error -f lavfi -i 'sine=f=440:r=44100:d=5' -ac 2 -y " + mp3);
    std::string bytes = qsr::testing::ReadAll(mp3);
    for (size_t i = bytes.size() / 3; i < bytes.size() / 3 + 1600; ++i) bytes[i] ^= 0x5A;
    qsr::testing::WriteAll(mp3, bytes);
    tool.Normalise(mp3, loudness::Target{});
    ASSERT_TRUE(qsr::testing::RunUntil([&] { return !tool.Busy(); }, 60000));
    ASSERT_EQ(notes.size(), 2U);
    EXPECT_EQ(
        notes[1].rfind("failed: not normalised: cannot be normalised: the file is damaged", 0), 0U)
        << notes[1];
    EXPECT_EQ(qsr::testing::ReadAll(mp3), bytes);
    EXPECT_EQ(lines.back().rfind("Loudness: none (the file is damaged", 0), 0U) << lines.back();
    int left = 0;
    for (const auto& e : std::filesystem::directory_iterator(dir.path()))
        left += e.path().filename().string()[0] == '.';
    EXPECT_EQ(left, 0);
}

}  // namespace
}  // namespace qsr::app
