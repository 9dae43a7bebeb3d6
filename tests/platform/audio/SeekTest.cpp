// Seeking through the container's index lands on the exact sample: what a seek
// then reads equals what decoding from the start gives at that place.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>

#include "platform/audio/AudioFileComponent.h"
#include "support/Signal.h"
#include "support/TempDir.h"

namespace qsr::audio {
namespace {

using qsr::testing::Capture;
using qsr::testing::TempDir;

// 40 s of a sweep with a little noise, so every place in the file differs.
std::string MakeSource(TempDir& dir, int rate, int channels) {
    const std::string wav = dir.File("src.wav");
    Capture("ffmpeg -v error -f lavfi -i 'aevalsrc=0.4*sin(200*t*t)+0.05*random(0):s=" +
            std::to_string(rate) + ":d=40' -ac " + std::to_string(channels) +
            " -c:a pcm_s16le -y " + wav);
    return wav;
}

Samples ReadWhole(IAudioFile& f, const std::string& path) {
    Samples all;
    EXPECT_GE(f.OpenFile(path), 0) << f.LastError();
    for (Samples b; !(b = f.ReadBlock(30000)).empty();) all.insert(all.end(), b.begin(), b.end());
    EXPECT_EQ(f.DamagedFrames(), 0) << path;  // a sound file is read without complaint
    f.Close();
    return all;
}

// Seeks back and forth in one open file and compares 3000 frames after each
// landing with the same frames of the whole decode.
void ExpectExactSeeks(const std::string& path, const std::string& name, int g726Bits = 4) {
    auto f = CreateRealAudioFile();
    f->SetG726Format(8000, g726Bits);  // headerless: read as written
    const Samples whole = ReadWhole(*f, path);
    ASSERT_GE(f->OpenFile(path), 0) << name;
    const int ch = f->ChannelCount();
    const std::int64_t frames = static_cast<std::int64_t>(whole.size()) / ch;
    ASSERT_GT(frames, 30 * f->SampleRate()) << name;
    std::mt19937 random(7);
    std::vector<std::int64_t> targets = {frames - 5000, 3 * f->SampleRate(), 0, frames / 2,
                                         frames / 2 + 100};
    for (int i = 0; i < 6; ++i) targets.push_back(random() % (frames - 3000));
    for (const std::int64_t at : targets) {
        ASSERT_EQ(f->Seek(at), at) << name;
        const Samples got = f->ReadBlock(3000);
        const auto from = whole.begin() + static_cast<long>(at * ch);
        const auto to = whole.begin() + std::min<long>(static_cast<long>((at + 3000) * ch),
                                                       static_cast<long>(whole.size()));
        ASSERT_EQ(Samples(from, to), got) << name << " at " << at;
    }
    f->Close();
}

TEST(Seek, LandsOnTheExactSampleInFilesOfEveryMaker) {
    TempDir dir;
    const std::string mono = MakeSource(dir, 22050, 1);
    const std::string stereo = dir.File("stereo.wav");
    Capture("ffmpeg -v error -i " + mono + " -ac 2 -ar 44100 -y " + stereo);
    struct Made {
        const char* name;
        std::string command;
    };
    const std::vector<Made> made = {
        {"cbr.mp3", "lame --silent -b 64 " + stereo + " " + dir.File("cbr.mp3")},
        {"vbr.mp3", "lame --silent -V 5 " + mono + " " + dir.File("vbr.mp3")},
        // No Xing/LAME frame (no delay to drop), and one behind an ID3v2 tag.
        {"bare.mp3", "lame --silent -t -b 96 " + stereo + " " + dir.File("bare.mp3")},
        {"tagged.mp3",
         "lame --silent --add-id3v2 --tt Title -b 64 " + mono + " " + dir.File("tagged.mp3")},
        {"q.ogg", "oggenc -Q -q 2 -o " + dir.File("q.ogg") + " " + stereo},
        {"m.ogg", "oggenc -Q -q 0 -o " + dir.File("m.ogg") + " " + mono},
        {"a.flac", "sox " + stereo + " " + dir.File("a.flac")},
        {"a.aiff", "sox " + mono + " " + dir.File("a.aiff")},
    };
    for (const Made& m : made) {
        Capture(m.command);
        ASSERT_TRUE(std::filesystem::exists(dir.File(m.name))) << m.command;
        ExpectExactSeeks(dir.File(m.name), m.name);
    }
}

TEST(Seek, LandsOnTheExactSampleInOurOwnMp3AndOgg) {
    TempDir dir;
    const std::string source = MakeSource(dir, 44100, 2);
    auto reader = CreateRealAudioFile();
    const Samples pcm = ReadWhole(*reader, source);
    auto w = CreateRealAudioFile();
    w->SetMp3Format(44100, 128, 2);
    w->SetOggFormat(44100, 2, 96, 0, 0, -1);
    for (const char* name : {"ours.mp3", "ours.ogg"}) {
        ASSERT_GE(w->CreateFile(dir.File(name)), 0) << w->LastError();
        for (size_t i = 0; i < pcm.size(); i += 8820) {
            const Samples b(pcm.begin() + static_cast<long>(i),
                            pcm.begin() + static_cast<long>(std::min(pcm.size(), i + 8820)));
            ASSERT_GE(w->WriteBlock(b), 0);
        }
        w->Close();
        ExpectExactSeeks(dir.File(name), name);
    }
}

// A cut file whose header still gives the whole length: a seek past what is
// there goes to its real end; one inside it lands exactly.
TEST(Seek, ACutFileSeeksToItsRealEnd) {
    TempDir dir;
    const std::string source = MakeSource(dir, 44100, 2);
    for (const char* name : {"cut.mp3", "cut.ogg"}) {
        const std::string whole = dir.File(std::string("whole-") + name);
        Capture(std::string(name).find("mp3") != std::string::npos
                    ? "lame --silent -b 96 " + source + " " + whole
                    : "oggenc -Q -q 1 -o " + whole + " " + source);
        const std::string bytes = qsr::testing::ReadAll(whole);
        std::ofstream(dir.File(name), std::ios::binary) << bytes.substr(0, bytes.size() * 6 / 10);
        auto f = CreateRealAudioFile();
        const Samples there = ReadWhole(*f, dir.File(name));
        const auto frames = static_cast<std::int64_t>(there.size() / 2);
        ASSERT_GE(f->OpenFile(dir.File(name)), 0);
        EXPECT_EQ(f->Seek(f->TotalSamples()), frames) << name;
        EXPECT_TRUE(f->ReadBlock(1000).empty()) << name;
        EXPECT_EQ(f->Seek(frames / 2), frames / 2) << name;
        const Samples got = f->ReadBlock(1000);
        EXPECT_TRUE(std::equal(got.begin(), got.end(), there.begin() + frames / 2 * 2)) << name;
    }
}

// G.726 is read piece by piece; a seek back starts from the decoder state
// kept at the nearest piece passed.
TEST(Seek, G726BackAndForthMatchesTheWholeDecode) {
    TempDir dir;
    auto f = CreateRealAudioFile();
    const Samples pcm = ReadWhole(*f, MakeSource(dir, 8000, 1));
    for (int bits : {3, 4, 5}) {
        f->SetG726Format(8000, bits);
        const std::string path = dir.File(std::to_string(bits) + ".g726");
        ASSERT_GE(f->CreateFile(path), 0);
        ASSERT_GE(f->WriteBlock(pcm), 0);
        f->Close();
        ExpectExactSeeks(path, path, bits);
    }
}

}  // namespace
}  // namespace qsr::audio
