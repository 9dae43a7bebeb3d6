#pragma once

#include <pulse/pulseaudio.h>

#include <QElapsedTimer>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/mediaplayer/MediaControl.h"

namespace qsr::audio {
class PulseConnection;
}

namespace qsr::mediaplayer {

// Decodes a whole file with FFmpeg into stereo 44.1 kHz samples, then plays
// them through a PulseAudio stream. Gain and balance are applied as the
// samples are written, so a change is heard within the short stream buffer.
// Pause corks the stream, which keeps the position; a seek starts a fresh
// stream at the new frame.
class RealMediaControl : public IMediaControl {
    Q_OBJECT
  public:
    static constexpr int kRate = 44100;
    static constexpr int kChannels = 2;
    // Long enough to ride out a busy machine, short enough for volume changes.
    static constexpr int kBufferMs = 500;

    explicit RealMediaControl(QObject* parent = nullptr);
    ~RealMediaControl() override;

    bool SetFileName(const QString& path) override;
    QString FileName() const override { return fileName_; }
    void Play() override;
    void Pause() override;
    void Stop() override;
    double CurrentPosition() const override;
    void SetCurrentPosition(double seconds) override;
    double Duration() const override;
    int Volume() const override { return volume_; }
    bool SetVolume(int volume) override;
    int Balance() const override { return balance_; }
    bool SetBalance(int balance) override;
    bool Playing() const override { return stream_ != nullptr && !paused_; }
    bool Paused() const override { return paused_; }

    // Peak levels 0..1 (after volume and balance) of the kLevelWindowMs of
    // sound before the current position; 0 while nothing plays.
    static constexpr int kLevelWindowMs = 50;
    void CurrentLevels(float& left, float& right) const;

  private:
    static void OnWrite(pa_stream* s, size_t nbytes, void* userdata);
    static void OnDrained(pa_stream* s, int success, void* userdata);
    bool StartStream(std::int64_t frame, bool corked);
    void ReleaseStream();
    void Finished(unsigned generation);

    std::unique_ptr<audio::PulseConnection> conn_;
    pa_stream* stream_ = nullptr;
    QString fileName_;
    std::vector<std::int16_t> samples_;  // interleaved stereo
    std::int64_t startFrame_ = 0;        // where the running stream began
    std::int64_t stoppedAt_ = 0;         // position while no stream runs
    bool paused_ = false;
    int volume_ = 0;
    int balance_ = 0;
    unsigned generation_ = 0;
    QElapsedTimer clock_;  // runs while the stream plays
    double clockBase_ = 0;

    // Guarded by the mainloop lock.
    std::int64_t writeFrame_ = 0;
    double gainLeft_ = 1.0;
    double gainRight_ = 1.0;
    bool drainAsked_ = false;
};

}  // namespace qsr::mediaplayer
