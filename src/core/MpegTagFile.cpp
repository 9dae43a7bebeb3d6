#include "core/MpegTagFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

namespace qsr::audio::tagfile {
namespace {

class Fd {
  public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() {
        if (fd_ >= 0) ::close(fd_);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return fd_; }
    void reset(int fd) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = fd;
    }
    int release() {
        const int fd = fd_;
        fd_ = -1;
        return fd;
    }

  private:
    int fd_;
};

// Moves all `size` bytes at `offset` by pread or pwrite, which may move fewer
// at a time or be interrupted; false on an error or the end of the file.
template <typename Byte, typename Transfer>
bool TransferAll(Transfer transfer, int fd, Byte* p, std::size_t size, std::uint64_t offset) {
    while (size > 0) {
        const ssize_t n = transfer(fd, p, size, static_cast<off_t>(offset));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        size -= static_cast<std::size_t>(n);
        offset += static_cast<std::uint64_t>(n);
    }
    return true;
}

// One MPEG audio frame header: its length in bytes, 0 when it is none.
struct FrameInfo {
    int version = 0, layer = 0, rate = 0;
    std::uint32_t length = 0;
};

FrameInfo ParseFrame(const unsigned char* h) {
    static const int kBitrates[2][3][15] = {
        {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448},
         {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384},
         {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320}},
        {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256},
         {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160},
         {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160}}};
    static const int kRates[3] = {44100, 48000, 32000};
    FrameInfo info;
    if (h[0] != 0xFF || (h[1] & 0xE0) != 0xE0) return info;
    const int versionBits = (h[1] >> 3) & 3;  // 0: 2.5, 1: reserved, 2: 2, 3: 1
    const int layerBits = (h[1] >> 1) & 3;    // 1: III, 2: II, 3: I
    const int bitrateIndex = h[2] >> 4;
    const int rateIndex = (h[2] >> 2) & 3;
    if (versionBits == 1 || layerBits == 0 || bitrateIndex == 0 || bitrateIndex == 15 ||
        rateIndex == 3) {
        return info;
    }
    const int layer = 4 - layerBits;
    const bool mpeg1 = versionBits == 3;
    const int bitrate = kBitrates[mpeg1 ? 0 : 1][layer - 1][bitrateIndex] * 1000;
    const int rate = kRates[rateIndex] >> (versionBits == 3 ? 0 : versionBits == 2 ? 1 : 2);
    const int padding = (h[2] >> 1) & 1;
    std::uint32_t length = 0;
    if (layer == 1) {
        length = static_cast<std::uint32_t>((12 * bitrate / rate + padding) * 4);
    } else if (layer == 3 && !mpeg1) {
        length = static_cast<std::uint32_t>(72 * bitrate / rate + padding);
    } else {
        length = static_cast<std::uint32_t>(144 * bitrate / rate + padding);
    }
    info.version = versionBits;
    info.layer = layer;
    info.rate = rate;
    info.length = length;
    return info;
}

// What a file is when it is not MPEG audio, by its first bytes.
const char* ContainerName(const unsigned char* p, std::size_t n) {
    auto starts = [&](const char* magic, std::size_t at = 0) {
        const std::size_t len = std::strlen(magic);
        return n >= at + len && std::memcmp(p + at, magic, len) == 0;
    };
    if (starts("RIFF") || starts("RF64")) return "a RIFF (WAV) file";
    if (starts("OggS")) return "an Ogg file";
    if (starts("fLaC")) return "a FLAC file";
    if (starts("FORM")) return "an AIFF file";
    if (starts("ftyp", 4)) return "an MP4 file";
    if (starts("\x30\x26\xB2\x75\x8E\x66\xCF\x11")) return "an ASF (WMA) file";
    if (starts(".snd")) return "an AU file";
    if (starts("MAC ") || starts("wvpk") || starts("MThd")) return "not an MPEG audio file";
    return nullptr;
}

