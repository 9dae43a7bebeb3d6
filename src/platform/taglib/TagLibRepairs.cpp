#include "platform/taglib/TagLibRepairs.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <taglib/tbytevector.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <vector>

#include "core/MpegTagFile.h"
#include "platform/taglib/MpegTagRewrite.h"

namespace qsr::audio::tagrepair {

using tagfile::BigEndian;
using tagfile::Lead;
using tagfile::RawFrame;
using tagfile::SplitFrames;
using tagfile::Synchsafe;
using tagfile::TagHeader;
using tagfile::TagRegion;

// TagLib reads the size of a 2.3 extended header as if it were 2.4 (counting
// itself, synchsafe), lands inside it and loses every frame; a 2.4 extended
// header can also make it drop the tag. For reading, the tag is handed to
// TagLib with the extended header taken out; nothing in it is needed (CRC,
// padding size, restrictions). Returns the repaired tag, or false when the
// file has no such header.
bool WithoutExtendedHeader(const std::string& path, TagLib::ByteVector& out) {
    std::ifstream in(path, std::ios::binary);
    unsigned char head[14];
    if (!in.read(reinterpret_cast<char*>(head), sizeof head)) return false;
    if (std::memcmp(head, "ID3", 3) != 0 || (head[3] != 3 && head[3] != 4) ||
        (head[5] & 0x40) == 0) {
        return false;
    }
    std::uint32_t tagSize = 0;
    for (int i = 6; i < 10; ++i) {
        if (head[i] & 0x80) return false;
        tagSize = (tagSize << 7) | head[i];
    }
    // 2.3 counts the bytes after the size field, 2.4 the whole header.
    const std::uint32_t extSize = head[3] == 3
                                      ? BigEndian(reinterpret_cast<const char*>(head + 10)) + 4
                                      : Synchsafe(reinterpret_cast<const char*>(head + 10));
    if (extSize > tagSize || extSize < 4) return false;
    const std::uint32_t newSize = tagSize - extSize;
    in.seekg(0, std::ios::end);
    const auto fileSize = static_cast<std::uint64_t>(in.tellg());
    const std::uint64_t bodyStart = 10ULL + extSize;
    if (bodyStart > fileSize) return false;
    const std::uint64_t bodyEnd = std::min<std::uint64_t>(fileSize, 10ULL + tagSize);
    std::string bytes(reinterpret_cast<const char*>(head), 10);
    bytes[5] = static_cast<char>(head[5] & ~0x40);
    for (int i = 0; i < 4; ++i)
        bytes[static_cast<std::size_t>(6 + i)] =
            static_cast<char>((newSize >> (7 * (3 - i))) & 0x7F);
    bytes.resize(static_cast<std::size_t>(10 + (bodyEnd - bodyStart)));
    in.clear();
    in.seekg(static_cast<std::streamoff>(bodyStart));
    if (!in.read(bytes.data() + 10, static_cast<std::streamsize>(bodyEnd - bodyStart)))
        return false;
    out = TagLib::ByteVector(bytes.data(), static_cast<unsigned int>(bytes.size()));
    return true;
}

// TagLib stops at an empty frame (size 0) and loses every frame after it. For
// reading, the tag is handed over without its empty frames (and without an
// extended header, and a 2.3 tag's unsynchronisation undone). False when the
// tag has no empty frame.
bool WithoutEmptyFrames(const std::string& path, TagLib::ByteVector& out) {
    std::ifstream in(path, std::ios::binary);
    unsigned char head[10];
    if (!in.read(reinterpret_cast<char*>(head), sizeof head)) return false;
    TagHeader header;
    std::string problem;
    if (std::memcmp(head, "ID3", 3) != 0 || !tagfile::ParseHeader(head, header, problem) ||
        (header.major != 3 && header.major != 4)) {
        return false;
    }
    // A damaged header may claim 256 MB in a file of a few bytes: only what
    // the file holds is read.
    in.seekg(0, std::ios::end);
    const auto fileSize = static_cast<std::uint64_t>(std::max<std::streamoff>(in.tellg(), 0));
    std::string tag(static_cast<std::size_t>(std::min<std::uint64_t>(10 + header.size, fileSize)),
                    '\0');
    in.seekg(0);
    in.read(tag.data(), static_cast<std::streamsize>(tag.size()));
    tag.resize(static_cast<std::size_t>(in.gcount()));
    std::vector<RawFrame> frames;
    if (!SplitFrames(tag, header, frames, problem)) return false;
    std::string body;
    bool empty = false;
    for (const RawFrame& frame : frames) {
        if (frame.bytes.size() == 10) {
            empty = true;
        } else {
            body += frame.bytes;
        }
    }
    if (!empty) return false;
    std::string bytes =
        tagfile::RenderHeader(header.major, static_cast<std::uint32_t>(body.size()));
    // 2.4 frames say themselves whether they are unsynchronised.
    if (header.major == 4) bytes[5] = static_cast<char>(header.flags & 0x80);
    bytes += body;
    out = TagLib::ByteVector(bytes.data(), static_cast<unsigned int>(bytes.size()));
    return true;
}

// True when the file starts with an ID3v2 tag holding anything but padding,
// or one too damaged to be read: such a file has a tag, readable or not.
bool HoldsTagBytes(const std::string& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) return false;
    struct stat st {};
    bool holds = false;
    if (::fstat(fd, &st) == 0) {
        const TagRegion region = tagfile::FindTagRegion(fd, static_cast<std::uint64_t>(st.st_size));
        if (region.lead == Lead::Damaged) {
            holds = true;
        } else if (region.lead == Lead::Valid && region.firstEnd > 10) {
            std::string body(static_cast<std::size_t>(std::min<std::uint64_t>(
                                 region.firstEnd - 10, std::uint64_t{1} << 20)),
                             '\0');
            holds = tagfile::ReadAt(fd, body.data(), body.size(), 10) &&
                    body.find_first_not_of('\0') != std::string::npos;
        }
    }
    ::close(fd);
    return holds;
}

}  // namespace qsr::audio::tagrepair
