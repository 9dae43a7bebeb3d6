// quorvin-cli end to end: the built program, a temporary application folder.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <filesystem>
#include <fstream>

#include "platform/audio-api/AudioEngine.h"
#include "platform/audio/AudioFileComponent.h"
#include "support/Signal.h"
#include "support/TempDir.h"

namespace qsr::audio {
namespace {

using qsr::testing::Channel;
using qsr::testing::DominantFrequency;
using qsr::testing::TempDir;
using qsr::testing::Tone;

struct Result {
    int code = -1;
    std::string out;
};

class Cli : public ::testing::Test {
  protected:
    // Runs quorvin-cli with `args`; stdout and stderr together.
    Result Run(const std::string& args) {
        const std::string cmd = "QSR_HOME='" + home_.path().string() +
                                "' " QSR_BINARY_DIR "/src/cli/quorvin-cli " + args + " 2>&1";
        Result r;
        FILE* p = popen(cmd.c_str(), "r");
        char buf[512];
        size_t n;
        while ((n = fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
        const int status = pclose(p);
        r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return r;
    }
    std::string MakeWav(const std::string& name, int rate, int channels) {
        auto f = CreateRealAudioFile();
        f->SetWavFormat(rate, channels, 16);
        const std::string path = dir_.File(name);
        EXPECT_GE(f->CreateFile(path), 0);
        f->WriteBlock(Tone(rate, channels, 2.0));
        f->Close();
        return path;
    }
    TempDir home_, dir_;
};

TEST_F(Cli, ConvertsToEveryTypeAndInfoReadsItBack) {
    const std::string in = MakeWav("in.wav", 44100, 2);
    for (const char* ext : {"mp3", "ogg", "wma", "wav", "raw", "vox", "g726"}) {
        const std::string out = dir_.File(std::string("out.") + ext);
        const Result r = Run("convert " + in + " " + out);
        ASSERT_EQ(r.code, 0) << ext << ": " << r.out;
        const Result info = Run("info " + out);
        ASSERT_EQ(info.code, 0) << info.out;
        EXPECT_NE(info.out.find("Duration: 0:02."), std::string::npos) << ext << info.out;
        // Headerless files are read with settings.dat's parameters (8000 Hz mono as shipped).
        const bool telephone =
            std::string(ext) == "raw" || std::string(ext) == "vox" || std::string(ext) == "g726";
        EXPECT_NE(info.out.find(telephone ? "Sample rate: 8000 Hz" : "Sample rate: 44100 Hz"),
                  std::string::npos)
            << ext << info.out;
        auto f = CreateRealAudioFile();
        f->SetRawFormat(1, 8000, 1, 16);
        ASSERT_GE(f->OpenFile(out), 0);
        const Samples all = f->ReadBlock(200000);
        EXPECT_EQ(DominantFrequency(Channel(all, f->ChannelCount()), f->SampleRate()), 1000.0)
            << ext;
    }
}

TEST_F(Cli, ConvertNeverOverwritesItsInput) {
    const std::string in = MakeWav("in.wav", 44100, 2);
    const std::string before = qsr::testing::ReadAll(in);
    const Result r = Run("convert " + in + " " + dir_.File("./in.wav"));
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.out.find("output is the input file"), std::string::npos) << r.out;
    EXPECT_EQ(qsr::testing::ReadAll(in), before);
}

TEST_F(Cli, SettingsDatChoosesTheParameters) {
    std::filesystem::create_directories(home_.path());
    ASSERT_EQ(Run("info /nonexistent.wav").code, 1);  // seeds the application folder
    std::ofstream(home_.File("settings.dat"), std::ios::trunc)
        << "[mp3]\nMP3Frequency=22050\nMP3Bitrate=64\nMP3Channels=1\n";
    const std::string in = MakeWav("in.wav", 44100, 2);
    ASSERT_EQ(Run("convert " + in + " " + dir_.File("o.mp3")).code, 0);
    EXPECT_EQ(qsr::testing::Capture("ffprobe -v error -show_entries "
                                    "stream=sample_rate,channels,bit_rate -of csv=p=0 " +
                                    dir_.File("o.mp3")),
              "22050,1,64000\n");
    ASSERT_EQ(Run("convert --wma-profile 39 " + in + " " + dir_.File("o.wma")).code, 0);
    EXPECT_NE(Run("info " + dir_.File("o.wma")).out.find("128 kb/s"), std::string::npos);
}

TEST_F(Cli, BadArgumentsAndUnreadableFilesFailClearly) {
    const std::string in = MakeWav("in.wav", 8000, 1);
    struct Case {
        std::string args;
        int code;
        std::string says;
    };
    const Case cases[] = {
        {"convert " + in, 2, "give IN and OUT"},
        {"convert " + in + " " + dir_.File("x.abc"), 1, "unknown file type"},
        {"convert " + in + " " + dir_.File("no/x.mp3"), 1, "does not exist"},
        {"convert " + dir_.File("none.wav") + " " + dir_.File("x.mp3"), 1, "cannot open"},
        {"convert --wma-profile 7 " + in + " " + dir_.File("x.wma"), 2, "unknown WMA profile"},
        {"convert --speed 2 " + in + " " + dir_.File("x.mp3"), 2, "unknown option --speed"},
        {"info", 2, "give one file"},
        {"info /etc/hostname", 1, "cannot read"},
        {"record --device 0 --seconds 1 --format FLAC " + dir_.File("x"), 2, "--format is one"},
        {"record --device 0 --seconds 0 --format WAV " + dir_.File("x"), 2, "--seconds"},
        {"record --seconds 1 --format WAV " + dir_.File("x"), 2, "--device"},
        {"record --device 0 --seconds 1 --format WAV " + dir_.File("x.mp3"), 2, "must be .WAV"},
        {"devices extra", 2, "takes no arguments"},
    };
    for (const Case& c : cases) {
        const Result r = Run(c.args);
        EXPECT_EQ(r.code, c.code) << c.args << "\n" << r.out;
        EXPECT_NE(r.out.find(c.says), std::string::npos) << c.args << "\n" << r.out;
    }
    EXPECT_FALSE(std::filesystem::exists(dir_.File("x.abc")));
    EXPECT_FALSE(std::filesystem::exists(dir_.File("x.wma")));
}

TEST_F(Cli, RecordsTheToneOfTheSoundServer) {
    const Result devices = Run("devices");
    ASSERT_EQ(devices.code, 0) << devices.out;
    // The test server's tone plays into "Tone_Output"; record its monitor.
    const auto at = devices.out.find(": Monitor of Tone_Output");
    ASSERT_NE(at, std::string::npos) << devices.out;
    const auto lineStart = devices.out.rfind('\n', at) + 1;  // npos + 1 == 0 on the first line
    const std::string device = devices.out.substr(lineStart, at - lineStart);
    for (const char* fmt : {"WAV", "MP3", "OGG"}) {
        const std::string out = dir_.File(std::string("rec.") + fmt);
        const Result r = Run("record --device " + device + " --seconds 3 --format " +
                             std::string(fmt) + " " + out);
        ASSERT_EQ(r.code, 0) << r.out;
        auto f = CreateRealAudioFile();
        ASSERT_GE(f->OpenFile(out), 0);
        EXPECT_NEAR(f->TotalSamples(), 3 * f->SampleRate(), f->SampleRate() / 2) << fmt;
        const Samples all = f->ReadBlock(f->SampleRate() * 3);
        EXPECT_EQ(DominantFrequency(Channel(all, f->ChannelCount()), f->SampleRate()), 1000.0)
            << fmt;
    }
}

}  // namespace
}  // namespace qsr::audio