std::string ErrnoText(const char* what) {
    return std::string(what) + ": " + std::strerror(errno);
}

}  // namespace

bool ReadAt(int fd, void* buf, std::size_t size, std::uint64_t offset) {
    return TransferAll(::pread, fd, static_cast<char*>(buf), size, offset);
}

bool WriteAt(int fd, const void* buf, std::size_t size, std::uint64_t offset) {
    return TransferAll(::pwrite, fd, static_cast<const char*>(buf), size, offset);
}

bool ParseHeader(const unsigned char* h, TagHeader& out, std::string& problem) {
    out = TagHeader{};
    out.major = h[3];
    out.revision = h[4];
    out.flags = h[5];
    if (out.major < 2 || out.major > 4 || out.revision == 0xFF) {
        problem =
            "the ID3v2 tag has a version no reader knows (2." + std::to_string(out.major) + ")";
        return false;
    }
    for (int i = 6; i < 10; ++i) {
        if (h[i] & 0x80) {
            problem = "the ID3v2 tag's size field is invalid";
            return false;
        }
        out.size = (out.size << 7) | h[i];
    }
    return true;
}

TagRegion FindTagRegion(int fd, std::uint64_t fileSize) {
    TagRegion region;
    std::uint64_t at = 0;
    while (at + 10 <= fileSize) {
        unsigned char h[10];
        if (!ReadAt(fd, h, sizeof h, at) || std::memcmp(h, "ID3", 3) != 0) break;
        TagHeader header;
        std::string problem;
        if (!ParseHeader(h, header, problem)) {
            region.lead = Lead::Damaged;
            region.problem = problem;
            return region;
        }
        const bool footer = header.major == 4 && (header.flags & 0x10) != 0;
        const std::uint64_t end = at + 10 + header.size + (footer ? 10 : 0);
        if (end > fileSize) {
            region.lead = Lead::Damaged;
            region.problem = "the ID3v2 tag claims to reach past the end of the file";
            return region;
        }
        if (at == 0) {
            region.lead = Lead::Valid;
            region.header = header;
            region.firstEnd = end;
        }
        region.end = end;
        at = end;
    }
    return region;
}

bool LooksLikeMpegAudio(int fd, std::uint64_t from, std::uint64_t fileSize) {
    if (from >= fileSize) return false;
    const std::size_t n = static_cast<std::size_t>(std::min<std::uint64_t>(fileSize - from, 65536));
    std::vector<unsigned char> buf(n);
    if (!ReadAt(fd, buf.data(), n, from)) return false;
    if (ContainerName(buf.data(), n) != nullptr) return false;
    const std::uint64_t audioEnd = fileSize - from;
    for (std::size_t i = 0; i + 4 <= n; ++i) {
        if (buf[i] != 0xFF) continue;
        const FrameInfo first = ParseFrame(&buf[i]);
        if (first.length < 4) continue;
        const std::uint64_t next = i + first.length;
        if (next + 4 <= n) {
            const FrameInfo second = ParseFrame(&buf[next]);
            if (second.length >= 4 && second.version == first.version &&
                second.layer == first.layer && second.rate == first.rate) {
                return true;
            }
        } else if (next == audioEnd || next + 128 == audioEnd) {
            return true;  // a single frame, alone or before an ID3v1 block
        }
    }
    return false;
}

bool IsMpegAudioFile(const std::string& path, std::string& why) {
    Fd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY));
    if (fd.get() < 0) {
        why = ErrnoText("cannot open");
        return false;
    }
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode)) {
        why = "not a regular file";
        return false;
    }
    const auto size = static_cast<std::uint64_t>(st.st_size);
    const TagRegion region = FindTagRegion(fd.get(), size);
    if (region.lead == Lead::Damaged) {
        why = region.problem;
        return false;
    }
    if (LooksLikeMpegAudio(fd.get(), region.end, size)) return true;
    unsigned char head[16] = {};
    const std::size_t n = static_cast<std::size_t>(
        std::min<std::uint64_t>(sizeof head, size > region.end ? size - region.end : 0));
    const char* name =
        n > 0 && ReadAt(fd.get(), head, n, region.end) ? ContainerName(head, n) : nullptr;
    why = name != nullptr && std::strcmp(name, "not an MPEG audio file") != 0
              ? std::string(name) + ", not MPEG audio"
              : "no MPEG audio found";
    return false;
}

