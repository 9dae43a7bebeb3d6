extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <deque>
#include <memory>
#include <optional>
#include <string>

#include "core/Mp3Frames.h"
#include "platform/audio/FileCodecs.h"
#include "platform/ffmpeg/Ffmpeg.h"

// Reads every file FFmpeg decodes, as interleaved 16-bit frames at the file's
// own rate and channel count.
namespace qsr::audio::file {
namespace {

// The same kind of text the program gives its own recordings, e.g.
// "MP3 128 kbit/s, 44100 Hz, Stereo", not the decoder's internals.
std::string FriendlyDescription(const AVCodecContext& ctx, const AVCodecParameters& par) {
    std::string name;
    switch (ctx.codec_id) {
        case AV_CODEC_ID_MP3:
            name = "MP3";
            break;
        case AV_CODEC_ID_VORBIS:
            name = "OGG Vorbis";
            break;
        case AV_CODEC_ID_WMAV1:
        case AV_CODEC_ID_WMAV2:
            name = "WMA";
            break;
        default: {
            const AVCodecDescriptor* d = avcodec_descriptor_get(ctx.codec_id);
            name = d && d->long_name ? d->long_name : d ? d->name : "audio";
        }
    }
    const std::int64_t bitRate = ctx.bit_rate > 0 ? ctx.bit_rate : par.bit_rate;
    if (bitRate > 0) name += " " + std::to_string((bitRate + 500) / 1000) + " kbit/s";
    const int channels = ctx.ch_layout.nb_channels;
    name += ", " + std::to_string(ctx.sample_rate) + " Hz, ";
    name += channels == 1   ? "Mono"
            : channels == 2 ? "Stereo"
                            : std::to_string(channels) + " channels";
    return name;
}

// The exact length of an MP3 file from its Xing/Info and LAME header frame;
// -1 when the file has no such frame.
std::int64_t Mp3ExactLength(const std::string& path) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> f(std::fopen(path.c_str(), "rb"), std::fclose);
    if (!f) return -1;
    if (fseeko(f.get(), 0, SEEK_END) != 0) return -1;
    const std::int64_t size = ftello(f.get());
    unsigned char b[4096];
    std::rewind(f.get());
    size_t n = std::fread(b, 1, sizeof b, f.get());
    const size_t start = Mp3AudioStart(b, n);
    if (start > 0) {
        if (fseeko(f.get(), static_cast<off_t>(start), SEEK_SET) != 0) return -1;
        n = std::fread(b, 1, sizeof b, f.get());
    }
    return Mp3ExactLengthFromFrame(b, n, size);
}

class FfmpegDecoder : public IDecoder {
  public:
    FfmpegDecoder(std::string path, bool dither) : path_(std::move(path)), dither_(dither) {}
    ~FfmpegDecoder() override { CloseAll(); }

