#include "core/AtomicFile.h"

#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace qsr::core {
namespace {

bool Fail(std::string* error, const std::string& why) {
    if (error) *error = why;
    return false;
}

std::string FolderOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

void SyncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

}  // namespace

std::string RandomHex(int bytes) {
    std::string raw(static_cast<std::size_t>(bytes), '\0');
    if (::getrandom(raw.data(), raw.size(), 0) != static_cast<ssize_t>(raw.size())) {
        // Without the kernel's generator the exclusive create still guards us.
        for (auto& b : raw) b = static_cast<char>(std::rand());
    }
    std::string out;
    char hex[3];
    for (const char b : raw) {
        std::snprintf(hex, sizeof hex, "%02x", static_cast<unsigned char>(b));
        out += hex;
    }
    return out;
}

ReplacingFile::~ReplacingFile() {
    Discard();
}

bool ReplacingFile::Begin(const std::string& path, std::string* error, const std::string& suffix) {
    Discard();
    path_ = target_ = path;
    struct stat st {};
    existed_ = ::stat(path.c_str(), &st) == 0;
    if (existed_) {
        if (!S_ISREG(st.st_mode)) return Fail(error, path + " is not a regular file");
        if (st.st_nlink > 1) {
            return Fail(error, path + " has other hard links, which a replacing copy would split");
        }
        if (::access(path.c_str(), W_OK) != 0)
            return Fail(error, path + ": " + std::strerror(errno));
        char resolved[PATH_MAX];
        if (::realpath(path.c_str(), resolved)) target_ = resolved;
        mode_ = st.st_mode & 07777;
        uid_ = st.st_uid;
        gid_ = st.st_gid;
    }
    const std::string folder = FolderOf(target_);
    for (int attempt = 0; attempt < 16 && fd_ < 0; ++attempt) {
        temp_ = folder + (folder == "/" ? "" : "/") + ".qsr-write-" + RandomHex(8) + suffix;
        // A new file gets the process's default mode from the kernel itself.
        fd_ = ::open(temp_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                     existed_ ? 0600 : 0666);
        if (fd_ < 0 && errno != EEXIST) break;
    }
    if (fd_ < 0) {
        const std::string why = folder + ": " + std::strerror(errno);
        temp_.clear();
        return Fail(error, why);
    }
    return true;
}

bool ReplacingFile::Commit(std::string* error) {
    if (fd_ < 0) return Fail(error, "nothing to commit");
    bool ok = true;
    if (existed_) {
        struct stat made {};
        ok = ::fstat(fd_, &made) == 0;
        // Another user's file keeps its owner, or is not replaced at all.
        if (ok && (made.st_uid != uid_ || made.st_gid != gid_)) ok = ::fchown(fd_, uid_, gid_) == 0;
        ok = ok && ::fchmod(fd_, static_cast<mode_t>(mode_)) == 0;
    }
    ok = ok && ::fsync(fd_) == 0;
    const int savedErrno = errno;
    ok = (::close(fd_) == 0) && ok;
    fd_ = -1;
    if (!ok || ::rename(temp_.c_str(), target_.c_str()) != 0) {
        const std::string why = std::strerror(ok ? errno : savedErrno);
        ::unlink(temp_.c_str());
        temp_.clear();
        return Fail(error, "cannot write " + path_ + ": " + why);
    }
    temp_.clear();
    SyncFolder(FolderOf(target_));
    return true;
}

void ReplacingFile::Discard() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (!temp_.empty()) ::unlink(temp_.c_str());
    temp_.clear();
}

bool WriteFileAtomically(const std::string& path, std::string_view content, std::string* error) {
    ReplacingFile file;
    if (!file.Begin(path, error)) return false;
    const char* data = content.data();
    std::size_t left = content.size();
    while (left > 0) {
        const ssize_t n = ::write(file.Fd(), data, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            const std::string why = n < 0 ? std::strerror(errno) : "nothing written";
            return Fail(error, "cannot write " + path + ": " + why);
        }
        data += n;
        left -= static_cast<std::size_t>(n);
    }
    return file.Commit(error);
}

}  // namespace qsr::core
