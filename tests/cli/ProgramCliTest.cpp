// Recording one program end to end: two paplay clients play 440 Hz and 880 Hz
// into the same sink; quorvin-cli records only the first.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
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
    std::string ToneFile(const char* name, int hz) {
        const std::string path = dir_.File(name);
        EXPECT_EQ(std::system(("sox -n -r 44100 -c 2 -b 16 " + path + " synth 30 sine " +
                               std::to_string(hz) + " vol 0.4")
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

}  // namespace
}  // namespace qsr