    bool Open(std::string& error) {
        ffmpeg::QuietLog();
        int rc = avformat_open_input(&fmt_, path_.c_str(), nullptr, nullptr);
        if (rc < 0) return Fail(error, rc);
        if ((rc = avformat_find_stream_info(fmt_, nullptr)) < 0) return Fail(error, rc);
        const AVCodec* dec = nullptr;
        stream_ = av_find_best_stream(fmt_, AVMEDIA_TYPE_AUDIO, -1, -1, &dec, 0);
        if (stream_ < 0 || !dec) {
            error = "no audio stream";
            return false;
        }
        ctx_ = avcodec_alloc_context3(dec);
        avcodec_parameters_to_context(ctx_, fmt_->streams[stream_]->codecpar);
        // Lets the decoder keep frame timestamps right when it drops the
        // encoder delay; seeking counts on them.
        ctx_->pkt_timebase = fmt_->streams[stream_]->time_base;
        if ((rc = avcodec_open2(ctx_, dec, nullptr)) < 0) return Fail(error, rc);
        rate_ = ctx_->sample_rate;
        channels_ = ctx_->ch_layout.nb_channels;
        if (rate_ <= 0 || channels_ <= 0) {
            error = "no sample rate or channels";
            return false;
        }
        // The output keeps the first frame's rate and channels for the whole
        // file; a later frame in another format is converted to it.
        if (ctx_->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC) {
            av_channel_layout_default(&outLayout_, channels_);
        } else {
            av_channel_layout_copy(&outLayout_, &ctx_->ch_layout);
        }
        if (!MakeResampler(ctx_->sample_rate, ctx_->sample_fmt, ctx_->ch_layout, error)) {
            return false;
        }
        frame_ = av_frame_alloc();
        pkt_ = av_packet_alloc();

        const AVStream* st = fmt_->streams[stream_];
        if (st->duration != AV_NOPTS_VALUE && st->duration > 0) {
            std::int64_t duration = st->duration;
            // An Ogg Opus stream's duration is its last granule, which counts
            // the pre-skip the decoder leaves out: what it gives is less by that.
            if (ctx_->codec_id == AV_CODEC_ID_OPUS && st->codecpar->initial_padding > 0 &&
                (st->start_time == AV_NOPTS_VALUE || st->start_time == 0))
                duration -= av_rescale_q(st->codecpar->initial_padding, AVRational{1, 48000},
                                         st->time_base);
            total_ = av_rescale_q(std::max<std::int64_t>(duration, 0), st->time_base,
                                  AVRational{1, rate_});
        } else if (fmt_->duration != AV_NOPTS_VALUE && fmt_->duration > 0) {
            total_ = av_rescale(fmt_->duration, rate_, AV_TIME_BASE);
        }
        if (ctx_->codec_id == AV_CODEC_ID_MP3) {
            const std::int64_t exact = Mp3ExactLength(path_);
            if (exact > 0) total_ = exact;
            exactTotal_ = exact > 0;
            mp3File_ = fmt_->iformat && std::strcmp(fmt_->iformat->name, "mp3") == 0;
        }
        description_ = FriendlyDescription(*ctx_, *fmt_->streams[stream_]->codecpar);
        // The first frame tells where sample 0 lies for later seeks; it stays
        // queued for the first read.
        while (!originKnown_ && !eof_) DecodeSome();
        return true;
    }

    std::int64_t Total() const override { return total_; }
    int Rate() const override { return rate_; }
    int Channels() const override { return channels_; }
    std::string Describe() const override { return description_; }

    Samples Read(long frames) override {
        if (exactTotal_ && position_ + frames > total_) {
            // Past its recorded length an MP3 holds only the encoder's padding.
            frames = static_cast<long>(std::max<std::int64_t>(total_ - position_, 0));
        }
        const size_t want = static_cast<size_t>(std::max(frames, 0L)) * channels_;
        while (pending_.size() < want && !eof_) DecodeSome();
        const size_t n = std::min(want, pending_.size());
        Samples s(pending_.begin(), pending_.begin() + static_cast<long>(n));
        pending_.erase(pending_.begin(), pending_.begin() + static_cast<long>(n));
        position_ += static_cast<std::int64_t>(n) / channels_;
        return s;
    }

    std::int64_t Seek(std::int64_t frame) override {
        frame = std::max<std::int64_t>(frame, 0);
        if (total_ > 0) frame = std::min(frame, total_);
        // Near ahead: decoding on is cheaper than a seek.
        if (frame >= position_ && frame - position_ <= rate_) return SkipTo(frame);
        if (SeekByIndex(frame)) return position_;
        // No index and no timestamps: decode again from the start.
        if (!Rewind()) return position_;
        return SkipTo(frame);
    }

    // Since the file was opened; damage read again after a seek counts again.
    std::int64_t DamagedFrames() const override { return damaged_; }

  private:
    // Output already decoded but before the target of a seek is dropped.
    std::int64_t SkipTo(std::int64_t frame) {
        while (position_ < frame) {
            const long step = static_cast<long>(std::min<std::int64_t>(frame - position_, 65536));
            if (Read(step).empty()) break;
        }
        return position_;
    }

    // How far before the target a seek lands: an MP3 frame may take its data
    // from the frames before it and every codec overlaps blocks, so decoding
    // starts half a second early and what it yields up to the target is
    // identical to decoding from the start.
    std::int64_t Preroll() const { return std::max<std::int64_t>(rate_ / 2, 4096); }

