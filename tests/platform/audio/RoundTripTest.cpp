// Every type and variant: encode a 3 s 1 kHz tone, read it back, compare.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

#include "fakes/FakeServices.h"
#include "platform/audio/AudioFileComponent.h"
#include "platform/audio/LameMp3Settings.h"
#include "support/Signal.h"
#include "support/TempDir.h"

namespace qsr::audio {
namespace {

using qsr::testing::Channel;
using qsr::testing::DominantFrequency;
using qsr::testing::SnrDb;
using qsr::testing::TempDir;
using qsr::testing::Tone;

constexpr double kSeconds = 3.0;

struct Decoded {
    Samples samples;
    int rate = 0, channels = 0;
    std::int64_t total = 0;
};

// Writes the tone in one-second blocks at the encoder's own format.
void WriteTone(IAudioFile& f, const std::string& path) {
    ASSERT_GE(f.CreateFile(path), 0) << f.LastError();
    const int rate = f.EncoderRate(), ch = f.EncoderChannels();
    const Samples tone = Tone(rate, ch, kSeconds);
    const size_t block = static_cast<size_t>(rate * ch);
    for (size_t i = 0; i < tone.size(); i += block) {
        Samples b(tone.begin() + static_cast<long>(i),
                  tone.begin() + static_cast<long>(std::min(tone.size(), i + block)));
        ASSERT_GE(f.WriteBlock(b), 0);
    }
    f.Close();
}

Decoded ReadAll(IAudioFile& f, const std::string& path) {
    Decoded d;
    EXPECT_GE(f.OpenFile(path), 0) << f.LastError();
    d.rate = f.SampleRate();
    d.channels = f.ChannelCount();
    d.total = f.TotalSamples();
    for (;;) {
        const Samples b = f.ReadBlock(10000);
        if (b.empty()) break;
        d.samples.insert(d.samples.end(), b.begin(), b.end());
    }
    f.Close();
    return d;
}

void ExpectTone(const Decoded& d, int rate, int channels, long tolerance) {
    EXPECT_EQ(d.rate, rate);
    EXPECT_EQ(d.channels, channels);
    const long frames = static_cast<long>(d.samples.size()) / std::max(d.channels, 1);
    EXPECT_NEAR(frames, rate * kSeconds, tolerance);
    EXPECT_NEAR(d.total, rate * kSeconds, tolerance);
    for (int c = 0; c < channels; ++c) {
        EXPECT_EQ(DominantFrequency(Channel(d.samples, channels, c), rate), 1000.0);
    }
}

TEST(RoundTrip, PcmWavAndRaw16AreBitExact) {
    TempDir dir;
    auto f = CreateRealAudioFile();
    for (int ch : {1, 2}) {
        f->SetWavFormat(44100, ch, 16);
        ASSERT_EQ(f->FormatDescription(),
                  std::string("WAV PCM 16 bit, 44100 Hz, ") + (ch == 1 ? "Mono" : "Stereo"));
        WriteTone(*f, dir.File("a.WAV"));  // the extension is case-insensitive
        Decoded d = ReadAll(*f, dir.File("a.WAV"));
        EXPECT_EQ(d.samples, Tone(44100, ch, kSeconds));
        EXPECT_EQ(d.total, 44100 * 3);

        f->SetRawFormat(1, 22050, ch, 16);
        WriteTone(*f, dir.File("a.raw"));
        d = ReadAll(*f, dir.File("a.raw"));
        EXPECT_EQ(d.rate, 22050);
        EXPECT_EQ(d.samples, Tone(22050, ch, kSeconds));
    }
}

// A file opened for playing is described as the program's own recordings
// are; ffmpeg writes the Ogg file, so the reader meets another encoder's work.
TEST(RoundTrip, OpenedFilesAreDescribedInTheProgramsOwnWords) {
    TempDir dir;
    auto f = CreateRealAudioFile();
    f->SetMp3Format(44100, 128, 2);
    WriteTone(*f, dir.File("a.mp3"));
    ASSERT_GE(f->OpenFile(dir.File("a.mp3")), 0) << f->LastError();
    EXPECT_EQ(f->FormatDescription(), "MP3 128 kbit/s, 44100 Hz, Stereo");
    ASSERT_EQ(std::system(("ffmpeg -v error -f lavfi -i sine=frequency=1000:duration=1 -ar 22050 "
                           "-c:a libvorbis -y " +
                           dir.File("b.ogg"))
                              .c_str()),
              0);
    ASSERT_GE(f->OpenFile(dir.File("b.ogg")), 0) << f->LastError();
    EXPECT_EQ(f->FormatDescription().rfind("OGG Vorbis ", 0), 0u) << f->FormatDescription();
    EXPECT_NE(f->FormatDescription().find(", 22050 Hz, Mono"), std::string::npos)
        << f->FormatDescription();
}

TEST(RoundTrip, RawALawAndMuLawWithinQuantisation) {
    TempDir dir;
    auto f = CreateRealAudioFile();
    for (int compression : {2, 3}) {
        f->SetRawFormat(compression, 8000, 1, 16);
        ASSERT_FALSE(f->FormatDescription().empty());
        WriteTone(*f, dir.File("t.raw"));
        const Decoded d = ReadAll(*f, dir.File("t.raw"));
        ExpectTone(d, 8000, 1, 0);
        // 8-bit logarithmic codes: each value within 1/16 of its size (plus a step).
        const Samples original = Tone(8000, 1, kSeconds);
        ASSERT_EQ(d.samples.size(), original.size());
        for (size_t i = 0; i < original.size(); ++i) {
            ASSERT_LE(std::abs(d.samples[i] - original[i]), std::abs(original[i]) / 16 + 64)
                << "compression " << compression << " at " << i;
        }
    }
}

TEST(RoundTrip, VoxTakesBlocksOfOddLength) {
    // Two samples share a byte: an odd block's last sample waits for the next
    // one instead of failing the write; the last is completed at close.
    TempDir dir;
    auto f = CreateRealAudioFile();
    f->SetVoxFormat(8000);
    ASSERT_GE(f->CreateFile(dir.File("odd.vox")), 0);
    const Samples tone = Tone(8000, 1, 1.0);
    std::size_t at = 0;
    for (std::size_t length : {101u, 3000u, 999u, 3900u}) {
        ASSERT_GE(f->WriteBlock(Samples(tone.begin() + static_cast<long>(at),
                                        tone.begin() + static_cast<long>(at + length))),
                  0)
            << length;
        at += length;
    }
    f->Close();
    EXPECT_GE(f->Status(), 0);
    const Decoded d = ReadAll(*f, dir.File("odd.vox"));
    EXPECT_EQ(d.samples.size(), 8000u);
    EXPECT_GT(SnrDb(Channel(tone, 1), Channel(d.samples, 1)), 15.0);
}

TEST(RoundTrip, VoxAndG726KeepTheToneAboveTheirNoiseFloor) {
    TempDir dir;
    auto f = CreateRealAudioFile();
    f->SetVoxFormat(8000);
    EXPECT_EQ(f->FormatDescription(), "VOX Dialogic ADPCM, 8000 Hz, Mono");
    WriteTone(*f, dir.File("t.vox"));
    Decoded d = ReadAll(*f, dir.File("t.vox"));
    ExpectTone(d, 8000, 1, 1);
    const auto original = Channel(Tone(8000, 1, kSeconds), 1);
    EXPECT_GT(SnrDb(original, Channel(d.samples, 1)), 15.0);

    // Fewer bits, more noise: 16 kbit/s G.726 is a rough codec.
    const double floors[] = {0, 0, 5.0, 10.0, 15.0, 20.0};
    for (int bits = 2; bits <= 5; ++bits) {
        f->SetG726Format(8000, bits);
        ASSERT_FALSE(f->FormatDescription().empty());
        WriteTone(*f, dir.File("t.g726"));
        d = ReadAll(*f, dir.File("t.g726"));
        ExpectTone(d, 8000, 1, 1);
        EXPECT_GT(SnrDb(original, Channel(d.samples, 1)), floors[bits]) << bits << " bits";
    }
    // The bitrate stated is bits per sample times the sample rate.
    f->SetG726Format(8000, 3);
    EXPECT_EQ(f->FormatDescription(), "G.726 ADPCM 24 kbit/s (3 bit), 8000 Hz, Mono");
    f->SetG726Format(11025, 3);
    EXPECT_EQ(f->FormatDescription(), "G.726 ADPCM 33.075 kbit/s (3 bit), 11025 Hz, Mono");
    f->SetG726Format(22050, 2);
    EXPECT_EQ(f->FormatDescription(), "G.726 ADPCM 44.1 kbit/s (2 bit), 22050 Hz, Mono");
    f->SetG726Format(16000, 5);
    EXPECT_EQ(f->FormatDescription(), "G.726 ADPCM 80 kbit/s (5 bit), 16000 Hz, Mono");
}

// 3- and 5-bit codes end mid-byte: the last codes reach the file in a padded
// byte, and decode as they would with more audio after them.
TEST(RoundTrip, G726KeepsTheCodesOfItsLastPartialByte) {
    TempDir dir;
    auto f = CreateRealAudioFile();
    const Samples tone = Tone(8000, 1, 0.5);
    for (int bits : {3, 5}) {
        f->SetG726Format(8000, bits);
        const long n = 4001;  // 4001 x bits is not a whole number of bytes
        for (const long count : {n, n + 8}) {
            ASSERT_GE(f->CreateFile(dir.File(std::to_string(count) + ".g726")), 0);
            ASSERT_GE(f->WriteBlock(Samples(tone.begin(), tone.begin() + count)), 0);
            f->Close();
        }
        EXPECT_EQ(std::filesystem::file_size(dir.File(std::to_string(n) + ".g726")),
                  static_cast<std::uintmax_t>((n * bits + 7) / 8))
            << bits;
        const Samples shorter = ReadAll(*f, dir.File(std::to_string(n) + ".g726")).samples;
        const Samples longer = ReadAll(*f, dir.File(std::to_string(n + 8) + ".g726")).samples;
        ASSERT_GE(shorter.size(), static_cast<size_t>(n)) << bits;
        EXPECT_TRUE(std::equal(shorter.begin(), shorter.begin() + n, longer.begin())) << bits;
    }
}

TEST(RoundTrip, WavCodecVariants) {
    TempDir dir;
    qsr::fakes::FakeInputBox chooser;
    auto f = CreateRealAudioFile(&chooser);
    const auto original8k = Channel(Tone(8000, 1, kSeconds), 1);

    f->SetWavAdpcmFormat(22050, 2);
    EXPECT_EQ(f->FormatDescription(), "WAV IMA ADPCM, 22050 Hz, Stereo");
    WriteTone(*f, dir.File("ima.wav"));
    Decoded d = ReadAll(*f, dir.File("ima.wav"));
    ExpectTone(d, 22050, 2, 2041);  // one IMA ADPCM block: the last one is whole
    EXPECT_GT(SnrDb(Channel(Tone(22050, 2, kSeconds), 2), Channel(d.samples, 2)), 20.0);

    f->SetWavGsmFormat(8000);
    EXPECT_EQ(f->FormatDescription(), "WAV GSM 6.10, 8000 Hz, Mono");
    WriteTone(*f, dir.File("gsm.wav"));
    d = ReadAll(*f, dir.File("gsm.wav"));
    ExpectTone(d, 8000, 1, 320);
    EXPECT_GT(SnrDb(original8k, Channel(d.samples, 1), 400), 5.0);

    f->SetWavDspFormat();
    EXPECT_EQ(f->FormatDescription(), "WAV G.721 ADPCM 32 kbit/s, 8000 Hz, Mono");
    WriteTone(*f, dir.File("dsp.wav"));
    d = ReadAll(*f, dir.File("dsp.wav"));
    ExpectTone(d, 8000, 1, 8);
    EXPECT_GT(SnrDb(original8k, Channel(d.samples, 1)), 15.0);

    // From the list: Microsoft ADPCM at the last WAV rate and channels (8000 mono).
    f->SetWavFormat(16000, 1, 16);
    chooser.choices = {5, -1};
    EXPECT_EQ(f->ChooseWavFormatFromMenu(), 5);
    EXPECT_EQ(f->FormatDescription(), "WAV Microsoft ADPCM, 16000 Hz, Mono");
    // Cancel keeps the coding, and the description then tells the WAV format
    // in force even when another type's format was set in between.
    f->SetOggFormat(44100, 2, 128, 0, 0, 300);
    EXPECT_EQ(f->ChooseWavFormatFromMenu(), -1);
    EXPECT_EQ(f->FormatDescription(), "WAV Microsoft ADPCM, 16000 Hz, Mono");
    WriteTone(*f, dir.File("ms.wav"));
    d = ReadAll(*f, dir.File("ms.wav"));
    ExpectTone(d, 16000, 1, 1024);
    // After opening, the description tells what the file holds.
    EXPECT_EQ(f->FormatDescription(), "WAV Microsoft ADPCM, 16000 Hz, Mono");
    auto noList = CreateRealAudioFile();
    noList->SetVoxFormat(8000);
    EXPECT_EQ(noList->ChooseWavFormatFromMenu(), -1);  // no list to show
    EXPECT_EQ(noList->FormatDescription(), "WAV PCM 16 bit, 44100 Hz, Stereo");

    // Like a sample: the GSM file made above.
    auto g = CreateRealAudioFile();
    g->SetWavFormatLikeSample(dir.File("gsm.wav"));
    EXPECT_EQ(g->FormatDescription(), "WAV GSM 6.10, 8000 Hz, Mono");
    g->SetWavFormatLikeSample(dir.File("t.g726-missing.wav"));
    EXPECT_EQ(g->FormatDescription(), "");
}

TEST(RoundTrip, Mp3CbrVbrAndMono) {
    TempDir dir;
    auto f = CreateRealAudioFile();
    f->SetMp3Format(44100, 128, 2);
    EXPECT_EQ(f->FormatDescription(), "MP3 128 kbit/s, 44100 Hz, Joint Stereo");
    WriteTone(*f, dir.File("cbr.mp3"));
    // The LAME header frame gives the exact length back.
    ExpectTone(ReadAll(*f, dir.File("cbr.mp3")), 44100, 2, 1152);

    LameMp3Settings s;
    s.SetVbrMethod(3);
    s.SetVbrQuality(2);
    s.SetBitrate(32);
    s.SetSampleRate(32000);
    s.SetChannelMode(5);
    f->SetMp3Settings(s);
    EXPECT_EQ(f->FormatDescription(), "MP3 VBR quality 2 (32-320 kbit/s), 32000 Hz, Mono");
    WriteTone(*f, dir.File("vbr.mp3"));
    EXPECT_EQ(f->EncoderRate(), 32000);
    EXPECT_EQ(f->EncoderChannels(), 1);
    ExpectTone(ReadAll(*f, dir.File("vbr.mp3")), 32000, 1, 1152);
}

TEST(Mp3Settings, EveryModeReachesLameAndIsReadBack) {
    auto f = CreateRealAudioFile();
    LameMp3Settings s;
    s.SetVbrMethod(4);
    s.SetAbrBitrate(160);
    f->SetMp3Settings(s);
    EXPECT_EQ(f->FormatDescription(), "MP3 ABR 160 kbit/s, 44100 Hz, Joint Stereo");
    s.SetVbrMethod(-1);
    s.SetBitrate(192);
    for (int mode = 1; mode <= 5; ++mode) {
        s.SetChannelMode(mode);
        f->SetMp3Settings(s);
        static const char* kNames[] = {"Stereo", "Joint Stereo", "Forced Joint Stereo",
                                       "Dual Channels", "Mono"};
        EXPECT_EQ(f->FormatDescription(),
                  std::string("MP3 192 kbit/s, 44100 Hz, ") + kNames[mode - 1]);
    }
    // MPEG-1 has no 8 kbit/s: LAME would pick another, so the format is refused.
    f->SetMp3Format(44100, 8, 2);
    EXPECT_EQ(f->FormatDescription(), "");
    f->SetMp3Format(8000, 8, 1);
    EXPECT_EQ(f->FormatDescription(), "MP3 8 kbit/s, 8000 Hz, Mono");

    // CRC and the filters end up in the file.
    TempDir dir;
    s.SetChannelMode(2);
    s.SetCrc(true);
    s.SetLowPassFrequency(4000);
    f->SetMp3Settings(s);
    WriteTone(*f, dir.File("crc.mp3"));
    ASSERT_GE(f->OpenFile(dir.File("crc.mp3")), 0);
    const Samples all = f->ReadBlock(44100 * 3);
    EXPECT_EQ(DominantFrequency(Channel(all, 2), 44100), 1000.0);
    const std::string bytes = qsr::testing::ReadAll(dir.File("crc.mp3"));
    // Walk the MPEG-1 Layer III frames: each header's protection bit is 0
    // when a CRC follows.
    static const int kKbps[] = {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320};
    int frames = 0, protectedFrames = 0;
    for (size_t at = 0; at + 4 <= bytes.size();) {
        const auto b1 = static_cast<unsigned char>(bytes[at + 1]);
        const auto b2 = static_cast<unsigned char>(bytes[at + 2]);
        ASSERT_EQ(static_cast<unsigned char>(bytes[at]), 0xFF) << "frame " << frames;
        const int index = b2 >> 4;
        ASSERT_TRUE(index > 0 && index < 15);
        ++frames;
        if ((b1 & 1) == 0) ++protectedFrames;
        at += static_cast<size_t>(144000 * kKbps[index] / 44100 + ((b2 >> 1) & 1));
    }
    EXPECT_GT(frames, 100);
    EXPECT_EQ(protectedFrames, frames);
}

// Root mean square of an 18 kHz tone written at 128 kbit/s with the given
// low-pass, read back (one channel, the first and last 0.2 s left out).
double HighToneLevel(int lowPass) {
    TempDir dir;
    auto f = CreateRealAudioFile();
    LameMp3Settings s;
    s.SetLowPassFrequency(lowPass);
    f->SetMp3Settings(s);
    EXPECT_NE(f->FormatDescription(), "");
    const std::string path = dir.File("high.mp3");
    EXPECT_GE(f->CreateFile(path), 0) << f->LastError();
    EXPECT_GE(f->WriteBlock(Tone(44100, 2, 2.0, 18000.0)), 0);
    f->Close();
    const Samples all = ReadAll(*f, path).samples;
    const std::vector<double> x = Channel(all, 2);
    double sum = 0;
    size_t n = 0;
    for (size_t i = 8820; i + 8820 < x.size(); ++i, ++n) sum += x[i] * x[i];
    return n ? std::sqrt(sum / static_cast<double>(n)) : 0.0;
}

// A fresh object shows both filters off, and off leaves LAME its own filter
// for the bitrate: a default recording is encoded exactly as before.
TEST(Mp3Settings, OffLeavesTheEncodersOwnFilterAndASetOneIsUsed) {
    const LameMp3Settings fresh;
    EXPECT_EQ(fresh.LowPassFrequency(), -1);
    EXPECT_EQ(fresh.HighPassFrequency(), -1);
    // The tone's own level is 12000 / sqrt(2), about 8485.
    EXPECT_LT(HighToneLevel(-1), 1000.0);  // the encoder's own low-pass for 128 kbit/s
    EXPECT_LT(HighToneLevel(0), 1000.0);
    EXPECT_LT(HighToneLevel(12000), 1000.0);
    EXPECT_GT(HighToneLevel(20000), 4000.0);  // a frequency the user set is used
}

TEST(RoundTrip, OggQualityAndBitrate) {
    TempDir dir;
    auto f = CreateRealAudioFile();
    f->SetOggFormat(44100, 2, 128, 0, 0, 300);
    EXPECT_EQ(f->FormatDescription(), "OGG Vorbis quality 3.00, 44100 Hz, Stereo");
    WriteTone(*f, dir.File("q.ogg"));
    ExpectTone(ReadAll(*f, dir.File("q.ogg")), 44100, 2, 64);

    f->SetOggFormat(44100, 2, 128, 96, 160, -1);
    EXPECT_EQ(f->FormatDescription(), "OGG Vorbis 128 kbit/s (96-160 kbit/s), 44100 Hz, Stereo");
    WriteTone(*f, dir.File("b.ogg"));
    ExpectTone(ReadAll(*f, dir.File("b.ogg")), 44100, 2, 64);
}

TEST(RoundTrip, WmaProfiles24And39) {
    TempDir dir;
    auto f = CreateRealAudioFile();
    for (int profile : {24, 39, 20}) {
        f->SetWmaFormat(profile);
        ASSERT_FALSE(f->FormatDescription().empty());
        WriteTone(*f, dir.File("t.wma"));
        const int rate = profile == 20 ? 22050 : 44100, ch = profile == 20 ? 1 : 2;
        ExpectTone(ReadAll(*f, dir.File("t.wma")), rate, ch, 4096);
    }
    f->SetWmaFormat(39);
    EXPECT_EQ(f->FormatDescription(), "WMA profile 39: 128 kbit/s, 44100 Hz, Stereo");
}

TEST(RoundTrip, InputIsResampledAndRemixedToTheEncoder) {
    TempDir dir;
    auto f = CreateRealAudioFile();
    f->SetWavFormat(44100, 2, 16);
    ASSERT_GE(f->CreateFile(dir.File("up.wav")), 0);
    f->SetInputFormat(22050, 1);
    const Samples tone = Tone(22050, 1, kSeconds);
    for (size_t i = 0; i < tone.size(); i += 22050) {
        f->WriteBlock(Samples(tone.begin() + static_cast<long>(i),
                              tone.begin() + static_cast<long>(i + 22050)));
    }
    f->Close();
    ExpectTone(ReadAll(*f, dir.File("up.wav")), 44100, 2, 64);

    // Stereo into mono averages the two channels.
    f->SetWavFormat(8000, 1, 16);
    ASSERT_GE(f->CreateFile(dir.File("down.wav")), 0);
    f->SetInputFormat(8000, 2);
    f->WriteBlock({1000, 3000, -100, -300});
    f->Close();
    EXPECT_EQ(ReadAll(*f, dir.File("down.wav")).samples, (Samples{2000, -200}));
}

TEST(Reader, ReadsWhatOtherToolsWrite) {
    TempDir dir;
    struct Case {
        const char* name;
        const char* codec;
        int rate, channels;
    };
    const Case cases[] = {
        {"a.aiff", "pcm_s16be", 22050, 2}, {"a.au", "pcm_mulaw", 8000, 1},
        {"a.flac", "flac", 48000, 2},      {"a.wav", "pcm_s24le", 44100, 1},
        {"b.wav", "adpcm_ms", 11025, 2},   {"a.m4a", "aac", 44100, 2},
    };
    auto f = CreateRealAudioFile();
    for (const Case& c : cases) {
        const std::string path = dir.File(c.name);
        qsr::testing::Capture(
            "ffmpeg -v error -f lavfi -i sine=f=1000:d=3:r=" + std::to_string(c.rate) + " -ac " +
            std::to_string(c.channels) + " -c:a " + c.codec + " -y " + path);
        ASSERT_TRUE(std::filesystem::exists(path)) << c.name;
        // AAC and MS ADPCM pad to whole frames or blocks.
        ExpectTone(ReadAll(*f, path), c.rate, c.channels, 2048);
    }
}

TEST(RoundTrip, SeekAndSizeValue) {
    TempDir dir;
    auto f = CreateRealAudioFile();
    for (const char* name : {"s.wav", "s.mp3", "s.g726"}) {
        f->SetWavFormat(8000, 1, 16);
        f->SetMp3Format(44100, 128, 2);
        f->SetG726Format(8000, 4);
        WriteTone(*f, dir.File(name));
        Decoded whole = ReadAll(*f, dir.File(name));
        ASSERT_GE(f->OpenFile(dir.File(name)), 0);
        EXPECT_DOUBLE_EQ(f->SizeValue(), 2.0 * f->ChannelCount());
        f->ReadBlock(5000);
        EXPECT_EQ(f->Seek(1234), 1234) << name;
        const Samples after = f->ReadBlock(100);
        ASSERT_EQ(after.size(), 100u * static_cast<size_t>(f->ChannelCount()));
        const size_t at = 1234u * static_cast<size_t>(f->ChannelCount());
        EXPECT_TRUE(
            std::equal(after.begin(), after.end(), whole.samples.begin() + static_cast<long>(at)))
            << name;
        f->Close();
    }
}

}  // namespace
}  // namespace qsr::audio
