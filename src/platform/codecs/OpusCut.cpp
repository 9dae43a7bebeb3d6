// An Ogg Opus cut: the packets copied as they are, paged again by libogg,
// the start made exact by the header's pre-skip and the end by the last
// page's granule position (both as every Opus decoder honours them).
#include <ogg/ogg.h>
#include <opus/opus.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/codecs/Codecs.h"

namespace qsr::audio::file::codecs {
namespace {

// The decoder starts this much sound before the span, so that by the span it
// gives what the whole stream's decode gives. The format advises 80 ms for a
// seek, after which the difference is small but not gone: measured on
// speech and music, it is gone after about 480 ms; half a second is taken
// (48 kHz samples; the pre-skip holds up to 65535).
constexpr std::int64_t kPreRoll = 24000;

struct Packet {
    std::vector<unsigned char> data;
    std::int64_t at = 0;  // the first decoded sample, counting the pre-skip
    int samples = 0;
};

struct OpusStream {
    std::vector<unsigned char> head, tags;
    std::vector<Packet> packets;
    long serial = 0;
    int preSkip = 0;
    std::int64_t total = 0;  // samples a decoder gives: the last granule less the pre-skip
};

bool ReadStream(const std::string& path, OpusStream& s, std::string& why) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> f(std::fopen(path.c_str(), "rb"), std::fclose);
    if (!f) {
        why = std::strerror(errno);
        return false;
    }
    ogg_sync_state sync;
    ogg_sync_init(&sync);
    ogg_stream_state stream;
    bool started = false;
    std::int64_t at = 0, lastGranule = -1;
    int index = 0;
    for (;;) {
        ogg_page page;
        const int got = ogg_sync_pageout(&sync, &page);
        if (got == 0) {
            char* buffer = ogg_sync_buffer(&sync, 65536);
            const std::size_t n = std::fread(buffer, 1, 65536, f.get());
            if (n == 0) break;
            ogg_sync_wrote(&sync, static_cast<long>(n));
            continue;
        }
        if (got < 0) continue;  // a gap: read on from the next page
        if (!started) {
            s.serial = ogg_page_serialno(&page);
            ogg_stream_init(&stream, static_cast<int>(s.serial));
            started = true;
        }
        if (ogg_page_serialno(&page) != s.serial) continue;  // one logical stream only
        ogg_stream_pagein(&stream, &page);
        if (ogg_page_granulepos(&page) >= 0) lastGranule = ogg_page_granulepos(&page);
        ogg_packet p;
        while (ogg_stream_packetout(&stream, &p) == 1) {
            std::vector<unsigned char> data(p.packet, p.packet + p.bytes);
            if (index == 0) {
                s.head = std::move(data);
            } else if (index == 1) {
                s.tags = std::move(data);
            } else {
                const int n =
                    opus_packet_get_nb_samples(p.packet, static_cast<opus_int32>(p.bytes), 48000);
                if (n > 0) {
                    s.packets.push_back({std::move(data), at, n});
                    at += n;
                }
            }
            ++index;
        }
    }
    if (started) ogg_stream_clear(&stream);
    ogg_sync_clear(&sync);
    if (s.head.size() < 19 || std::memcmp(s.head.data(), "OpusHead", 8) != 0 || s.tags.size() < 8 ||
        std::memcmp(s.tags.data(), "OpusTags", 8) != 0 || s.packets.empty()) {
        why = "not an Ogg Opus file that can be read";
        return false;
    }
    s.preSkip = s.head[10] | s.head[11] << 8;
    s.total = std::min(lastGranule, at) - s.preSkip;
    if (s.total <= 0) {
        why = "the Opus file holds no sound";
        return false;
    }
    return true;
}

bool PutPages(std::FILE* f, ogg_stream_state& stream, bool flush) {
    ogg_page page;
    while (flush ? ogg_stream_flush(&stream, &page) : ogg_stream_pageout(&stream, &page)) {
        if (std::fwrite(page.header, 1, static_cast<std::size_t>(page.header_len), f) !=
                static_cast<std::size_t>(page.header_len) ||
            std::fwrite(page.body, 1, static_cast<std::size_t>(page.body_len), f) !=
                static_cast<std::size_t>(page.body_len)) {
            return false;
        }
    }
    return true;
}

}  // namespace

