// Damaged input found by the fuzzers, read by the real readers: never a crash,
// and what can be decoded arrives in the file's first format.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "platform/audio/AudioFileComponent.h"
#include "support/TempDir.h"

namespace qsr::audio {
namespace {

using qsr::testing::ReadAll;
using qsr::testing::TempDir;
using qsr::testing::WriteAll;

// A fuzz_readers input is the reader byte, a detail byte, then the file.
std::string RegressionFile(const TempDir& dir, const std::string& name, const std::string& ext) {
    const std::string input =
        ReadAll(std::string(QSR_SOURCE_DIR) + "/tests/fuzz/regressions/fuzz_readers/" + name);
    EXPECT_GT(input.size(), 2U) << name;
    const std::string path = dir.File(name + ext);
    WriteAll(path, input.size() > 2 ? input.substr(2) : std::string());
    return path;
}

double Rms(const Samples& s, std::size_t from, std::size_t to) {
    double sum = 0;
    for (std::size_t i = from; i < to; ++i) sum += double(s[i]) * s[i];
    return to > from ? std::sqrt(sum / double(to - from)) : 0;
}

// 0.3 s of 44.1 kHz stereo followed by 0.3 s of 22.05 kHz mono in one MP3
// stream: every part arrives, converted to the one format the reader gives.
TEST(DamagedInput, AFormatChangeMidStreamIsConvertedNotACrash) {
    TempDir dir;
    const std::string path = RegressionFile(dir, "mp3-rate-and-channels-change", ".mp3");
    auto f = CreateRealAudioFile();
    ASSERT_GE(f->OpenFile(path), 0) << f->LastError();
    const int rate = f->SampleRate(), channels = f->ChannelCount();
    ASSERT_TRUE(rate == 44100 || rate == 22050) << rate;
    ASSERT_EQ(channels, 2);
    Samples all;
    for (Samples b; !(b = f->ReadBlock(4096)).empty();) all.insert(all.end(), b.begin(), b.end());
    // Both parts, each with its encoder's delay and padding.
    const double seconds = double(all.size()) / channels / rate;
    EXPECT_GT(seconds, 0.6);
    EXPECT_LT(seconds, 0.8);
    // The 440 Hz of the first part and the 300 Hz of the second are there.
    const auto n = all.size();
    EXPECT_GT(Rms(all, n / 10, n * 4 / 10), 1000.0);
    EXPECT_GT(Rms(all, n * 6 / 10, n * 9 / 10), 1000.0);
    // Reading it again from the start gives the same.
    EXPECT_EQ(f->Seek(0), 0);
    Samples again;
    for (Samples b; !(b = f->ReadBlock(4096)).empty();)
        again.insert(again.end(), b.begin(), b.end());
    EXPECT_EQ(again.size(), all.size());
    f->Close();
}

}  // namespace
}  // namespace qsr::audio
