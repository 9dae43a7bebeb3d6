#pragma once

#include <pulse/pulseaudio.h>

#include <functional>

namespace qsr::audio {

// One connection to the sound server, served by its own PulseAudio thread.
// Every wait is bounded, so an absent or stuck server never hangs the caller.
class PulseConnection {
  public:
    static constexpr int kConnectTimeoutMs = 3000;
    static constexpr int kOperationTimeoutMs = 3000;

    PulseConnection();
    ~PulseConnection();
    PulseConnection(const PulseConnection&) = delete;
    PulseConnection& operator=(const PulseConnection&) = delete;

    // Connects when not connected (again after the server went away).
    bool EnsureConnected();
    bool Ready() const;  // lock held or not: reads the context state

    pa_threaded_mainloop* Mainloop() const { return mainloop_; }
    pa_context* Context() const { return context_; }

    // Lock held: waits until done() or the timeout or the context fails.
    bool WaitUntil(const std::function<bool()>& done, int timeoutMs = kOperationTimeoutMs);
    // Lock held: waits for an operation whose callback signals; unrefs it.
    bool Wait(pa_operation* op, int timeoutMs = kOperationTimeoutMs);
    void Signal() { pa_threaded_mainloop_signal(mainloop_, 0); }
    // Lock held: a new stream of interleaved signed 16-bit samples with the
    // default channel map; spec receives its sample spec. Null on failure.
    pa_stream* NewS16Stream(const char* name, int rate, int channels, pa_sample_spec& spec);
    // Lock held: waits until a newly connected stream is ready; false when it
    // failed or the wait timed out.
    bool WaitStreamReady(pa_stream* stream);
    // Lock held: clears every callback of the stream, disconnects and releases
    // it, and nulls the pointer; a null stream is left alone.
    static void ReleaseStream(pa_stream*& stream);

    // Callback for operations that only report success; signals the waiter.
    static void SuccessCallback(pa_context*, int success, void* userdata);

    class Lock {
      public:
        explicit Lock(const PulseConnection& c) : m_(c.mainloop_) {
            if (m_) pa_threaded_mainloop_lock(m_);
        }
        ~Lock() {
            if (m_) pa_threaded_mainloop_unlock(m_);
        }
        Lock(const Lock&) = delete;
        Lock& operator=(const Lock&) = delete;

      private:
        pa_threaded_mainloop* m_;
    };

  private:
    void Disconnect();  // lock held
    pa_threaded_mainloop* mainloop_ = nullptr;
    pa_context* context_ = nullptr;
};

}  // namespace qsr::audio
