// quorvin-cli end to end: the built program, a temporary application folder.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

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
    Result Run(const std::string& args) { return Finish(Start(args)); }
    // The same in two steps, for a command that runs while others do.
    FILE* Start(const std::string& args) {
        const std::string cmd = "QSR_HOME='" + home_.path().string() +
                                "' " QSR_BINARY_DIR "/src/cli/quorvin-cli " + args + " 2>&1";
        return popen(cmd.c_str(), "r");
    }
    static Result Finish(FILE* p) {
        Result r;
        char buf[512];
        size_t n;
        while ((n = fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
        const int status = pclose(p);
        r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return r;
    }
    // The number of the capture device that hears the test server's tone
    // (the monitor of "Tone_Output").
    std::string ToneDevice() {
        const Result devices = Run("devices");
        EXPECT_EQ(devices.code, 0) << devices.out;
        const auto at = devices.out.find(": Monitor of Tone_Output");
        EXPECT_NE(at, std::string::npos) << devices.out;
        if (at == std::string::npos) return "none";
        const auto lineStart = devices.out.rfind('\n', at) + 1;  // npos + 1 == 0 on the first line
        return devices.out.substr(lineStart, at - lineStart);
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
    for (const char* ext : {"mp3", "ogg", "wma", "wav", "raw", "vox", "g726", "flac", "opus"}) {
        const std::string out = dir_.File(std::string("out.") + ext);
        const Result r = Run("convert " + in + " " + out);
        ASSERT_EQ(r.code, 0) << ext << ": " << r.out;
        const Result info = Run("info " + out);
        ASSERT_EQ(info.code, 0) << info.out;
        EXPECT_NE(info.out.find("Duration: 0:02."), std::string::npos) << ext << info.out;
        // Headerless files are read with settings.dat's parameters (8000 Hz mono as shipped).
        const bool telephone =
            std::string(ext) == "raw" || std::string(ext) == "vox" || std::string(ext) == "g726";
        // Opus always decodes at 48 kHz.
        const bool opus = std::string(ext) == "opus";
        EXPECT_NE(info.out.find(telephone ? "Sample rate: 8000 Hz"
                                : opus    ? "Sample rate: 48000 Hz"
                                          : "Sample rate: 44100 Hz"),
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
    std::filesystem::create_symlink(in, dir_.File("sym.wav"));
    std::filesystem::create_hard_link(in, dir_.File("hard.wav"));
    // Also with --overwrite, which would otherwise write beside it and rename.
    for (const std::string& out :
         {dir_.File("./in.wav"), dir_.File("sym.wav"), dir_.File("hard.wav")}) {
        for (const char* flag : {"", "--overwrite "}) {
            const Result r = Run("convert " + std::string(flag) + in + " " + out);
            EXPECT_EQ(r.code, 1) << out;
            EXPECT_NE(r.out.find("output is the input file"), std::string::npos) << r.out;
            EXPECT_EQ(qsr::testing::ReadAll(in), before) << out;
        }
    }
}

// Files in `dir` the program left beside its outputs (the hidden name an
// output is written under before it replaces another).
std::vector<std::string> Leftovers(const std::string& dir) {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(dir)) {
        if (e.path().filename().string().rfind(".qsr-", 0) == 0) names.push_back(e.path());
    }
    return names;
}

TEST_F(Cli, ConvertReplacesAFileOnlyWithOverwriteAndOnlyWhenComplete) {
    const std::string in = MakeWav("in.wav", 44100, 2);
    const std::string out = dir_.File("out.mp3");
    std::ofstream(out) << "keep me";
    Result r = Run("convert " + in + " " + out);
    EXPECT_EQ(r.code, 2);
    EXPECT_NE(r.out.find("exists; give --overwrite"), std::string::npos) << r.out;
    EXPECT_EQ(qsr::testing::ReadAll(out), "keep me");

    // A write that fails (a file-size limit of 40 KB) keeps the old file and
    // leaves nothing half-made; a new file that fails is not left either.
    const std::string limited = "sh -c 'trap \"\" XFSZ; ulimit -f 80; exec \"$0\" \"$@\"' ";
    const std::string cli = QSR_BINARY_DIR "/src/cli/quorvin-cli";
    const auto runLimited = [&](const std::string& args) {
        return std::system(("QSR_HOME='" + home_.path().string() + "' " + limited + cli + " " +
                            args + " >/dev/null 2>&1")
                               .c_str());
    };
    const std::string big = MakeWav("big.wav", 44100, 2);  // 2 s: 350 KB, over the limit as WAV
    EXPECT_NE(runLimited("convert --overwrite " + big + " " + dir_.File("old.wav")), 0);
    std::ofstream(dir_.File("old.wav")) << "old";
    EXPECT_NE(runLimited("convert --overwrite " + big + " " + dir_.File("old.wav")), 0);
    EXPECT_EQ(qsr::testing::ReadAll(dir_.File("old.wav")), "old");
    EXPECT_NE(runLimited("convert " + big + " " + dir_.File("new.wav")), 0);
    EXPECT_FALSE(std::filesystem::exists(dir_.File("new.wav")));
    EXPECT_TRUE(Leftovers(dir_.path()).empty());

    r = Run("convert --overwrite " + in + " " + out);
    ASSERT_EQ(r.code, 0) << r.out;
    auto f = CreateRealAudioFile();
    ASSERT_GE(f->OpenFile(out), 0);
    EXPECT_NEAR(static_cast<double>(f->TotalSamples()), 2.0 * 44100, 10);
    EXPECT_TRUE(Leftovers(dir_.path()).empty());
}

// Seconds of sound in `path` as the reader decodes it.
double DecodedSeconds(const std::string& path) {
    auto f = CreateRealAudioFile();
    if (f->OpenFile(path) < 0) return 0;
    std::int64_t frames = 0;
    for (Samples b; !(b = f->ReadBlock(44100)).empty();) frames += b.size() / f->ChannelCount();
    return static_cast<double>(frames) / f->SampleRate();
}

TEST_F(Cli, ConvertReadsPastDamageAndSaysHowMuchWasSkipped) {
    const std::string wav = dir_.File("long.wav");
    qsr::testing::Capture("ffmpeg -v error -f lavfi -i 'sine=f=440:d=4.7:r=44100' -ac 2 -y " + wav);
    const std::string mp3 = dir_.File("full.mp3");
    ASSERT_EQ(Run("convert " + wav + " " + mp3).code, 0);
    std::string bytes = qsr::testing::ReadAll(mp3);
    // Cut after 60 %; and a whole one with garbage over 0.1 s in the middle.
    std::ofstream(dir_.File("cut.mp3"), std::ios::binary) << bytes.substr(0, bytes.size() * 6 / 10);
    for (size_t i = bytes.size() / 3; i < bytes.size() / 3 + 1600; ++i) bytes[i] ^= 0x5A;
    std::ofstream(dir_.File("hole.mp3"), std::ios::binary) << bytes;

    Result r = Run("convert " + dir_.File("cut.mp3") + " " + dir_.File("cut.wav"));
    ASSERT_EQ(r.code, 0) << r.out;
    EXPECT_NEAR(DecodedSeconds(dir_.File("cut.wav")), 4.7 * 0.6, 0.15);

    r = Run("convert " + dir_.File("hole.mp3") + " " + dir_.File("hole.wav"));
    ASSERT_EQ(r.code, 0) << r.out;
    EXPECT_GT(DecodedSeconds(dir_.File("hole.wav")), 4.7 - 0.3);
    EXPECT_NE(r.out.find("warning: " + dir_.File("hole.mp3") + " is damaged; "), std::string::npos)
        << r.out;
    EXPECT_NE(r.out.find("bad frames were skipped"), std::string::npos) << r.out;
    // The decoder's own complaints only when asked for.
    EXPECT_EQ(r.out.find("[mp3"), std::string::npos) << r.out;
    r = Run("convert --verbose --overwrite " + dir_.File("hole.mp3") + " " + dir_.File("hole.wav"));
    ASSERT_EQ(r.code, 0) << r.out;
    EXPECT_NE(r.out.find("[mp3"), std::string::npos) << r.out;
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
    EXPECT_NE(Run("info " + dir_.File("o.wma")).out.find("WMA 128 kbit/s"), std::string::npos);
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
        {"convert " + in + " " + dir_.File("x.abc"), 2, "unknown file type 'abc'"},
        {"convert " + in + " " + dir_.File("no/x.mp3"), 1, "does not exist"},
        {"convert " + dir_.File("none.wav") + " " + dir_.File("x.mp3"), 1, "cannot open"},
        {"convert --wma-profile 7 " + in + " " + dir_.File("x.wma"), 2, "unknown WMA profile"},
        {"convert --speed 2 " + in + " " + dir_.File("x.mp3"), 2, "unknown option --speed"},
        {"info", 2, "give one file"},
        {"info /etc/hostname", 1, "cannot read"},
        {"record --device 0 --seconds 1 --format AAC " + dir_.File("x"), 2, "--format is one"},
        {"record --device 0 --seconds 0 --format WAV " + dir_.File("x"), 2, "--seconds"},
        {"record --seconds 1 --format WAV " + dir_.File("x"), 2, "--device"},
        {"record --device 0 --seconds 1 --format WAV " + dir_.File("x.mp3"), 2, "must be .WAV"},
        {"record --device 999 --seconds 1 --format WAV " + dir_.File("x.wav"), 2,
         "there is no device 999"},
        {"devices extra", 2, "takes no arguments"},
    };
    for (const Case& c : cases) {
        const Result r = Run(c.args);
        EXPECT_EQ(r.code, c.code) << c.args << "\n" << r.out;
        EXPECT_NE(r.out.find(c.says), std::string::npos) << c.args << "\n" << r.out;
    }
    EXPECT_FALSE(std::filesystem::exists(dir_.File("x.abc")));
    EXPECT_FALSE(std::filesystem::exists(dir_.File("x.wav")));
    EXPECT_FALSE(std::filesystem::exists(dir_.File("x.wma")));
}

// What ffmpeg, an independent decoder, makes of a file: its duration as
// ffprobe reads it and its first channel at 48 kHz.
struct Decoded {
    double seconds = 0;
    std::vector<double> left;
};
Decoded DecodeWithFfmpeg(const std::string& path) {
    Decoded d;
    d.seconds = std::atof(qsr::testing::Capture("ffprobe -v error -show_entries format=duration "
                                                "-of default=nw=1:nk=1 '" +
                                                path + "'")
                              .c_str());
    const std::string pcm =
        qsr::testing::Capture("ffmpeg -v error -i '" + path + "' -ac 1 -ar 48000 -f s16le -");
    for (size_t i = 0; i + 1 < pcm.size(); i += 2) {
        d.left.push_back(static_cast<std::int16_t>(static_cast<unsigned char>(pcm[i]) |
                                                   (static_cast<unsigned char>(pcm[i + 1]) << 8)));
    }
    return d;
}

TEST_F(Cli, RecordsFlacAndOpusOfTheRightLengthAndTone) {
    const std::string device = ToneDevice();
    for (const char* fmt : {"FLAC", "OPUS"}) {
        const std::string out = dir_.File(std::string("rec.") + fmt);
        const Result r =
            Run("record --device " + device + " --seconds 5 --format " + fmt + " " + out);
        ASSERT_EQ(r.code, 0) << r.out;
        const Decoded d = DecodeWithFfmpeg(out);
        EXPECT_NEAR(d.seconds, 5.0, 0.02) << fmt;
        EXPECT_EQ(DominantFrequency(d.left, 48000), 1000.0) << fmt;
        const Result info = Run("info " + out);
        EXPECT_NE(info.out.find("Duration: 0:05."), std::string::npos) << info.out;
    }
}

// Killed while writing its third piece: the finished pieces are whole, the
// journal names the third, and what was written of it decodes.
TEST_F(Cli, SplitPiecesSurviveAKillInTheMiddle) {
    const std::string device = ToneDevice();
    for (const char* fmt : {"FLAC", "OPUS"}) {
        const std::string ext = std::string(".") + fmt;
        const std::string first = dir_.File(std::string("long") + ext);
        const std::string cmd =
            "QSR_HOME='" + home_.path().string() +
            "' sh -c 'echo $$; exec " QSR_BINARY_DIR "/src/cli/quorvin-cli record --device " +
            device + " --seconds 600 --split 2s --format " + fmt + " " + first + "'";
        FILE* p = popen(cmd.c_str(), "r");
        ASSERT_NE(p, nullptr);
        char line[1024];
        ASSERT_NE(std::fgets(line, sizeof line, p), nullptr);
        const pid_t pid = static_cast<pid_t>(std::atol(line));
        // Each piece is told once it is closed: the second line means the
        // third piece is being written.
        std::vector<std::string> told;
        while (told.size() < 2 && std::fgets(line, sizeof line, p)) told.emplace_back(line);
        ASSERT_EQ(told.size(), 2u) << fmt;
        // Some of the third piece reaches the file before the kill.
        const std::string third = dir_.File(std::string("long_ 3") + ext);
        for (int i = 0; i < 400 && qsr::testing::ReadAll(third).size() < 4096; ++i) usleep(10000);
        ::kill(pid, SIGKILL);
        pclose(p);
        EXPECT_EQ(told[0].rfind(first + ": ", 0), 0u) << told[0];
        EXPECT_EQ(told[1].rfind(dir_.File(std::string("long_ 2") + ext) + ": ", 0), 0u) << told[1];
        for (const std::string& piece : {first, dir_.File(std::string("long_ 2") + ext)}) {
            const Decoded d = DecodeWithFfmpeg(piece);
            EXPECT_NEAR(d.seconds, 2.0, 0.02) << piece;
            EXPECT_EQ(DominantFrequency(d.left, 48000), 1000.0) << piece;
        }
        const std::string journal = qsr::testing::ReadAll(home_.File("recordings.journal"));
        EXPECT_NE(journal.find(third), std::string::npos) << journal;
        const Decoded cut = DecodeWithFfmpeg(third);
        EXPECT_GT(cut.left.size(), 0u) << fmt;
        std::filesystem::remove(home_.File("recordings.journal"));
    }
}

TEST_F(Cli, RecordsTheToneOfTheSoundServer) {
    const std::string device = ToneDevice();
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

// The RMS amplitude of a sound file as sox reads it; -1 when it cannot.
double SoxRms(const std::string& path) {
    const std::string stat = qsr::testing::Capture("sox '" + path + "' -n stat 2>&1");
    const auto at = stat.find("RMS     amplitude:");
    return at == std::string::npos ? -1 : std::atof(stat.c_str() + at + 18);
}

// As the program does, the command line records through the filters stored
// in settings.dat; --no-filters turns them off for one run.
TEST_F(Cli, RecordsThroughTheStoredFiltersUnlessToldNotTo) {
    const std::string device = ToneDevice();
    ASSERT_EQ(Run("info /nonexistent.wav").code, 1);  // seeds the application folder
    const std::string settings = home_.File("settings.dat");
    std::string text = qsr::testing::ReadAll(settings);
    ASSERT_NE(text.find("lowpass=0\n"), std::string::npos) << text;
    auto record = [&](const std::string& name, const std::string& options) {
        const std::string out = dir_.File(name);
        const Result r =
            Run("record --device " + device + " --seconds 2 --format WAV " + options + out);
        EXPECT_EQ(r.code, 0) << r.out;
        return SoxRms(out);
    };
    const double plain = record("plain.wav", "");
    ASSERT_GT(plain, 0.01);

    // A 200 Hz low-pass, as the Formats and Filters dialog stores it.
    text.replace(text.find("lowpass=0\n"), 10, "lowpass=1\n");
    text.replace(text.find("lowpasstxt=4000"), 15, "lowpasstxt=200");
    qsr::testing::WriteAll(settings, text);
    const double filtered = record("filtered.wav", "");
    ASSERT_GT(filtered, 0);
    EXPECT_GE(20 * std::log10(plain / filtered), 20.0) << plain << " against " << filtered;

    const double unfiltered = record("unfiltered.wav", "--no-filters ");
    EXPECT_NEAR(20 * std::log10(unfiltered / plain), 0.0, 0.5) << unfiltered;
    EXPECT_EQ(qsr::testing::ReadAll(settings), text) << "--no-filters stores nothing";
}

// Waits (generously) until `done`; a condition, not a guess at the time.
bool WaitUntil(const std::function<bool()>& done) {
    for (int i = 0; i < 6000 && !done(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return done();
}

double ProbedSeconds(const std::string& path) {
    return std::atof(qsr::testing::Capture("ffprobe -v error -show_entries format=duration -of "
                                           "csv=p=0 '" +
                                           path + "'")
                         .c_str());
}

// While one quorvin-cli records a file, no other writes it under any name:
// the tag write, a conversion and a second recording onto it are refused, and
// the recording keeps all its sound.
TEST_F(Cli, NothingWritesTheFileBeingRecorded) {
    const std::string device = ToneDevice();
    const std::string x = dir_.File("x.mp3");
    const std::string in = MakeWav("in.wav", 44100, 2);
    FILE* recording = Start("record --device " + device + " --seconds 8 --format MP3 " + x);
    const std::string journal = (home_.path() / "recordings.journal").string();
    // Named in the journal and holding sound already, as a tag write 3 s in finds it.
    ASSERT_TRUE(WaitUntil([&] {
        std::error_code ec;
        return qsr::testing::ReadAll(journal).find(x) != std::string::npos &&
               std::filesystem::file_size(x, ec) > 0 && !ec;
    }));
    std::filesystem::create_hard_link(x, dir_.File("link.mp3"));
    for (const std::string& args :
         {"tags " + x + " --v2 tagAlbum=Zed",
          "tags " + dir_.File("link.mp3") + " --v1 tagAlbum=Zed",
          "convert --overwrite " + in + " " + x,
          "record --device " + device + " --seconds 1 --format MP3 --overwrite " + x}) {
        const Result r = Run(args);
        EXPECT_EQ(r.code, 1) << args << "\n" << r.out;
        EXPECT_NE(r.out.find(" is being recorded"), std::string::npos) << args << "\n" << r.out;
    }
    const Result recorded = Finish(recording);
    ASSERT_EQ(recorded.code, 0) << recorded.out;
    EXPECT_NEAR(ProbedSeconds(x), 8.0, 0.2);
    EXPECT_NE(Run("tags " + x).out.find("v2.present=0"), std::string::npos);
}

// A line feed in the output's name: the journal names the whole name while
// the take runs (so a writer finds it) and nothing once it has ended.
TEST_F(Cli, AnyOutputNameLeavesTheJournalWhenTheTakeEnds) {
    const std::string device = ToneDevice();
    const std::string x = dir_.File("new\nline.wav");
    const std::string journal = home_.File("recordings.journal");
    FILE* recording = Start("record --device " + device + " --seconds 3 --format WAV '" + x + "'");
    ASSERT_TRUE(WaitUntil([&] {
        std::error_code ec;
        return std::filesystem::file_size(x, ec) > 0 && !ec;
    }));
    const Result refused =
        Run("convert --overwrite " + MakeWav("in.wav", 8000, 1) + " '" + x + "'");
    EXPECT_EQ(refused.code, 1) << refused.out;
    EXPECT_NE(refused.out.find(x + " is being recorded"), std::string::npos) << refused.out;
    const Result r = Finish(recording);
    ASSERT_EQ(r.code, 0) << r.out;
    EXPECT_NEAR(ProbedSeconds(x), 3.0, 0.1);
    EXPECT_FALSE(std::filesystem::exists(journal)) << qsr::testing::ReadAll(journal);
    EXPECT_FALSE(std::filesystem::exists(dir_.File("new")));
}

// "mv other.mp3 x.mp3" under a running recording: it stops, says why, and
// what it had written is kept beside the path and named.
TEST_F(Cli, AFileReplacedUnderTheRecordingKeepsWhatWasRecorded) {
    const std::string device = ToneDevice();
    const std::string x = dir_.File("x.mp3"), other = dir_.File("other.mp3");
    ASSERT_EQ(Run("convert " + MakeWav("in.wav", 44100, 2) + " " + other).code, 0);
    const std::string otherBytes = qsr::testing::ReadAll(other);
    FILE* recording = Start("record --device " + device + " --seconds 8 --format MP3 " + x);
    // Once sound is in the file, another program puts its own in place.
    ASSERT_TRUE(WaitUntil([&] {
        std::error_code ec;
        return std::filesystem::file_size(x, ec) > 0 && !ec;
    }));
    std::filesystem::rename(other, x);
    const Result r = Finish(recording);
    EXPECT_EQ(r.code, 1) << r.out;
    EXPECT_NE(
        r.out.find("The recording to " + x + " stopped: the file was replaced by another program"),
        std::string::npos)
        << r.out;
    const std::string kept = dir_.File("x (recovered).mp3");
    EXPECT_NE(r.out.find("what was recorded is kept in " + kept), std::string::npos) << r.out;
    EXPECT_GT(ProbedSeconds(kept), 0.9);
    EXPECT_EQ(qsr::testing::ReadAll(x), otherBytes);
}

}  // namespace
}  // namespace qsr::audio
