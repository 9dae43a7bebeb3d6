#include <sys/stat.h>
#include <sys/types.h>

extern "C" {
#include <spandsp.h>
// The encoder's bit buffer: the codes of the last partial byte are in it.
#include <spandsp/private/bitstream.h>
#include <spandsp/private/g726.h>
}

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/audio/FileCodecs.h"
#include "platform/g726/G726.h"

// G.726 as a headerless bitstream; the same codec writes and reads it, since
// codecs disagree on how 3- and 5-bit codes are packed.
namespace qsr::audio::file {
namespace {

g726_state_t* NewState(int bitsCode) {
    return g726_init(nullptr, bitsCode * 8000, G726_ENCODING_LINEAR, G726_PACKING_LEFT);
}

class G726Encoder : public IEncoder {
  public:
    G726Encoder(std::FILE* f, int bitsCode) : f_(f), s_(NewState(bitsCode)) {}
    ~G726Encoder() override {
        Finish();
        if (s_) g726_free(s_);
    }
    bool Write(const std::int16_t* frames, long count) override {
        if (!f_ || !s_) return false;
        out_.resize(static_cast<size_t>(count));
        const int n = g726_encode(s_, out_.data(), frames, static_cast<int>(count));
        return std::fwrite(out_.data(), 1, static_cast<size_t>(n), f_) == size_t(n) &&
               std::fflush(f_) == 0;
    }
    bool Finish() override {
        if (!f_) return true;
        // 3- and 5-bit codes do not fill whole bytes: the codes still held
        // are written in one last byte, padded with zero bits.
        bool ok = true;
        if (s_ && s_->bs.residue > 0) {
            const auto last = static_cast<std::uint8_t>(s_->bs.bitstream << (8 - s_->bs.residue));
            ok = std::fwrite(&last, 1, 1, f_) == 1;
            s_->bs.residue = 0;
        }
        ok = std::fclose(f_) == 0 && ok;
        f_ = nullptr;
        return ok;
    }

  private:
    std::FILE* f_;
    g726_state_t* s_;
    std::vector<std::uint8_t> out_;
};

// Reads the file piece by piece. ADPCM state depends on everything before a
// sample, so a seek goes back to the nearest piece already passed (where the
// decoder's state was kept) and decodes forward from there.
class G726Decoder : public IDecoder {
  public:
    G726Decoder(std::FILE* f, std::int64_t bytes, const G726Params& p)
        : f_(f), bytes_(bytes), p_(p), s_(NewState(p.bitsCode)) {}
    ~G726Decoder() override {
        g726_free(s_);
        std::fclose(f_);
    }
    std::int64_t Total() const override { return bytes_ * 8 / p_.bitsCode; }
    int Rate() const override { return p_.rate; }
    int Channels() const override { return 1; }
    Samples Read(long frames) override {
        if (frames <= 0) return {};
        const auto want = static_cast<size_t>(frames);
        while (pending_.size() - taken_ < want && DecodePiece()) {
        }
        const size_t n = std::min(want, pending_.size() - taken_);
        Samples s(pending_.begin() + static_cast<long>(taken_),
                  pending_.begin() + static_cast<long>(taken_ + n));
        taken_ += n;
        pos_ += static_cast<std::int64_t>(n);
        return s;
    }
    std::int64_t Seek(std::int64_t frame) override {
        frame = std::clamp<std::int64_t>(frame, 0, Total());
        if (frame < pos_) {
            // The last kept state at or before the target.
            auto it = std::upper_bound(marks_.begin(), marks_.end(), frame,
                                       [](std::int64_t f, const Mark& m) { return f < m.sample; });
            if (it == marks_.begin()) return pos_;  // the first mark is the start; never here
            --it;
            *s_ = it->state;
            byte_ = it->byte;
            decoded_ = pos_ = it->sample;
            pending_.clear();
            taken_ = 0;
        }
        while (pos_ < frame) {
            if (Read(static_cast<long>(std::min<std::int64_t>(frame - pos_, 65536))).empty()) {
                break;
            }
        }
        return pos_;
    }
    std::string Describe() const override { return DescribeG726(p_); }

  private:
    // A multiple of every code size (2..5 bits), so each piece starts on a
    // whole code and the decoder's state there holds no leftover bits.
    static constexpr size_t kPiece = 61440;
    struct Mark {
        std::int64_t byte, sample;
        g726_state_t state;
    };

    bool DecodePiece() {
        if (byte_ >= bytes_) return false;
        if (marks_.empty() || marks_.back().byte < byte_) marks_.push_back({byte_, decoded_, *s_});
        in_.resize(kPiece);
        if (fseeko(f_, static_cast<off_t>(byte_), SEEK_SET) != 0) return false;
        const size_t got = std::fread(in_.data(), 1, in_.size(), f_);
        if (got == 0) return false;
        // What was handed out is dropped; what was not stays in front.
        pending_.erase(pending_.begin(), pending_.begin() + static_cast<long>(taken_));
        taken_ = 0;
        const size_t at = pending_.size();
        pending_.resize(at + got * 8 / static_cast<size_t>(p_.bitsCode) + 8);
        const int n = g726_decode(s_, pending_.data() + at, in_.data(), static_cast<int>(got));
        pending_.resize(at + static_cast<size_t>(std::max(n, 0)));
        byte_ += static_cast<std::int64_t>(got);
        decoded_ += std::max(n, 0);
        return n > 0;
    }

    std::FILE* f_;
    std::int64_t bytes_;
    G726Params p_;
    g726_state_t* s_;
    std::vector<std::uint8_t> in_;
    Samples pending_;
    size_t taken_ = 0;
    std::int64_t pos_ = 0, byte_ = 0, decoded_ = 0;
    std::vector<Mark> marks_;
};

}  // namespace

namespace g726 {

std::unique_ptr<IEncoder> OpenG726Encoder(const std::string& path, const G726Params& p,
                                          std::string& error) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        error = std::strerror(errno);
        return nullptr;
    }
    return std::make_unique<G726Encoder>(f, p.bitsCode);
}

std::unique_ptr<IDecoder> OpenG726Decoder(const std::string& path, const G726Params& p,
                                          std::string& error) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        error = std::strerror(errno);
        return nullptr;
    }
    struct stat st {};
    if (fstat(fileno(f), &st) != 0 || !S_ISREG(st.st_mode)) {
        error = "not a regular file";
        std::fclose(f);
        return nullptr;
    }
    return std::make_unique<G726Decoder>(f, static_cast<std::int64_t>(st.st_size), p);
}

}  // namespace g726
}  // namespace qsr::audio::file
