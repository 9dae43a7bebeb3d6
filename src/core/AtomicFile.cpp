#include "core/AtomicFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <vector>

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

}  // namespace

bool WriteFileAtomically(const std::string& path, std::string_view content, std::string* error) {
    // Follow a link so the link itself survives and its target gets the content.
    std::string target = path;
    struct stat st {};
    const bool exists = ::stat(path.c_str(), &st) == 0;
    if (exists) {
        if (!S_ISREG(st.st_mode)) return Fail(error, path + " is not a regular file");
        if (::access(path.c_str(), W_OK) != 0)
            return Fail(error, path + ": " + std::strerror(errno));
        char resolved[PATH_MAX];
        if (::realpath(path.c_str(), resolved)) target = resolved;
    }

    std::string pattern = FolderOf(target) + "/.qsr-write-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    const int fd = ::mkstemp(name.data());
    if (fd < 0) return Fail(error, FolderOf(target) + ": " + std::strerror(errno));
    const std::string temp(name.data());

    mode_t mode = 0666;
    if (exists) {
        mode = st.st_mode & 07777;
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        mode &= ~mask;
    }
    bool ok = ::fchmod(fd, mode) == 0;
    const char* data = content.data();
    std::size_t left = content.size();
    while (ok && left > 0) {
        const ssize_t n = ::write(fd, data, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            ok = false;
            break;
        }
        data += n;
        left -= static_cast<std::size_t>(n);
    }
    const int savedErrno = errno;
    ok = ok && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (!ok || ::rename(temp.c_str(), target.c_str()) != 0) {
        const std::string why = std::strerror(ok ? errno : savedErrno);
        ::unlink(temp.c_str());
        return Fail(error, "cannot write " + path + ": " + why);
    }
    return true;
}

}  // namespace qsr::core
