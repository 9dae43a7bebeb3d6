// Two sources in one take, end to end on the private sound server: the tone
// sink's monitor (1000 Hz) and what paplay plays into the default sink
// (440 Hz), in each layout, read back by sox and ffprobe.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "support/Signal.h"
#include "support/TempDir.h"

namespace qsr {
namespace {

using qsr::testing::Capture;
using qsr::testing::TempDir;
// Per 50 ms: the second source is resampled at a ratio that moves, so its
// tone's phase wanders over seconds, and the tone sink's own player may
// click under load; a coherent sum over the take would read either as noise.
using qsr::testing::LiveToneShare;

// paplay of `file` into the default sink as the program QsrPlayback, until killed.
struct Player {
    explicit Player(const std::string& file) {
        pid = fork();
        if (pid == 0) {
            execlp("paplay", "paplay", "--client-name", "QsrPlayback", "-d", "qsr_sink",
                   file.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
    }
    ~Player() {
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
    }
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;
    pid_t pid = -1;
};

// The channels of a file as sox decodes it, 44100 Hz.
std::vector<std::vector<double>> Decode(const std::string& path, int channels) {
    const std::string raw = Capture("sox '" + path + "' -t raw -e signed -b 16 -r 44100 -c " +
                                    std::to_string(channels) + " - 2>/dev/null");
    std::vector<std::int16_t> s(raw.size() / 2);
    std::memcpy(s.data(), raw.data(), s.size() * 2);
    std::vector<std::vector<double>> out(static_cast<std::size_t>(channels));
    for (std::size_t i = 0; i < s.size(); ++i) out[i % out.size()].push_back(s[i]);
    return out;
}

class CombinedCli : public ::testing::Test {
  protected:
    std::string Cli(const std::string& args) {
        return Capture("QSR_HOME='" + home_.path().string() +
                       "' " QSR_BINARY_DIR "/src/cli/quorvin-cli " + args +
                       " 2>&1; echo \"exit=$?\"");
    }
    // The number `devices` lists a device under.
    std::string Device(const std::string& name) {
        std::istringstream in(Cli("devices"));
        for (std::string line; std::getline(in, line);) {
            const auto colon = line.find(": ");
            if (colon != std::string::npos && line[0] != ' ' && line.substr(colon + 2) == name)
                return line.substr(0, colon);
        }
        ADD_FAILURE() << "no device " << name;
        return "99";
    }
    std::string File(const char* name, const std::string& synth) {
        const std::string path = dir_.File(name);
        EXPECT_EQ(std::system(("sox -n -r 44100 -c 2 -b 16 " + path + " " + synth).c_str()), 0);
        return path;
    }
    // Once the player's stream is on the server (listed under "Programs").
    void WaitForPlayback() {
        std::string devices;
        for (int i = 0; i < 200 && devices.find(": QsrPlayback") == std::string::npos; ++i) {
            devices = Cli("devices");
            usleep(20000);
        }
        ASSERT_NE(devices.find(": QsrPlayback"), std::string::npos) << devices;
    }
    // The default sink plays 440 Hz for the whole test.
    std::unique_ptr<Player> Playback() {
        auto p = std::make_unique<Player>(File("a440.wav", "synth 30 sine 440 vol 0.4"));
        WaitForPlayback();
        return p;
    }
    TempDir home_, dir_;
};

TEST_F(CombinedCli, MicrophonePlusPlaybackPutsEachSideOnItsChannel) {
    const auto playing = Playback();
    const std::string out = dir_.File("call.wav");
    const std::string said = Cli("record --device " + Device("Microphone + playback") +
                                 " --layout channels --seconds 3 --format WAV --rate 44100 " + out);
    ASSERT_NE(said.find("exit=0"), std::string::npos) << said;
    const auto ch = Decode(out, 2);
    ASSERT_NEAR(ch[0].size() / 44100.0, 3.0, 0.01);
    // Left the default source (the tone sink's monitor), right the playback.
    EXPECT_GT(LiveToneShare(ch[0], 44100, 1000), 0.9);
    EXPECT_LT(LiveToneShare(ch[0], 44100, 440), 0.01);
    EXPECT_GT(LiveToneShare(ch[1], 44100, 440), 0.9);
    EXPECT_LT(LiveToneShare(ch[1], 44100, 1000), 0.01);
}

TEST_F(CombinedCli, FilesWritesTwoFilesOfEqualLengthBesideEachOther) {
    const auto playing = Playback();
    const std::string out = dir_.File("take.flac");
    const std::string said =
        Cli("record --device " + Device("Monitor of Tone_Output") + " --add-device " +
            Device("Monitor of Test_Output") + " --layout files --split 2s --seconds 3 " +
            "--format FLAC " + out);
    ASSERT_NE(said.find("exit=0"), std::string::npos) << said;
    // Split in two pieces, each a pair; every pair of equal length to the sample.
    for (const std::string& first : {out, dir_.File("take_ 2.flac")}) {
        const std::string second = first.substr(0, first.size() - 5) + "_ 2nd.flac";
        const std::string probe =
            "ffprobe -v error -select_streams a:0 -count_packets "
            "-show_entries stream=duration_ts,channels -of csv=p=0 '";
        const std::string a = Capture(probe + first + "'"), b = Capture(probe + second + "'");
        ASSERT_FALSE(a.empty()) << first;
        EXPECT_EQ(a, b) << first << " and " << second;
        EXPECT_GT(LiveToneShare(Decode(first, 2)[0], 44100, 1000), 0.9);
        EXPECT_GT(LiveToneShare(Decode(second, 2)[0], 44100, 440), 0.9);
    }
    EXPECT_EQ(Capture("soxi -s '" + out + "'"), "88200\n");
    // Nothing of the take is left in the journal.
    EXPECT_EQ(qsr::testing::ReadAll(home_.path() / "recordings.journal").find("flac"),
              std::string::npos);
}

TEST_F(CombinedCli, MixHasBothSourcesInAnMp3) {
    const auto playing = Playback();
    const std::string out = dir_.File("mix.mp3");
    const std::string said =
        Cli("record --device " + Device("Monitor of Tone_Output") + " --add-device " +
            Device("Monitor of Test_Output") + " --seconds 3 --format MP3 " + out);
    ASSERT_NE(said.find("exit=0"), std::string::npos) << said;
    const std::string raw =
        Capture("ffmpeg -v error -i '" + out + "' -f s16le -ac 1 -ar 44100 - 2>/dev/null");
    std::vector<std::int16_t> s(raw.size() / 2);
    std::memcpy(s.data(), raw.data(), s.size() * 2);
    ASSERT_GT(s.size(), 44100u * 2);
    const std::vector<double> x(s.begin() + 4410, s.end());
    const double a = LiveToneShare(x, 44100, 1000), b = LiveToneShare(x, 44100, 440);
    EXPECT_GT(a, 0.2);
    EXPECT_GT(b, 0.2);
    EXPECT_GT(a + b, 0.9);
}

// One sound through two streams of their own (the same monitor twice, each
// on its own connection and thread, timed by the server): the two channels
// show it at the same moment.
TEST_F(CombinedCli, TwoStreamsOfOneSoundStayInStep) {
    // Bursts of 2 kHz, 50 ms every 250 ms.
    Player playing(File("bursts.wav", "synth 0.05 sine 2000 pad 0 0.2 repeat 40"));
    WaitForPlayback();
    const std::string out = dir_.File("step.wav");
    const std::string monitor = Device("Monitor of Test_Output");
    const std::string said = Cli("record --device " + monitor + " --add-device " + monitor +
                                 " --layout channels --seconds 4 --format WAV --rate 44100 " + out);
    ASSERT_NE(said.find("exit=0"), std::string::npos) << said;
    const auto ch = Decode(out, 2);
    // Envelopes in 1 ms steps, then the lag where they match best.
    auto envelope = [](const std::vector<double>& x) {
        std::vector<double> e;
        for (std::size_t at = 0; at + 44 <= x.size(); at += 44) {
            double sum = 0;
            for (std::size_t i = at; i < at + 44; ++i) sum += std::abs(x[i]);
            e.push_back(sum);
        }
        return e;
    };
    const auto l = envelope(ch[0]), r = envelope(ch[1]);
    ASSERT_GT(l.size(), 3000u);
    int best = 0;
    double bestScore = -1;
    for (int lag = -100; lag <= 100; ++lag) {
        double score = 0;
        for (std::size_t i = 200; i + 200 < l.size(); ++i)
            score += l[i] * r[static_cast<std::size_t>(static_cast<long>(i) + lag)];
        if (score > bestScore) bestScore = score, best = lag;
    }
    EXPECT_GT(bestScore, 0);
    EXPECT_LE(std::abs(best), 10) << "the second source is " << best << " ms off";
}

// The second source goes away mid-take (its sink is removed): the take goes
// on with the first to its end, and says which was lost and when.
TEST_F(CombinedCli, ALostSourceLeavesTheOtherRecording) {
    const std::string module = Capture(
        "pactl load-module module-null-sink sink_name=qsr_gone "
        "sink_properties=device.description=Gone_Output");
    ASSERT_FALSE(module.empty());
    const std::string out = dir_.File("lost.wav");
    const std::string first = Device("Monitor of Tone_Output"),
                      second = Device("Monitor of Gone_Output");
    std::string said;
    std::thread run([&] {
        said = Cli("record --device " + first + " --add-device " + second +
                   " --layout channels --seconds 4 --format WAV --rate 44100 " + out);
    });
    // Once the take writes, the second source goes.
    for (int i = 0; i < 500 && qsr::testing::ReadAll(out).size() < 44100 * 4; ++i) usleep(10000);
    EXPECT_EQ(std::system(("pactl unload-module " + module).c_str()), 0);
    run.join();
    ASSERT_NE(said.find("exit=0"), std::string::npos) << said;
    EXPECT_NE(said.find("Monitor of Gone_Output was lost at 0:0"), std::string::npos) << said;
    const auto ch = Decode(out, 2);
    EXPECT_NEAR(ch[0].size() / 44100.0, 4.0, 0.01);
    // The first source all through, the last second included.
    const std::vector<double> last(ch[0].end() - 44100, ch[0].end());
    EXPECT_GT(LiveToneShare(last, 44100, 1000), 0.9);
}

}  // namespace
}  // namespace qsr
