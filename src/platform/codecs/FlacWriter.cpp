#include <FLAC/stream_encoder.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/audio/FileCodecs.h"
#include "platform/codecs/Codecs.h"

namespace qsr::audio::file {
namespace {

class FlacEncoder : public IEncoder {
  public:
    FlacEncoder(FLAC__StreamEncoder* enc, int channels, int shift)
        : enc_(enc), channels_(channels), shift_(shift) {}
    ~FlacEncoder() override {
        Finish();
        FLAC__stream_encoder_delete(enc_);
    }
    bool Write(const std::int16_t* frames, long count) override {
        if (!open_) return false;
        // Slices keep the widened copy small.
        for (long done = 0; done < count;) {
            const long n = std::min(count - done, 4096L);
            const std::size_t samples = static_cast<std::size_t>(n) * channels_;
            wide_.resize(samples);
            const std::int16_t* src = frames + done * channels_;
            for (std::size_t i = 0; i < samples; ++i)
                wide_[i] = FLAC__int32{src[i]} * (1 << shift_);
            errno = 0;
            if (!FLAC__stream_encoder_process_interleaved(enc_, wide_.data(),
                                                          static_cast<unsigned>(n)))
                return Refused();
            done += n;
        }
        return true;
    }
    // Finishing codes the last partial frame and writes the length and MD5
    // sum into the header; the encoder closes the file.
    bool Finish() override {
        if (!open_) return true;
        open_ = false;
        errno = 0;
        if (!FLAC__stream_encoder_finish(enc_)) return Refused();
        return true;
    }
    std::string Error() const override { return error_; }

  private:
    bool Refused() {
        if (errno != 0) {
            error_ = std::strerror(errno);
        } else {
            error_ = FLAC__StreamEncoderStateString[FLAC__stream_encoder_get_state(enc_)];
        }
        return false;
    }
    FLAC__StreamEncoder* enc_;
    int channels_;
    int shift_;
    bool open_ = true;
    std::vector<FLAC__int32> wide_;
    std::string error_;
};

}  // namespace

namespace codecs {

std::unique_ptr<IEncoder> OpenFlacEncoder(const std::string& path, const FlacParams& p,
                                          std::string& error) {
    if (DescribeFlac(p).empty()) {
        error = "the FLAC encoder refuses these parameters";
        return nullptr;
    }
    FLAC__StreamEncoder* enc = FLAC__stream_encoder_new();
    if (!enc) {
        error = "out of memory";
        return nullptr;
    }
    FLAC__stream_encoder_set_channels(enc, static_cast<unsigned>(p.channels));
    FLAC__stream_encoder_set_bits_per_sample(enc, static_cast<unsigned>(p.bits));
    FLAC__stream_encoder_set_sample_rate(enc, static_cast<unsigned>(p.rate));
    FLAC__stream_encoder_set_compression_level(enc, static_cast<unsigned>(p.level));
    // "w+b": finishing reads the header back to fill in the length.
    std::FILE* f = std::fopen(path.c_str(), "w+b");
    if (!f) {
        error = std::strerror(errno);
        FLAC__stream_encoder_delete(enc);
        return nullptr;
    }
    // Unbuffered: each frame reaches the file when libFLAC hands it over, so
    // a killed recording keeps every complete frame.
    std::setvbuf(f, nullptr, _IONBF, 0);
    if (FLAC__stream_encoder_init_FILE(enc, f, nullptr, nullptr) !=
        FLAC__STREAM_ENCODER_INIT_STATUS_OK) {
        error = "the FLAC encoder refuses these parameters";
        std::fclose(f);
        FLAC__stream_encoder_delete(enc);
        std::remove(path.c_str());
        return nullptr;
    }
    return std::make_unique<FlacEncoder>(enc, p.channels, p.bits - 16);
}

}  // namespace codecs
}  // namespace qsr::audio::file
