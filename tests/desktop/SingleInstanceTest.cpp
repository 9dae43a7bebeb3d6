#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

#include "desktop/SingleInstance.h"
#include "support/TempDir.h"

using qsr::desktop::LockFileInstance;

TEST(SingleInstance, SecondClaimFailsUntilTheFirstEnds) {
    qsr::testing::TempDir dir;
    const std::string lock = dir.File("app.lock");
    auto first = std::make_unique<LockFileInstance>(lock);
    EXPECT_TRUE(first->Acquire());
    EXPECT_TRUE(first->Acquire());  // asking again keeps the claim
    LockFileInstance second(lock);
    EXPECT_FALSE(second.Acquire());
    first.reset();
    EXPECT_TRUE(second.Acquire());
}

TEST(SingleInstance, AnotherProcessIsRefusedWhileTheFirstRuns) {
    qsr::testing::TempDir dir;
    const std::string lock = dir.File("app.lock");
    LockFileInstance first(lock);
    ASSERT_TRUE(first.Acquire());
    auto childClaims = [&lock] {
        const pid_t pid = fork();
        if (pid == 0) {
            LockFileInstance child(lock);
            _exit(child.Acquire() ? 0 : 1);
        }
        int status = 0;
        waitpid(pid, &status, 0);
        return WIFEXITED(status) && WEXITSTATUS(status) == 0;
    };
    EXPECT_FALSE(childClaims());
}

TEST(SingleInstance, StaleFileFromACrashedCopyDoesNotBlock) {
    qsr::testing::TempDir dir;
    const std::string lock = dir.File("app.lock");
    const pid_t pid = fork();
    if (pid == 0) {
        LockFileInstance crashed(lock);
        crashed.Acquire();
        _exit(0);  // ends without releasing anything itself
    }
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(std::filesystem::exists(lock));
    LockFileInstance next(lock);
    EXPECT_TRUE(next.Acquire());
}

TEST(SingleInstance, LockLivesInTheRuntimeFolder) {
    qsr::testing::TempDir dir;
    const char* old = std::getenv("XDG_RUNTIME_DIR");
    const std::string saved = old ? old : "";
    setenv("XDG_RUNTIME_DIR", dir.path().c_str(), 1);
    EXPECT_EQ(qsr::desktop::DefaultLockPath(), dir.File("quorvin-sound-recorder.lock"));
    LockFileInstance instance;
    EXPECT_EQ(instance.LockPath(), dir.File("quorvin-sound-recorder.lock"));
    // Without a runtime folder no lock at all: never a name in a shared
    // folder that another user could take first.
    setenv("XDG_RUNTIME_DIR", (dir.File("missing")).c_str(), 1);
    EXPECT_EQ(qsr::desktop::DefaultLockPath(), "");
    LockFileInstance unlocked;
    EXPECT_TRUE(unlocked.Acquire());
    if (old)
        setenv("XDG_RUNTIME_DIR", saved.c_str(), 1);
    else
        unsetenv("XDG_RUNTIME_DIR");
}
