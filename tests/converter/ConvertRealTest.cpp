// The real file component converting a tone; ffprobe reads what was written.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>

#include "converter/ConvertJob.h"
#include "converter/ConvertRules.h"
#include "platform/audio-api/WmaProfiles.h"
#include "platform/pulse/RealAudioEngine.h"
#include "support/Signal.h"
#include "support/TempDir.h"

namespace qsr::converter {
namespace {

std::string Probe(const std::string& path, const std::string& entries) {
    const std::string cmd = "ffprobe -v error -select_streams a:0 -show_entries " + entries +
                            " -of default=nw=1:nk=1 '" + path + "' 2>&1";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(cmd.c_str(), "r"), pclose);
    std::string text;
    std::array<char, 256> buf{};
    while (pipe && fgets(buf.data(), buf.size(), pipe.get())) text += buf.data();
    return text;
}

struct Expect {
    std::string codec;
    int rate, channels;
};

TEST(ConvertReal, ToneToWmaMp3AndOgg) {
    testing::TempDir dir;
    const std::string input = dir.File("tone.wav");
    qsr::testing::WriteToneWav(input, 44100, 2, 3.0, 440.0, 8000.0);
    auto engine = audio::CreateRealAudioEngine();
    auto reader = engine->CreateFile();
    auto writer = engine->CreateFile();
    auto mp3 = engine->CreateMp3Settings();
    reader->SetOption(true);
    writer->SetOption(true);
    writer->SetOggFormat(44100, 2, 128, 0, 0, -1);
    writer->SetMp3Format(44100, 128, 2);
    const int profile = 23;  // 48 kbit/s mono: differs from the input in channels
    writer->SetWmaFormat(profile);
    const auto* wma = audio::FindWmaProfile(profile);
    ASSERT_NE(wma, nullptr);

    const std::string stem = *OutputStem(input, *LookupInputName(input));
    const std::pair<std::string, Expect> cases[] = {
        {WmaName(stem, profile), {"wmav2", wma->rate, wma->channels}},
        {Mp3Name(stem, mp3->Bitrate()), {"mp3", 44100, 2}},
        {OggName(stem), {"vorbis", 44100, 2}},
    };
    ConvertJob job(*reader, *writer);
    for (const auto& [target, want] : cases) {
        SCOPED_TRACE(target);
        ASSERT_EQ(job.Convert(input, target), ConvertJob::Outcome::Complete) << job.Reason();
        EXPECT_EQ(Probe(target, "stream=codec_name,sample_rate,channels"),
                  want.codec + "\n" + std::to_string(want.rate) + "\n" +
                      std::to_string(want.channels) + "\n");
        const double duration = std::stod(Probe(target, "format=duration"));
        EXPECT_NEAR(duration, 3.0, 0.15);
    }
    EXPECT_EQ(Mp3Name(stem, mp3->Bitrate()), dir.File("tone_128kbps.mp3"));
    // The bitrate of the chosen profile is the one written.
    const long bitrate = std::stol(Probe(cases[0].first, "stream=bit_rate"));
    EXPECT_NEAR(bitrate / 1000.0, wma->kbps, 2.0);
}

TEST(ConvertReal, CancelledFileIsClosedAndPlayable) {
    testing::TempDir dir;
    const std::string input = dir.File("tone.wav");
    qsr::testing::WriteToneWav(input, 44100, 2, 3.0, 440.0, 8000.0);
    auto engine = audio::CreateRealAudioEngine();
    auto reader = engine->CreateFile();
    auto writer = engine->CreateFile();
    writer->SetOggFormat(44100, 2, 128, 0, 0, -1);
    ConvertJob job(*reader, *writer);
    job.onBlock = [&] { job.Cancel(); };
    ASSERT_EQ(job.Convert(input, dir.File("tone.ogg")), ConvertJob::Outcome::Cancelled);
    const double duration = std::stod(Probe(dir.File("tone.ogg"), "format=duration"));
    EXPECT_GT(duration, 0.5);
    EXPECT_LT(duration, 2.9);
}

TEST(ConvertReal, BadInputsFailCleanly) {
    testing::TempDir dir;
    auto engine = audio::CreateRealAudioEngine();
    auto reader = engine->CreateFile();
    auto writer = engine->CreateFile();
    testing::WriteAll(dir.File("random.wav"), std::string(4096, '\x5a'));
    testing::WriteAll(dir.File("empty.wav"), "");
    for (const char* name : {"random.wav", "empty.wav"}) {
        SCOPED_TRACE(name);
        ConvertJob job(*reader, *writer);
        EXPECT_EQ(job.Convert(dir.File(name), dir.File("out.ogg")), ConvertJob::Outcome::Failed);
        EXPECT_FALSE(job.Reason().empty());
        EXPECT_FALSE(std::filesystem::exists(dir.File("out.ogg")));
    }
}

TEST(ConvertReal, TruncatedMp3ConvertsWhatIsThere) {
    testing::TempDir dir;
    const std::string whole = testing::ReadAll(std::string(QSR_TEST_DATA) + "/tone_notag.mp3");
    ASSERT_GT(whole.size(), 1000u);
    testing::WriteAll(dir.File("cut.mp3"), whole.substr(0, whole.size() / 2));
    auto engine = audio::CreateRealAudioEngine();
    auto reader = engine->CreateFile();
    auto writer = engine->CreateFile();
    writer->SetOggFormat(44100, 2, 128, 0, 0, -1);
    ConvertJob job(*reader, *writer);
    // The first half of the frames decode: the output holds about half the tone.
    ASSERT_EQ(job.Convert(dir.File("cut.mp3"), dir.File("cut.ogg")), ConvertJob::Outcome::Complete)
        << job.Reason();
    const double full =
        std::stod(Probe(std::string(QSR_TEST_DATA) + "/tone_notag.mp3", "format=duration"));
    const double cut = std::stod(Probe(dir.File("cut.ogg"), "format=duration"));
    EXPECT_GT(cut, full * 0.4);
    EXPECT_LT(cut, full * 0.6);
    EXPECT_EQ(Probe(dir.File("cut.ogg"), "stream=codec_name"), "vorbis\n");
}

}  // namespace
}  // namespace qsr::converter