std::uint32_t BigEndian(const char* p) {
    const auto* u = reinterpret_cast<const unsigned char*>(p);
    return (std::uint32_t{u[0]} << 24) | (std::uint32_t{u[1]} << 16) | (std::uint32_t{u[2]} << 8) |
           u[3];
}

std::uint32_t Synchsafe(const char* p) {
    const auto* u = reinterpret_cast<const unsigned char*>(p);
    // Some writers put plain numbers here; where a byte says so, read it plain.
    if ((u[0] | u[1] | u[2] | u[3]) & 0x80) return BigEndian(p);
    return (std::uint32_t{u[0]} << 21) | (std::uint32_t{u[1]} << 14) | (std::uint32_t{u[2]} << 7) |
           u[3];
}

static bool ValidFrameId(const std::string& data, std::size_t at) {
    if (at + 4 > data.size()) return false;
    for (std::size_t i = at; i < at + 4; ++i) {
        const char c = data[i];
        if (!((c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9'))) return false;
    }
    return true;
}

std::string Resynchronise(std::string_view data) {
    std::string out;
    out.reserve(data.size());
    for (std::size_t i = 0; i < data.size(); ++i) {
        out.push_back(data[i]);
        if (static_cast<unsigned char>(data[i]) == 0xFF && i + 1 < data.size() && data[i + 1] == 0)
            ++i;
    }
    return out;
}

// The frames of a 2.3 or 2.4 tag (its bytes, header included), as TagLib
// reads them: up to padding, a bad frame id or a frame that does not fit.
bool SplitFrames(const std::string& tag, const TagHeader& header, std::vector<RawFrame>& frames,
                 std::string& problem, std::size_t* unread) {
    std::string body = tag.substr(10, header.size);
    if (header.major == 3 && (header.flags & 0x80)) body = Resynchronise(body);
    std::size_t pos = 0;
    if (header.flags & 0x40) {
        if (body.size() < 4) {
            problem = "the ID3v2 tag's extended header is cut off";
            return false;
        }
        pos = header.major == 3 ? std::size_t{BigEndian(body.data())} + 4
                                : std::size_t{Synchsafe(body.data())};
        if (pos > body.size()) {
            problem = "the ID3v2 tag's extended header runs past the tag";
            return false;
        }
    }
    while (pos + 10 <= body.size() && body[pos] != 0 && ValidFrameId(body, pos)) {
        std::uint32_t size = 0;
        if (header.major == 3) {
            size = BigEndian(&body[pos + 4]);
        } else {
            size = Synchsafe(&body[pos + 4]);
            // iTunes wrote 2.4 frames with 2.3 sizes: trust the one that lands
            // on the next frame.
            if (size > 127 && !ValidFrameId(body, pos + 10 + size)) {
                const std::uint32_t plain = BigEndian(&body[pos + 4]);
                if (ValidFrameId(body, pos + 10 + plain)) size = plain;
            }
        }
        if (size > body.size() - pos - 10) break;
        frames.push_back({body.substr(pos, 4), body.substr(pos, 10 + std::size_t{size})});
        pos += 10 + std::size_t{size};
    }
    // What follows the last frame should be padding: anything else is
    // damage no reader gets past.
    if (unread != nullptr) {
        *unread = 0;
        for (std::size_t i = pos; i < body.size(); ++i) *unread += body[i] != 0 ? 1 : 0;
    }
    return true;
}

}  // namespace qsr::audio::tagfile
