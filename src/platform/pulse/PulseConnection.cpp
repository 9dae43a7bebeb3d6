#include "platform/pulse/PulseConnection.h"

#include <cstdint>

namespace qsr::audio {
namespace {

struct TimeoutFlag {
    bool fired = false;
    pa_threaded_mainloop* mainloop = nullptr;
};

void OnTimeout(pa_mainloop_api*, pa_time_event*, const struct timeval*, void* userdata) {
    auto* flag = static_cast<TimeoutFlag*>(userdata);
    flag->fired = true;
    pa_threaded_mainloop_signal(flag->mainloop, 0);
}

void OnContextState(pa_context*, void* userdata) {
    pa_threaded_mainloop_signal(static_cast<pa_threaded_mainloop*>(userdata), 0);
}

}  // namespace

PulseConnection::PulseConnection() {
    mainloop_ = pa_threaded_mainloop_new();
    if (mainloop_ && pa_threaded_mainloop_start(mainloop_) < 0) {
        pa_threaded_mainloop_free(mainloop_);
        mainloop_ = nullptr;
    }
}

PulseConnection::~PulseConnection() {
    if (!mainloop_) return;
    {
        Lock lock(*this);
        Disconnect();
    }
    pa_threaded_mainloop_stop(mainloop_);
    pa_threaded_mainloop_free(mainloop_);
}

void PulseConnection::Disconnect() {
    if (!context_) return;
    pa_context_set_state_callback(context_, nullptr, nullptr);
    pa_context_disconnect(context_);
    pa_context_unref(context_);
    context_ = nullptr;
}

bool PulseConnection::Ready() const {
    return context_ && pa_context_get_state(context_) == PA_CONTEXT_READY;
}

bool PulseConnection::EnsureConnected() {
    if (!mainloop_) return false;
    Lock lock(*this);
    if (Ready()) return true;
    Disconnect();
    context_ = pa_context_new(pa_threaded_mainloop_get_api(mainloop_), "Quorvin Sound Recorder");
    if (!context_) return false;
    pa_context_set_state_callback(context_, OnContextState, mainloop_);
    if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
        Disconnect();
        return false;
    }
    WaitUntil(
        [this] {
            const pa_context_state_t s = pa_context_get_state(context_);
            return s == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(s);
        },
        kConnectTimeoutMs);
    if (!Ready()) {
        Disconnect();
        return false;
    }
    return true;
}

pa_stream* PulseConnection::NewS16Stream(const char* name, int rate, int channels,
                                         pa_sample_spec& spec) {
    spec.format = PA_SAMPLE_S16LE;
    spec.rate = static_cast<std::uint32_t>(rate);
    spec.channels = static_cast<std::uint8_t>(channels);
    pa_channel_map map;
    pa_channel_map_init_auto(&map, spec.channels, PA_CHANNEL_MAP_DEFAULT);
    return pa_stream_new(context_, name, &spec, &map);
}

bool PulseConnection::WaitStreamReady(pa_stream* stream) {
    const bool settled = WaitUntil([stream] {
        const pa_stream_state_t s = pa_stream_get_state(stream);
        return s == PA_STREAM_READY || !PA_STREAM_IS_GOOD(s);
    });
    return settled && pa_stream_get_state(stream) == PA_STREAM_READY;
}

void PulseConnection::ReleaseStream(pa_stream*& stream) {
    if (!stream) return;
    pa_stream_set_read_callback(stream, nullptr, nullptr);
    pa_stream_set_write_callback(stream, nullptr, nullptr);
    pa_stream_set_state_callback(stream, nullptr, nullptr);
    pa_stream_set_underflow_callback(stream, nullptr, nullptr);
    pa_stream_disconnect(stream);
    pa_stream_unref(stream);
    stream = nullptr;
}

bool PulseConnection::WaitUntil(const std::function<bool()>& done, int timeoutMs) {
    TimeoutFlag flag;
    flag.mainloop = mainloop_;
    pa_mainloop_api* api = pa_threaded_mainloop_get_api(mainloop_);
    struct timeval tv;
    pa_gettimeofday(&tv);
    pa_timeval_add(&tv, static_cast<pa_usec_t>(timeoutMs) * 1000);
    pa_time_event* ev = api->time_new(api, &tv, OnTimeout, &flag);
    auto failed = [this] {
        return context_ && !PA_CONTEXT_IS_GOOD(pa_context_get_state(context_));
    };
    while (!done() && !flag.fired && !failed()) pa_threaded_mainloop_wait(mainloop_);
    api->time_free(ev);
    return done();
}

bool PulseConnection::Wait(pa_operation* op, int timeoutMs) {
    if (!op) return false;
    pa_operation_set_state_callback(
        op,
        [](pa_operation*, void* m) {
            pa_threaded_mainloop_signal(static_cast<pa_threaded_mainloop*>(m), 0);
        },
        mainloop_);
    const bool ok =
        WaitUntil([op] { return pa_operation_get_state(op) != PA_OPERATION_RUNNING; }, timeoutMs);
    if (!ok) pa_operation_cancel(op);
    pa_operation_unref(op);
    return ok;
}

void PulseConnection::SuccessCallback(pa_context*, int, void* userdata) {
    pa_threaded_mainloop_signal(static_cast<pa_threaded_mainloop*>(userdata), 0);
}

}  // namespace qsr::audio
