#pragma once

#include <sys/types.h>

#include <string>

namespace qsr::recording {

// Why a recording stopped when its file was replaced or deleted under it.
inline constexpr const char* kFileReplacedReason = "the file was replaced by another program";

// Keeps hold of the file a recording writes, so that another program
// replacing or deleting its path (a tag editor saving beside it and renaming
// over it, "mv other.mp3 x.mp3") is noticed and what was recorded survives:
// the encoder goes on writing the old file, which only this watch still
// reaches once it has no name.
class RecordedFileWatch {
  public:
    RecordedFileWatch() = default;
    RecordedFileWatch(const RecordedFileWatch&) = delete;
    RecordedFileWatch& operator=(const RecordedFileWatch&) = delete;
    ~RecordedFileWatch() { Release(); }

    // Holds the file just created at `path`; watches nothing when there is
    // none (or it cannot be opened).
    void Watch(const std::string& path);
    void Release();
    bool Watching() const { return fd_ >= 0; }

    // Whether `path` no longer names the held file.
    bool Replaced() const;
    // Copies the held file to a fresh name beside the path ("x (recovered).mp3",
    // "x (recovered 2).mp3", ...) and returns that name; empty, with the
    // reason in `error`, when it cannot.
    std::string KeepBeside(std::string* error = nullptr) const;

  private:
    std::string path_;
    int fd_ = -1;
    dev_t device_ = 0;
    ino_t inode_ = 0;
};

// "folder/x (recovered).mp3" for "folder/x.mp3", with " 2", " 3" ... inside
// the brackets for the n-th name.
std::string RecoveredName(const std::string& path, int n);

}  // namespace qsr::recording
