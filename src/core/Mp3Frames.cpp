#include "core/Mp3Frames.h"

#include <sys/stat.h>
#include <sys/types.h>

#include <cstdio>
#include <cstring>
#include <memory>

namespace qsr::audio::file {
namespace {

// kbit/s by [MPEG-1 or not][layer 1..3][index]
constexpr int kBitrate[2][3][16] = {
    {{0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0},
     {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0},
     {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0}},
    {{0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0},
     {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0}},
};
constexpr int kRate[3] = {44100, 48000, 32000};

std::uint32_t Be32(const unsigned char* b) {
    return std::uint32_t{b[0]} << 24 | std::uint32_t{b[1]} << 16 | std::uint32_t{b[2]} << 8 |
           std::uint32_t{b[3]};
}

bool IsInfoFrame(const unsigned char* b, std::size_t n) {
    for (std::size_t x = 4; x + 4 <= n && x < 64; ++x) {
        if (std::memcmp(b + x, "Xing", 4) == 0 || std::memcmp(b + x, "Info", 4) == 0) return true;
    }
    return n >= 40 && std::memcmp(b + 36, "VBRI", 4) == 0;
}

}  // namespace

bool ParseMp3Header(const unsigned char* b, Mp3Header& out) {
    if (b[0] != 0xFF || (b[1] & 0xE0) != 0xE0) return false;
    const int version = (b[1] >> 3) & 3;  // 0 = 2.5, 2 = 2, 3 = 1
    const int layer = 4 - ((b[1] >> 1) & 3);
    const int bitrateIndex = b[2] >> 4;
    const int rateIndex = (b[2] >> 2) & 3;
    if (version == 1 || layer == 4 || bitrateIndex == 0 || bitrateIndex == 15 || rateIndex == 3)
        return false;
    const bool mpeg1 = version == 3;
    const int kbps = kBitrate[mpeg1 ? 0 : 1][layer - 1][bitrateIndex];
    int rate = kRate[rateIndex];
    if (version == 2) rate /= 2;
    if (version == 0) rate /= 4;
    const int padding = (b[2] >> 1) & 1;
    if (layer == 1) {
        out.samplesPerFrame = 384;
        out.length = (12000 * kbps / rate + padding) * 4;
    } else {
        out.samplesPerFrame = layer == 3 && !mpeg1 ? 576 : 1152;
        out.length = out.samplesPerFrame / 8 * 1000 * kbps / rate + padding;
    }
    out.rate = rate;
    return out.length >= 4;
}

std::size_t Mp3AudioStart(const unsigned char* head, std::size_t size) {
    if (size < 10 || std::memcmp(head, "ID3", 3) != 0) return 0;
    std::size_t start =
        10 + (std::size_t{head[6] & 0x7Fu} << 21 | std::size_t{head[7] & 0x7Fu} << 14 |
              std::size_t{head[8] & 0x7Fu} << 7 | std::size_t{head[9] & 0x7Fu});
    if (head[5] & 0x10) start += 10;  // footer
    return start;
}

namespace {

// The scan over any source of bytes: bytes(at, n) gives n bytes from offset
// `at`, or null past the end.
template <typename Bytes>
Mp3FrameIndex Scan(Bytes bytes, std::size_t start, std::size_t sizeHint) {
    Mp3FrameIndex index;
    std::size_t at = start;
    Mp3Header first;
    const unsigned char* b = bytes(at, 4);
    if (!b || !ParseMp3Header(b, first)) return index;
    index.samplesPerFrame = first.samplesPerFrame;
    index.offsets.reserve(sizeHint / static_cast<std::size_t>(first.length) + 16);
    // Frames of one stream share their header but for the padding bit: the
    // lengths of the last two headers seen are kept.
    unsigned keys[2] = {~0u, ~0u};
    std::size_t lengths[2] = {0, 0};
    int older = 0;
    bool checkInfo = true;
    while ((b = bytes(at, 4)) != nullptr) {
        const unsigned key = unsigned{b[1]} << 8 | b[2];
        std::size_t length;
        if (b[0] == 0xFF && key == keys[0]) {
            length = lengths[0];
        } else if (b[0] == 0xFF && key == keys[1]) {
            length = lengths[1];
        } else {
            Mp3Header h;
            // Every frame of one stream has the same layer, version and rate.
            if (!ParseMp3Header(b, h) || h.samplesPerFrame != first.samplesPerFrame ||
                h.rate != first.rate) {
                break;
            }
            length = static_cast<std::size_t>(h.length);
            keys[older] = key;
            lengths[older] = length;
            older ^= 1;
        }
        if (checkInfo) {
            if (!(b = bytes(at, length))) break;  // cut short
            checkInfo = false;
            if (IsInfoFrame(b, length)) {
                at += length;
                continue;
            }
        }
        if (!bytes(at, length)) break;  // cut short
        index.offsets.push_back(static_cast<std::int64_t>(at));
        at += length;
    }
    return index;
}

}  // namespace

Mp3FrameIndex IndexMp3Frames(const unsigned char* data, std::size_t size, std::size_t start) {
    return Scan(
        [&](std::size_t at, std::size_t n) -> const unsigned char* {
            return at <= size && n <= size - at ? data + at : nullptr;
        },
        start, size);
}

Mp3FrameIndex IndexMp3File(const std::string& path) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> f(std::fopen(path.c_str(), "rb"), std::fclose);
    if (!f) return {};
    // A window of the file; a frame is at most a few KB, so it is refilled
    // from the frame it has reached whenever that frame is not wholly inside.
    std::vector<unsigned char> window(1 << 20);
    std::size_t base = 0, filled = 0;
    bool end = false;
    const auto bytes = [&](std::size_t at, std::size_t n) -> const unsigned char* {
        if (n > window.size() || at < base) return nullptr;
        if (at + n > base + filled && !end) {
            if (at < base + filled) {
                std::memmove(window.data(), window.data() + (at - base), base + filled - at);
                filled = base + filled - at;
            } else {
                if (fseeko(f.get(), static_cast<off_t>(at), SEEK_SET) != 0) return nullptr;
                filled = 0;
            }
            base = at;
            const std::size_t got =
                std::fread(window.data() + filled, 1, window.size() - filled, f.get());
            filled += got;
            end = got == 0 || std::feof(f.get());
        }
        return at + n <= base + filled ? window.data() + (at - base) : nullptr;
    };
    const unsigned char* head = bytes(0, 10);
    struct stat st {};
    const std::size_t size =
        fstat(fileno(f.get()), &st) == 0 ? static_cast<std::size_t>(st.st_size) : 0;
    return Scan(bytes, head ? Mp3AudioStart(head, 10) : 0, size);
}

