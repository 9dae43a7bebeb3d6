#include <opus/opusenc.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/audio/FileCodecs.h"
#include "platform/codecs/Codecs.h"

namespace qsr::audio::file {
namespace {

// A tenth of a second at 48 kHz: how long a packet may wait for its
// decision or its page, so a killed recording loses no more.
constexpr int kDelay48k = 4800;

class OpusEncoder : public IEncoder {
  public:
    explicit OpusEncoder(std::FILE* f) : f_(f) {}
    ~OpusEncoder() override {
        Finish();
        if (enc_) ope_encoder_destroy(enc_);
        if (f_) std::fclose(f_);
    }
    bool Start(const OpusParams& p, std::string& error) {
        OggOpusComments* comments = ope_comments_create();
        if (!comments) {
            error = "out of memory";
            return false;
        }
        ope_comments_add(comments, "ENCODER", "Quorvin Sound Recorder");
        static const OpusEncCallbacks callbacks = {&OpusEncoder::WritePage, &OpusEncoder::Close};
        int rc = OPE_OK;
        // The input rate goes into the header; libopusenc resamples to 48 kHz.
        enc_ = ope_encoder_create_callbacks(&callbacks, this, comments, p.rate, p.channels, 0, &rc);
        ope_comments_destroy(comments);
        if (!enc_ || rc != OPE_OK) {
            error = ope_strerror(rc);
            return false;
        }
        const int application =
            p.application == OpusApplication::Voip ? OPUS_APPLICATION_VOIP : OPUS_APPLICATION_AUDIO;
        if (ope_encoder_ctl(enc_, OPUS_SET_BITRATE(OpusBitsPerSecond(p))) != OPE_OK ||
            ope_encoder_ctl(enc_, OPE_SET_DECISION_DELAY(kDelay48k)) != OPE_OK ||
            ope_encoder_ctl(enc_, OPE_SET_MUXING_DELAY(kDelay48k)) != OPE_OK) {
            error = "the Opus encoder refuses these parameters";
            return false;
        }
        // Older libopusenc does not pass the application on; the signal type
        // then tunes the encoder the same way.
        if (ope_encoder_ctl(enc_, OPUS_SET_APPLICATION(application)) != OPE_OK) {
            const int signal =
                p.application == OpusApplication::Voip ? OPUS_SIGNAL_VOICE : OPUS_SIGNAL_MUSIC;
            ope_encoder_ctl(enc_, OPUS_SET_SIGNAL(signal));
        }
        return true;
    }
    bool Write(const std::int16_t* frames, long count) override {
        if (!enc_ || finished_) return false;
        if (count <= 0) return true;
        errno = 0;
        const int rc = ope_encoder_write(enc_, frames, static_cast<int>(count));
        return rc == OPE_OK || Refused(rc);
    }
    // Draining codes the tail and writes the last page with the final
    // granule position, so decoders drop the padding.
    bool Finish() override {
        if (!enc_ || finished_) return true;
        finished_ = true;
        errno = 0;
        const int rc = ope_encoder_drain(enc_);
        bool ok = rc == OPE_OK || Refused(rc);
        if (f_ && std::fclose(f_) != 0 && ok) ok = Refused(OPE_CLOSE_FAIL);
        f_ = nullptr;
        return ok;
    }
    std::string Error() const override { return error_; }

  private:
    static int WritePage(void* self, const unsigned char* data, opus_int32 len) {
        auto* me = static_cast<OpusEncoder*>(self);
        if (!me->f_) return 1;
        if (std::fwrite(data, 1, static_cast<std::size_t>(len), me->f_) !=
            static_cast<std::size_t>(len)) {
            me->writeErrno_ = errno != 0 ? errno : EIO;
            return 1;
        }
        return 0;
    }
    // The file is closed by Finish, which reports what closing says.
    static int Close(void*) { return 0; }
    bool Refused(int rc) {
        if (writeErrno_ != 0) {
            error_ = std::strerror(writeErrno_);
        } else if (errno != 0) {
            error_ = std::strerror(errno);
        } else {
            error_ = ope_strerror(rc);
        }
        return false;
    }
    std::FILE* f_;
    OggOpusEnc* enc_ = nullptr;
    bool finished_ = false;
    int writeErrno_ = 0;
    std::string error_;
};

}  // namespace

namespace codecs {

std::unique_ptr<IEncoder> OpenOpusEncoder(const std::string& path, const OpusParams& p,
                                          std::string& error) {
    if (DescribeOpus(p).empty()) {
        error = "the Opus encoder refuses these parameters";
        return nullptr;
    }
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        error = std::strerror(errno);
        return nullptr;
    }
    // Unbuffered: each page reaches the file when libopusenc hands it over.
    std::setvbuf(f, nullptr, _IONBF, 0);
    auto enc = std::make_unique<OpusEncoder>(f);
    if (!enc->Start(p, error)) {
        enc.reset();
        std::remove(path.c_str());
        return nullptr;
    }
    return enc;
}

}  // namespace codecs
}  // namespace qsr::audio::file
