#include "desktop/SingleInstance.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

namespace qsr::desktop {

std::string DefaultLockPath() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && *runtime && std::filesystem::is_directory(runtime))
        return std::string(runtime) + "/quorvin-sound-recorder.lock";
    // A name in a folder others can write could be taken or planted by them.
    return {};
}

LockFileInstance::LockFileInstance(std::string lockPath)
    : lockPath_(lockPath.empty() ? DefaultLockPath() : std::move(lockPath)) {}

LockFileInstance::~LockFileInstance() {
    if (fd_ >= 0) close(fd_);
}

bool LockFileInstance::Acquire() {
    if (fd_ >= 0) return true;
    if (lockPath_.empty()) return true;  // no private folder: no check
    const int fd = open(lockPath_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    // Without a lock file we cannot tell; running is better than refusing.
    if (fd < 0) return true;
    if (flock(fd, LOCK_EX | LOCK_NB) != 0) {
        close(fd);
        return false;
    }
    fd_ = fd;
    return true;
}

}  // namespace qsr::desktop
