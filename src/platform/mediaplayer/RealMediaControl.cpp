#include "platform/mediaplayer/RealMediaControl.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/channel_layout.h>
#include <libswresample/swresample.h>
}

#include <QMetaObject>
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "platform/audio/PulseConnection.h"

namespace qsr::mediaplayer {
namespace {

// Decodes the first audio stream of a file into interleaved stereo 16-bit
// samples at kRate. False for anything FFmpeg cannot open or decode.
bool DecodeWhole(const std::string& path, std::vector<std::int16_t>& out) {
    static const bool quiet = [] {
        av_log_set_level(AV_LOG_ERROR);
        return true;
    }();
    (void)quiet;
    out.clear();
    AVFormatContext* fmt = nullptr;
    if (avformat_open_input(&fmt, path.c_str(), nullptr, nullptr) < 0) return false;
    AVCodecContext* ctx = nullptr;
    SwrContext* swr = nullptr;
    AVPacket* pkt = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    bool ok = false;
    const auto cleanup = [&] {
        av_frame_free(&frame);
        av_packet_free(&pkt);
        swr_free(&swr);
        avcodec_free_context(&ctx);
        avformat_close_input(&fmt);
    };
    do {
        if (avformat_find_stream_info(fmt, nullptr) < 0) break;
        const AVCodec* codec = nullptr;
        const int index = av_find_best_stream(fmt, AVMEDIA_TYPE_AUDIO, -1, -1, &codec, 0);
        if (index < 0 || !codec) break;
        ctx = avcodec_alloc_context3(codec);
        if (!ctx || avcodec_parameters_to_context(ctx, fmt->streams[index]->codecpar) < 0) break;
        if (avcodec_open2(ctx, codec, nullptr) < 0) break;
        if (ctx->ch_layout.nb_channels <= 0 || ctx->sample_rate <= 0) break;
        AVChannelLayout in;
        if (ctx->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC)
            av_channel_layout_default(&in, ctx->ch_layout.nb_channels);
        else
            av_channel_layout_copy(&in, &ctx->ch_layout);
        AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
        const int rc =
            swr_alloc_set_opts2(&swr, &stereo, AV_SAMPLE_FMT_S16, RealMediaControl::kRate, &in,
                                ctx->sample_fmt, ctx->sample_rate, 0, nullptr);
        av_channel_layout_uninit(&in);
        if (rc < 0 || swr_init(swr) < 0) break;
        const auto convert = [&](const AVFrame* f) {
            const int inFrames = f ? f->nb_samples : 0;
            const int room = swr_get_out_samples(swr, inFrames);
            if (room <= 0) return;
            const std::size_t at = out.size();
            out.resize(at + static_cast<std::size_t>(room) * 2);
            auto* dst = reinterpret_cast<std::uint8_t*>(out.data() + at);
            const int got = swr_convert(
                swr, &dst, room, f ? const_cast<const std::uint8_t**>(f->extended_data) : nullptr,
                inFrames);
            out.resize(at + static_cast<std::size_t>(std::max(got, 0)) * 2);
        };
        const auto receive = [&] {
            while (avcodec_receive_frame(ctx, frame) == 0) {
                convert(frame);
                av_frame_unref(frame);
            }
        };
        while (av_read_frame(fmt, pkt) >= 0) {
            if (pkt->stream_index == index && avcodec_send_packet(ctx, pkt) >= 0) receive();
            av_packet_unref(pkt);
        }
        avcodec_send_packet(ctx, nullptr);
        receive();
        convert(nullptr);
        ok = !out.empty();
    } while (false);
    cleanup();
    return ok;
}

void OnCorked(pa_stream*, int, void* userdata) {
    static_cast<audio::PulseConnection*>(userdata)->Signal();
}

// Wakes the wait for the stream to become ready (or fail).
void OnStreamState(pa_stream*, void* userdata) {
    static_cast<audio::PulseConnection*>(userdata)->Signal();
}

}  // namespace

RealMediaControl::RealMediaControl(QObject* parent)
    : IMediaControl(parent), conn_(std::make_unique<audio::PulseConnection>()) {}

RealMediaControl::~RealMediaControl() {
    ReleaseStream();
}

bool RealMediaControl::SetFileName(const QString& path) {
    std::vector<std::int16_t> decoded;
    if (!DecodeWhole(path.toStdString(), decoded)) return false;
    ReleaseStream();
    samples_ = std::move(decoded);
    fileName_ = path;
    stoppedAt_ = 0;
    paused_ = false;
    Play();
    return true;
}

void RealMediaControl::Play() {
    if (samples_.empty()) return;
    if (stream_ && paused_) {
        audio::PulseConnection::Lock lock(*conn_);
        conn_->Wait(pa_stream_cork(stream_, 0, OnCorked, conn_.get()));
        paused_ = false;
        clock_.start();
        return;
    }
    if (stream_) return;
    StartStream(stoppedAt_, false);
}

void RealMediaControl::Pause() {
    if (!stream_ || paused_) return;
    audio::PulseConnection::Lock lock(*conn_);
    conn_->Wait(pa_stream_cork(stream_, 1, OnCorked, conn_.get()));
    paused_ = true;
    clockBase_ = CurrentPosition();
    clock_.invalidate();
}

void RealMediaControl::Stop() {
    ReleaseStream();
    stoppedAt_ = 0;
    paused_ = false;
}

double RealMediaControl::Duration() const {
    return static_cast<double>(samples_.size() / kChannels) / kRate;
}

// The position runs on a clock of its own while the stream plays: the
// server's interpolated stream time stalls on a busy machine even when the
// sound goes on, and a display must not stand still.
double RealMediaControl::CurrentPosition() const {
    const double running = clock_.isValid() ? clock_.elapsed() / 1000.0 : 0.0;
    if (!stream_) return static_cast<double>(stoppedAt_) / kRate;
    return std::min(clockBase_ + running, Duration());
}

void RealMediaControl::SetCurrentPosition(double seconds) {
    if (samples_.empty()) return;
    const auto frames = static_cast<std::int64_t>(samples_.size() / kChannels);
    const auto frame =
        std::clamp(static_cast<std::int64_t>(std::llround(std::max(seconds, 0.0) * kRate)),
                   std::int64_t{0}, frames);
    if (!stream_) {
        stoppedAt_ = frame;
        return;
    }
    const bool corked = paused_;
    ReleaseStream();
    StartStream(frame, corked);
}

void RealMediaControl::CurrentLevels(float& left, float& right) const {
    left = 0;
    right = 0;
    if (!Playing()) return;
    const auto total = static_cast<std::int64_t>(samples_.size() / kChannels);
    const auto end =
        std::clamp(static_cast<std::int64_t>(CurrentPosition() * kRate), std::int64_t{0}, total);
    if (end >= total) return;  // at the end nothing more sounds
    const auto begin = std::max<std::int64_t>(0, end - kLevelWindowMs * kRate / 1000);
    int peakLeft = 0;
    int peakRight = 0;
    for (std::int64_t f = begin; f < end; ++f) {
        peakLeft = std::max(peakLeft, std::abs(int{samples_[static_cast<std::size_t>(2 * f)]}));
        peakRight =
            std::max(peakRight, std::abs(int{samples_[static_cast<std::size_t>(2 * f + 1)]}));
    }
    const auto g = GainsFor(volume_, balance_);
    left = static_cast<float>(std::min(1.0, peakLeft / 32768.0 * g.left));
    right = static_cast<float>(std::min(1.0, peakRight / 32768.0 * g.right));
}

bool RealMediaControl::SetVolume(int volume) {
    if (volume < kMinVolume || volume > kMaxVolume) return false;
    volume_ = volume;
    const auto g = GainsFor(volume_, balance_);
    audio::PulseConnection::Lock lock(*conn_);
    gainLeft_ = g.left;
    gainRight_ = g.right;
    return true;
}

bool RealMediaControl::SetBalance(int balance) {
    if (balance < kMinBalance || balance > kMaxBalance) return false;
    balance_ = balance;
    const auto g = GainsFor(volume_, balance_);
    audio::PulseConnection::Lock lock(*conn_);
    gainLeft_ = g.left;
    gainRight_ = g.right;
    return true;
}

bool RealMediaControl::StartStream(std::int64_t frame, bool corked) {
    if (!conn_->EnsureConnected()) return false;
    audio::PulseConnection::Lock lock(*conn_);
    pa_sample_spec ss;
    stream_ = conn_->NewS16Stream("Audio Player", kRate, kChannels, ss);
    if (!stream_) return false;
    startFrame_ = frame;
    writeFrame_ = frame;
    drainAsked_ = false;
    ++generation_;
    pa_stream_set_write_callback(stream_, OnWrite, this);
    pa_stream_set_state_callback(stream_, OnStreamState, conn_.get());
    pa_buffer_attr attr;
    attr.maxlength = static_cast<std::uint32_t>(-1);
    attr.tlength = static_cast<std::uint32_t>(pa_usec_to_bytes(kBufferMs * PA_USEC_PER_MSEC, &ss));
    attr.prebuf = static_cast<std::uint32_t>(-1);
    attr.minreq = static_cast<std::uint32_t>(-1);
    attr.fragsize = static_cast<std::uint32_t>(-1);
    auto flags = static_cast<pa_stream_flags_t>(
        PA_STREAM_INTERPOLATE_TIMING | PA_STREAM_AUTO_TIMING_UPDATE | PA_STREAM_ADJUST_LATENCY);
    if (corked) flags = static_cast<pa_stream_flags_t>(flags | PA_STREAM_START_CORKED);
    if (pa_stream_connect_playback(stream_, nullptr, &attr, flags, nullptr, nullptr) < 0 ||
        !conn_->WaitStreamReady(stream_)) {
        audio::PulseConnection::ReleaseStream(stream_);
        return false;
    }
    paused_ = corked;
    clockBase_ = static_cast<double>(frame) / kRate;
    if (corked)
        clock_.invalidate();
    else
        clock_.start();
    return true;
}

void RealMediaControl::ReleaseStream() {
    if (!stream_) return;
    stoppedAt_ = static_cast<std::int64_t>(CurrentPosition() * kRate);
    audio::PulseConnection::Lock lock(*conn_);
    ++generation_;  // a drain still on its way belongs to the old stream
    audio::PulseConnection::ReleaseStream(stream_);
    clock_.invalidate();
}

// PulseAudio thread, lock held.
void RealMediaControl::OnWrite(pa_stream* s, size_t nbytes, void* userdata) {
    auto* self = static_cast<RealMediaControl*>(userdata);
    const auto total = static_cast<std::int64_t>(self->samples_.size() / kChannels);
    const std::int64_t left = total - self->writeFrame_;
    if (left <= 0) {
        if (!self->drainAsked_) {
            self->drainAsked_ = true;
            auto* op = pa_stream_drain(s, OnDrained, self);
            if (op) pa_operation_unref(op);
        }
        return;
    }
    const std::int64_t frames = std::min<std::int64_t>(left, static_cast<std::int64_t>(nbytes / 4));
    if (frames <= 0) return;
    void* buffer = nullptr;
    size_t bytes = static_cast<size_t>(frames) * 4;
    if (pa_stream_begin_write(s, &buffer, &bytes) < 0 || !buffer) return;
    const std::int64_t n = static_cast<std::int64_t>(bytes / 4);
    auto* dst = static_cast<std::int16_t*>(buffer);
    const std::int16_t* src = self->samples_.data() + self->writeFrame_ * 2;
    for (std::int64_t i = 0; i < n; ++i) {
        dst[2 * i] = static_cast<std::int16_t>(std::lround(src[2 * i] * self->gainLeft_));
        dst[2 * i + 1] = static_cast<std::int16_t>(std::lround(src[2 * i + 1] * self->gainRight_));
    }
    pa_stream_write(s, buffer, bytes, nullptr, 0, PA_SEEK_RELATIVE);
    self->writeFrame_ += n;
    if (self->writeFrame_ >= total && !self->drainAsked_) {
        self->drainAsked_ = true;
        auto* op = pa_stream_drain(s, OnDrained, self);
        if (op) pa_operation_unref(op);
    }
}

// PulseAudio thread: hand the end over to the control's own thread.
void RealMediaControl::OnDrained(pa_stream*, int success, void* userdata) {
    auto* self = static_cast<RealMediaControl*>(userdata);
    if (!success) return;
    const unsigned generation = self->generation_;
    QMetaObject::invokeMethod(
        self, [self, generation] { self->Finished(generation); }, Qt::QueuedConnection);
}

void RealMediaControl::Finished(unsigned generation) {
    if (generation != generation_ || !stream_) return;
    ReleaseStream();
    stoppedAt_ = 0;
    paused_ = false;
    emit EndOfStream();
}

}  // namespace qsr::mediaplayer
