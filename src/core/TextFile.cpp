#include "core/TextFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "core/FileKind.h"

namespace qsr::core {
namespace {

TextFileRead Failed(std::string why) {
    TextFileRead r;
    r.why = std::move(why);
    return r;
}

}  // namespace

std::string LargerThanText(std::size_t limit) {
    constexpr std::size_t kKb = 1024, kMb = 1024 * 1024;
    if (limit >= kMb && limit % kMb == 0)
        return "larger than " + std::to_string(limit / kMb) + " MB";
    if (limit >= kKb && limit % kKb == 0)
        return "larger than " + std::to_string(limit / kKb) + " KB";
    return "larger than " + std::to_string(limit) + " bytes";
}

TextFileRead ReadTextFile(const std::string& path, std::size_t limit, OverLimit over) {
    // Non-blocking: a named pipe put in the file's place between a check and
    // the open must not wait for a writer.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        const int e = errno;
        if (const std::string kind = SpecialFileKind(path); !kind.empty()) return Failed(kind);
        return Failed(std::strerror(e));
    }
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    struct stat st {};
    if (::fstat(fd, &st) != 0) return Failed(std::strerror(errno));
    if (S_ISDIR(st.st_mode)) return Failed("a folder");
    if (!S_ISREG(st.st_mode)) {
        const std::string kind = SpecialFileKind(path);
        return Failed(kind.empty() ? "not a regular file" : kind);
    }
    TextFileRead r;
    const auto size = static_cast<std::size_t>(st.st_size);
    if (size > limit) {
        if (over == OverLimit::Refuse) return Failed(LargerThanText(limit));
        r.truncated = true;
    }
    // The size may be unknown (0 in /proc) or change while we read: read to
    // the end, but never one byte past the limit plus one.
    r.text.resize(std::min(size, limit) + 1);
    std::size_t got = 0;
    for (;;) {
        if (got == r.text.size()) {
            if (got > limit) break;
            r.text.resize(std::min(limit + 1, std::max<std::size_t>(got * 2, 4096)));
        }
        const ssize_t n = ::read(fd, r.text.data() + got, r.text.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return Failed(std::strerror(errno));
        if (n == 0) break;
        got += static_cast<std::size_t>(n);
    }
    if (got > limit) {
        if (over == OverLimit::Refuse) return Failed(LargerThanText(limit));
        r.truncated = true;
        got = limit;
    }
    r.text.resize(got);
    r.ok = true;
    return r;
}

}  // namespace qsr::core
