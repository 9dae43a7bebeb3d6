#include "platform/pulse/PulseCaptureThread.h"

#include <algorithm>
#include <chrono>

namespace qsr::audio {
namespace {

using Clock = std::chrono::steady_clock;

}  // namespace

PulseCaptureThread::PulseCaptureThread(CaptureBuffer& buffer, std::function<void()> failed,
                                       std::function<void()> arrived)
    : buffer_(buffer), failed_(std::move(failed)), arrived_(std::move(arrived)) {}

PulseCaptureThread::~PulseCaptureThread() {
    Close();
}

bool PulseCaptureThread::Open(const std::string& source, std::uint32_t monitorOf, int rate,
                              int channels, int fragmentMs, bool timed) {
    Close();
    timed_ = timed;
    {
        std::lock_guard lock(mutex_);
        state_ = State::Opening;
        quit_ = drainRequested_ = drained_ = false;
    }
    worker_ =
        std::thread(&PulseCaptureThread::Run, this, source, monitorOf, rate, channels, fragmentMs);
    // The thread bounds every wait of its own, so this one ends.
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return state_ != State::Opening; });
    const bool ready = state_ == State::Ready;
    lock.unlock();
    if (!ready) Close();
    return ready;
}

void PulseCaptureThread::Drain() {
    if (!worker_.joinable()) return;
    std::unique_lock lock(mutex_);
    if (state_ != State::Ready) return;
    drainRequested_ = true;
    changed_.notify_all();
    changed_.wait(lock, [this] { return drained_ || state_ != State::Ready; });
}

void PulseCaptureThread::Close() {
    if (!worker_.joinable()) return;
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
    }
    changed_.notify_all();
    worker_.join();
}

void PulseCaptureThread::Settle(State s) {
    {
        std::lock_guard lock(mutex_);
        state_ = s;
    }
    changed_.notify_all();
}

void PulseCaptureThread::Run(std::string source, std::uint32_t monitorOf, int rate, int channels,
                             int fragmentMs) {
    if (!Connect(source, monitorOf, rate, channels, fragmentMs)) {
        Release();
        Settle(State::Failed);
        return;
    }
    Settle(State::Ready);
    for (;;) {
        // Let the server's messages gather, then take all of them at once.
        bool drain = false;
        {
            std::unique_lock lock(mutex_);
            changed_.wait_for(lock, std::chrono::milliseconds(kBatchMs),
                              [this] { return quit_ || drainRequested_; });
            if (quit_) break;
            drain = drainRequested_;
        }
        const std::int64_t before = readBytes_;
        Iterate(0);
        ReadAll();
        if (timed_) StampNewest();
        if (readBytes_ != before && arrived_) arrived_();
        if (drain) {
            DrainNow();
            {
                std::lock_guard lock(mutex_);
                drainRequested_ = false;
                drained_ = true;
            }
            changed_.notify_all();
        }
        if (Broken()) {
            ReadAll();
            Settle(State::Failed);
            if (failed_) failed_();
            // Stays until closed, so the owner reads the state it saw.
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [this] { return quit_; });
            break;
        }
    }
    Release();
}

