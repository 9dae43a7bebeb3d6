#include "tags/clsFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <ctime>

#include "tags/SplitPath.h"

namespace qsr::tags {
namespace {

// 100-ns ticks from 1601-01-01 to 1970-01-01.
constexpr std::uint64_t kEpochDelta = 116444736000000000ULL;

std::uint64_t ToFileTime(const struct timespec& ts) {
    if (ts.tv_sec < 0) return 0;
    return static_cast<std::uint64_t>(ts.tv_sec) * 10000000ULL +
           static_cast<std::uint64_t>(ts.tv_nsec) / 100ULL + kEpochDelta;
}

std::uint32_t AttributesOf(const std::string& path, const struct stat& st) {
    std::uint32_t attributes = 0;
    if (S_ISDIR(st.st_mode)) attributes |= kAttrDirectory;
    if ((st.st_mode & S_IWUSR) == 0) attributes |= kAttrReadOnly;
    const auto slash = path.rfind('/');
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    if (!name.empty() && name[0] == '.') attributes |= kAttrHidden;
    if (!S_ISDIR(st.st_mode)) attributes |= kAttrArchive;
    return attributes == 0 ? kAttrNormal : attributes;
}

}  // namespace

void clsFile::sFilename(const std::string& path) {
    filename_ = path;
    RefreshInfo();
}

bool clsFile::RefreshInfo() {
    // O_NONBLOCK: opening a FIFO must not hang the scan.
    const int fd = ::open(filename_.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return false;
    struct statx sx {};
    if (::statx(fd, "", AT_EMPTY_PATH, STATX_BASIC_STATS | STATX_BTIME, &sx) == 0) {
        struct stat st {};
        st.st_mode = sx.stx_mode;
        FileInfoRecord info;
        info.attributes = AttributesOf(filename_, st);
        const struct timespec atime { sx.stx_atime.tv_sec, sx.stx_atime.tv_nsec };
        const struct timespec mtime { sx.stx_mtime.tv_sec, sx.stx_mtime.tv_nsec };
        const struct timespec ctime { sx.stx_ctime.tv_sec, sx.stx_ctime.tv_nsec };
        const struct timespec btime { sx.stx_btime.tv_sec, sx.stx_btime.tv_nsec };
        // Without a birth time the status-change time is the nearest we have.
        info.creationTime = ToFileTime((sx.stx_mask & STATX_BTIME) != 0 ? btime : ctime);
        info.lastAccessTime = ToFileTime(atime);
        info.lastWriteTime = ToFileTime(mtime);
        info.volumeSerialNumber = (sx.stx_dev_major << 20) | sx.stx_dev_minor;
        info.sizeHigh = static_cast<std::uint32_t>(sx.stx_size >> 32);
        info.sizeLow = static_cast<std::uint32_t>(sx.stx_size & 0xFFFFFFFFULL);
        info.numberOfLinks = sx.stx_nlink;
        info.fileIndexHigh = static_cast<std::uint32_t>(sx.stx_ino >> 32);
        info.fileIndexLow = static_cast<std::uint32_t>(sx.stx_ino & 0xFFFFFFFFULL);
        info_ = info;
    }
    ::close(fd);
    return false;
}

void clsFile::eFileAttributes(std::uint32_t attributes) {
    struct stat st {};
    if (::stat(filename_.c_str(), &st) == 0) {
        mode_t mode = st.st_mode & 07777;
        if ((attributes & kAttrReadOnly) != 0) {
            mode &= static_cast<mode_t>(~(S_IWUSR | S_IWGRP | S_IWOTH));
        } else {
            mode |= S_IWUSR;
        }
        (void)::chmod(filename_.c_str(), mode);
    }
    info_.attributes = attributes;
}

FileDate clsFile::FileTimeToDate(std::uint64_t fileTime) {
    // Whole seconds since 1970, then local calendar fields.
    const auto ticks = static_cast<std::int64_t>(fileTime / 10000000ULL) -
                       static_cast<std::int64_t>(kEpochDelta / 10000000ULL);
    const auto seconds = static_cast<std::time_t>(ticks);
    std::tm local{};
    if (::localtime_r(&seconds, &local) == nullptr) return {};
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
            local.tm_hour,        local.tm_min,     local.tm_sec};
}

std::int64_t clsFile::lSize() const {
    return static_cast<std::int64_t>((static_cast<std::uint64_t>(info_.sizeHigh) << 32) |
                                     info_.sizeLow);
}

std::string clsFile::sExtension() const {
    return SplitPath(filename_, kSplitExtension);
}
std::string clsFile::sName() const {
    return SplitPath(filename_, kSplitName);
}
std::string clsFile::sNameAndExtension() const {
    return SplitPath(filename_, kSplitName | kSplitExtension);
}

}  // namespace qsr::tags
