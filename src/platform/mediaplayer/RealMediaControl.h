#pragma once

#include <pulse/pulseaudio.h>

#include <QElapsedTimer>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/mediaplayer/MediaControl.h"

namespace qsr::audio {
class IAudioFile;
class PulseConnection;
namespace file {
class InputAdapter;
}
}  // namespace qsr::audio

namespace qsr::mediaplayer {

class CdReader;
class MidiReader;
class ReadAhead;

// Reads a file with the engine's file component as it plays (a MIDI file is
// rendered a few seconds ahead in a thread of its own), converts it to stereo 44.1 kHz and plays it
// through a PulseAudio stream; kCdAudio plays the whole audio CD in the drive, a
// ".cda" track file the track it names. Gain and balance
// are applied as the samples are written, so a change is heard within the
// short stream buffer.
// Pause corks the stream, which keeps the position; a seek starts a fresh
// stream at the new frame.
class RealMediaControl : public IMediaControl {
    Q_OBJECT
  public:
    static constexpr int kRate = 44100;
    static constexpr int kChannels = 2;
    // Long enough to ride out a busy machine, short enough for volume changes.
    static constexpr int kBufferMs = 500;
    static constexpr long kBlockFrames = 4096;  // read from the file at a time

    static constexpr const char* kCdAudio = "CDAUDIO:";
    // A CD is read this far ahead of what is played, by a worker of its own.
    static constexpr int kCdAheadSeconds = 3;

    // `cdDrive` is the drive (or CD image) kCdAudio reads; empty for the
    // one CdAudio::Open finds.
    explicit RealMediaControl(QObject* parent = nullptr, std::string cdDrive = {});
    ~RealMediaControl() override;

    bool SetFileName(const QString& path) override;
    QString FileName() const override { return fileName_; }
    QString LastError() const override { return lastError_; }
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
    // sound nearest the current position; 0 while nothing plays.
    static constexpr int kLevelWindowMs = 50;
    void CurrentLevels(float& left, float& right) const;

    // What opens the CD (drive, track); by default the CD module. Tests
    // put a disc of their own in the drive.
    using CdOpener = std::function<std::unique_ptr<CdReader>(const std::string&, int)>;
    void SetCdOpener(CdOpener opener) { cdOpener_ = std::move(opener); }

  private:
    static void OnWrite(pa_stream* s, size_t nbytes, void* userdata);
    static void OnDrained(pa_stream* s, int success, void* userdata);
    void Fill(std::int64_t frames);
    bool HasSound() const;
    void NotePeaks(const std::int16_t* written, std::int64_t frames);
    bool StartStream(std::int64_t frame, bool corked);
    void ReleaseStream();
    void Finished(unsigned generation);
    // The channel gains of the volume and balance, for the stream's callbacks.
    void UpdateGains();

    std::unique_ptr<audio::PulseConnection> conn_;
    pa_stream* stream_ = nullptr;
    QString fileName_;
    QString lastError_;
    // The reader is used by the UI thread while no stream runs, by the
    // stream's callbacks (under the mainloop lock) while one does.
    std::unique_ptr<audio::IAudioFile> file_;
    std::unique_ptr<audio::file::InputAdapter> adapter_;
    std::unique_ptr<MidiReader> midi_;  // a MIDI file, stereo at kRate
    std::unique_ptr<CdReader> cd_;      // while kCdAudio plays
    // Reads cd_ ahead in its worker: a drive spinning up or retrying never
    // holds the sound server's lock. Declared after cd_, so it stops first.
    std::unique_ptr<ReadAhead> cdFeed_;
    std::string cdDrive_;
    CdOpener cdOpener_;
    int fileRate_ = 0;
    std::int64_t totalFrames_ = 0;  // at kRate
    std::int64_t startFrame_ = 0;   // where the running stream began
    std::int64_t stoppedAt_ = 0;    // position while no stream runs
    bool paused_ = false;
    int volume_ = 0;
    int balance_ = 0;
    unsigned generation_ = 0;
    QElapsedTimer clock_;  // runs while the stream plays
    double clockBase_ = 0;

    // Guarded by the mainloop lock.
    std::vector<std::int16_t> ready_;  // converted, interleaved stereo
    std::int64_t readyAt_ = 0;         // frames of ready_ already written
    bool fileEnded_ = false;
    std::int64_t writtenTo_ = 0;  // stream frame after the last one written
    struct Peak {
        std::int64_t end;  // stream frame after the slice
        int left;
        int right;
    };
    std::deque<Peak> peaks_;
    double gainLeft_ = 1.0;
    double gainRight_ = 1.0;
    bool drainAsked_ = false;
};

}  // namespace qsr::mediaplayer