bool PulseCaptureThread::Connect(const std::string& source, std::uint32_t monitorOf, int rate,
                                 int channels, int fragmentMs) {
    mainloop_ = pa_mainloop_new();
    if (!mainloop_) return false;
    context_ = pa_context_new(pa_mainloop_get_api(mainloop_), "Quorvin Sound Recorder");
    if (!context_) return false;
    contextGood_ = true;
    pa_context_set_state_callback(
        context_,
        [](pa_context* c, void* u) {
            static_cast<PulseCaptureThread*>(u)->contextGood_ =
                PA_CONTEXT_IS_GOOD(pa_context_get_state(c));
        },
        this);
    if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) return false;
    SpinUntil(
        [this] {
            const pa_context_state_t s = pa_context_get_state(context_);
            return s == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(s);
        },
        kTimeoutMs);
    if (pa_context_get_state(context_) != PA_CONTEXT_READY) return false;

    pa_sample_spec ss;
    ss.format = PA_SAMPLE_S16LE;
    ss.rate = static_cast<std::uint32_t>(rate);
    ss.channels = static_cast<std::uint8_t>(channels);
    pa_channel_map map;
    pa_channel_map_init_auto(&map, ss.channels, PA_CHANNEL_MAP_DEFAULT);
    stream_ = pa_stream_new(context_, "Recording", &ss, &map);
    if (!stream_) return false;
    streamGood_ = true;
    pa_stream_set_state_callback(
        stream_,
        [](pa_stream* s, void* u) {
            static_cast<PulseCaptureThread*>(u)->streamGood_ =
                PA_STREAM_IS_GOOD(pa_stream_get_state(s));
        },
        this);
    pa_stream_set_overflow_callback(
        stream_, [](pa_stream*, void* u) { static_cast<CaptureBuffer*>(u)->NoteOverflow(); },
        &buffer_);
    // Read as each message is dispatched, so nothing is left in the stream
    // should a later message of the same batch end it.
    pa_stream_set_read_callback(
        stream_,
        [](pa_stream*, size_t, void* u) { static_cast<PulseCaptureThread*>(u)->ReadAll(); }, this);
    if (monitorOf != PA_INVALID_INDEX) pa_stream_set_monitor_stream(stream_, monitorOf);

    // Fragments of fragmentMs when the source allows: rare enough to keep
    // the server's work small.
    pa_buffer_attr attr;
    attr.maxlength = static_cast<std::uint32_t>(-1);
    attr.tlength = attr.prebuf = attr.minreq = static_cast<std::uint32_t>(-1);
    attr.fragsize =
        static_cast<std::uint32_t>(pa_usec_to_bytes(fragmentMs * PA_USEC_PER_MSEC, &ss));
    // Not moved elsewhere should the source go away: the capture then fails.
    if (pa_stream_connect_record(stream_, source.c_str(), &attr, Flags()) < 0) return false;
    SpinUntil(
        [this] {
            const pa_stream_state_t s = pa_stream_get_state(stream_);
            return s == PA_STREAM_READY || !PA_STREAM_IS_GOOD(s);
        },
        kTimeoutMs);
    return pa_stream_get_state(stream_) == PA_STREAM_READY;
}

void PulseCaptureThread::Iterate(int timeoutMs) {
    // Everything that is ready, then once more for what that dispatch made
    // ready (a packet read in pieces), without waiting.
    for (int pass = 0; pass < 64; ++pass) {
        if (pa_mainloop_prepare(mainloop_, pass == 0 ? timeoutMs * 1000 : 0) < 0) return;
        if (pa_mainloop_poll(mainloop_) < 0) return;
        if (pa_mainloop_dispatch(mainloop_) <= 0) return;
    }
}

bool PulseCaptureThread::SpinUntil(const std::function<bool()>& done, int timeoutMs) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    while (!done()) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) return false;
        Iterate(static_cast<int>(std::min<long long>(left.count(), 20)));
        if (stream_ && pa_stream_get_state(stream_) == PA_STREAM_READY) ReadAll();
    }
    return true;
}

// A peek says both whether anything is there and what: one call to the
// library (and its system call) per fragment, and one more to end.
void PulseCaptureThread::ReadAll() {
    if (!stream_) return;
    for (;;) {
        const void* data = nullptr;
        size_t bytes = 0;
        // Refused (nothing read) unless the stream is ready.
        if (pa_stream_peek(stream_, &data, &bytes) < 0 || bytes == 0) break;
        if (data)
            buffer_.Append(static_cast<const std::int16_t*>(data), bytes / sizeof(std::int16_t));
        else
            buffer_.AppendHole(bytes / sizeof(std::int16_t));
        pa_stream_drop(stream_);
        readBytes_ += static_cast<std::int64_t>(bytes);
    }
}

pa_stream_flags_t PulseCaptureThread::Flags() const {
    unsigned flags = PA_STREAM_ADJUST_LATENCY | PA_STREAM_DONT_MOVE;
    if (timed_) flags |= PA_STREAM_INTERPOLATE_TIMING;
    return static_cast<pa_stream_flags_t>(flags);
}