std::int64_t OpusLength(const std::string& path) {
    OpusStream s;
    std::string why;
    return ReadStream(path, s, why) ? s.total : -1;
}

CutResult CutOpus(const std::string& in, const std::vector<SampleSpan>& kept,
                  const std::string& out, const IFileCutter::Progress& progress) {
    CutResult r;
    OpusStream s;
    if (!ReadStream(in, s, r.error)) return r;
    if (kept.size() != 1) {
        r.error = "an Opus file keeps one span: a cut inside it would need coding again";
        return r;
    }
    const std::int64_t a = kept[0].begin, b = kept[0].end;
    if (a < 0 || b > s.total || a >= b) {
        r.error = "the span is outside the sound";
        return r;
    }
    // The packets from the pre-roll before the span to the one its end is in.
    const std::int64_t from = a + s.preSkip, to = b + s.preSkip;
    std::size_t first = 0, last = s.packets.size() - 1;
    while (first + 1 < s.packets.size() && s.packets[first + 1].at <= from - kPreRoll) ++first;
    while (last > first && s.packets[last].at >= to) --last;
    const std::int64_t preSkip = from - s.packets[first].at;
    if (preSkip > 65535) {
        r.error = "the Opus header cannot describe this span";
        return r;
    }
    std::vector<unsigned char> head = s.head;
    head[10] = static_cast<unsigned char>(preSkip & 0xFF);
    head[11] = static_cast<unsigned char>(preSkip >> 8);

    std::unique_ptr<std::FILE, int (*)(std::FILE*)> f(std::fopen(out.c_str(), "wb"), std::fclose);
    if (!f) {
        r.error = std::strerror(errno);
        return r;
    }
    ogg_stream_state stream;
    ogg_stream_init(&stream, static_cast<int>(s.serial));
    const auto put = [&stream](std::vector<unsigned char>& data, std::int64_t granule, bool bos,
                               bool eos, std::int64_t number) {
        ogg_packet p{};
        p.packet = data.data();
        p.bytes = static_cast<long>(data.size());
        p.b_o_s = bos;
        p.e_o_s = eos;
        p.granulepos = granule;
        p.packetno = number;
        ogg_stream_packetin(&stream, &p);
    };
    errno = 0;
    // The headers on pages of their own, as the format wants them.
    put(head, 0, true, false, 0);
    bool ok = PutPages(f.get(), stream, true);
    put(s.tags, 0, false, false, 1);
    ok = ok && PutPages(f.get(), stream, true);
    std::int64_t granule = 0;
    for (std::size_t i = first; ok && i <= last; ++i) {
        granule += s.packets[i].samples;
        const bool end = i == last;
        // The last page's granule ends the sound exactly where the span does.
        put(s.packets[i].data, end ? preSkip + (b - a) : granule, false, end,
            static_cast<std::int64_t>(i - first + 2));
        ok = PutPages(f.get(), stream, end);
        if (ok && progress &&
            !progress(static_cast<double>(i - first + 1) / static_cast<double>(last - first + 1))) {
            ogg_stream_clear(&stream);
            r.error = "cancelled";
            return r;
        }
    }
    ogg_stream_clear(&stream);
    if (std::fclose(f.release()) != 0) ok = false;
    if (!ok) {
        r.error = std::strerror(errno != 0 ? errno : EIO);
        return r;
    }
    if (OpusLength(out) != b - a) {
        r.error = "the written copy does not hold the kept sound";
        return r;
    }
    r.ok = true;
    r.samples = b - a;
    return r;
}

}  // namespace qsr::audio::file::codecs
