// The MP3 frame scan behind exact seeks, and the LAME length, on real files
// and crafted headers.
#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <filesystem>

#include "core/Mp3Frames.h"
#include "support/Signal.h"
#include "support/TempDir.h"

namespace qsr::audio::file {
namespace {

using qsr::testing::Capture;
using qsr::testing::TempDir;

std::vector<unsigned char> Bytes(const std::string& path) {
    const std::string s = qsr::testing::ReadAll(path);
    return {s.begin(), s.end()};
}

TEST(Mp3Frames, HeaderLengthsOfEachLayerAndVersion) {
    struct Case {
        unsigned char b1, b2;
        int length, samples, rate;
    };
    const Case cases[] = {
        {0xFB, 0x90, 417, 1152, 44100},  // MPEG-1 layer III, 128 kbit/s
        {0xFB, 0x92, 418, 1152, 44100},  // the same, padded
        {0xF3, 0x40, 104, 576, 22050},   // MPEG-2 layer III, 32 kbit/s
        {0xE3, 0x10, 52, 576, 11025},    // MPEG-2.5 layer III, 8 kbit/s
        {0xFD, 0xA4, 576, 1152, 48000},  // MPEG-1 layer II, 192 kbit/s
        {0xFF, 0x42, 140, 384, 44100},   // MPEG-1 layer I, 128 kbit/s, padded by 4 bytes
    };
    for (const Case& c : cases) {
        const unsigned char b[4] = {0xFF, c.b1, c.b2, 0xC4};
        Mp3Header h;
        ASSERT_TRUE(ParseMp3Header(b, h)) << std::hex << int{c.b1} << " " << int{c.b2};
        EXPECT_EQ(h.length, c.length) << std::hex << int{c.b1} << " " << int{c.b2};
        EXPECT_EQ(h.samplesPerFrame, c.samples);
        EXPECT_EQ(h.rate, c.rate);
    }
    // Free format, the bad bitrate, the reserved rate, version and layer.
    for (const auto& b : {std::array<unsigned char, 4>{0xFF, 0xFB, 0x00, 0},
                          {0xFF, 0xFB, 0xF0, 0},
                          {0xFF, 0xFB, 0x9C, 0},
                          {0xFF, 0xEB, 0x90, 0},
                          {0xFF, 0xF9, 0x90, 0},
                          {0x00, 0xFB, 0x90, 0}}) {
        Mp3Header h;
        EXPECT_FALSE(ParseMp3Header(b.data(), h));
    }
}

// Our count of audio frames is FFmpeg's count of packets: after an ID3v2 tag,
// without the Info frame, in CBR and VBR files of both MPEG versions.
TEST(Mp3Frames, IndexFindsEveryAudioFrameFFmpegFinds) {
    TempDir dir;
    const std::string wav = dir.File("a.wav");
    Capture("ffmpeg -v error -f lavfi -i 'sine=f=300:d=7:r=44100' -ac 2 -y " + wav);
    const std::string commands[] = {
        "lame --silent -b 128 --tt Title --add-id3v2 " + wav + " " + dir.File("0.mp3"),
        "lame --silent -V 4 " + wav + " " + dir.File("1.mp3"),
        "lame --silent --resample 22.05 -b 32 -m m " + wav + " " + dir.File("2.mp3"),
    };
    for (int i = 0; i < 3; ++i) {
        Capture(commands[i]);
        const std::string path = dir.File(std::to_string(i) + ".mp3");
        ASSERT_TRUE(std::filesystem::exists(path)) << commands[i];
        const Mp3FrameIndex index = IndexMp3File(path);
        const long packets =
            std::stol(Capture("ffprobe -v error -select_streams a -count_packets -show_entries "
                              "stream=nb_read_packets -of csv=p=0 " +
                              path));
        EXPECT_EQ(static_cast<long>(index.offsets.size()), packets) << commands[i];
        EXPECT_EQ(index.samplesPerFrame, i == 2 ? 576 : 1152);
        // The same scan over the bytes in memory.
        const auto bytes = Bytes(path);
        EXPECT_EQ(
            IndexMp3Frames(bytes.data(), bytes.size(), Mp3AudioStart(bytes.data(), bytes.size()))
                .offsets,
            index.offsets);
        // Cut inside a frame: the index covers the whole frames before the cut.
        const size_t cut = static_cast<size_t>(index.offsets[index.offsets.size() / 2]) + 10;
        const Mp3FrameIndex part =
            IndexMp3Frames(bytes.data(), cut, Mp3AudioStart(bytes.data(), bytes.size()));
        EXPECT_EQ(part.offsets.size(), index.offsets.size() / 2);
    }
}

// An Info frame whose counts are all ones: no overflow, and a frame count the
// file cannot hold is not believed.
TEST(Mp3Frames, LameLengthIgnoresImpossibleCounts) {
    std::vector<unsigned char> frame(417, 0xFF);
    frame[1] = 0xFB;
    frame[2] = 0x90;
    frame[3] = 0xC4;
    std::memcpy(frame.data() + 36, "Info", 4);
    frame[40] = frame[41] = frame[42] = 0;
    frame[43] = 0x0F;  // frames, bytes, TOC and quality present
    EXPECT_EQ(Mp3ExactLengthFromFrame(frame.data(), frame.size(), 100000), -1);
    // 0xFFFFFFFF frames of 1152 samples less delay and padding of 4095 each.
    EXPECT_EQ(Mp3ExactLengthFromFrame(frame.data(), frame.size()),
              std::int64_t{0xFFFFFFFF} * 1152 - 2 * 4095);
    // A plausible count: 100 frames.
    frame[44] = frame[45] = frame[46] = 0;
    frame[47] = 100;
    EXPECT_EQ(Mp3ExactLengthFromFrame(frame.data(), frame.size(), 100000), 100 * 1152 - 2 * 4095);
}

}  // namespace
}  // namespace qsr::audio::file
