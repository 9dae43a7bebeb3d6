// Recording on sound and silence end to end: quorvin-cli records the monitor
// of the test server's silent sink while paplay plays a file made by sox into
// it; sox reads the result back.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "support/Signal.h"
#include "support/TempDir.h"

namespace qsr {
namespace {

using qsr::testing::Capture;
using qsr::testing::TempDir;

constexpr int kRate = 44100;

int Shell(const std::string& command) {
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// "silence 3" or "tone 4" pieces joined into one 16-bit stereo WAV by sox.
std::string MakeSignal(const TempDir& dir, const std::vector<std::pair<bool, double>>& pieces) {
    std::string parts;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        const std::string part = dir.File("part" + std::to_string(i) + ".wav");
        const std::string effect =
            pieces[i].first ? "synth " + std::to_string(pieces[i].second) + " sine 660 vol 0.5"
                            : "trim 0 " + std::to_string(pieces[i].second);
        EXPECT_EQ(Shell("sox -n -r 44100 -c 2 -b 16 " + part + " " + effect), 0);
        parts += " " + part;
    }
    const std::string out = dir.File("signal.wav");
    EXPECT_EQ(Shell("sox" + parts + " " + out), 0);
    return out;
}

// The first channel of `path` as sox decodes it.
std::vector<std::int16_t> Decode(const std::string& path) {
    const std::string raw = Capture("sox '" + path + "' -t raw -e signed -b 16 -c 1 -r 44100 -");
    std::vector<std::int16_t> s(raw.size() / 2);
    std::memcpy(s.data(), raw.data(), s.size() * 2);
    return s;
}

// Which 10 ms windows carry sound (RMS above -30 dB).
std::vector<bool> Loud(const std::vector<std::int16_t>& s) {
    const std::size_t w = kRate / 100;
    std::vector<bool> loud;
    for (std::size_t at = 0; at + w <= s.size(); at += w) {
        double sum = 0;
        for (std::size_t i = at; i < at + w; ++i) sum += double(s[i]) * s[i];
        loud.push_back(std::sqrt(sum / double(w)) > 1036);
    }
    return loud;
}

class TriggerCli : public ::testing::Test {
  protected:
    // The index of "Monitor of Test_Output" in `quorvin-cli devices`.
    std::string Device() {
        const std::string devices = Cli("devices");
        const auto at = devices.find(": Monitor of Test_Output");
        EXPECT_NE(at, std::string::npos) << devices;
        const auto lineStart = devices.rfind('\n', at) + 1;
        return devices.substr(lineStart, at - lineStart);
    }
    std::string Cli(const std::string& args) {
        return Capture("QSR_HOME='" + home_.path().string() +
                       "' " QSR_BINARY_DIR "/src/cli/quorvin-cli " + args +
                       " 2>&1; echo \"exit=$?\"");
    }
    // Records with `flags` while `signal` plays into the sink; returns the
    // command's output and how long it ran.
    std::string RecordWhilePlaying(const std::string& flags, const std::string& signal,
                                   const std::string& out, double& seconds) {
        const std::string device = Device();
        const std::string monitor =
            Capture("pactl list short sources | awk '$2==\"qsr_sink.monitor\" {print $1}'");
        const auto captures = [&] {
            return Capture("pactl list short source-outputs | awk '$2==" + monitor +
                           " {n++} END {print n+0}'");
        };
        const std::string before = captures();
        std::string output;
        const auto start = std::chrono::steady_clock::now();
        std::thread run([&] {
            output = Cli("record --device " + device + " --format WAV " + flags + " " + out);
        });
        // Play only once the recording listens to the sink.
        for (int i = 0; i < 400 && captures() == before; ++i) usleep(50000);
        EXPECT_NE(captures(), before) << "the recording never opened the sink's monitor";
        EXPECT_EQ(Shell("paplay -d qsr_sink '" + signal + "'"), 0);
        run.join();
        seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        return output;
    }
    TempDir home_, dir_;
};

TEST_F(TriggerCli, StartsOnTheToneWithItsPreRollAndStopsAfterTheSilence) {
    const std::string signal = MakeSignal(dir_, {{false, 3}, {true, 4}, {false, 6}});
    const std::string out = dir_.File("rec.wav");
    double ran = 0;
    const std::string said = RecordWhilePlaying(
        "--seconds 60 --start-on-sound -30dB --stop-on-silence 3s", signal, out, ran);
    ASSERT_NE(said.find("exit=0"), std::string::npos) << said;
    EXPECT_LT(ran, 40) << "the silence did not end the command";
    const std::vector<bool> loud = Loud(Decode(out));
    ASSERT_FALSE(loud.empty());
    std::size_t first = 0, last = loud.size();
    while (first < loud.size() && !loud[first]) ++first;
    while (last > 0 && !loud[last - 1]) --last;
    ASSERT_LT(first, last) << "no tone in the file";
    EXPECT_GE(first, 5u) << "the file starts later than 50 ms before the tone";
    EXPECT_NEAR(double(last - first), 400, 10) << "the tone is cut";
    EXPECT_GE(loud.size() - last, 290u) << "the silence after the tone is cut short";
    EXPECT_LE(loud.size() - last, 420u);
}

TEST_F(TriggerCli, PauseLeavesTheSilenceBetweenTonesOut) {
    const std::string signal =
        MakeSignal(dir_, {{false, 2}, {true, 2}, {false, 2}, {true, 2}, {false, 6}});
    const std::string out = dir_.File("rec.wav");
    double ran = 0;
    const std::string said = RecordWhilePlaying(
        "--seconds 60 --start-on-sound -30dB --stop-on-silence 3s --pause-on-silence", signal, out,
        ran);
    ASSERT_NE(said.find("exit=0"), std::string::npos) << said;
    EXPECT_LT(ran, 40) << "the silence did not end the command";
    const std::vector<bool> loud = Loud(Decode(out));
    std::size_t first = 0, last = loud.size();
    while (first < loud.size() && !loud[first]) ++first;
    while (last > 0 && !loud[last - 1]) --last;
    ASSERT_LT(first, last) << "no tone in the file";
    std::size_t sound = 0, gap = 0, longestGap = 0;
    for (std::size_t i = first; i < last; ++i) {
        sound += loud[i];
        gap = loud[i] ? 0 : gap + 1;
        longestGap = std::max(longestGap, gap);
    }
    EXPECT_NEAR(double(sound), 400, 10) << "both tones, whole";
    EXPECT_LE(longestGap, 50u) << "more than 0.5 s of silence between the tones";
}

}  // namespace
}  // namespace qsr