    void ResetDecoding() {
        packetEnd_ = AV_NOPTS_VALUE;
        avcodec_flush_buffers(ctx_);
        if (swr_) swr_init(swr_);
        pending_.clear();
        eof_ = false;
        drained_ = false;
    }

    // Back to the first sample: the file opened afresh, so that the encoder
    // delay is dropped as on the first open.
    bool Rewind() {
        CloseAll();
        pending_.clear();
        position_ = 0;
        eof_ = drained_ = false;
        origin_ = AV_NOPTS_VALUE;
        seekTarget_ = -1;
        originKnown_ = landed_ = false;
        readErrors_ = 0;
        packetEnd_ = AV_NOPTS_VALUE;
        std::string error;
        return Open(error);
    }

    // A seek through the container's index (or its own seek method): lands on
    // a packet before the target, then decodes forward and counts from the
    // timestamps of the decoded frames. False, with nothing changed that a
    // rewind does not mend, when the container cannot seek or gives no
    // timestamps.
    bool SeekByIndex(std::int64_t frame) {
        if (origin_ == AV_NOPTS_VALUE) return false;
        if (mp3File_) {
            if (!SeekMp3(frame)) return false;
        } else {
            const AVRational tb = fmt_->streams[stream_]->time_base;
            const std::int64_t ts = av_rescale_q(frame - Preroll(), {1, rate_}, tb) + origin_;
            if (av_seek_frame(fmt_, stream_, ts, AVSEEK_FLAG_BACKWARD) < 0) return false;
        }
        ResetDecoding();
        seekTarget_ = frame;
        landed_ = false;  // until the first decoded frame says where
        while (seekTarget_ >= 0 && !eof_) DecodeSome();
        // Landing later than asked leaves the decoder too little to settle.
        if (!landed_ || position_ > frame - std::min(frame, Preroll() / 4)) return false;
        // Short of the target only where the file ends before it (a length
        // that was an estimate, a cut file): that is where the seek goes.
        SkipTo(frame);
        return true;
    }

    // MP3 timestamps after a seek are estimates (from the bitrate or a coarse
    // table), so MP3 files seek to the exact byte of a frame from an index of
    // their frame headers, made at the first far seek, and number the packets
    // themselves (see Mp3PacketTime).
    bool SeekMp3(std::int64_t frame) {
        if (!mp3Index_) mp3Index_ = IndexMp3File(path_);
        const Mp3FrameIndex& index = *mp3Index_;
        const int spf = index.samplesPerFrame;
        if (spf <= 0) return false;
        const AVRational tb = fmt_->streams[stream_]->time_base;
        const std::int64_t lead = av_rescale_q(origin_, tb, {1, rate_});  // the encoder delay
        // The start itself is reached by opening again, which drops the delay.
        if (frame + lead - Preroll() <= 0 || index.offsets.empty()) return false;
        // Past the frames found (a cut file): its last frame.
        const std::int64_t first = std::min<std::int64_t>(
            (frame + lead - Preroll()) / spf, static_cast<std::int64_t>(index.offsets.size()) - 1);
        return av_seek_frame(fmt_, -1, index.offsets[static_cast<size_t>(first)],
                             AVSEEK_FLAG_BYTE) >= 0;
    }
    // The timestamp of the packet at `pos` from the frame index; none when
    // the packet does not start at a frame the index knows.
    std::int64_t Mp3PacketTime(std::int64_t pos) const {
        const auto& offsets = mp3Index_->offsets;
        const auto it = std::lower_bound(offsets.begin(), offsets.end(), pos);
        if (it == offsets.end() || *it != pos) return AV_NOPTS_VALUE;
        const std::int64_t n = it - offsets.begin();
        return av_rescale_q(n * mp3Index_->samplesPerFrame, {1, rate_},
                            fmt_->streams[stream_]->time_base);
    }

