// Recording one program end to end: two paplay clients play 440 Hz and 880 Hz
// into the same sink; quorvin-cli records only the first.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "support/Signal.h"
#include "support/TempDir.h"

namespace qsr {
namespace {

using qsr::testing::Capture;
using qsr::testing::TempDir;
using qsr::testing::ToneShare;

// paplay of `file` into the test sink under the program name `name`, until killed.
struct Player {
    Player(const std::string& name, const std::string& file) {
        pid = fork();
        if (pid == 0) {
            execlp("paplay", "paplay", "--client-name", name.c_str(), "-d", "qsr_sink",
                   file.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
    }
    ~Player() {
        if (pid > 0) {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
    }
    pid_t pid = -1;
};

class ProgramCli : public ::testing::Test {
  protected:
    std::string Cli(const std::string& args) {
        return Capture("QSR_HOME='" + home_.path().string() +
                       "' " QSR_BINARY_DIR "/src/cli/quorvin-cli " + args +
                       " 2>&1; echo \"exit=$?\"");
    }
    std::string ToneFile(const char* name, int hz, int seconds = 30) {
        const std::string path = dir_.File(name);
        EXPECT_EQ(std::system(("sox -n -r 44100 -c 2 -b 16 " + path + " synth " +
                               std::to_string(seconds) + " sine " + std::to_string(hz) + " vol 0.4")
                                  .c_str()),
                  0);
        return path;
    }
    TempDir home_, dir_;
};

TEST_F(ProgramCli, RecordsOneProgramAndNotTheOtherPlayingIntoTheSameSink) {
    Player low("QsrTone440", ToneFile("low.wav", 440));
    Player high("QsrTone880", ToneFile("high.wav", 880));
    // Both are listed under "Programs" once the server has their streams.
    std::string devices;
    for (int i = 0; i < 200; ++i) {
        devices = Cli("devices");
        if (devices.find(": QsrTone440") != std::string::npos &&
            devices.find(": QsrTone880") != std::string::npos)
            break;
        usleep(50000);
    }
    ASSERT_NE(devices.find(": Programs\n"), std::string::npos) << devices;
    ASSERT_NE(devices.find(": QsrTone880"), std::string::npos) << devices;
    ASSERT_NE(devices.find(": QsrTone440"), std::string::npos) << devices;

    const std::string out = dir_.File("low.rec.wav");
    const std::string said =
        Cli("record --program QsrTone440 --seconds 3 --format WAV --rate 44100 " + out);
    ASSERT_NE(said.find("exit=0"), std::string::npos) << said;
    const std::string raw = Capture("sox '" + out + "' -t raw -e signed -b 16 -c 1 -");
    std::vector<std::int16_t> s(raw.size() / 2);
    std::memcpy(s.data(), raw.data(), s.size() * 2);
    ASSERT_GT(s.size(), 44100u * 2);
    const std::vector<double> x(s.begin(), s.end());
    const double low440 = ToneShare(x, 44100, 440), high880 = ToneShare(x, 44100, 880);
    EXPECT_GT(low440, 0.9) << "the program's tone is missing";
    EXPECT_LT(high880, low440 * 1e-4) << "the other program is louder than 40 dB down";

    EXPECT_NE(
        Cli("record --program QsrNoSuchProgram --seconds 1 --format WAV " + dir_.File("none.wav"))
            .find("no program named QsrNoSuchProgram is playing"),
        std::string::npos);
}

// A program that stops and plays again is picked up again by its name; the
// recording runs on in silence meanwhile.
TEST_F(ProgramCli, FollowsTheProgramWhenItPlaysAgain) {
    const std::string first = ToneFile("first.wav", 440, 3);
    const std::string again = ToneFile("again.wav", 440, 1);
    auto player = std::make_unique<Player>("QsrBurst", first);
    std::string devices;
    for (int i = 0; i < 200 && devices.find(": QsrBurst") == std::string::npos; ++i) {
        devices = Cli("devices");
        usleep(20000);
    }
    ASSERT_NE(devices.find(": QsrBurst"), std::string::npos) << devices;
    const std::string out = dir_.File("burst.wav");
    std::string said;
    std::thread run([&] {
        said = Cli("record --program QsrBurst --seconds 6 --format WAV --rate 44100 " + out);
    });
    // Once the first play has ended, the program plays again.
    int status = 0;
    waitpid(player->pid, &status, 0);
    player->pid = -1;
    player = std::make_unique<Player>("QsrBurst", again);
    run.join();
    ASSERT_NE(said.find("exit=0"), std::string::npos) << said;
    const std::string raw = Capture("sox '" + out + "' -t raw -e signed -b 16 -c 1 -");
    std::vector<std::int16_t> s(raw.size() / 2);
    std::memcpy(s.data(), raw.data(), s.size() * 2);
    EXPECT_NEAR(double(s.size()) / 44100, 6.0, 0.3) << "the recording did not run on";
    // Tone, a silent gap, tone again: count the runs of 10 ms windows with sound.
    int runs = 0;
    bool before = false;
    for (std::size_t at = 0; at + 441 <= s.size(); at += 441) {
        double sum = 0;
        for (std::size_t i = at; i < at + 441; ++i) sum += double(s[i]) * s[i];
        const bool loud = std::sqrt(sum / 441) > 1000;
        if (loud && !before) ++runs;
        before = loud;
    }
    EXPECT_EQ(runs, 2) << "the program was not picked up again";
}

}  // namespace
}  // namespace qsr
