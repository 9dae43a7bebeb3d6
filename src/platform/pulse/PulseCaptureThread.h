#pragma once

#include <pulse/pulseaudio.h>

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <thread>

#include "platform/pulse/PulseCapture.h"

namespace qsr::audio {

// One capture stream on a connection of its own, served by a thread of its
// own that collects what the server sent a few times a second instead of
// waking for every message (a source of low latency sends fifty and more a
// second). The data waits meanwhile in the server's queue and the socket;
// the thread never waits for the owner, so a busy owner loses nothing: every
// sample goes into the growing buffer.
class PulseCaptureThread {
  public:
    // How long the thread lets the server's messages gather between reads.
    // Each read that brought samples tells the owner once, so the owner's
    // progress follows the reads: a timer of its own at the same pace would
    // drift against them and now and then find nothing new.
    static constexpr int kBatchMs = 200;
    static constexpr int kTimeoutMs = 3000;

    // `failed` runs on the capture thread once the stream or the server went
    // away; what was read before is in `buffer`. `arrived` runs on the
    // capture thread after each read that appended samples to `buffer`.
    PulseCaptureThread(CaptureBuffer& buffer, std::function<void()> failed,
                       std::function<void()> arrived = {});
    ~PulseCaptureThread();
    PulseCaptureThread(const PulseCaptureThread&) = delete;
    PulseCaptureThread& operator=(const PulseCaptureThread&) = delete;

    // Records `source` (one sink input of its sink when `monitorOf` names
    // one) as interleaved signed 16-bit samples; false when the stream could
    // not be opened within the timeouts. Closes a stream open before.
    // `timed`: the buffer is stamped after each read with when its newest
    // sample was captured (the server's timing info, kept current).
    bool Open(const std::string& source, std::uint32_t monitorOf, int rate, int channels,
              int fragmentMs, bool timed = false);
    // Reads on until what the source captured before the call has arrived,
    // for at most the time that can take.
    void Drain();
    void Close();

  private:
    enum class State { Opening, Ready, Failed };
    void Run(std::string source, std::uint32_t monitorOf, int rate, int channels, int fragmentMs);
    pa_stream_flags_t Flags() const;
    bool Connect(const std::string& source, std::uint32_t monitorOf, int rate, int channels,
                 int fragmentMs);
    // Polls and dispatches until done() or the deadline; reads after each pass.
    bool SpinUntil(const std::function<bool()>& done, int timeoutMs);
    void Iterate(int timeoutMs);  // one poll of at most timeoutMs, then dispatch
    void ReadAll();
    void StampNewest();
    void DrainNow();
    bool Broken() const;
    void Settle(State s);
    void Release();

    CaptureBuffer& buffer_;
    std::function<void()> failed_;
    std::function<void()> arrived_;
    std::thread worker_;

    // The thread's own.
    pa_mainloop* mainloop_ = nullptr;
    pa_context* context_ = nullptr;
    pa_stream* stream_ = nullptr;
    std::int64_t readBytes_ = 0;  // taken from the stream, holes included
    bool timed_ = false;
    // Kept by the state callbacks: asking the library for a state costs a
    // system call each time, and the loop looks after every read.
    bool contextGood_ = false;
    bool streamGood_ = false;

    std::mutex mutex_;
    std::condition_variable changed_;
    State state_ = State::Opening;
    bool quit_ = false;
    bool drainRequested_ = false;
    bool drained_ = false;
};

}  // namespace qsr::audio
