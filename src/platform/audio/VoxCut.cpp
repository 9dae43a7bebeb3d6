// VOX (Dialogic ADPCM) cuts. Each 4-bit code changes the decoder's state (the
// last sample and the step index), so a kept span copied as it is would be
// decoded from the wrong state. The kept sound is coded again by libsndfile's
// own VOX coder from the start of each span, and from the first sample where
// that coder's state is the original decoder's state on, the original codes
// are copied: the rest of the span decodes to exactly the original's samples.
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "platform/audio/FileCodecs.h"
#include "platform/audio/FileCutter.h"

namespace qsr::audio::file {
namespace {

// The code at `k`: two a byte, the first in the high half.
std::uint8_t CodeAt(const unsigned char* bytes, std::int64_t k) {
    const unsigned char b = bytes[k / 2];
    return static_cast<std::uint8_t>(k % 2 == 0 ? b >> 4 : b & 15);
}

// A decoder's state after each code, read in step: the sample libsndfile
// decodes is its last sample, and the step index follows from the codes
// alone (libsndfile keeps its state to itself; the table is the VOX coding's
// own step change per code magnitude).
class StateTrack {
  public:
    StateTrack(std::unique_ptr<IDecoder> decoder, const unsigned char* codes)
        : decoder_(std::move(decoder)), codes_(codes) {}
    // The next sample's state; false past the end.
    bool Next(std::int16_t& sample, int& index) {
        static constexpr int kChange[8] = {-1, -1, -1, -1, 2, 4, 6, 8};
        if (at_ >= piece_.size()) {
            piece_ = decoder_->Read(1 << 16);
            at_ = 0;
            if (piece_.empty()) return false;
        }
        sample = piece_[at_++];
        index_ = std::clamp(index_ + kChange[CodeAt(codes_, code_++) & 7], 0, 48);
        index = index_;
        return true;
    }

