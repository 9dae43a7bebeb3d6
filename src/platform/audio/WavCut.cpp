// WAV/RF64 and RAW cuts by copying bytes. Our own code: libsndfile rewrites a
// file's header from what it understood, dropping the chunks it does not know
// (a recorder's cue points, bext, iXML), where a copy keeps every chunk.
#include <cstring>

#include "platform/audio/FileCutter.h"

namespace qsr::audio::file {
namespace {

std::uint32_t Le32(const unsigned char* b) {
    return std::uint32_t{b[0]} | std::uint32_t{b[1]} << 8 | std::uint32_t{b[2]} << 16 |
           std::uint32_t{b[3]} << 24;
}
std::uint64_t Le64(const unsigned char* b) {
    return Le32(b) | std::uint64_t{Le32(b + 4)} << 32;
}
void PutLe32(unsigned char* b, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b[i] = static_cast<unsigned char>(v >> (8 * i));
}
void PutLe64(unsigned char* b, std::uint64_t v) {
    PutLe32(b, static_cast<std::uint32_t>(v));
    PutLe32(b + 4, static_cast<std::uint32_t>(v >> 32));
}

struct WavLayout {
    bool ok = false;
    bool rf64 = false;
    std::string why;
    int formatTag = 0, channels = 0, blockAlign = 0;
    std::size_t ds64 = 0, fact = 0;        // offsets of those chunks' bodies (0 = none)
    std::size_t dataHeader = 0, data = 0;  // the data chunk's header and body
    std::uint64_t dataBytes = 0;           // whole frames the body holds
    std::size_t afterData = 0;             // the first chunk after the data
};

WavLayout Parse(const unsigned char* b, std::size_t size) {
    WavLayout w;
    if (size < 12 || std::memcmp(b + 8, "WAVE", 4) != 0 ||
        (std::memcmp(b, "RIFF", 4) != 0 && std::memcmp(b, "RF64", 4) != 0)) {
        w.why = "not a WAV file";
        return w;
    }
    w.rf64 = std::memcmp(b, "RF64", 4) == 0;
    std::uint64_t ds64Data = 0;
    std::size_t at = 12;
    while (at + 8 <= size) {
        const unsigned char* c = b + at;
        std::uint64_t len = Le32(c + 4);
        if (std::memcmp(c, "ds64", 4) == 0 && len >= 24 && at + 8 + 24 <= size) {
            w.ds64 = at + 8;
            ds64Data = Le64(c + 16);
        } else if (std::memcmp(c, "fmt ", 4) == 0 && len >= 16 && at + 8 + 16 <= size) {
            w.formatTag = c[8] | c[9] << 8;
            w.channels = c[10] | c[11] << 8;
            w.blockAlign = c[20] | c[21] << 8;
            if (w.formatTag == 0xFFFE && len >= 40 && at + 8 + 40 <= size) {
                w.formatTag = c[32] | c[33] << 8;  // the sub-format's first word
            }
        } else if (std::memcmp(c, "fact", 4) == 0 && len >= 4 && at + 12 <= size) {
            w.fact = at + 8;
        } else if (std::memcmp(c, "data", 4) == 0) {
            if (w.rf64 && len == 0xFFFFFFFFu) len = ds64Data;
            w.dataHeader = at;
            w.data = at + 8;
            // A recording cut short says more than it holds: the bytes there are.
            const std::uint64_t there = size - w.data;
            const std::uint64_t bytes = len < there ? len : there;
            w.dataBytes = w.blockAlign > 0 ? bytes / w.blockAlign * w.blockAlign : 0;
            w.afterData = static_cast<std::size_t>(w.data + len + (len & 1));
            if (w.afterData > size) w.afterData = size;
            break;
        }
        at += 8 + len + (len & 1);
    }
    if (!w.data || w.blockAlign <= 0) {
        w.why = "the WAV file has no sound data";
        return w;
    }
    // PCM, float, A-law and mu-law: each frame is blockAlign bytes on its own.
    // The block codings (ADPCM, GSM, G.721) carry state across frames.
    if (w.formatTag != 1 && w.formatTag != 3 && w.formatTag != 6 && w.formatTag != 7) {
        w.why = "this WAV coding cannot be cut without coding it again";
        return w;
    }
    w.ok = true;
    return w;
}

bool CopySpans(const unsigned char* data, std::uint64_t frames, int frameBytes,
               const std::vector<SampleSpan>& kept, CutSink& sink,
               const IFileCutter::Progress& progress, CutResult& r) {
    std::int64_t total = 0;
    for (const SampleSpan& s : kept) total += s.Length();
    std::int64_t done = 0;
    constexpr std::int64_t kPiece = 1 << 16;  // frames per write, a progress each
    for (const SampleSpan& s : kept) {
        if (s.begin < 0 || s.end > static_cast<std::int64_t>(frames) || s.begin >= s.end) {
            r.error = "the span is outside the sound";
            return false;
        }
        for (std::int64_t at = s.begin; at < s.end; at += kPiece) {
            const std::int64_t n = std::min(kPiece, s.end - at);
            if (!sink.Write(data + at * frameBytes, static_cast<std::size_t>(n * frameBytes))) {
                r.error = sink.Error();
                return false;
            }
            done += n;
            if (progress && !progress(static_cast<double>(done) / static_cast<double>(total))) {
                r.error = "cancelled";
                return false;
            }
        }
    }
    r.samples = total;
    return true;
}

}  // namespace

std::string WavCutRefusal(const MappedFile& in) {
    return Parse(in.Data(), in.Size()).why;
}

CutResult CutPcmWav(const MappedFile& in, const std::vector<SampleSpan>& kept, CutSink& sink,
                    const IFileCutter::Progress& progress) {
    CutResult r;
    const WavLayout w = Parse(in.Data(), in.Size());
    if (!w.ok) {
        r.error = w.why;
        return r;
    }
    const unsigned char* b = in.Data();
    // Everything before the sound as it is; the sizes are set once it is written.
    if (!sink.Write(b, w.data)) {
        r.error = sink.Error();
        return r;
    }
    if (!CopySpans(b + w.data, w.dataBytes / w.blockAlign, w.blockAlign, kept, sink, progress, r))
        return r;
    const std::uint64_t dataBytes = static_cast<std::uint64_t>(r.samples) * w.blockAlign;
    static const unsigned char kZero = 0;
    if ((dataBytes & 1) && !sink.Write(&kZero, 1)) {
        r.error = sink.Error();
        return r;
    }
    // The chunks after the sound (tags, cue points) as they are.
    if (w.afterData < in.Size() && !sink.Write(b + w.afterData, in.Size() - w.afterData)) {
        r.error = sink.Error();
        return r;
    }
    const std::uint64_t riff = static_cast<std::uint64_t>(sink.Written()) - 8;
    unsigned char word[8];
    bool ok = true;
    if (w.rf64 && w.ds64) {
        PutLe64(word, riff);
        ok = ok && sink.WriteAt(static_cast<std::int64_t>(w.ds64), word, 8);
        PutLe64(word, dataBytes);
        ok = ok && sink.WriteAt(static_cast<std::int64_t>(w.ds64 + 8), word, 8);
        PutLe64(word, static_cast<std::uint64_t>(r.samples));
        ok = ok && sink.WriteAt(static_cast<std::int64_t>(w.ds64 + 16), word, 8);
    } else {
        if (riff > 0xFFFFFFFFull) {
            r.error = "the WAV file would pass 4 GiB";
            return r;
        }
        PutLe32(word, static_cast<std::uint32_t>(riff));
        ok = ok && sink.WriteAt(4, word, 4);
        PutLe32(word, static_cast<std::uint32_t>(dataBytes));
        ok = ok && sink.WriteAt(static_cast<std::int64_t>(w.dataHeader + 4), word, 4);
    }
    if (w.fact) {
        PutLe32(word, static_cast<std::uint32_t>(r.samples));
        ok = ok && sink.WriteAt(static_cast<std::int64_t>(w.fact), word, 4);
    }
    if (!ok) {
        r.error = sink.Error();
        return r;
    }
    r.ok = true;
    return r;
}

CutResult CutRaw(const MappedFile& in, int frameBytes, const std::vector<SampleSpan>& kept,
                 CutSink& sink, const IFileCutter::Progress& progress) {
    CutResult r;
    if (frameBytes <= 0) {
        r.error = "the RAW format is not known";
        return r;
    }
    r.ok = CopySpans(in.Data(), in.Size() / static_cast<std::size_t>(frameBytes), frameBytes, kept,
                     sink, progress, r);
    return r;
}

std::string CheckWav(const std::string& path, std::int64_t samples) {
    MappedFile f;
    std::string error;
    if (!f.Open(path, error)) return error;
    const WavLayout w = Parse(f.Data(), f.Size());
    if (!w.ok) return w.why;
    const std::uint64_t declared =
        w.rf64 && w.ds64 ? Le64(f.Data() + w.ds64 + 8) : Le32(f.Data() + w.dataHeader + 4);
    if (w.dataBytes / w.blockAlign != static_cast<std::uint64_t>(samples) ||
        declared != w.dataBytes) {
        return "the written copy does not hold the kept sound";
    }
    return {};
}

}  // namespace qsr::audio::file
