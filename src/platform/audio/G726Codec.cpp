extern "C" {
#include <spandsp.h>
}

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/audio/FileCodecs.h"

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
        const bool ok = std::fclose(f_) == 0;
        f_ = nullptr;
        return ok;
    }

  private:
    std::FILE* f_;
    g726_state_t* s_;
    std::vector<std::uint8_t> out_;
};

class G726Decoder : public IDecoder {
  public:
    G726Decoder(std::vector<std::uint8_t> data, const G726Params& p)
        : data_(std::move(data)), p_(p), s_(NewState(p.bitsCode)) {}
    ~G726Decoder() override { g726_free(s_); }
    std::int64_t Total() const override {
        return static_cast<std::int64_t>(data_.size()) * 8 / p_.bitsCode;
    }
    int Rate() const override { return p_.rate; }
    int Channels() const override { return 1; }
    Samples Read(long frames) override {
        if (frames <= 0 || pos_ >= Total()) return {};
        // Decode whole bytes: enough of them for `frames` codes.
        const std::int64_t want = std::min<std::int64_t>(frames, Total() - pos_);
        std::int64_t bytes = (want * p_.bitsCode + 7) / 8;
        bytes = std::min<std::int64_t>(bytes, static_cast<std::int64_t>(data_.size()) - byte_);
        Samples s(static_cast<size_t>(bytes * 8 / p_.bitsCode + 8));
        const int n = g726_decode(s_, s.data(), data_.data() + byte_, static_cast<int>(bytes));
        byte_ += bytes;
        s.resize(static_cast<size_t>(std::max(n, 0)));
        pos_ += static_cast<std::int64_t>(s.size());
        return s;
    }
    std::int64_t Seek(std::int64_t frame) override {
        // ADPCM state depends on everything before: decode again from the start.
        g726_init(s_, p_.bitsCode * 8000, G726_ENCODING_LINEAR, G726_PACKING_LEFT);
        pos_ = 0;
        byte_ = 0;
        while (pos_ < frame) {
            if (Read(static_cast<long>(std::min<std::int64_t>(frame - pos_, 65536))).empty()) {
                break;
            }
        }
        return pos_;
    }
    std::string Describe() const override { return DescribeG726(p_); }

  private:
    std::vector<std::uint8_t> data_;
    G726Params p_;
    g726_state_t* s_;
    std::int64_t pos_ = 0, byte_ = 0;
};

}  // namespace

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
    std::vector<std::uint8_t> data;
    std::uint8_t buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) data.insert(data.end(), buf, buf + n);
    std::fclose(f);
    return std::make_unique<G726Decoder>(std::move(data), p);
}

}  // namespace qsr::audio::file