    bool Fail(std::string& error, int rc) {
        char buf[AV_ERROR_MAX_STRING_SIZE] = {};
        av_strerror(rc, buf, sizeof buf);
        error = buf;
        return false;
    }
    void CloseAll() {
        av_frame_free(&frame_);
        av_packet_free(&pkt_);
        swr_free(&swr_);
        av_channel_layout_uninit(&inLayout_);
        av_channel_layout_uninit(&outLayout_);
        avcodec_free_context(&ctx_);
        avformat_close_input(&fmt_);
    }
    // A resampler from one input format to the file's output format.
    bool MakeResampler(int rate, int format, const AVChannelLayout& layout, std::string& error) {
        swr_free(&swr_);
        AVChannelLayout in{};
        if (layout.order == AV_CHANNEL_ORDER_UNSPEC || layout.nb_channels <= 0) {
            av_channel_layout_default(&in, layout.nb_channels);
        } else {
            av_channel_layout_copy(&in, &layout);
        }
        int rc = in.nb_channels > 0 && rate > 0 && format >= 0
                     ? swr_alloc_set_opts2(&swr_, &outLayout_, AV_SAMPLE_FMT_S16, rate_, &in,
                                           static_cast<AVSampleFormat>(format), rate, 0, nullptr)
                     : AVERROR(EINVAL);
        if (rc >= 0) {
            // The on/off option: triangular dither when reducing to 16 bits.
            if (dither_) av_opt_set_int(swr_, "dither_method", SWR_DITHER_TRIANGULAR, 0);
            rc = swr_init(swr_);
        }
        if (rc >= 0) rc = av_channel_layout_copy(&inLayout_, &in);
        av_channel_layout_uninit(&in);
        inRate_ = rate;
        inFormat_ = format;
        if (rc < 0) {
            swr_free(&swr_);
            return Fail(error, rc);
        }
        return true;
    }
    // A frame whose rate, channels or sample format differ from the last one
    // (a damaged or spliced file) gets a resampler of its own; what the old
    // one still holds is flushed first. A frame none can convert is damage.
    bool Follow(const AVFrame& f) {
        const bool same = swr_ && f.sample_rate == inRate_ && f.format == inFormat_ &&
                          av_channel_layout_compare(&f.ch_layout, &inLayout_) == 0;
        if (same) return true;
        if (swr_) Convert(nullptr);
        std::string error;
        return MakeResampler(f.sample_rate, f.format, f.ch_layout, error);
    }
    void Convert(const AVFrame* f) {
        if (f && !Follow(*f)) {
            ++damaged_;
            return;
        }
        if (!swr_) return;
        const int outMax = swr_get_out_samples(swr_, f ? f->nb_samples : 0);
        if (outMax <= 0) return;
        std::vector<std::int16_t> buf(static_cast<size_t>(outMax) * channels_);
        auto* out = reinterpret_cast<uint8_t*>(buf.data());
        const int n = swr_convert(swr_, &out, outMax,
                                  f ? const_cast<const uint8_t**>(f->extended_data) : nullptr,
                                  f ? f->nb_samples : 0);
        if (n > 0) {
            pending_.insert(pending_.end(), buf.begin(), buf.begin() + n * channels_);
        } else if (n < 0 && f) {
            ++damaged_;
        }
    }
    void Receive() {
        for (;;) {
            const int rc = avcodec_receive_frame(ctx_, frame_);
            if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF) return;
            if (rc < 0) {
                ++damaged_;  // a frame the decoder refused: go on with the next
                continue;
            }
            Place(frame_->best_effort_timestamp);
            Convert(frame_);
            av_frame_unref(frame_);
        }
    }
    // Timestamps of decoded frames: the first one from the start is where
    // sample 0 lies; after a seek, the first one says where we landed.
    void Place(std::int64_t pts) {
        if (!originKnown_) {
            originKnown_ = true;
            origin_ = pts;
        }
        if (seekTarget_ < 0) return;
        seekTarget_ = -1;
        if (pts == AV_NOPTS_VALUE || origin_ == AV_NOPTS_VALUE) return;  // position_ stays unknown
        // A damaged file may stamp a frame before its first one.
        position_ = std::max<std::int64_t>(
            av_rescale_q(pts - origin_, fmt_->streams[stream_]->time_base, {1, rate_}), 0);
        landed_ = true;
    }
    void DecodeSome() {
        if (drained_) {
            eof_ = true;
            return;
        }
        const int rc = av_read_frame(fmt_, pkt_);
        if (rc < 0) {
            // Damage the demuxer cannot get past on its own ends the file as
            // well; a bounded number of retries keeps a stuck one from looping.
            if (rc != AVERROR_EOF && !avio_feof(fmt_->pb) && ++readErrors_ < kMaxReadErrors) {
                ++damaged_;
                return;
            }
            avcodec_send_packet(ctx_, nullptr);
            Receive();
            Convert(nullptr);
            drained_ = true;
            return;
        }
        readErrors_ = 0;
        if (pkt_->stream_index == stream_) {
            if (seekTarget_ >= 0 && mp3File_ && mp3Index_) {
                pkt_->pts = pkt_->dts = Mp3PacketTime(pkt_->pos);
            }
            // Some demuxers (Ogg) drop a damaged page without a word: the
            // timestamps then jump ahead, by a page of packets. A jump within
            // one packet is no loss: where Vorbis turns from long blocks to
            // short ones, the demuxer's durations and timestamps disagree by
            // part of a block in files that are whole.
            if (pkt_->pts != AV_NOPTS_VALUE && pkt_->duration > 0) {
                if (packetEnd_ != AV_NOPTS_VALUE && pkt_->pts > packetEnd_ + lastDuration_)
                    ++damaged_;
                packetEnd_ = pkt_->pts + pkt_->duration;
                lastDuration_ = pkt_->duration;
            } else if (packetEnd_ != AV_NOPTS_VALUE) {
                packetEnd_ += std::max<std::int64_t>(pkt_->duration, 0);
            }
            const int sent = avcodec_send_packet(ctx_, pkt_);
            if (sent < 0 && sent != AVERROR(EAGAIN)) ++damaged_;
            Receive();
        }
        av_packet_unref(pkt_);
    }

