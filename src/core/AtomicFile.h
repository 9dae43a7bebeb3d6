#pragma once

#include <string>
#include <string_view>

namespace qsr::core {

// Every "write beside, then rename over" of the program goes through this:
// - A symbolic link is followed: its target is replaced, the link stays.
// - A file with other hard links is refused (a replacing copy would split
//   them), as is anything that is not a regular file, or a file the user may
//   not write.
// - The copy is created exclusively (O_EXCL, O_NOFOLLOW) under a random name
//   in the target's folder, ".NAME.<12 hex digits>.qsrtmp" (or ending in the
//   caller's suffix), and locked while it is written, so a later writer can
//   tell a copy a killed write left behind from one in progress. It takes the
//   replaced file's mode and owner (a new file the process's default mode), is
//   flushed, renamed over the target in one step, and the folder is flushed
//   after the rename.
// A crash or a full disk leaves either the old file or the new one.
class ReplacingFile {
  public:
    ReplacingFile() = default;
    ~ReplacingFile();  // discards an uncommitted copy
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    // Creates the empty copy for `path`, its name ending in `suffix` (an
    // extension writers go by); false (with the reason) when `path` may not
    // be replaced.
    bool Begin(const std::string& path, std::string* error = nullptr,
               const std::string& suffix = {});
    // The copy's name: write it (by name or through Fd()), then Commit.
    const std::string& TempPath() const { return temp_; }
    int Fd() const { return fd_; }
    // Gives the written copy the target's owner and mode and flushes it to
    // disk (Commit does this itself when it has not been done).
    bool Flush(std::string* error = nullptr);
    // Renames the written copy over the target; on failure the copy is gone
    // and the target untouched.
    bool Commit(std::string* error = nullptr);
    void Discard();
    // After a failure: true when the target may not be replaced this way at
    // all (hard links, not a regular file, a folder that takes no new file, an
    // owner the copy cannot take), false for a failed read, write or flush.
    bool Refused() const { return refused_; }

  private:
    bool Refuse(std::string* error, const std::string& why);
    std::string path_, target_, temp_;
    int fd_ = -1;
    bool existed_ = false;
    bool flushed_ = false;
    bool refused_ = false;
    unsigned mode_ = 0;
    unsigned uid_ = 0, gid_ = 0;
};

// The leftover copies ".NAME.<12 hex>.qsrtmp" of `path` that no writer holds
// any more (what a killed rewrite left behind) are removed.
void RemoveLeftCopies(const std::string& path);

// `bytes` random bytes as hexadecimal digits, for names no one can guess.
std::string RandomHex(int bytes);

// Replaces the file's whole content through a ReplacingFile.
// On failure the old file is whole and `error` (when given) says why.
bool WriteFileAtomically(const std::string& path, std::string_view content,
                         std::string* error = nullptr);

// The one message for a file that could not be written: "PATH could not be
// saved: WHY", WHY being the system's reason ("unknown error" when none was
// given).
std::string CouldNotSaveMessage(const std::string& path, const std::string& why);

}  // namespace qsr::core
