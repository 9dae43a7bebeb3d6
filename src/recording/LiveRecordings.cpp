#include "recording/LiveRecordings.h"

#include <sys/stat.h>

#include <filesystem>
#include <system_error>

#include "platform/services/AppFolder.h"
#include "recording/RecoveryJournal.h"

namespace qsr::recording {
namespace {

std::string Canonical(const std::string& path) {
    std::error_code ec;
    const std::filesystem::path canonical = std::filesystem::weakly_canonical(path, ec);
    return ec ? std::filesystem::absolute(path, ec).lexically_normal().string()
              : canonical.string();
}

// Existing files are the same when device and inode are; a file not there
// (yet) is the same when its resolved path is.
bool SameFile(const std::string& a, const std::string& b) {
    struct stat sa {
    }, sb{};
    const bool hasA = ::stat(a.c_str(), &sa) == 0;
    const bool hasB = ::stat(b.c_str(), &sb) == 0;
    if (hasA && hasB) return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
    return Canonical(a) == Canonical(b);
}

}  // namespace

std::string JournalFile(const std::string& applicationFolder) {
    return services::AppPath(applicationFolder, kJournalFileName);
}

bool IsBeingRecorded(const std::string& path, const std::string& journalFile) {
    if (path.empty()) return false;
    for (const JournalEntry& entry : RecoveryJournal(journalFile).Entries()) {
        if (EntryProcessAlive(entry) && SameFile(path, entry.path)) return true;
    }
    return false;
}

std::string BeingRecordedMessage(const std::string& path) {
    return path + " is being recorded";
}

}  // namespace qsr::recording
