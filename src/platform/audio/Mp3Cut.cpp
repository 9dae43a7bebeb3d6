// MP3 cuts by copying whole frames. Our own code, as no library we use copies
// frames and writes the gapless header: the new file's LAME header says how
// many samples the decoder skips at the start (the frames before the span that
// the first kept frame needs to decode) and leaves off at the end, so a
// gapless decoder plays exactly the span and no frame is coded again.
#include <algorithm>
#include <cstring>

#include "core/Mp3Frames.h"
#include "platform/audio/FileCutter.h"

namespace qsr::audio::file {
namespace {

// Every decoder of layer III runs 528 + 1 samples behind the frames it reads;
// the LAME header's delay does not count them.
constexpr int kDecoderDelay = 529;
constexpr int kMaxHeaderValue = 4095;  // delay and padding are 12 bits each
// The granules before the first needed sample that must decode fully: the
// overlap of the transform and the synthesis filter reach this far back
// (measured: two whole MPEG-1 frames give the next one's samples exactly,
// one does not). An MPEG-1 frame holds two granules, an MPEG-2 or 2.5 one.
constexpr int kContextGranules = 4;

// CRC-16 (polynomial 0x8005, reflected, as the LAME header uses).
std::uint16_t Crc16(const unsigned char* p, std::size_t n, std::uint16_t crc = 0) {
    while (n--) {
        crc ^= *p++;
        for (int i = 0; i < 8; ++i) crc = (crc & 1) ? (crc >> 1) ^ 0xA001 : crc >> 1;
    }
    return crc;
}

std::uint32_t Be32(const unsigned char* b) {
    return std::uint32_t{b[0]} << 24 | std::uint32_t{b[1]} << 16 | std::uint32_t{b[2]} << 8 |
           std::uint32_t{b[3]};
}
void PutBe32(unsigned char* b, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b[i] = static_cast<unsigned char>(v >> (24 - 8 * i));
}

bool Mpeg1(const unsigned char* h) {
    return ((h[1] >> 3) & 3) == 3;
}
bool Mono(const unsigned char* h) {
    return (h[3] >> 6) == 3;
}
bool Layer3(const unsigned char* h) {
    return ((h[1] >> 1) & 3) == 1;
}
int SideInfoBytes(const unsigned char* h) {
    return Mpeg1(h) ? (Mono(h) ? 17 : 32) : (Mono(h) ? 9 : 17);
}
int HeaderBytes(const unsigned char* h) {
    return 4 + ((h[1] & 1) ? 0 : 2);
}  // with the CRC

// The Xing/Info frame in front of the audio: where its fields are.
struct InfoFrame {
    bool present = false;
    bool lame = false;
    int delay = 0, padding = 0;
    std::uint32_t quality = 0;
    unsigned char ext[36] = {};  // the LAME extension as found
};

InfoFrame ReadInfo(const unsigned char* b, std::size_t n) {
    InfoFrame info;
    for (std::size_t x = 4; x + 8 <= n && x < 64; ++x) {
        if (std::memcmp(b + x, "Xing", 4) != 0 && std::memcmp(b + x, "Info", 4) != 0) continue;
        info.present = true;
        const std::uint32_t flags = Be32(b + x + 4);
        std::size_t at = x + 8;
        if (flags & 1) at += 4;
        if (flags & 2) at += 4;
        if (flags & 4) at += 100;
        if (flags & 8) {
            if (at + 4 <= n) info.quality = Be32(b + at);
            at += 4;
        }
        if (at + 36 <= n &&
            (std::memcmp(b + at, "LAME", 4) == 0 || std::memcmp(b + at, "Lavf", 4) == 0 ||
             std::memcmp(b + at, "Lavc", 4) == 0)) {
            info.lame = true;
            std::memcpy(info.ext, b + at, 36);
            info.delay = b[at + 21] << 4 | b[at + 22] >> 4;
            info.padding = (b[at + 22] & 0x0F) << 8 | b[at + 23];
        }
        return info;
    }
    // A VBRI header: a frame without sound, no gapless lengths.
    info.present = n >= 40 && std::memcmp(b + 36, "VBRI", 4) == 0;
    return info;
}

// The header frame of the new file, in the shape LAME writes it: a frame of
// silence (zero side information) holding the Xing/Info fields and the LAME
// extension.
std::vector<unsigned char> MakeInfoFrame(const unsigned char* first, bool cbr, const InfoFrame& old,
                                         std::uint32_t frames,
                                         const std::vector<std::uint32_t>& frameStarts,
                                         std::uint32_t audioBytes, int delay, int padding,
                                         std::uint16_t audioCrc) {
    const int side = SideInfoBytes(first);
    const std::size_t xing = 4 + static_cast<std::size_t>(side);
    const std::size_t ext = xing + 120;
    unsigned char h[4] = {first[0], static_cast<unsigned char>(first[1] | 1),
                          static_cast<unsigned char>(first[2] & 0x0D), first[3]};
    Mp3Header parsed;
    int index = first[2] >> 4;
    for (; index < 15; ++index) {
        h[2] = static_cast<unsigned char>((first[2] & 0x0D) | index << 4);
        if (ParseMp3Header(h, parsed) && static_cast<std::size_t>(parsed.length) >= ext + 36) break;
    }
    if (index == 15) return {};
    std::vector<unsigned char> f(static_cast<std::size_t>(parsed.length), 0);
    std::memcpy(f.data(), h, 4);
    std::memcpy(f.data() + xing, cbr ? "Info" : "Xing", 4);
    PutBe32(&f[xing + 4], 0x0F);  // frames, bytes, table of contents, quality
    PutBe32(&f[xing + 8], frames);
    const std::uint32_t bytes = static_cast<std::uint32_t>(f.size()) + audioBytes;
    PutBe32(&f[xing + 12], bytes);
    for (std::size_t i = 0; i < 100; ++i) {
        const std::size_t frame = i * frameStarts.size() / 100;
        const std::uint64_t at = f.size() + (frameStarts.empty() ? 0 : frameStarts[frame]);
        f[xing + 16 + i] =
            static_cast<unsigned char>(std::min<std::uint64_t>(255, at * 256 / bytes));
    }
    PutBe32(&f[xing + 116], old.quality);
    if (old.lame) {
        std::memcpy(&f[ext], old.ext, 36);
    } else {
        std::memcpy(&f[ext], "LAME3.100", 9);
    }
    f[ext + 21] = static_cast<unsigned char>(delay >> 4);
    f[ext + 22] = static_cast<unsigned char>((delay & 0x0F) << 4 | padding >> 8);
    f[ext + 23] = static_cast<unsigned char>(padding & 0xFF);
    PutBe32(&f[ext + 28], bytes);
    f[ext + 32] = static_cast<unsigned char>(audioCrc >> 8);
    f[ext + 33] = static_cast<unsigned char>(audioCrc & 0xFF);
    const std::uint16_t tagCrc = Crc16(f.data(), ext + 34);
    f[ext + 34] = static_cast<unsigned char>(tagCrc >> 8);
    f[ext + 35] = static_cast<unsigned char>(tagCrc & 0xFF);
    return f;
}

// A tag after the last frame goes along; anything else there (damage) does not.
bool IsTrailingTag(const unsigned char* b, std::size_t n) {
    return (n >= 3 && std::memcmp(b, "TAG", 3) == 0) ||
           (n >= 8 && std::memcmp(b, "APETAGEX", 8) == 0) ||
           (n >= 11 && std::memcmp(b, "LYRICSBEGIN", 11) == 0);
}

struct Mp3Stream {
    std::size_t start = 0;  // the first frame (after an ID3v2 tag)
    InfoFrame info;
    Mp3FrameIndex index;  // the audio frames
    std::vector<std::uint32_t> lengths;
    std::size_t end = 0;     // after the last audio frame
    std::int64_t skip = 0;   // decoded samples the decoder leaves out at the start
    std::int64_t total = 0;  // samples a gapless decoder gives
};

bool ReadStream(const unsigned char* b, std::size_t size, Mp3Stream& s, std::string& why) {
    s.start = Mp3AudioStart(b, size);
    Mp3Header first;
    if (s.start + 4 > size || !ParseMp3Header(b + s.start, first)) {
        why = "no MP3 frame found";
        return false;
    }
    s.info = ReadInfo(b + s.start, std::min<std::size_t>(first.length, size - s.start));
    s.index = IndexMp3Frames(b, size, s.start);
    const auto& off = s.index.offsets;
    if (off.empty()) {
        why = "no MP3 frame found";
        return false;
    }
    s.lengths.resize(off.size());
    for (std::size_t i = 0; i + 1 < off.size(); ++i)
        s.lengths[i] = static_cast<std::uint32_t>(off[i + 1] - off[i]);
    Mp3Header last;
    ParseMp3Header(b + off.back(), last);
    s.lengths.back() = static_cast<std::uint32_t>(last.length);
    s.end = static_cast<std::size_t>(off.back()) + s.lengths.back();
    const std::int64_t n = s.index.samplesPerFrame;
    const std::int64_t raw = static_cast<std::int64_t>(off.size()) * n;
    if (s.info.lame) {
        s.skip = s.info.delay + kDecoderDelay;
        s.total = raw - s.info.delay - s.info.padding;
    } else {
        s.total = raw;
    }
    if (s.total <= 0) {
        why = "the MP3 header's lengths do not fit the frames";
        return false;
    }
    return true;
}

// The first frame to copy so that frame `need` and its context decode fully:
// the frames whose bytes hold the context's reservoir (the main data of a
// layer III frame starts up to 511 bytes back, in earlier frames).
std::int64_t FirstFrameFor(const unsigned char* b, const Mp3Stream& s, std::int64_t need) {
    const unsigned char* first = b + s.index.offsets[0];
    const int context = Mpeg1(first) ? kContextGranules / 2 : kContextGranules;
    std::int64_t frame = std::max<std::int64_t>(0, need - context);
    const unsigned char* h = b + s.index.offsets[static_cast<std::size_t>(frame)];
    if (!Layer3(h)) return frame;
    const unsigned char* side = h + HeaderBytes(h);
    std::int64_t back = Mpeg1(h) ? (side[0] << 1 | side[1] >> 7) : side[0];
    while (back > 0 && frame > 0) {
        --frame;
        const unsigned char* p = b + s.index.offsets[static_cast<std::size_t>(frame)];
        back -= static_cast<std::int64_t>(s.lengths[static_cast<std::size_t>(frame)]) -
                HeaderBytes(p) - SideInfoBytes(p);
    }
    return frame;
}

}  // namespace

CutResult CutMp3(const MappedFile& in, const std::vector<SampleSpan>& kept, CutSink& sink,
                 const IFileCutter::Progress& progress) {
    CutResult r;
    const unsigned char* b = in.Data();
    Mp3Stream s;
    if (!ReadStream(b, in.Size(), s, r.error)) return r;
    if (kept.size() != 1) {
        r.error = "an MP3 file keeps one span: a cut inside it would need coding again";
        return r;
    }
    const std::int64_t a = kept[0].begin, e = kept[0].end;
    if (a < 0 || e > s.total || a >= e) {
        r.error = "the span is outside the sound";
        return r;
    }
    const std::int64_t n = s.index.samplesPerFrame;
    const std::int64_t frames = static_cast<std::int64_t>(s.index.offsets.size());
    // Positions in what the decoder puts out before it skips anything.
    const std::int64_t ra = a + s.skip, rb = e + s.skip;
    const std::int64_t lastFrame = std::min(frames - 1, (rb - 1) / n);
    std::int64_t first = FirstFrameFor(b, s, ra / n);
    // The delay field holds 4095 at most: with more context frames than it can
    // skip, the first ones are left out (the edge then decodes with less context).
    while (ra - first * n - kDecoderDelay > kMaxHeaderValue) ++first;
    // A file without a gapless header plays its decoder's delay; the new one
    // skips it, so its first 529 samples cannot be kept (and start later).
    const std::int64_t delay = std::max<std::int64_t>(0, ra - first * n - kDecoderDelay);
    const std::int64_t count = lastFrame - first + 1;
    const std::int64_t padding = count * n - delay - (e - a);
    if (padding < 0 || padding > kMaxHeaderValue) {
        r.error = "the MP3 header cannot describe this span";
        return r;
    }

    const auto& off = s.index.offsets;
    const std::size_t from = static_cast<std::size_t>(off[static_cast<std::size_t>(first)]);
    const std::size_t to = static_cast<std::size_t>(off[static_cast<std::size_t>(lastFrame)]) +
                           s.lengths[static_cast<std::size_t>(lastFrame)];
    std::vector<std::uint32_t> starts;
    starts.reserve(static_cast<std::size_t>(count));
    bool cbr = true;
    for (std::int64_t i = first; i <= lastFrame; ++i) {
        starts.push_back(static_cast<std::uint32_t>(off[static_cast<std::size_t>(i)] -
                                                    off[static_cast<std::size_t>(first)]));
        cbr = cbr && (b[off[static_cast<std::size_t>(i)] + 2] >> 4) == (b[from + 2] >> 4);
    }
    if (to - from > 0xFFFFFFFFu) {
        r.error = "the MP3 file is too large";
        return r;
    }
    const std::vector<unsigned char> header =
        MakeInfoFrame(b + from, cbr, s.info, static_cast<std::uint32_t>(count), starts,
                      static_cast<std::uint32_t>(to - from), static_cast<int>(delay),
                      static_cast<int>(padding), Crc16(b + from, to - from));
    if (header.empty()) {
        r.error = "no MP3 header frame fits this stream";
        return r;
    }
    // The ID3v2 tag, the new header, the frames, a tag at the end.
    bool ok = sink.Write(b, s.start) && sink.Write(header.data(), header.size());
    constexpr std::size_t kPiece = 1 << 20;
    for (std::size_t at = from; ok && at < to; at += kPiece) {
        const std::size_t piece = std::min(kPiece, to - at);
        ok = sink.Write(b + at, piece);
        if (ok && progress &&
            !progress(static_cast<double>(at + piece - from) / static_cast<double>(to - from))) {
            r.error = "cancelled";
            return r;
        }
    }
    if (ok && s.end < in.Size() && IsTrailingTag(b + s.end, in.Size() - s.end))
        ok = sink.Write(b + s.end, in.Size() - s.end);
    if (!ok) {
        r.error = sink.Error();
        return r;
    }
    r.ok = true;
    r.samples = e - a;
    return r;
}

std::string CheckMp3(const std::string& path, std::int64_t samples) {
    MappedFile f;
    std::string error;
    if (!f.Open(path, error)) return error;
    Mp3Stream s;
    if (!ReadStream(f.Data(), f.Size(), s, error)) return error;
    if (!s.info.lame || s.total != samples) return "the written copy does not hold the kept sound";
    return {};
}

}  // namespace qsr::audio::file
