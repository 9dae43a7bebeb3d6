#include <vorbis/vorbisenc.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "platform/audio/FileCodecs.h"
#include "platform/codecs/Codecs.h"

namespace qsr::audio::file {
namespace {

// Quality mode when a quality is given (hundredths of a Vorbis quality step:
// 300 = quality 3 = 0.3), else managed bitrate with the range given.
bool InitVorbis(vorbis_info* vi, const OggParams& p) {
    vorbis_info_init(vi);
    int rc;
    if (p.quality >= 0) {
        rc = vorbis_encode_init_vbr(vi, p.channels, p.rate, p.quality / 1000.0f);
    } else {
        auto bps = [](int kbps) { return kbps > 0 ? kbps * 1000L : -1L; };
        rc = vorbis_encode_setup_managed(vi, p.channels, p.rate, bps(p.maximum), bps(p.nominal),
                                         bps(p.minimum));
        // A nominal bitrate alone needs no bitrate management: the quality it
        // maps to meets it on average, at a quarter of the encoding time.
        if (rc == 0 && p.minimum <= 0 && p.maximum <= 0)
            rc = vorbis_encode_ctl(vi, OV_ECTL_RATEMANAGE2_SET, nullptr);
        if (rc == 0) rc = vorbis_encode_setup_init(vi);
    }
    if (rc != 0) {
        vorbis_info_clear(vi);
        return false;
    }
    return true;
}

class OggEncoder : public IEncoder {
  public:
    OggEncoder(std::FILE* f, int channels) : f_(f), channels_(channels) {}
    bool Start(const OggParams& p) {
        if (!InitVorbis(&vi_, p)) {
            std::fclose(f_);
            f_ = nullptr;
            return false;
        }
        vorbis_comment_init(&vc_);
        vorbis_comment_add_tag(&vc_, "ENCODER", "Quorvin Sound Recorder");
        vorbis_analysis_init(&vd_, &vi_);
        vorbis_block_init(&vd_, &vb_);
        ogg_stream_init(&os_, std::rand());
        started_ = true;
        ogg_packet h, hc, hcode;
        vorbis_analysis_headerout(&vd_, &vc_, &h, &hc, &hcode);
        ogg_stream_packetin(&os_, &h);
        ogg_stream_packetin(&os_, &hc);
        ogg_stream_packetin(&os_, &hcode);
        return Pages(true);
    }
    ~OggEncoder() override {
        if (f_) Finish();
        if (started_) {
            ogg_stream_clear(&os_);
            vorbis_block_clear(&vb_);
            vorbis_dsp_clear(&vd_);
            vorbis_comment_clear(&vc_);
            vorbis_info_clear(&vi_);
        }
    }
    bool Write(const std::int16_t* frames, long count) override {
        if (!f_) return false;
        if (count <= 0) return true;
        // Small slices keep the analysis buffers in cache.
        for (long done = 0; done < count;) {
            const long n = std::min(count - done, 1024L);
            float** buf = vorbis_analysis_buffer(&vd_, static_cast<int>(n));
            const std::int16_t* src = frames + done * channels_;
            for (long i = 0; i < n; ++i) {
                for (int c = 0; c < channels_; ++c) buf[c][i] = src[i * channels_ + c] / 32768.0f;
            }
            vorbis_analysis_wrote(&vd_, static_cast<int>(n));
            if (!Drain(false)) return false;
            done += n;
        }
        // Flushing the page at each block keeps the file decodable up to it.
        return Drain(true);
    }
    // The last page carries the end-of-stream mark and the final length.
    bool Finish() override {
        if (!f_) return true;
        vorbis_analysis_wrote(&vd_, 0);
        bool ok = Drain(true);
        if (std::fclose(f_) != 0 && ok) ok = System();
        f_ = nullptr;
        return ok;
    }
    std::string Error() const override { return error_; }

  private:
    bool Drain(bool flush) {
        while (vorbis_analysis_blockout(&vd_, &vb_) == 1) {
            vorbis_analysis(&vb_, nullptr);
            vorbis_bitrate_addblock(&vb_);
            ogg_packet op;
            while (vorbis_bitrate_flushpacket(&vd_, &op)) ogg_stream_packetin(&os_, &op);
        }
        return Pages(flush);
    }
    bool Pages(bool flush) {
        ogg_page og;
        while (flush ? ogg_stream_flush(&os_, &og) : ogg_stream_pageout(&os_, &og)) {
            if (std::fwrite(og.header, 1, og.header_len, f_) != size_t(og.header_len) ||
                std::fwrite(og.body, 1, og.body_len, f_) != size_t(og.body_len)) {
                return System();
            }
        }
        return true;
    }
    bool System() {
        error_ = std::strerror(errno != 0 ? errno : EIO);
        return false;
    }
    std::FILE* f_;
    int channels_;
    bool started_ = false;
    vorbis_info vi_{};
    vorbis_comment vc_{};
    vorbis_dsp_state vd_{};
    vorbis_block vb_{};
    ogg_stream_state os_{};
    std::string error_;
};

}  // namespace

namespace codecs {

std::string DescribeOgg(const OggParams& p) {
    vorbis_info vi;
    // Quality runs from 0 to 10 (0 to 1000 hundredths).
    if (p.channels < 1 || p.channels > 2 || p.rate <= 0 || p.quality > 1000 ||
        !InitVorbis(&vi, p)) {
        return {};
    }
    vorbis_info_clear(&vi);
    std::string text = "OGG Vorbis ";
    if (p.quality >= 0) {
        char q[32];
        std::snprintf(q, sizeof q, "quality %.2f", p.quality / 100.0);
        text += q;
    } else {
        text += std::to_string(p.nominal) + " kbit/s";
        if (p.minimum > 0 || p.maximum > 0) {
            text += " (" + (p.minimum > 0 ? std::to_string(p.minimum) : std::string("-")) + "-" +
                    (p.maximum > 0 ? std::to_string(p.maximum) : std::string("-")) + " kbit/s)";
        }
    }
    return text + ", " + std::to_string(p.rate) + " Hz, " + ChannelText(p.channels);
}

std::unique_ptr<IEncoder> OpenOggEncoder(const std::string& path, const OggParams& p,
                                         std::string& error) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        error = std::strerror(errno);
        return nullptr;
    }
    // Unbuffered: each page reaches the file when it is written, and a
    // refused write leaves nothing behind in a buffer.
    std::setvbuf(f, nullptr, _IONBF, 0);
    auto enc = std::make_unique<OggEncoder>(f, p.channels);
    if (!enc->Start(p)) {
        error =
            enc->Error().empty() ? "the Ogg Vorbis encoder refuses these parameters" : enc->Error();
        enc.reset();
        std::remove(path.c_str());
        return nullptr;
    }
    return enc;
}

}  // namespace codecs
}  // namespace qsr::audio::file
