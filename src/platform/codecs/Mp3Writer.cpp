#include <lame/lame.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "platform/audio/FileCodecs.h"
#include "platform/codecs/Codecs.h"

namespace qsr::audio::file {
namespace {

// Maps every option onto LAME and initialises it; null when LAME refuses.
lame_global_flags* InitLame(const Mp3Options& o) {
    if (o.channelMode < 1 || o.channelMode > 5 || o.vbrMethod < -1 || o.vbrMethod > 4) {
        return nullptr;
    }
    lame_global_flags* gf = lame_init();
    if (!gf) return nullptr;
    const int channels = o.Channels();
    lame_set_num_channels(gf, channels);
    // We resample before LAME, so it sees its own output rate.
    lame_set_in_samplerate(gf, o.sampleRate);
    lame_set_out_samplerate(gf, o.sampleRate);
    static const MPEG_mode kModes[] = {STEREO, JOINT_STEREO, JOINT_STEREO, DUAL_CHANNEL, MONO};
    lame_set_mode(gf, kModes[o.channelMode - 1]);
    if (o.channelMode == 3) lame_set_force_ms(gf, 1);
    lame_set_quality(gf, o.encoderQuality);
    switch (o.vbrMethod) {
        case -1:
            lame_set_VBR(gf, vbr_off);
            lame_set_brate(gf, o.bitrate);
            break;
        case 4:
            lame_set_VBR(gf, vbr_abr);
            lame_set_VBR_mean_bitrate_kbps(gf, o.abrBitrate);
            break;
        default: {
            static const vbr_mode kVbr[] = {vbr_default, vbr_rh, vbr_mt, vbr_mtrh};
            lame_set_VBR(gf, kVbr[o.vbrMethod]);
            lame_set_VBR_q(gf, o.vbrQuality);
            break;
        }
    }
    if (o.vbrMethod != -1) {
        // The plain bitrate is the floor of a variable bitrate.
        lame_set_VBR_min_bitrate_kbps(gf, o.bitrate);
        lame_set_VBR_max_bitrate_kbps(gf, o.maxVbrBitrate);
        lame_set_VBR_hard_min(gf, o.enforceMinBitrate ? 1 : 0);
    }
    lame_set_bWriteVbrTag(gf, o.writeVbrHeader ? 1 : 0);
    lame_set_disable_reservoir(gf, o.bitReservoir ? 0 : 1);
    lame_set_allow_diff_short(gf, o.differentBlockTypes ? 1 : 0);
    lame_set_no_short_blocks(gf, o.shortBlocks ? 0 : 1);
    lame_set_emphasis(gf, o.deemphasis == 1 ? 1 : o.deemphasis == 2 ? 3 : 0);
    lame_set_strict_ISO(gf, o.isoCompliance ? 1 : 0);
    if (o.athControl == 1) lame_set_ATHonly(gf, 1);
    if (o.athControl == 2) lame_set_noATH(gf, 1);
    if (o.athControl == 3) lame_set_ATHshort(gf, 1);
    // Only a frequency the user set is handed over; off (or 0) leaves LAME the
    // filter its psychoacoustic model expects for the bitrate.
    if (o.lowPassFrequency > 0) lame_set_lowpassfreq(gf, o.lowPassFrequency);
    if (o.highPassFrequency > 0) lame_set_highpassfreq(gf, o.highPassFrequency);
    // A width of 0 (or less) keeps LAME's own transition band.
    if (o.lowPassWidth > 0) lame_set_lowpasswidth(gf, o.lowPassWidth);
    if (o.highPassWidth > 0) lame_set_highpasswidth(gf, o.highPassWidth);
    lame_set_error_protection(gf, o.crc ? 1 : 0);
    if (lame_init_params(gf) < 0) {
        lame_close(gf);
        return nullptr;
    }
    return gf;
}

const char* ModeText(MPEG_mode m, bool forced) {
    switch (m) {
        case STEREO:
            return "Stereo";
        case JOINT_STEREO:
            return forced ? "Forced Joint Stereo" : "Joint Stereo";
        case DUAL_CHANNEL:
            return "Dual Channels";
        case MONO:
            return "Mono";
        default:
            return "Stereo";
    }
}

class Mp3Encoder : public IEncoder {
  public:
    Mp3Encoder(std::FILE* f, lame_global_flags* gf, int channels)
        : f_(f), gf_(gf), channels_(channels) {}
    ~Mp3Encoder() override {
        if (f_) Finish();
    }
    bool Write(const std::int16_t* frames, long count) override {
        if (!f_) return false;
        out_.resize(static_cast<size_t>(1.25 * count + 7200));
        const int n = channels_ == 1
                          ? lame_encode_buffer(gf_, frames, frames, static_cast<int>(count),
                                               out_.data(), static_cast<int>(out_.size()))
                          : lame_encode_buffer_interleaved(gf_, const_cast<short*>(frames),
                                                           static_cast<int>(count), out_.data(),
                                                           static_cast<int>(out_.size()));
        if (n < 0) return Encoder(n);
        // Each block reaches the file at once (the stream is unbuffered): a
        // killed program leaves whole frames.
        return Audio(out_.data(), static_cast<size_t>(n));
    }
    bool Finish() override {
        if (!f_) return true;
        out_.resize(7200);
        const int n = lame_encode_flush(gf_, out_.data(), static_cast<int>(out_.size()));
        bool ok = n >= 0 ? Audio(out_.data(), static_cast<size_t>(n)) : Encoder(n);
        // The header counts every frame LAME made: after frames were lost
        // (a full disk) it would claim more than the file holds, so the file
        // keeps LAME's blank placeholder, which readers decode as silence.
        if (lost_) {
            if (ok) ok = Lost();
        } else if (lame_get_bWriteVbrTag(gf_)) {
            // The VBR/LAME header frame replaces the placeholder LAME put first,
            // so decoders know the exact length.
            unsigned char tag[2880];
            const size_t len = lame_get_lametag_frame(gf_, tag, sizeof tag);
            if (len > 0 && len <= sizeof tag) {
                const bool tagOk = std::fseek(f_, 0, SEEK_SET) == 0 ? Put(tag, len) : System();
                ok = tagOk && ok;
            }
        }
        if (std::fclose(f_) != 0 && ok) ok = System();
        f_ = nullptr;
        lame_close(gf_);
        gf_ = nullptr;
        return ok;
    }
    std::string Error() const override { return error_; }

