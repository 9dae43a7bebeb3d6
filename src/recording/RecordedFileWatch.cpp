#include "recording/RecordedFileWatch.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <vector>

namespace qsr::recording {

std::string RecoveredName(const std::string& path, int n) {
    const auto slash = path.find_last_of('/');
    const auto dot = path.find_last_of('.');
    const bool hasExt = dot != std::string::npos && (slash == std::string::npos || dot > slash + 1);
    const std::string stem = hasExt ? path.substr(0, dot) : path;
    const std::string ext = hasExt ? path.substr(dot) : std::string();
    return stem + " (recovered" + (n > 1 ? " " + std::to_string(n) : std::string()) + ")" + ext;
}

void RecordedFileWatch::Watch(const std::string& path) {
    Release();
    path_ = path;
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    struct stat st {};
    if (fd_ >= 0 && ::fstat(fd_, &st) != 0) Release();
    device_ = st.st_dev;
    inode_ = st.st_ino;
}

void RecordedFileWatch::Release() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

bool RecordedFileWatch::Replaced() const {
    if (fd_ < 0) return false;
    struct stat st {};
    if (::stat(path_.c_str(), &st) != 0) return errno == ENOENT || errno == ENOTDIR;
    return st.st_dev != device_ || st.st_ino != inode_;
}

std::string RecordedFileWatch::KeepBeside(std::string* error) const {
    const auto fail = [error](const std::string& why) {
        if (error) *error = why;
        return std::string();
    };
    if (fd_ < 0) return fail("the recorded file is not held");
    std::string name;
    int out = -1;
    for (int n = 1; out < 0 && n < 1000; ++n) {
        name = RecoveredName(path_, n);
        out = ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (out < 0 && errno != EEXIST) return fail(name + ": " + std::strerror(errno));
    }
    if (out < 0) return fail("no free name beside " + path_);
    std::vector<char> buffer(1 << 16);
    off_t offset = 0;
    for (;;) {
        const ssize_t got = ::pread(fd_, buffer.data(), buffer.size(), offset);
        if (got < 0 && errno == EINTR) continue;
        bool ok = got >= 0;
        for (ssize_t put = 0; ok && put < got;) {
            const ssize_t n = ::write(out, buffer.data() + put, static_cast<size_t>(got - put));
            if (n < 0 && errno == EINTR) continue;
            ok = n > 0;
            put += ok ? n : 0;
        }
        if (!ok) {
            const std::string why = name + ": " + std::strerror(errno);
            ::close(out);
            ::unlink(name.c_str());
            return fail(why);
        }
        if (got == 0) break;
        offset += got;
    }
    if (::close(out) != 0) {
        const std::string why = name + ": " + std::strerror(errno);
        ::unlink(name.c_str());
        return fail(why);
    }
    return name;
}

}  // namespace qsr::recording
