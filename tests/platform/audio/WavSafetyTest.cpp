// A WAV file being written stays playable; past the RIFF limit it becomes RF64.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>

#include "platform/audio/AudioFileComponent.h"
#include "platform/audio/WavPcmWriter.h"
#include "support/Signal.h"
#include "support/TempDir.h"

namespace qsr::audio {
namespace {

using qsr::testing::Capture;
using qsr::testing::TempDir;

Samples Block(int index, size_t values) {
    Samples b(values);
    for (size_t i = 0; i < values; ++i) b[i] = static_cast<std::int16_t>(index * 100 + i % 100);
    return b;
}

Samples ReadEverything(IAudioFile& f) {
    Samples all;
    for (Samples b; !(b = f.ReadBlock(4096)).empty();) all.insert(all.end(), b.begin(), b.end());
    return all;
}

TEST(WavSafety, KillDuringWritingLosesAtMostTheLastBlock) {
    TempDir dir;
    const std::string path = dir.File("killed.wav");
    constexpr size_t kBlock = 8000 * 2;  // one second of 8 kHz stereo
    int fds[2];
    ASSERT_EQ(pipe(fds), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        close(fds[0]);
        auto f = CreateRealAudioFile();
        f->SetWavFormat(8000, 2, 16);
        if (f->CreateFile(path) < 0) _exit(1);
        for (int i = 0;; ++i) {
            f->WriteBlock(Block(i, kBlock));
            const char done = 1;  // tells the parent this block was handed over
            if (write(fds[1], &done, 1) != 1) _exit(2);
            usleep(2000);
        }
    }
    close(fds[1]);
    int blocks = 0;
    char c;
    while (blocks < 25 && read(fds[0], &c, 1) == 1) ++blocks;
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    close(fds[0]);
    ASSERT_EQ(blocks, 25);

    auto f = CreateRealAudioFile();
    ASSERT_GE(f->OpenFile(path), 0) << f->LastError();
    const Samples all = ReadEverything(*f);
    ASSERT_GE(all.size(), blocks * kBlock);
    ASSERT_EQ(all.size() % kBlock, 0u);  // whole blocks only: the header is never ahead
    for (size_t i = 0; i < all.size() / kBlock; ++i) {
        const Samples want = Block(static_cast<int>(i), kBlock);
        ASSERT_TRUE(
            std::equal(want.begin(), want.end(), all.begin() + static_cast<long>(i * kBlock)))
            << "block " << i;
    }
    EXPECT_EQ(Capture("ffprobe -v error -show_entries stream=codec_name -of csv=p=0 " + path),
              "pcm_s16le\n");
}

// The other types: a killed writer leaves a file that decodes up to the cut
// (less the block the encoder still held: MP3 and Vorbis look ahead).
TEST(WavSafety, KilledRecordingsOfEveryTypeDecodeUpToTheCut) {
    TempDir dir;
    // k24.wav: a coding written as RF64 that stays plain WAV while small.
    for (const std::string name :
         {"k.vox", "k.raw", "k.g726", "k.mp3", "k.ogg", "k.wav", "k24.wav"}) {
        const std::string path = dir.File(name);
        auto configure = [name](IAudioFile& f) {
            f.SetVoxFormat(8000);
            f.SetRawFormat(3, 8000, 1, 16);
            f.SetG726Format(8000, 3);
            f.SetMp3Format(22050, 64, 1);
            f.SetOggFormat(22050, 1, 64, 0, 0, -1);
            if (name == "k24.wav")
                f.SetWavFormat(8000, 1, 24);
            else
                f.SetWavAdpcmFormat(8000, 1);
        };
        int fds[2];
        ASSERT_EQ(pipe(fds), 0);
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            close(fds[0]);
            auto f = CreateRealAudioFile();
            configure(*f);
            if (f->CreateFile(path) < 0) _exit(1);
            const Samples second = qsr::testing::Tone(f->EncoderRate(), 1, 1.0);
            for (;;) {
                f->WriteBlock(second);
                const char done = 1;
                if (write(fds[1], &done, 1) != 1) _exit(2);
            }
        }
        close(fds[1]);
        int blocks = 0;
        char c;
        while (blocks < 4 && read(fds[0], &c, 1) == 1) ++blocks;
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        close(fds[0]);
        ASSERT_EQ(blocks, 4) << name;

        auto f = CreateRealAudioFile();
        configure(*f);
        ASSERT_GE(f->OpenFile(path), 0) << name << ": " << f->LastError();
        const long rate = f->SampleRate();
        const Samples all = ReadEverything(*f);
        EXPECT_GE(static_cast<long>(all.size()), 3 * rate) << name;
        EXPECT_EQ(qsr::testing::DominantFrequency(qsr::testing::Channel(all, 1), f->SampleRate()),
                  1000.0)
            << name;
    }
}

std::uint32_t Le32(const std::string& s, size_t at) {
    std::uint32_t v;
    std::memcpy(&v, s.data() + at, 4);
    return v;
}

TEST(WavSafety, PassingTheRiffLimitSwitchesToRf64) {
    TempDir dir;
    const std::string path = dir.File("big.wav");
    std::string error;
    file::WavPcmWriter w(/*riffLimit=*/10000);
    ASSERT_TRUE(w.Open(path, 8000, 1, error)) << error;
    const Samples block = Block(1, 2000);  // 4000 bytes
    ASSERT_TRUE(w.Write(block.data(), 2000));
    std::string head = qsr::testing::ReadAll(path);
    EXPECT_EQ(head.substr(0, 4), "RIFF");
    EXPECT_EQ(Le32(head, 4), 72u + 4000u);
    EXPECT_EQ(head.substr(12, 4), "JUNK");
    EXPECT_FALSE(w.IsRf64());
    ASSERT_TRUE(w.Write(block.data(), 2000));
    ASSERT_TRUE(w.Write(block.data(), 2000));  // 12000 bytes: past the limit
    EXPECT_TRUE(w.IsRf64());
    ASSERT_TRUE(w.Close());

    head = qsr::testing::ReadAll(path);
    EXPECT_EQ(head.substr(0, 4), "RF64");
    EXPECT_EQ(Le32(head, 4), 0xFFFFFFFFu);
    EXPECT_EQ(head.substr(12, 4), "ds64");
    std::uint64_t data;
    std::memcpy(&data, head.data() + 28, 8);
    EXPECT_EQ(data, 12000u);
    EXPECT_EQ(head.substr(72, 4), "data");
    EXPECT_EQ(Le32(head, 76), 0xFFFFFFFFu);

    // Independent readers take the RF64 file whole.
    auto f = CreateRealAudioFile();
    ASSERT_GE(f->OpenFile(path), 0) << f->LastError();
    EXPECT_EQ(f->TotalSamples(), 6000);
    EXPECT_EQ(ReadEverything(*f).size(), 6000u);
    EXPECT_EQ(Capture("ffprobe -v error -show_entries stream=duration_ts -of csv=p=0 " + path),
              "6000\n");
}

}  // namespace
}  // namespace qsr::audio