    static constexpr int kMaxReadErrors = 1000;

    std::string path_;
    bool dither_;
    AVFormatContext* fmt_ = nullptr;
    AVCodecContext* ctx_ = nullptr;
    SwrContext* swr_ = nullptr;
    // What the resampler converts from, and the output's channel layout.
    int inRate_ = 0, inFormat_ = -1;
    AVChannelLayout inLayout_{}, outLayout_{};
    AVFrame* frame_ = nullptr;
    AVPacket* pkt_ = nullptr;
    int stream_ = -1;
    int rate_ = 0, channels_ = 0;
    std::int64_t total_ = 0, position_ = 0;
    bool eof_ = false, drained_ = false;
    // Timestamp of the first sample; seek target while a seek looks for it.
    std::int64_t origin_ = AV_NOPTS_VALUE, seekTarget_ = -1;
    bool originKnown_ = false, landed_ = false;
    bool exactTotal_ = false, mp3File_ = false;
    std::optional<Mp3FrameIndex> mp3Index_;
    std::int64_t damaged_ = 0;
    std::int64_t packetEnd_ = AV_NOPTS_VALUE;  // where the last packet read ends
    std::int64_t lastDuration_ = 0;            // of the last packet with a timestamp
    int readErrors_ = 0;
    std::deque<std::int16_t> pending_;
    std::string description_;
};

}  // namespace

namespace ffmpeg {
namespace {
std::atomic<void (*)()> quietHook{nullptr};
}  // namespace

void QuietLog() {
    if (auto* quiet = quietHook.load()) quiet();
}

void UseQuietHook(void (*quiet)()) {
    quietHook = quiet;
}

std::unique_ptr<IDecoder> OpenFfmpegDecoder(const std::string& path, bool dither,
                                            std::string& error) {
    auto d = std::make_unique<FfmpegDecoder>(path, dither);
    if (!d->Open(error)) return nullptr;
    return d;
}

}  // namespace ffmpeg
}  // namespace qsr::audio::file