  private:
    bool Put(const unsigned char* p, size_t n) {
        return n == 0 || std::fwrite(p, 1, n, f_) == n || System();
    }
    // Encoded frames: the ones that do not reach the file are lost for good.
    bool Audio(const unsigned char* p, size_t n) {
        if (Put(p, n)) return true;
        lost_ = true;
        return false;
    }
    bool Lost() {
        // The first reason (the system's) stays the one reported.
        if (error_.empty()) error_ = "frames did not reach the file";
        return false;
    }
    bool System() {
        error_ = std::strerror(errno != 0 ? errno : EIO);
        return false;
    }
    bool Encoder(int code) {
        error_ = "the MP3 encoder failed (" + std::to_string(code) + ")";
        return false;
    }
    std::FILE* f_;
    lame_global_flags* gf_;
    int channels_;
    std::vector<unsigned char> out_;
    std::string error_;
    bool lost_ = false;
};

}  // namespace

namespace codecs {

std::string DescribeMp3(const Mp3Options& o, Mp3Options* effective) {
    lame_global_flags* gf = InitLame(o);
    if (!gf) return {};
    Mp3Options e = o;
    e.sampleRate = lame_get_out_samplerate(gf);
    e.vbrQuality = lame_get_VBR_q(gf);
    e.maxVbrBitrate = lame_get_VBR_max_bitrate_kbps(gf);
    e.abrBitrate = lame_get_VBR_mean_bitrate_kbps(gf);
    if (o.vbrMethod == -1) e.bitrate = lame_get_brate(gf);
    e.lowPassFrequency = o.lowPassFrequency < 0 ? -1 : lame_get_lowpassfreq(gf);
    const MPEG_mode mode = lame_get_mode(gf);
    const vbr_mode vbr = lame_get_VBR(gf);
    lame_close(gf);
    // LAME would pick another bitrate or rate than asked: a refusal to the caller.
    if (e.sampleRate != o.sampleRate || (vbr == vbr_off && e.bitrate != o.bitrate)) return {};
    if (effective) *effective = e;

    std::string text = "MP3 ";
    if (vbr == vbr_off) {
        text += std::to_string(e.bitrate) + " kbit/s";
    } else if (vbr == vbr_abr) {
        text += "ABR " + std::to_string(e.abrBitrate) + " kbit/s";
    } else {
        text += "VBR quality " + std::to_string(e.vbrQuality) + " (" + std::to_string(o.bitrate) +
                "-" + std::to_string(e.maxVbrBitrate) + " kbit/s)";
    }
    text += ", " + std::to_string(e.sampleRate) + " Hz, " + ModeText(mode, o.channelMode == 3);
    return text;
}

std::unique_ptr<IEncoder> OpenMp3Encoder(const std::string& path, const Mp3Options& o,
                                         std::string& error) {
    lame_global_flags* gf = InitLame(o);
    if (!gf) {
        error = "the MP3 encoder refuses these parameters";
        return nullptr;
    }
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        error = std::strerror(errno);
        lame_close(gf);
        return nullptr;
    }
    // Unbuffered: nothing a refused write leaves waiting in a buffer can
    // block the seek back to the LAME tag.
    std::setvbuf(f, nullptr, _IONBF, 0);
    return std::make_unique<Mp3Encoder>(f, gf, o.Channels());
}

}  // namespace codecs
}  // namespace qsr::audio::file