// The newest sample read was captured `latency` ago, by the server's
// timing info (interpolated since its last update), whenever the batch
// happened to be read.
void PulseCaptureThread::StampNewest() {
    if (!stream_ || pa_stream_get_state(stream_) != PA_STREAM_READY) return;
    // A fresh snapshot after every read: each is off by where the source
    // stood in its own period then, and those errors average out; the
    // server's automatic updates come at a steady pace, and their errors
    // stay alike for seconds, which looks like drift.
    if (pa_operation* op = pa_stream_update_timing_info(stream_, nullptr, nullptr)) {
        const bool done =
            SpinUntil([op] { return pa_operation_get_state(op) != PA_OPERATION_RUNNING; }, 100);
        if (!done) pa_operation_cancel(op);
        pa_operation_unref(op);
    }
    const pa_timing_info* t = pa_stream_get_timing_info(stream_);
    const pa_sample_spec* ss = pa_stream_get_sample_spec(stream_);
    if (!t || !ss || t->write_index_corrupt) return;
    // The server's write index at the snapshot was captured source_usec
    // before it (in the device still); what we have read is that far on.
    // A monitor's playback latency is left out: it is played, not heard,
    // that much later, and the same for every source of the take.
    const auto wallNow = std::chrono::duration_cast<std::chrono::microseconds>(
                             std::chrono::system_clock::now().time_since_epoch())
                             .count();
    const auto monoNow =
        std::chrono::duration_cast<std::chrono::microseconds>(Clock::now().time_since_epoch())
            .count();
    const std::int64_t snapshot =
        monoNow - (wallNow - (static_cast<std::int64_t>(t->timestamp.tv_sec) * 1000000 +
                              t->timestamp.tv_usec));
    const auto usecOf = [ss](std::int64_t bytes) {
        return static_cast<std::int64_t>(
            pa_bytes_to_usec(static_cast<std::uint64_t>(std::max<std::int64_t>(0, bytes)), ss));
    };
    const std::int64_t capturedAtW = snapshot + static_cast<std::int64_t>(t->transport_usec) -
                                     static_cast<std::int64_t>(t->source_usec);
    const std::int64_t newest = capturedAtW + usecOf(readBytes_) - usecOf(t->write_index);
    buffer_.SetStamp(newest * 1000);
}

bool PulseCaptureThread::Broken() const {
    return !contextGood_ || !streamGood_;
}

// What the source captured before the stop is still on its way: in the
// device's buffer, in the server's queue and in transit. Read on until all
// of it has arrived, for at most the time it can take.
void PulseCaptureThread::DrainNow() {
    if (Broken()) return;
    pa_operation* op = pa_stream_update_timing_info(stream_, nullptr, nullptr);
    if (!op) return;
    const bool updated =
        SpinUntil([op] { return pa_operation_get_state(op) != PA_OPERATION_RUNNING; }, kTimeoutMs);
    if (!updated) pa_operation_cancel(op);
    pa_operation_unref(op);
    if (!updated || Broken()) return;
    const pa_timing_info* t = pa_stream_get_timing_info(stream_);
    const pa_sample_spec* ss = pa_stream_get_sample_spec(stream_);
    const pa_buffer_attr* attr = pa_stream_get_buffer_attr(stream_);
    if (!t || !ss || t->write_index_corrupt) return;
    const std::int64_t target =
        t->write_index + static_cast<std::int64_t>(pa_usec_to_bytes(t->source_usec, ss));
    const pa_usec_t fragment = attr ? pa_bytes_to_usec(attr->fragsize, ss) : 0;
    const pa_usec_t latency = t->source_usec + t->transport_usec + 2 * fragment;
    const int timeoutMs =
        static_cast<int>(std::min<pa_usec_t>(latency / PA_USEC_PER_MSEC + 100, kTimeoutMs));
    SpinUntil([this, target] { return readBytes_ >= target || Broken(); }, timeoutMs);
}

void PulseCaptureThread::Release() {
    if (stream_) {
        pa_stream_set_state_callback(stream_, nullptr, nullptr);
        pa_stream_set_read_callback(stream_, nullptr, nullptr);
        pa_stream_set_overflow_callback(stream_, nullptr, nullptr);
        pa_stream_disconnect(stream_);
        pa_stream_unref(stream_);
        stream_ = nullptr;
    }
    if (context_) {
        pa_context_set_state_callback(context_, nullptr, nullptr);
        pa_context_disconnect(context_);
        pa_context_unref(context_);
        context_ = nullptr;
    }
    if (mainloop_) {
        pa_mainloop_free(mainloop_);
        mainloop_ = nullptr;
    }
    readBytes_ = 0;
}

}  // namespace qsr::audio
