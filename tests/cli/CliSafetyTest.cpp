// quorvin-cli when the input or the device fails it: a recording whose sound
// server is killed ends at once, keeps what was captured and exits 1 with the
// reason; a conversion that decodes nothing exits 1 and leaves no file; a
// replaced file keeps its link and mode, and hard links are never split.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <thread>

#include "platform/audio/AudioFileComponent.h"
#include "support/TempDir.h"

namespace qsr::audio {
namespace {

using qsr::testing::ReadAll;
using qsr::testing::TempDir;
using qsr::testing::WriteAll;

const std::string kCli = QSR_BINARY_DIR "/src/cli/quorvin-cli";

// Waits for a condition, checking every 20 ms, for at most `bound`.
bool WaitFor(const std::function<bool()>& done, std::chrono::seconds bound) {
    const auto end = std::chrono::steady_clock::now() + bound;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}

// Runs a shell command in the background; its output goes to `log`.
pid_t Spawn(const std::string& command, const std::string& log) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        const std::string line = command + " >'" + log + "' 2>&1";
        ::execl("/bin/sh", "sh", "-c", line.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    return pid;
}

int Shell(const std::string& command) {
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(CliSafety, AKilledSoundServerEndsTheRecordingWithTheReason) {
    TempDir dir, home;
    const std::string server = dir.File("pulse");
    ASSERT_EQ(Shell(std::string(QSR_SOUND_SERVER_SCRIPT) + " start " + server + " >/dev/null"), 0);
    const std::string env =
        "QSR_HOME='" + home.path().string() + "' PULSE_SERVER=unix:" + server + "/native ";
    ASSERT_EQ(Shell(env + kCli + " devices > " + dir.File("devices")), 0);
    const std::string devices = ReadAll(dir.File("devices"));
    const auto at = devices.find(": Monitor of Tone_Output");
    ASSERT_NE(at, std::string::npos) << devices;
    const auto lineStart = devices.rfind('\n', at) + 1;
    const std::string device = devices.substr(lineStart, at - lineStart);

    const std::string wav = dir.File("cut.wav");
    const pid_t cli =
        Spawn(env + kCli + " record --device " + device + " --seconds 600 --format WAV " + wav,
              dir.File("log"));
    // Two whole blocks (a second each) written: the recording runs.
    ASSERT_TRUE(WaitFor(
        [&] {
            return std::filesystem::exists(wav) && std::filesystem::file_size(wav) > 2 * 176400;
        },
        std::chrono::seconds(60)));
    const std::string pid = ReadAll(server + "/pid");
    ASSERT_EQ(::kill(std::stoi(pid), SIGKILL), 0);

    // Long before the 600 s asked for (and its guard) the program has ended.
    int status = 0;
    const bool ended =
        WaitFor([&] { return ::waitpid(cli, &status, WNOHANG) == cli; }, std::chrono::seconds(120));
    Shell(std::string(QSR_SOUND_SERVER_SCRIPT) + " stop " + server);
    if (!ended) ::kill(cli, SIGKILL);
    ASSERT_TRUE(ended);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1);
    EXPECT_NE(ReadAll(dir.File("log"))
                  .find("quorvin-cli record: The recording to " + wav +
                        " stopped: the recording device was lost\n"),
              std::string::npos)
        << ReadAll(dir.File("log"));
    // The file is finished: its header tells the length it holds.
    auto f = CreateRealAudioFile();
    ASSERT_GE(f->OpenFile(wav), 0) << f->LastError();
    EXPECT_GE(f->TotalSamples(), 2 * f->SampleRate());
    std::int64_t frames = 0;
    for (Samples b; !(b = f->ReadBlock(44100)).empty();)
        frames += static_cast<std::int64_t>(b.size()) / f->ChannelCount();
    EXPECT_EQ(frames, f->TotalSamples());
}

TEST(CliSafety, AConversionThatDecodesNothingFailsAndLeavesNoFile) {
    TempDir dir, home;
    // A FLAC file whose header promises a second and whose frames are gone.
    const std::string input = ReadAll(std::string(QSR_SOURCE_DIR) +
                                      "/tests/fuzz/regressions/fuzz_readers/"
                                      "flac-header-without-frames");
    ASSERT_GT(input.size(), 2U);
    const std::string flac = dir.File("empty.flac");
    WriteAll(flac, input.substr(2));
    const std::string out = dir.File("out.wav");
    const std::string command = "QSR_HOME='" + home.path().string() + "' " + kCli + " convert " +
                                flac + " " + out + " > " + dir.File("log") + " 2>&1";
    EXPECT_EQ(Shell(command), 1);
    EXPECT_NE(ReadAll(dir.File("log"))
                  .find("quorvin-cli convert: nothing in " + flac + " could be decoded"),
              std::string::npos)
        << ReadAll(dir.File("log"));
    EXPECT_FALSE(std::filesystem::exists(out));
}

TEST(CliSafety, OverwriteKeepsLinksAndModeAndNeverSplitsHardLinks) {
    TempDir dir, home;
    const std::string wav = dir.File("in.wav");
    Shell("ffmpeg -v error -f lavfi -i 'sine=f=440:d=0.5:r=8000' -y " + wav);
    const std::string target = dir.File("real.mp3"), link = dir.File("link.mp3");
    WriteAll(target, "old");
    ::chmod(target.c_str(), 0600);
    std::filesystem::create_symlink(target, link);
    const std::string cli = "QSR_HOME='" + home.path().string() + "' " + kCli;
    ASSERT_EQ(Shell(cli + " convert --overwrite " + wav + " " + link + " >/dev/null 2>&1"), 0);
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_GT(std::filesystem::file_size(target), 1000U);
    struct stat st {};
    ::stat(target.c_str(), &st);
    EXPECT_EQ(st.st_mode & 07777, 0600U);

    std::filesystem::create_hard_link(target, dir.File("second-name.mp3"));
    const std::string before = ReadAll(target);
    EXPECT_EQ(Shell(cli + " convert --overwrite " + wav + " " + target + " > " + dir.File("log") +
                    " 2>&1"),
              1);
    EXPECT_NE(ReadAll(dir.File("log")).find("hard links"), std::string::npos)
        << ReadAll(dir.File("log"));
    EXPECT_EQ(ReadAll(target), before);
    // Nothing but the two names, the link, the input and the log is left.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                            std::filesystem::directory_iterator()),
              5);
}

}  // namespace
}  // namespace qsr::audio