std::int64_t Mp3ExactLengthFromFrame(const unsigned char* b, std::size_t n,
                                     std::int64_t fileBytes) {
    Mp3Header h;
    if (n < 200 || !ParseMp3Header(b, h)) return -1;
    for (std::size_t x = 4; x + 160 < n && x < 64; ++x) {
        if (std::memcmp(b + x, "Xing", 4) != 0 && std::memcmp(b + x, "Info", 4) != 0) continue;
        const std::uint32_t flags = Be32(b + x + 4);
        if (!(flags & 1)) return -1;
        std::size_t at = x + 8;
        const std::int64_t frames = Be32(b + at);
        if (fileBytes >= 0 && frames > fileBytes / 4) return -1;
        at += 4;
        if (flags & 2) at += 4;
        if (flags & 4) at += 100;
        if (flags & 8) at += 4;
        if (at + 24 > n) return -1;
        // The LAME extension: encoder delay and padding, 12 bits each, at +21.
        const int delay = b[at + 21] << 4 | b[at + 22] >> 4;
        const int padding = (b[at + 22] & 0x0F) << 8 | b[at + 23];
        const std::int64_t total = frames * h.samplesPerFrame - delay - padding;
        return total > 0 ? total : -1;
    }
    return -1;
}

}  // namespace qsr::audio::file
