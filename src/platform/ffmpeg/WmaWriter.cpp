extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
}

#include <vector>

#include "platform/audio-api/WmaProfiles.h"
#include "platform/audio/FileCodecs.h"
#include "platform/ffmpeg/Ffmpeg.h"

// WMA: FFmpeg's wmav2 encoder in an ASF container.
namespace qsr::audio::file {
namespace {

std::string AvError(int rc) {
    char buf[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(rc, buf, sizeof buf);
    return buf;
}

class WmaEncoder : public IEncoder {
  public:
    ~WmaEncoder() override {
        Finish();
        av_frame_free(&frame_);
        av_packet_free(&pkt_);
        avcodec_free_context(&ctx_);
        if (oc_) {
            if (oc_->pb) avio_closep(&oc_->pb);
            avformat_free_context(oc_);
        }
    }
    bool Open(const std::string& path, const WmaProfile& p, std::string& error) {
        channels_ = p.channels;
        int rc = avformat_alloc_output_context2(&oc_, nullptr, "asf", path.c_str());
        const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_WMAV2);
        if (rc < 0 || !codec) {
            error = "no WMA encoder";
            return false;
        }
        AVStream* st = avformat_new_stream(oc_, nullptr);
        ctx_ = avcodec_alloc_context3(codec);
        ctx_->sample_fmt = AV_SAMPLE_FMT_FLTP;
        ctx_->sample_rate = p.rate;
        ctx_->bit_rate = p.kbps * 1000L;
        av_channel_layout_default(&ctx_->ch_layout, p.channels);
        ctx_->time_base = AVRational{1, p.rate};
        if (oc_->oformat->flags & AVFMT_GLOBALHEADER) ctx_->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
        if ((rc = avcodec_open2(ctx_, codec, nullptr)) < 0) {
            error = "the WMA encoder refuses the profile: " + AvError(rc);
            return false;
        }
        avcodec_parameters_from_context(st->codecpar, ctx_);
        st->time_base = ctx_->time_base;
        stream_ = st;
        if ((rc = avio_open(&oc_->pb, path.c_str(), AVIO_FLAG_WRITE)) < 0) {
            error = AvError(rc);
            return false;
        }
        if ((rc = avformat_write_header(oc_, nullptr)) < 0) {
            error = AvError(rc);
            return false;
        }
        frame_ = av_frame_alloc();
        pkt_ = av_packet_alloc();
        open_ = true;
        return true;
    }
    bool Write(const std::int16_t* frames, long count) override {
        if (!open_) return false;
        pending_.insert(pending_.end(), frames, frames + count * channels_);
        const long size = ctx_->frame_size;
        size_t used = 0;
        while (pending_.size() - used >= static_cast<size_t>(size * channels_)) {
            if (!Encode(pending_.data() + used, size)) return false;
            used += static_cast<size_t>(size * channels_);
        }
        pending_.erase(pending_.begin(), pending_.begin() + static_cast<long>(used));
        // Hand the block to the system now, so a full disk shows at this block.
        avio_flush(oc_->pb);
        return Check(oc_->pb->error);
    }
    bool Finish() override {
        if (!open_) return true;
        open_ = false;
        bool ok = true;
        if (!pending_.empty()) {
            ok = Encode(pending_.data(), static_cast<long>(pending_.size()) / channels_);
        }
        ok = Send(nullptr) && ok;
        // The trailer completes the index and the header's sizes.
        ok = Check(av_write_trailer(oc_)) && ok;
        ok = Check(avio_closep(&oc_->pb)) && ok;
        return ok;
    }
    std::string Error() const override { return error_; }

  private:
    bool Encode(const std::int16_t* s, long n) {
        av_frame_unref(frame_);
        frame_->nb_samples = static_cast<int>(n);
        frame_->format = ctx_->sample_fmt;
        frame_->sample_rate = ctx_->sample_rate;
        av_channel_layout_copy(&frame_->ch_layout, &ctx_->ch_layout);
        if (!Check(av_frame_get_buffer(frame_, 0))) return false;
        for (int c = 0; c < channels_; ++c) {
            auto* dst = reinterpret_cast<float*>(frame_->data[c]);
            for (long i = 0; i < n; ++i) dst[i] = s[i * channels_ + c] / 32768.0f;
        }
        frame_->pts = pts_;
        pts_ += n;
        return Send(frame_);
    }
    bool Send(AVFrame* f) {
        if (!Check(avcodec_send_frame(ctx_, f))) return false;
        for (;;) {
            const int rc = avcodec_receive_packet(ctx_, pkt_);
            if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF) return true;
            if (!Check(rc)) return false;
            av_packet_rescale_ts(pkt_, ctx_->time_base, stream_->time_base);
            pkt_->stream_index = stream_->index;
            if (!Check(av_interleaved_write_frame(oc_, pkt_))) return false;
            // The muxer's buffer hides a failed write until the next flush:
            // look at the stream's own error so the failing block reports it.
            if (oc_->pb && !Check(oc_->pb->error)) return false;
        }
    }
    bool Check(int rc) {
        if (rc >= 0) return true;
        if (error_.empty()) error_ = AvError(rc);
        return false;
    }
    AVFormatContext* oc_ = nullptr;
    AVCodecContext* ctx_ = nullptr;
    AVStream* stream_ = nullptr;
    AVFrame* frame_ = nullptr;
    AVPacket* pkt_ = nullptr;
    int channels_ = 2;
    std::int64_t pts_ = 0;
    bool open_ = false;
    std::vector<std::int16_t> pending_;
    std::string error_;
};

}  // namespace

namespace ffmpeg {

std::unique_ptr<IEncoder> OpenWmaEncoder(const std::string& path, int profile, std::string& error) {
    const WmaProfile* p = FindWmaProfile(profile);
    if (!p) {
        error = "unknown WMA profile " + std::to_string(profile);
        return nullptr;
    }
    auto e = std::make_unique<WmaEncoder>();
    if (!e->Open(path, *p, error)) return nullptr;
    return e;
}

}  // namespace ffmpeg
}  // namespace qsr::audio::file
