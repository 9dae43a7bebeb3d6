#pragma once

#include <QObject>
#include <cstdint>
#include <string>

#include "recording/OutputNaming.h"

namespace qsr::audio {
class IAudioFile;
class IAudioRecorder;
}  // namespace qsr::audio
namespace qsr::services {
class IEventPump;
}

namespace qsr::recording {

// One recording at a time, from start to stop, over a recorder and a file
// component it does not own: creates the file, hands the encoder's format to
// the recorder, writes every finished block, reports progress and lists
// nothing itself. The main window, quorvin-cli and the scheduler drive it;
// windows are views of its signals.
//
// - Start finishes a running recording first (its Finished comes before the
//   new Started).
// - A start that fails (the file cannot be created, the recorder does not
//   start) leaves nothing running, removes the file that start created (an
//   existing file it did not touch is kept), emits Failed and returns false.
// - Stop still writes the last, partial block and reports the final progress
//   before the file is closed, so the recording's length is the real one.
class RecordingSession : public QObject {
    Q_OBJECT
  public:
    explicit RecordingSession(services::IEventPump* pump = nullptr, QObject* parent = nullptr);
    ~RecordingSession() override;

    // The components; null detaches (a running recording is then abandoned,
    // as at shut-down after its stop).
    void Attach(audio::IAudioRecorder* recorder, audio::IAudioFile* file);
    audio::IAudioRecorder* Recorder() const { return recorder_; }
    audio::IAudioFile* File() const { return file_; }

    bool Start(const std::string& path);
    // Start into the path the naming rules give.
    bool StartNamed(const OutputNaming& naming);
    // False when no recording runs.
    bool Stop();

    // The main window's `flgRecord`: a recording runs and is not stopping.
    bool IsRecording() const { return state_ == State::Recording; }
    bool IsStopping() const { return state_ == State::Stopping; }
    // The current (or last) recording's file, also after a failed start.
    const std::string& Path() const { return path_; }
    // Why the last start failed.
    const std::string& LastError() const { return lastError_; }
    // Recorded samples (frames) and time as last reported.
    long Samples() const { return samples_; }
    std::int64_t ElapsedMilliseconds() const;
    // A block of the current (or last) recording could not be written.
    bool WriteFailed() const { return writeFailed_; }

  signals:
    void Started(const std::string& path, const std::string& description);
    void Progress(long samples, int levelLeft, int levelRight);
    void Finished(const std::string& path, std::int64_t elapsedMilliseconds);
    void Failed(const std::string& path, const std::string& reason);

  private:
    enum class State { Idle, Recording, Stopping };

    void AudioRecord_EndArrayRecord(long nBlock);
    void AudioRecord_Timer(long CurrentSamples, int LevelLeft, int LevelRight);
    bool Fail(const std::string& reason, bool removeFile);

    services::IEventPump* pump_;
    audio::IAudioRecorder* recorder_ = nullptr;
    audio::IAudioFile* file_ = nullptr;
    State state_ = State::Idle;
    std::string path_;
    std::string lastError_;
    long samples_ = 0;
    bool writeFailed_ = false;
};

}  // namespace qsr::recording
