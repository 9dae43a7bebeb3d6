#pragma once

#include <cstdint>
#include <string>

namespace qsr::tags {

// A calendar time in local time, to the second.
struct FileDate {
    int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    bool operator==(const FileDate&) const = default;
};

// The information record of one file, in the platform's classic layout:
// times are 100-ns units since 1601-01-01 UTC.
struct FileInfoRecord {
    std::uint32_t attributes = 0;
    std::uint64_t creationTime = 0;
    std::uint64_t lastAccessTime = 0;
    std::uint64_t lastWriteTime = 0;
    std::uint32_t volumeSerialNumber = 0;
    std::uint32_t sizeHigh = 0;
    std::uint32_t sizeLow = 0;
    std::uint32_t numberOfLinks = 0;
    std::uint32_t fileIndexHigh = 0;
    std::uint32_t fileIndexLow = 0;
};

// Attribute bits as the tag editor knows them.
constexpr std::uint32_t kAttrReadOnly = 0x01;
constexpr std::uint32_t kAttrHidden = 0x02;
constexpr std::uint32_t kAttrDirectory = 0x10;
constexpr std::uint32_t kAttrArchive = 0x20;
constexpr std::uint32_t kAttrNormal = 0x80;

// One file: its name parts, size, attributes and time stamps. Properties read
// as name() and are set as name(value).
class clsFile {
  public:
    std::uint32_t eFileAttributes() const { return info_.attributes; }
    // Sets the read-only bit on disk (the only one Linux has a place for), then
    // stores the value whether or not the disk took it.
    void eFileAttributes(std::uint32_t attributes);

    const std::string& sFilename() const { return filename_; }
    void sFilename(const std::string& path);

    // Reloads the record; a file that cannot be opened keeps the old record.
    // Always returns false.
    bool RefreshInfo();

    FileDate dCreationTime() const { return FileTimeToDate(info_.creationTime); }
    FileDate dLastAccessTime() const { return FileTimeToDate(info_.lastAccessTime); }
    FileDate dLastWriteTime() const { return FileTimeToDate(info_.lastWriteTime); }

    // Size in bytes; 64 bits, so files of 2 GiB and more are right too.
    std::int64_t lSize() const;

    std::string sExtension() const;
    std::string sName() const;
    std::string sNameAndExtension() const;

    const FileInfoRecord& Info() const { return info_; }

  private:
    static FileDate FileTimeToDate(std::uint64_t fileTime);

    std::string filename_;
    FileInfoRecord info_;
};

}  // namespace qsr::tags