  private:
    std::unique_ptr<IDecoder> decoder_;
    const unsigned char* codes_;
    Samples piece_;
    std::size_t at_ = 0;
    std::int64_t code_ = 0;
    int index_ = 0;
};

struct Splice {
    std::int64_t to, from, count;  // codes: where in the new file, where in the old
};

}  // namespace

CutResult CutVox(const std::string& in, int rate, const std::vector<SampleSpan>& kept,
                 const std::string& out, const IFileCutter::Progress& progress) {
    CutResult r;
    if (rate <= 0) rate = 8000;  // the rate only names the sound; the codes do not depend on it
    const auto step = [&](double f) {
        if (progress && !progress(f)) {
            r.error = "cancelled";
            return false;
        }
        return true;
    };
    MappedFile source;
    if (!source.Open(in, r.error)) return r;
    const auto total = static_cast<std::int64_t>(source.Size()) * 2;
    // A VOX file holds two samples a byte: an odd last one is left out.
    std::vector<SampleSpan> spans;
    std::int64_t length = 0;
    for (SampleSpan s : kept) {
        s.end = std::min(s.end, total);
        if (s.begin >= s.end) continue;
        spans.push_back(s);
        length += s.Length();
    }
    if (length % 2 != 0) {
        --spans.back().end;
        --length;
        if (spans.back().begin == spans.back().end) spans.pop_back();
    }
    if (length <= 0) {
        r.error = "nothing is kept";
        return r;
    }
    const auto open = [&](const std::string& path) {
        return OpenSndfileRawDecoder(path, SndfileVoxFormat(), rate, 1, DescribeVox(rate), r.error);
    };

    // The kept sound coded again in one go: the coder runs on from span to span.
    {
        auto decoder = open(in);
        auto encoder =
            decoder ? OpenSndfileEncoder(out, SndfileVoxFormat(), rate, 1, r.error) : nullptr;
        if (!encoder) return r;
        std::int64_t at = 0, done = 0;
        for (const SampleSpan& s : spans) {
            while (at < s.end) {
                const std::int64_t want = at < s.begin ? s.begin - at : s.end - at;
                const Samples piece =
                    decoder->Read(static_cast<long>(std::min<std::int64_t>(want, 1 << 16)));
                if (piece.empty()) {
                    r.error = "the sound ends early";
                    return r;
                }
                const bool keep = at >= s.begin;
                at += static_cast<std::int64_t>(piece.size());
                if (!keep) continue;
                if (!encoder->Write(piece.data(), static_cast<long>(piece.size()))) {
                    r.error = encoder->Error().empty() ? std::strerror(errno ? errno : EIO)
                                                       : encoder->Error();
                    return r;
                }
                done += static_cast<std::int64_t>(piece.size());
                if (!step(0.5 * static_cast<double>(done) / static_cast<double>(length))) return r;
            }
        }
        if (!encoder->Finish()) {
            r.error =
                encoder->Error().empty() ? std::strerror(errno ? errno : EIO) : encoder->Error();
            return r;
        }
    }

    // Where the new coder's state meets the old decoder's, a span's old codes
    // follow. A span whose end the new coder left in another state than the
    // old one's keeps the new codes, so the next span starts where its coder
    // did.
    std::vector<Splice> splices;
    {
        MappedFile again;
        if (!again.Open(out, r.error)) return r;
        if (static_cast<std::int64_t>(again.Size()) * 2 != length) {
            r.error = "the sound could not be coded again";
            return r;
        }
        auto oldDecoder = open(in);
        auto newDecoder = oldDecoder ? open(out) : nullptr;
        if (!newDecoder) return r;
        StateTrack old(std::move(oldDecoder), source.Data()),
            now(std::move(newDecoder), again.Data());
        std::int16_t oldSample = 0, newSample = 0;
        int oldIndex = 0, newIndex = 0;
        std::int64_t at = 0, written = 0;
        for (std::size_t i = 0; i < spans.size(); ++i) {
            const SampleSpan& s = spans[i];
            for (; at < s.begin; ++at) {
                if (!old.Next(oldSample, oldIndex)) break;
            }
            std::int64_t met = -1;
            bool same = false;
            for (std::int64_t n = 0; n < s.Length(); ++n, ++at) {
                if (!old.Next(oldSample, oldIndex) || !now.Next(newSample, newIndex)) {
                    r.error = "the sound could not be coded again";
                    return r;
                }
                same = oldSample == newSample && oldIndex == newIndex;
                if (same && met < 0) met = n;
            }
            if (met >= 0 && met + 1 < s.Length() && (same || i + 1 == spans.size()))
                splices.push_back({written + met + 1, s.begin + met + 1, s.Length() - met - 1});
            written += s.Length();
            if (!step(0.5 + 0.4 * static_cast<double>(written) / static_cast<double>(length)))
                return r;
        }
    }

    // The old codes over the new ones, a piece at a time.
    const int fd = ::open(out.c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) {
        r.error = std::strerror(errno);
        return r;
    }
    std::vector<unsigned char> bytes;
    bool ok = true;
    for (const Splice& sp : splices) {
        for (std::int64_t done = 0; ok && done < sp.count;) {
            const std::int64_t n = std::min<std::int64_t>(sp.count - done, 1 << 17);
            const std::int64_t first = (sp.to + done) / 2, last = (sp.to + done + n - 1) / 2;
            bytes.resize(static_cast<std::size_t>(last - first + 1));
            ok = ::pread(fd, bytes.data(), bytes.size(), static_cast<off_t>(first)) ==
                 static_cast<ssize_t>(bytes.size());
            for (std::int64_t k = 0; ok && k < n; ++k) {
                const std::int64_t to = sp.to + done + k;
                unsigned char& b = bytes[static_cast<std::size_t>(to / 2 - first)];
                const std::uint8_t c = CodeAt(source.Data(), sp.from + done + k);
                b = static_cast<unsigned char>(to % 2 == 0 ? (b & 0x0F) | c << 4 : (b & 0xF0) | c);
            }
            ok = ok && ::pwrite(fd, bytes.data(), bytes.size(), static_cast<off_t>(first)) ==
                           static_cast<ssize_t>(bytes.size());
            done += n;
        }
    }
    const int saved = errno;
    ::close(fd);
    if (!ok) {
        r.error = std::strerror(saved ? saved : EIO);
        return r;
    }
    if (!step(1.0)) return r;
    r.samples = length;
    r.ok = true;
    return r;
}

}  // namespace qsr::audio::file
