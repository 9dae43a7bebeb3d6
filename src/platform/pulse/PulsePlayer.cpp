#include "platform/pulse/PulsePlayer.h"

#include <QMetaObject>
#include <algorithm>
#include <cstdlib>

namespace qsr::audio {

PulsePlayer::PulsePlayer(QObject* parent) : IAudioPlayer(parent) {
    timer_.setInterval(kTimerMs);
    connect(&timer_, &QTimer::timeout, this, [this] { Tick(); });
}

PulsePlayer::~PulsePlayer() {
    Disconnect();
}

void PulsePlayer::SetFormat(int rate, int channels) {
    if (rate > 0 && rate <= static_cast<int>(PA_RATE_MAX)) rate_ = rate;
    if (channels >= 1 && channels <= 8) channels_ = channels;
}

long PulsePlayer::MillisecondsToSamples(long ms) const {
    return static_cast<long>(static_cast<long long>(ms) * rate_ / 1000);
}

long PulsePlayer::SamplesToMilliseconds(long samples) const {
    return rate_ ? static_cast<long>(static_cast<long long>(samples) * 1000 / rate_) : 0;
}

int PulsePlayer::Start() {
    if (status_ == 1) Stop();
    status_ = -1;
    if (!conn_.EnsureConnected()) return -1;
    PulseConnection::Lock lock(conn_);
    pending_.clear();
    pendingPos_ = 0;
    writtenValues_ = queuedValues_ = 0;
    history_.clear();
    historyStart_ = 0;
    lastPlayed_ = 0;
    endAnnounced_ = false;
    requestPosted_ = false;
    requestAnswered_ = true;

    pa_sample_spec ss;
    stream_ = conn_.NewS16Stream("Playback", rate_, channels_, ss);
    if (!stream_) return -1;
    pa_stream_set_write_callback(stream_, OnWrite, this);
    pa_stream_set_state_callback(stream_, OnStreamState, this);
    pa_stream_set_underflow_callback(stream_, OnUnderflow, this);

    // No pre-buffering: playback starts with the first block, and running dry
    // is reported by the server as an underflow.
    pa_buffer_attr attr;
    attr.maxlength = static_cast<std::uint32_t>(-1);
    attr.tlength = static_cast<std::uint32_t>(pa_usec_to_bytes(200 * PA_USEC_PER_MSEC, &ss));
    attr.prebuf = 0;
    attr.minreq = static_cast<std::uint32_t>(-1);
    attr.fragsize = static_cast<std::uint32_t>(-1);
    const auto flags = static_cast<pa_stream_flags_t>(
        PA_STREAM_ADJUST_LATENCY | PA_STREAM_AUTO_TIMING_UPDATE | PA_STREAM_INTERPOLATE_TIMING);
    if (pa_stream_connect_playback(stream_, nullptr, &attr, flags, nullptr, nullptr) < 0) {
        PulseConnection::ReleaseStream(stream_);
        return -1;
    }
    if (!conn_.WaitStreamReady(stream_)) {
        PulseConnection::ReleaseStream(stream_);
        return -1;
    }
    status_ = 1;
    timer_.start();
    return 0;
}

void PulsePlayer::Disconnect() {
    PulseConnection::Lock lock(conn_);
    PulseConnection::ReleaseStream(stream_);
}

void PulsePlayer::Stop() {
    timer_.stop();
    if (status_ == 1) lastPlayed_ = PlayedFrames();
    Disconnect();
    PulseConnection::Lock lock(conn_);
    pending_.clear();
    pendingPos_ = 0;
    if (status_ == 1) status_ = 0;
}

void PulsePlayer::WritePending(std::size_t maxBytes) {
    if (!stream_ || pa_stream_get_state(stream_) != PA_STREAM_READY) return;
    const std::size_t available = (pending_.size() - pendingPos_) * sizeof(std::int16_t);
    std::size_t bytes = std::min(maxBytes, available);
    const std::size_t frameBytes = static_cast<std::size_t>(channels_) * sizeof(std::int16_t);
    bytes -= bytes % frameBytes;
    if (bytes > 0 && pa_stream_write(stream_, pending_.data() + pendingPos_, bytes, nullptr, 0,
                                     PA_SEEK_RELATIVE) == 0) {
        pendingPos_ += bytes / sizeof(std::int16_t);
        writtenValues_ += static_cast<std::int64_t>(bytes / sizeof(std::int16_t));
        if (pendingPos_ * 2 > pending_.size()) {
            pending_.erase(pending_.begin(),
                           pending_.begin() + static_cast<std::ptrdiff_t>(pendingPos_));
            pendingPos_ = 0;
        }
    }
    const std::size_t left = pending_.size() - pendingPos_;
    const std::size_t lowWater = static_cast<std::size_t>(MillisecondsToSamples(kLowWaterMs)) *
                                 static_cast<std::size_t>(channels_);
    if (left < lowWater) PostRequest();
}

void PulsePlayer::OnWrite(pa_stream*, size_t nbytes, void* userdata) {
    static_cast<PulsePlayer*>(userdata)->WritePending(nbytes);
}

void PulsePlayer::OnStreamState(pa_stream*, void* userdata) {
    auto* self = static_cast<PulsePlayer*>(userdata);
    pa_threaded_mainloop_signal(self->conn_.Mainloop(), 0);
}

void PulsePlayer::OnUnderflow(pa_stream*, void* userdata) {
    auto* self = static_cast<PulsePlayer*>(userdata);
    QMetaObject::invokeMethod(
        self, [self] { self->Tick(); }, Qt::QueuedConnection);
}

void PulsePlayer::PostRequest() {
    // One request at a time, and a new one only after a block answered it.
    if (!requestAnswered_ || requestPosted_.exchange(true)) return;
    QMetaObject::invokeMethod(
        this,
        [this] {
            requestPosted_ = false;
            if (status_ != 1) return;
            requestAnswered_ = false;
            emit RequestOnLoadArray();
            if (status_ == 1) emit EndArrayPlay();
            // Nothing queued in answer: the source has ended. Let the player
            // ask again later only when a block comes.
        },
        Qt::QueuedConnection);
}

void PulsePlayer::QueueBlock(const Samples& block) {
    PulseConnection::Lock lock(conn_);
    requestAnswered_ = true;
    if (block.empty() || status_ != 1) return;
    pending_.insert(pending_.end(), block.begin(), block.end());
    queuedValues_ += static_cast<std::int64_t>(block.size());
    endAnnounced_ = false;
    history_.insert(history_.end(), block.begin(), block.end());
    // Keep about ten seconds behind what is queued.
    const std::size_t keep =
        static_cast<std::size_t>(rate_) * static_cast<std::size_t>(channels_) * 10;
    if (history_.size() > 2 * keep + block.size()) {
        const std::size_t drop = history_.size() - keep;
        history_.erase(history_.begin(), history_.begin() + static_cast<std::ptrdiff_t>(drop));
        historyStart_ += static_cast<std::int64_t>(drop);
    }
    if (stream_) {
        const std::size_t writable = pa_stream_writable_size(stream_);
        if (writable != static_cast<std::size_t>(-1) && writable > 0) WritePending(writable);
    }
}

long PulsePlayer::PlayedFrames() const {
    PulseConnection::Lock lock(conn_);
    if (!stream_) return lastPlayed_;
    pa_usec_t usec = 0;
    if (pa_stream_get_time(stream_, &usec) < 0) return lastPlayed_;
    const std::int64_t frames = static_cast<std::int64_t>(usec) * rate_ / 1000000;
    const std::int64_t written = writtenValues_ / channels_;
    lastPlayed_ = static_cast<long>(std::min(frames, written));
    return lastPlayed_;
}

long PulsePlayer::CurrentSamples() const {
    return status_ == 1 ? PlayedFrames() : lastPlayed_;
}

Samples PulsePlayer::LatestSamples(long n) const {
    if (n <= 0) return {};
    const std::int64_t playedValues = static_cast<std::int64_t>(CurrentSamples()) * channels_;
    PulseConnection::Lock lock(conn_);
    const std::int64_t end = std::clamp<std::int64_t>(playedValues - historyStart_, 0,
                                                      static_cast<std::int64_t>(history_.size()));
    const std::int64_t begin = std::max<std::int64_t>(0, end - n);
    return Samples(history_.begin() + static_cast<std::ptrdiff_t>(begin),
                   history_.begin() + static_cast<std::ptrdiff_t>(end));
}

void PulsePlayer::Tick() {
    if (status_ != 1) return;
    const long played = PlayedFrames();
    Samples recent = LatestSamples(MillisecondsToSamples(kTimerMs) * channels_);
    int peak[2] = {0, 0};
    for (std::size_t i = 0; i < recent.size(); ++i) {
        int& p = peak[channels_ > 1 ? i % 2 : 0];
        p = std::max(p, std::min(std::abs(static_cast<int>(recent[i])), 32767));
    }
    if (channels_ == 1) peak[1] = peak[0];
    emit Timer(played, peak[0], peak[1]);
    if (status_ != 1) return;

    bool dry = false, lost = false;
    std::int64_t written = 0;
    {
        PulseConnection::Lock lock(conn_);
        written = writtenValues_ / channels_;
        dry = pendingPos_ >= pending_.size() && queuedValues_ > 0;
        lost = stream_ && !PA_STREAM_IS_GOOD(pa_stream_get_state(stream_));
    }
    if (lost) {
        // The server went away: playback has ended, as a failure.
        timer_.stop();
        Disconnect();
        status_ = -1;
        if (!endAnnounced_) {
            endAnnounced_ = true;
            emit EndPlay();
        }
        return;
    }
    // Ran dry after the last queued block: everything written has been played
    // and the last request brought nothing.
    if (dry && !endAnnounced_ && played >= written && !requestPosted_) {
        endAnnounced_ = true;
        emit EndPlay();
    }
}

}  // namespace qsr::audio
