#pragma once

#include <pulse/pulseaudio.h>

#include <QTimer>
#include <atomic>
#include <cstdint>

#include "platform/audio-api/AudioPlayer.h"
#include "platform/pulse/PulseConnection.h"

namespace qsr::audio {

// The player over the PulseAudio client API, playing into the default sink.
// Queued blocks wait in a growing buffer that the PulseAudio thread feeds to
// the server; when less than kLowWaterMs is left it asks for more with a
// queued event. Signals are emitted on the thread that owns the player.
class PulsePlayer : public IAudioPlayer {
    Q_OBJECT
  public:
    explicit PulsePlayer(QObject* parent = nullptr);
    ~PulsePlayer() override;

    void SetFormat(int rate, int channels) override;
    long MillisecondsToSamples(long ms) const override;
    long SamplesToMilliseconds(long samples) const override;
    int Start() override;
    void Stop() override;
    int Status() const override { return status_; }
    long CurrentSamples() const override;
    Samples LatestSamples(long n) const override;
    void QueueBlock(const Samples& block) override;

    static constexpr int kTimerMs = 50;
    static constexpr int kLowWaterMs = 500;

  private:
    static void OnWrite(pa_stream* s, size_t nbytes, void* userdata);
    static void OnStreamState(pa_stream* s, void* userdata);
    static void OnUnderflow(pa_stream* s, void* userdata);
    void WritePending(std::size_t maxBytes);  // mainloop lock held
    void PostRequest();                       // any thread
    void Tick();
    long PlayedFrames() const;
    void Disconnect();

    mutable PulseConnection conn_;
    pa_stream* stream_ = nullptr;
    int rate_ = 44100;
    int channels_ = 2;
    int status_ = 0;
    bool endAnnounced_ = false;
    mutable long lastPlayed_ = 0;

    // Guarded by the mainloop lock.
    Samples pending_;
    std::size_t pendingPos_ = 0;
    std::int64_t writtenValues_ = 0;
    std::int64_t queuedValues_ = 0;
    Samples history_;  // the last values queued, for LatestSamples
    std::int64_t historyStart_ = 0;

    std::atomic<bool> requestPosted_{false};
    std::atomic<bool> requestAnswered_{true};
    QTimer timer_;
};

}  // namespace qsr::audio
