// kill -9 at random moments of a tag write or removal: the file is always
// the old one or the new one, bit for bit.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <random>
#include <string>

#include "support/TempDir.h"
#include "platform/audio/TagLibId3v2Tag.h"

namespace fs = std::filesystem;
using qsr::audio::TagLibId3v2Tag;
using qsr::testing::ReadAll;
using qsr::testing::TempDir;
using qsr::testing::WriteAll;

namespace {

using Operation = std::function<bool(const std::string&)>;

// Runs the operation in a child and returns how long it took.
double TimeInChild(const Operation& op, const std::string& path) {
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = ::fork();
    if (pid == 0) ::_exit(op(path) ? 0 : 1);
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    return std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start)
        .count();
}

// Starts the operation on a fresh copy of `old` many times, kills it at a
// random moment, and checks what is left.
void KillAtRandom(const std::string& old, const Operation& op, int rounds, int leastKilled) {
    TempDir dir;
    const std::string path = dir.File("song.mp3");
    WriteAll(path, old);
    const double micros = TimeInChild(op, path);
    const std::string result = ReadAll(path);
    ASSERT_NE(result, old);

    std::mt19937 random(12345);
    std::uniform_real_distribution<double> when(0, micros * 1.2);
    int killed = 0, sawOld = 0, sawNew = 0;
    for (int round = 0; round < rounds; ++round) {
        for (const auto& e : fs::directory_iterator(dir.path())) fs::remove(e.path());
        WriteAll(path, old);
        const pid_t pid = ::fork();
        if (pid == 0) ::_exit(op(path) ? 0 : 1);
        ::usleep(static_cast<useconds_t>(when(random)));
        ::kill(pid, SIGKILL);
        int status = 0;
        ::waitpid(pid, &status, 0);
        if (WIFSIGNALED(status)) ++killed;
        const std::string now = ReadAll(path);
        if (now == old) {
            ++sawOld;
        } else if (now == result) {
            ++sawNew;
        } else {
            ADD_FAILURE() << "round " << round << ": the file is neither the old nor the new one";
            return;
        }
    }
    // The kills must really have landed while the work was going on.
    EXPECT_GE(killed, leastKilled) << "took " << micros << " us";
    EXPECT_GT(sawOld, 0);
    std::printf("%d rounds, %.0f us each: %d killed, %d old, %d new\n", rounds, micros, killed,
                sawOld, sawNew);
}

// A few MiB of MPEG audio behind a small ID3v2.3 tag.
std::string BigTaggedFile() {
    const std::string tone = ReadAll(std::string(QSR_TEST_DATA) + "/tone_notag.mp3");
    std::string audio;
    while (audio.size() < (2u << 20)) audio += tone;
    TempDir dir;
    const std::string path = dir.File("big.mp3");
    WriteAll(path, audio);
    TagLibId3v2Tag tag;
    tag.SetField(2, "Title");
    tag.SetField(3, "Artist");
    EXPECT_TRUE(tag.WriteTag(path));
    return ReadAll(path);
}

}  // namespace

TEST(TagCrash, AGrowingWriteIsAllOrNothing) {
    KillAtRandom(
        BigTaggedFile(),
        [](const std::string& path) {
            TagLibId3v2Tag tag;
            tag.SetField(2, std::string(5000, 'G'));
            tag.SetField(3, "Artist");
            return tag.WriteTag(path);
        },
        50, 5);
}

TEST(TagCrash, ARemovalIsAllOrNothing) {
    KillAtRandom(
        BigTaggedFile(),
        [](const std::string& path) {
            TagLibId3v2Tag tag;
            return tag.RemoveTag(path);
        },
        50, 5);
}

TEST(TagCrash, AnInPlaceWriteIsAllOrNothing) {
    KillAtRandom(
        BigTaggedFile(),
        [](const std::string& path) {
            TagLibId3v2Tag tag;
            tag.SetField(2, "Other");
            tag.SetField(3, "Artist");
            return tag.WriteTag(path);
        },
        // Most of the time goes to reading before the one write.
        50, 1);
}
