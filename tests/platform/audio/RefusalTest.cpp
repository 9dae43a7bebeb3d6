// Refused parameters and failed creates, and what ffprobe reads in our files.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "platform/audio/AudioFileComponent.h"
#include "platform/audio/LameMp3Settings.h"
#include "support/Signal.h"
#include "support/TempDir.h"

namespace qsr::audio {
namespace {

using qsr::testing::Capture;
using qsr::testing::TempDir;
using qsr::testing::Tone;

void WriteSecond(IAudioFile& f, const std::string& path) {
    ASSERT_GE(f.CreateFile(path), 0) << f.LastError();
    f.WriteBlock(Tone(f.EncoderRate(), f.EncoderChannels(), 1.0));
    f.Close();
}

TEST(Refusal, ParametersACodecCannotTakeGiveAnEmptyDescription) {
    auto f = CreateRealAudioFile();
    f->SetWavGsmFormat(44100);
    EXPECT_EQ(f->FormatDescription(), "WAV GSM 6.10, 44100 Hz, Mono");
    f->SetWavGsmFormat(16000);  // not a rate of the GSM codec
    EXPECT_EQ(f->FormatDescription(), "");
    f->SetWavFormatLikeSample("/nonexistent.wav");
    EXPECT_EQ(f->FormatDescription(), "");
    f->SetWavAdpcmFormat(44100, 3);
    EXPECT_EQ(f->FormatDescription(), "");
    f->SetVoxFormat(96000);
    EXPECT_EQ(f->FormatDescription(), "");
    f->SetOggFormat(44100, 2, 900, 0, 0, -1);  // far above what Vorbis takes
    EXPECT_EQ(f->FormatDescription(), "");
    f->SetOggFormat(44100, 2, 128, 0, 0, 1500);  // quality above 10
    EXPECT_EQ(f->FormatDescription(), "");
    f->SetG726Format(8000, 6);
    EXPECT_EQ(f->FormatDescription(), "");
    f->SetRawFormat(7, 8000, 1, 16);
    EXPECT_EQ(f->FormatDescription(), "");
    f->SetWmaFormat(99);
    EXPECT_EQ(f->FormatDescription(), "");
    f->SetMp3Format(44100, 128, 3);
    EXPECT_EQ(f->FormatDescription(), "");
    f->SetMp3Format(44100, 1000, 2);
    EXPECT_EQ(f->FormatDescription(), "");
    LameMp3Settings s;
    s.SetChannelMode(9);
    f->SetMp3Settings(s);
    EXPECT_EQ(f->FormatDescription(), "");
}

TEST(Refusal, ARefusedCodingIsNeverUsedByALaterCreate) {
    TempDir dir;
    auto f = CreateRealAudioFile();
    f->SetWavAdpcmFormat(22050, 1);
    ASSERT_FALSE(f->FormatDescription().empty());
    f->SetWavGsmFormat(32000);
    ASSERT_EQ(f->FormatDescription(), "");
    WriteSecond(*f, dir.File("a.wav"));
    EXPECT_NE(
        Capture("ffprobe -v error -show_entries stream=codec_name -of csv=p=0 " + dir.File("a.wav"))
            .find("adpcm_ima_wav"),
        std::string::npos);
}

TEST(Refusal, CreateFailsCleanlyWithAReason) {
    TempDir dir;
    auto f = CreateRealAudioFile();
    EXPECT_LT(f->CreateFile(dir.File("a.xyz")), 0);
    EXPECT_NE(f->LastError().find("unknown file type"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir.File("a.xyz")));
    EXPECT_LT(f->Status(), 0);
    EXPECT_LT(f->WriteBlock({1, 2}), 0);

    EXPECT_LT(f->CreateFile(dir.File("missing/a.wav")), 0);
    EXPECT_NE(f->LastError().find("does not exist"), std::string::npos);
    qsr::testing::WriteAll(dir.File("plain"), "x");
    EXPECT_LT(f->CreateFile(dir.File("plain/a.wav")), 0);
    EXPECT_EQ(f->LastError(),
              "the output folder " + dir.File("plain") + " is a file, not a folder");

    std::filesystem::create_directory(dir.File("ro"));
    std::filesystem::permissions(
        dir.File("ro"), std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    if (::geteuid() != 0) {  // root writes anywhere
        EXPECT_LT(f->CreateFile(dir.File("ro/a.mp3")), 0);
        EXPECT_FALSE(f->LastError().empty());
    }
    EXPECT_LT(f->OpenFile(dir.File("nothing.mp3")), 0);
    EXPECT_LT(f->OpenFile("/etc/hostname"), 0);  // not audio
    EXPECT_TRUE(f->ReadBlock(100).empty());
}

TEST(Refusal, TruncatedAndDamagedFilesReadWithoutHarm) {
    TempDir dir;
    auto f = CreateRealAudioFile();
    f->SetMp3Format(44100, 128, 2);
    f->SetOggFormat(44100, 2, 128, 0, 0, 300);
    f->SetWavAdpcmFormat(8000, 1);
    for (const char* name : {"a.mp3", "a.ogg", "a.wav", "a.wma"}) {
        WriteSecond(*f, dir.File(name));
        const std::string bytes = qsr::testing::ReadAll(dir.File(name));
        for (size_t keep : {size_t{10}, size_t{200}, bytes.size() / 2}) {
            for (bool damage : {false, true}) {
                std::string cut = bytes.substr(0, keep);
                if (damage) {
                    for (size_t i = 4; i < cut.size(); i += 7) cut[i] = static_cast<char>(~cut[i]);
                }
                const std::string path = dir.File(std::string("cut-") + name);
                std::ofstream(path, std::ios::binary) << cut;
                auto r = CreateRealAudioFile();
                if (r->OpenFile(path) < 0) continue;  // refusing is fine
                EXPECT_GE(r->TotalSamples(), 0);
                std::int64_t frames = 0;
                for (audio::Samples b; !(b = r->ReadBlock(4096)).empty();) {
                    frames += static_cast<std::int64_t>(b.size()) / r->ChannelCount();
                    ASSERT_LT(frames, 10 * 44100) << name << " keeps producing samples";
                }
            }
        }
    }
}

// Garbage in the middle of an MP3 or Ogg file: the reader passes over what it
// cannot decode, counts it, and reads the rest; a sound file counts nothing.
// (Ogg loses the whole page the garbage touches: a page of a tone that
// compresses this well holds about a second.)
TEST(Refusal, DamageInTheMiddleIsReadPastAndCounted) {
    TempDir dir;
    auto w = CreateRealAudioFile();
    w->SetMp3Format(44100, 128, 2);
    w->SetOggFormat(44100, 2, 128, 0, 0, -1);
    for (const char* name : {"a.mp3", "a.ogg"}) {
        ASSERT_GE(w->CreateFile(dir.File(name)), 0);
        ASSERT_GE(w->WriteBlock(Tone(44100, 2, 6.0)), 0);
        w->Close();
        std::string bytes = qsr::testing::ReadAll(dir.File(name));
        for (size_t i = bytes.size() / 2; i < bytes.size() / 2 + 300; ++i) bytes[i] ^= 0x5A;
        const std::string hole = dir.File(std::string("hole-") + name);
        std::ofstream(hole, std::ios::binary) << bytes;
        for (const auto& [path, damaged] : {std::pair{dir.File(name), false}, {hole, true}}) {
            auto r = CreateRealAudioFile();
            ASSERT_GE(r->OpenFile(path), 0) << path;
            std::int64_t frames = 0;
            for (Samples b; !(b = r->ReadBlock(44100)).empty();) frames += b.size() / 2;
            EXPECT_GT(frames, 44100 * (damaged ? 4.0 : 5.9)) << path;
            EXPECT_EQ(r->DamagedFrames() > 0, damaged) << path;
        }
    }
}

// A whole Ogg Vorbis file whose sound steps down (the encoder turns to short
// blocks there, where the demuxer's durations and timestamps disagree by part
// of a block) is not damaged: every sample is read and none is counted lost.
TEST(Refusal, AWholeOggWithShortBlocksCountsNoDamage) {
    TempDir dir;
    const std::string ogg = dir.File("step.ogg");
    Capture(
        "ffmpeg -v error -f lavfi -i "
        "'aevalsrc=(0.1*lt(t\\,20)+0.03*gte(t\\,20))*sin(2*PI*1000*t):s=48000:d=40' "
        "-ac 2 -c:a libvorbis -q:a 6 -y " +
        ogg);
    auto r = CreateRealAudioFile();
    ASSERT_GE(r->OpenFile(ogg), 0);
    std::int64_t frames = 0;
    for (Samples b; !(b = r->ReadBlock(48000)).empty();) frames += b.size() / 2;
    EXPECT_EQ(frames, 40 * 48000);
    EXPECT_EQ(r->DamagedFrames(), 0);
}

// What an independent reader sees: codec, rate, channels.
std::string Probe(const std::string& path) {
    return Capture(
        "ffprobe -v error -show_entries stream=codec_name,sample_rate,channels -of "
        "csv=p=0 '" +
        path + "'");
}

TEST(Ffprobe, AgreesWithWhatWeMeant) {
    TempDir dir;
    auto f = CreateRealAudioFile();
    f->SetWavFormat(48000, 2, 16);
    WriteSecond(*f, dir.File("a.wav"));
    EXPECT_EQ(Probe(dir.File("a.wav")), "pcm_s16le,48000,2\n");
    f->SetMp3Format(32000, 96, 1);
    WriteSecond(*f, dir.File("a.mp3"));
    EXPECT_EQ(Probe(dir.File("a.mp3")), "mp3,32000,1\n");
    f->SetOggFormat(44100, 2, 128, 0, 0, 300);
    WriteSecond(*f, dir.File("a.ogg"));
    EXPECT_EQ(Probe(dir.File("a.ogg")), "vorbis,44100,2\n");
    f->SetWmaFormat(24);
    WriteSecond(*f, dir.File("a.wma"));
    EXPECT_EQ(Probe(dir.File("a.wma")), "wmav2,44100,2\n");
    EXPECT_NE(
        Capture("ffprobe -v error -show_entries stream=bit_rate -of csv=p=0 " + dir.File("a.wma")),
        "");
    f->SetWavAdpcmFormat(8000, 2);
    WriteSecond(*f, dir.File("b.wav"));
    EXPECT_EQ(Probe(dir.File("b.wav")), "adpcm_ima_wav,8000,2\n");
    f->SetWavGsmFormat(8000);
    WriteSecond(*f, dir.File("c.wav"));
    EXPECT_EQ(Probe(dir.File("c.wav")), "gsm_ms,8000,1\n");
}

// A WMA file that cannot be made is cleaned away only when this create made
// it: a link or folder that stood at the path before stays.
TEST(Refusal, AFailedWmaCreateNeverRemovesWhatWasThere) {
    namespace fs = std::filesystem;
    TempDir dir;
    auto f = CreateRealAudioFile();
    f->SetWmaFormat(24);
    const std::string link = dir.File("link.wma");
    fs::create_symlink(dir.File("no-such-folder/x.wma"), link);
    const std::string folder = dir.File("folder.wma");
    fs::create_directory(folder);
    for (const std::string& path : {link, folder}) {
        EXPECT_LT(f->CreateFile(path), 0) << path;
        EXPECT_TRUE(fs::exists(fs::symlink_status(path))) << path << " was removed";
    }
    EXPECT_TRUE(fs::is_symlink(link));
}

}  // namespace
}  // namespace qsr::audio
