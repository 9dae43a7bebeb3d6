#include "core/AtomicFile.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

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

std::string NameOf(const std::string& path) {
    const auto slash = path.find_last_of('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    // Room for the dot, the random part and the suffix within a file name.
    if (name.size() > 100) name.resize(100);
    return name;
}

constexpr const char* kCopySuffix = ".qsrtmp";
constexpr int kRandomBytes = 6;  // 12 hex digits

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

bool ReplacingFile::Refuse(std::string* error, const std::string& why) {
    refused_ = true;
    return Fail(error, why);
}

bool ReplacingFile::Begin(const std::string& path, std::string* error, const std::string& suffix) {
    Discard();
    path_ = target_ = path;
    flushed_ = refused_ = false;
    struct stat st {};
    existed_ = ::stat(path.c_str(), &st) == 0;
    if (existed_) {
        if (!S_ISREG(st.st_mode)) return Refuse(error, path + " is not a regular file");
        if (st.st_nlink > 1) {
            return Refuse(error,
                          path + " has other hard links, which a replacing copy would split");
        }
        if (::access(path.c_str(), W_OK) != 0)
            return Refuse(error, path + ": " + std::strerror(errno));
        char resolved[PATH_MAX];
        if (::realpath(path.c_str(), resolved)) target_ = resolved;
        mode_ = st.st_mode & 07777;
        uid_ = st.st_uid;
        gid_ = st.st_gid;
    }
    const std::string folder = FolderOf(target_);
    const std::string stem = folder + (folder == "/" ? "" : "/") + "." + NameOf(target_) + ".";
    for (int attempt = 0; attempt < 16 && fd_ < 0; ++attempt) {
        temp_ = stem + RandomHex(kRandomBytes) + (suffix.empty() ? kCopySuffix : suffix);
        // A new file gets the process's default mode from the kernel itself.
        fd_ = ::open(temp_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                     existed_ ? 0600 : 0666);
        if (fd_ < 0 && errno != EEXIST) break;
    }
    if (fd_ < 0) {
        const int e = errno;
        temp_.clear();
        if (e == EACCES || e == EPERM || e == EROFS) {
            return Refuse(error, "the folder " + folder + " does not take a new file (" +
                                     std::strerror(e) + ")");
        }
        return Fail(error, folder + ": " + std::strerror(e));
    }
    // Held until the copy is renamed or removed (see RemoveLeftCopies).
    ::flock(fd_, LOCK_EX | LOCK_NB);
    return true;
}

bool ReplacingFile::Flush(std::string* error) {
    if (fd_ < 0) return Fail(error, "nothing to flush");
    if (existed_) {
        struct stat made {};
        if (::fstat(fd_, &made) != 0)
            return Fail(error, "cannot write " + path_ + ": " + std::strerror(errno));
        // Another user's file keeps its owner, or is not replaced at all.
        if ((made.st_uid != uid_ || made.st_gid != gid_) && ::fchown(fd_, uid_, gid_) != 0)
            return Refuse(error,
                          "the owner or group cannot be kept on a replacing copy of " + path_);
        if (::fchmod(fd_, static_cast<mode_t>(mode_)) != 0)
            return Fail(error, "cannot write " + path_ + ": " + std::strerror(errno));
    }
    if (::fsync(fd_) != 0)
        return Fail(error, "cannot write " + path_ + ": " + std::strerror(errno));
    flushed_ = true;
    return true;
}

bool ReplacingFile::Commit(std::string* error) {
    if (fd_ < 0) return Fail(error, "nothing to commit");
    if (!flushed_ && !Flush(error)) {
        Discard();
        return false;
    }
    const bool closed = ::close(fd_) == 0;
    const int closeErrno = errno;
    fd_ = -1;
    if (!closed || ::rename(temp_.c_str(), target_.c_str()) != 0) {
        const std::string why = std::strerror(closed ? errno : closeErrno);
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

void RemoveLeftCopies(const std::string& path) {
    std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(path.c_str(), nullptr),
                                                         &std::free);
    if (!resolved) return;
    const std::string real = resolved.get();
    const std::string folder = FolderOf(real);
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(folder.c_str()), ::closedir);
    if (!dir) return;
    const std::string prefix = "." + NameOf(real) + ".";
    const std::string suffix = kCopySuffix;
    while (const dirent* entry = ::readdir(dir.get())) {
        const std::string name = entry->d_name;
        if (name.size() != prefix.size() + 2 * kRandomBytes + suffix.size() ||
            name.rfind(prefix, 0) != 0 ||
            name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0) {
            continue;
        }
        const int fd = ::openat(::dirfd(dir.get()), name.c_str(),
                                O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
        if (fd < 0) continue;
        struct stat st {};
        if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            ::unlinkat(::dirfd(dir.get()), name.c_str(), 0);
        }
        ::close(fd);
    }
}

std::string CouldNotSaveMessage(const std::string& path, const std::string& why) {
    return path + " could not be saved: " + (why.empty() ? std::string("unknown error") : why);
}

}  // namespace qsr::core
