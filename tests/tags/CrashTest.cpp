// kill -9 at every step of a tag write or removal: the file is always the
// old one or the new one, bit for bit. The writer stops itself at a named
// step, so the moment is the same under any load.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "platform/taglib/MpegTagRewrite.h"
#include "platform/taglib/TagLibId3v2Tag.h"
#include "support/TempDir.h"

namespace fs = std::filesystem;
using qsr::audio::TagLibId3v2Tag;
using qsr::testing::ReadAll;
using qsr::testing::TempDir;
using qsr::testing::WriteAll;

namespace {

using Operation = std::function<bool(const std::string&)>;

// The step the child dies at: its name and which occurrence (1 = first).
const char* killStep = nullptr;
int killOccurrence = 0;

void KillAtStep(const char* step) {
    if (std::strcmp(step, killStep) == 0 && --killOccurrence == 0) ::raise(SIGKILL);
}

struct Kill {
    const char* step;
    int occurrence;
    bool newAfter;  // the new file is in place once the process dies here
};

// Runs the operation on a fresh copy of `old` once per kill point, the child
// killing itself at that step, and checks what is left each time.
void KillAtEachStep(const std::string& old, const Operation& op, const std::vector<Kill>& kills) {
    TempDir dir;
    const std::string path = dir.File("song.mp3");
    WriteAll(path, old);
    ASSERT_TRUE(op(path));
    const std::string result = ReadAll(path);
    ASSERT_NE(result, old);

    for (const Kill& kill : kills) {
        SCOPED_TRACE(std::string(kill.step) + " #" + std::to_string(kill.occurrence));
        for (const auto& e : fs::directory_iterator(dir.path())) fs::remove(e.path());
        WriteAll(path, old);
        const pid_t pid = ::fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            killStep = kill.step;
            killOccurrence = kill.occurrence;
            qsr::audio::tagfile::SetStepHook(&KillAtStep);
            ::_exit(op(path) ? 0 : 1);
        }
        int status = 0;
        ::waitpid(pid, &status, 0);
        // The write really passed that step and died there.
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
        EXPECT_TRUE(ReadAll(path) == (kill.newAfter ? result : old));
    }
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

// A grown tag rewrites the file beside it: before the rename the old file,
// after it the new one, never a mix. The copy runs in 1 MiB blocks.
const std::vector<Kill> kReplaceSteps = {
    {"replace: created", 1, false}, {"replace: block", 1, false},  {"replace: block", 2, false},
    {"replace: flushed", 1, false}, {"replace: renamed", 1, true}, {"replace: done", 1, true}};

TEST(TagCrash, AGrowingWriteIsAllOrNothing) {
    KillAtEachStep(
        BigTaggedFile(),
        [](const std::string& path) {
            TagLibId3v2Tag tag;
            tag.SetField(2, std::string(5000, 'G'));
            tag.SetField(3, "Artist");
            return tag.WriteTag(path);
        },
        kReplaceSteps);
}

TEST(TagCrash, ARemovalIsAllOrNothing) {
    KillAtEachStep(
        BigTaggedFile(),
        [](const std::string& path) {
            TagLibId3v2Tag tag;
            return tag.RemoveTag(path);
        },
        kReplaceSteps);
}

// A tag that fits its old space is one write: once the write call returned,
// the page cache holds the new tag whether or not the flush ran.
TEST(TagCrash, AnInPlaceWriteIsAllOrNothing) {
    KillAtEachStep(
        BigTaggedFile(),
        [](const std::string& path) {
            TagLibId3v2Tag tag;
            tag.SetField(2, "Other");
            tag.SetField(3, "Artist");
            return tag.WriteTag(path);
        },
        {{"in place: write", 1, false}, {"in place: flush", 1, true}, {"in place: done", 1, true}});
}
