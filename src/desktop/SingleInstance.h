#pragma once

#include <string>

#include "platform/services/Services.h"

namespace qsr::desktop {

// One copy per user: an exclusive lock on a file in the user's runtime folder.
// The lock is held for the object's lifetime and vanishes with the process, so
// a crashed copy never blocks the next start.
class LockFileInstance : public services::ISingleInstance {
  public:
    // lockPath empty: "quorvin-sound-recorder.lock" in the runtime folder.
    explicit LockFileInstance(std::string lockPath = {});
    ~LockFileInstance() override;
    LockFileInstance(const LockFileInstance&) = delete;
    LockFileInstance& operator=(const LockFileInstance&) = delete;

    bool Acquire() override;
    const std::string& LockPath() const { return lockPath_; }

  private:
    std::string lockPath_;
    int fd_ = -1;
};

// The lock file's default place: $XDG_RUNTIME_DIR; empty without one (then
// no copy is refused).
std::string DefaultLockPath();

}  // namespace qsr::desktop
