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

// The decoder's step index after each code (starting at 0). libsndfile keeps
// its state to itself, but the index follows from the codes alone, and its
// other half (the last sample) is what it decodes; the table is the VOX
// coding's own step change per code magnitude.
std::vector<std::uint8_t> StepIndices(const std::vector<std::uint8_t>& codes) {
    static constexpr int kChange[8] = {-1, -1, -1, -1, 2, 4, 6, 8};
    std::vector<std::uint8_t> out(codes.size());
    int index = 0;
    for (std::size_t i = 0; i < codes.size(); ++i) {
        index = std::clamp(index + kChange[codes[i] & 7], 0, 48);
        out[i] = static_cast<std::uint8_t>(index);
    }
    return out;
}

// Two codes a byte, the first in the high half.
std::vector<std::uint8_t> Codes(const unsigned char* bytes, std::size_t n) {
    std::vector<std::uint8_t> codes(2 * n);
    for (std::size_t i = 0; i < n; ++i) {
        codes[2 * i] = bytes[i] >> 4;
        codes[2 * i + 1] = bytes[i] & 15;
    }
    return codes;
}

bool DecodeAll(const std::string& path, int rate, Samples& out, std::string& error) {
    auto decoder =
        OpenSndfileRawDecoder(path, SndfileVoxFormat(), rate, 1, DescribeVox(rate), error);
    if (!decoder) return false;
    out.clear();
    for (Samples piece = decoder->Read(1 << 16); !piece.empty(); piece = decoder->Read(1 << 16))
        out.insert(out.end(), piece.begin(), piece.end());
    return true;
}

bool ReadBytes(const std::string& path, std::vector<unsigned char>& out, std::string& error) {
    MappedFile f;
    if (!f.Open(path, error)) return false;
    out.assign(f.Data(), f.Data() + f.Size());
    return true;
}

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
    std::vector<unsigned char> bytes;
    Samples original;
    if (!ReadBytes(in, bytes, r.error) || !DecodeAll(in, rate, original, r.error)) return r;
    const std::vector<std::uint8_t> codes = Codes(bytes.data(), bytes.size());
    const auto total = static_cast<std::int64_t>(std::min(codes.size(), original.size()));
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
    if (!step(0.2)) return r;

    // The kept sound coded again in one go: the coder runs on from span to span.
    Samples joined;
    joined.reserve(static_cast<std::size_t>(length));
    for (const SampleSpan& s : spans)
        joined.insert(joined.end(), original.begin() + s.begin, original.begin() + s.end);
    {
        auto encoder = OpenSndfileEncoder(out, SndfileVoxFormat(), rate, 1, r.error);
        if (!encoder) return r;
        if (!encoder->Write(joined.data(), static_cast<long>(joined.size())) ||
            !encoder->Finish()) {
            r.error =
                encoder->Error().empty() ? std::strerror(errno ? errno : EIO) : encoder->Error();
            return r;
        }
    }
    std::vector<unsigned char> again;
    Samples againDecoded;
    if (!ReadBytes(out, again, r.error) || !DecodeAll(out, rate, againDecoded, r.error)) return r;
    std::vector<std::uint8_t> result = Codes(again.data(), again.size());
    if (result.size() != static_cast<std::size_t>(length) || againDecoded.size() != result.size()) {
        r.error = "the sound could not be coded again";
        return r;
    }
    if (!step(0.6)) return r;

    // Where the states meet in a span, its original codes follow; a span whose
    // end the new coder left in another state than the original's keeps the
    // new codes, so the next span starts where its coder did.
    const std::vector<std::uint8_t> indexOld = StepIndices(codes);
    const std::vector<std::uint8_t> indexNew = StepIndices(result);
    const auto same = [&](std::int64_t at, std::int64_t from) {
        return againDecoded[at] == original[from] && indexNew[at] == indexOld[from];
    };
    std::int64_t at = 0;  // where the span starts in the new file
    for (std::size_t i = 0; i < spans.size(); ++i) {
        const SampleSpan& s = spans[i];
        std::int64_t met = -1;
        for (std::int64_t n = 0; n < s.Length() && met < 0; ++n)
            if (same(at + n, s.begin + n)) met = n;
        const bool last = i + 1 == spans.size();
        if (met >= 0 && (last || same(at + s.Length() - 1, s.end - 1))) {
            std::copy(codes.begin() + s.begin + met + 1, codes.begin() + s.end,
                      result.begin() + at + met + 1);
        }
        at += s.Length();
    }
    std::vector<unsigned char> packed(result.size() / 2);
    for (std::size_t i = 0; i < packed.size(); ++i)
        packed[i] = static_cast<unsigned char>(result[2 * i] << 4 | result[2 * i + 1]);
    const int fd = ::open(out.c_str(), O_WRONLY | O_CLOEXEC);
    if (fd < 0) {
        r.error = std::strerror(errno);
        return r;
    }
    const bool written =
        ::pwrite(fd, packed.data(), packed.size(), 0) == static_cast<ssize_t>(packed.size()) &&
        ::ftruncate(fd, static_cast<off_t>(packed.size())) == 0;
    const int saved = errno;
    ::close(fd);
    if (!written) {
        r.error = std::strerror(saved ? saved : EIO);
        return r;
    }
    if (!step(1.0)) return r;
    r.samples = length;
    r.ok = true;
    return r;
}

}  // namespace qsr::audio::file
