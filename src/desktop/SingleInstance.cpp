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
    return (std::filesystem::temp_directory_path() /
            ("quorvin-sound-recorder-" + std::to_string(getuid()) + ".lock"))
        .string();
}

LockFileInstance::LockFileInstance(std::string lockPath)
    : lockPath_(lockPath.empty() ? DefaultLockPath() : std::move(lockPath)) {}

LockFileInstance::~LockFileInstance() {
    if (fd_ >= 0) close(fd_);
}

bool LockFileInstance::Acquire() {
    if (fd_ >= 0) return true;
    const int fd = open(lockPath_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
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
