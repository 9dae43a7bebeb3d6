#pragma once

#include <QObject>
#include <cstdint>
#include <functional>
#include <string>

#include "platform/audio-api/AudioTypes.h"
#include "recording/OutputNaming.h"
#include "recording/RecordedFileWatch.h"
#include "recording/SoundTrigger.h"
#include "recording/SplitRule.h"

namespace qsr::audio {
class IAudioFile;
class IAudioRecorder;
}  // namespace qsr::audio
namespace qsr::services {
class IEventPump;
}

namespace qsr::recording {

class RecoveryJournal;

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
// - The first block that cannot be written (disk full, a removed stick, a
//   file-size limit) ends the recording: the file is finished so what was
//   written plays, Finished lists it, and WriteFailed says why. A finish that
//   fails (headers, trailers) is reported the same way.
// - With a frame limit, exactly that many frames are written; the recording
//   then stops by itself.
// - A file another program replaces or deletes under the recording (checked
//   after every block) ends it as a failed write does, with
//   kFileReplacedReason; what was recorded is copied beside the path, and
//   Finished lists that copy.
// - With a journal, a start into a file another recording of ours writes is
//   refused.
// - A recorder that ends by itself (the device or the sound server went
//   away) stops the recording at once: the file is finished with what was
//   captured, Finished lists it, and DeviceLost follows.
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
    // Why a block (or the finish) of the current or last recording failed;
    // empty when none did.
    const std::string& WriteError() const { return writeError_; }
    // The current (or last) recording ended because the device was lost.
    bool DeviceWasLost() const { return deviceLost_; }
    // Frames written into the current (or last) file.
    std::int64_t FramesWritten() const { return framesWritten_; }
    // While a recording runs, the journal names it (so a crash does not lose
    // it); null = no journal.
    void SetJournal(RecoveryJournal* journal) { journal_ = journal; }
    // Where what was recorded went when the file was replaced (empty otherwise).
    const std::string& KeptPath() const { return keptPath_; }
    // Stop by itself after this many frames (0 = no limit); counts from the
    // next block on, so it may be set right after Start.
    void SetFrameLimit(std::int64_t frames) { frameLimit_ = frames; }
    // Pieces: at each cut the file is finished after its last frame and the
    // next, named by `nextPath`, starts with the following frame, so the
    // pieces joined are the whole recording. StartNamed names the pieces
    // itself by the naming rules; Start needs `nextPath`. Kept for later
    // recordings until set again.
    void SetSplit(SplitRule rule, std::function<std::string()> nextPath = {});
    // Start on sound, stop or pause on silence, from the next Start on (all
    // off: every block is written). A stop on silence ends the recording as
    // Stop does.
    void SetTrigger(const TriggerSettings& trigger) { trigger_ = trigger; }
    const TriggerSettings& Trigger() const { return trigger_; }
    // Armed and waiting for the sound that starts the file.
    bool WaitingForSound() const { return IsRecording() && trigger_.Any() && gate_.Waiting(); }

  signals:
    void Started(const std::string& path, const std::string& description);
    void Progress(long samples, int levelLeft, int levelRight);
    void Finished(const std::string& path, std::int64_t elapsedMilliseconds);
    void Failed(const std::string& path, const std::string& reason);
    // After Finished: the recording was cut short or its file not finished.
    void WriteFailed(const std::string& path, const std::string& reason);
    // After Finished: the recording device or the sound server went away.
    void DeviceLost(const std::string& path);
    // A piece was finished and the recording goes on in the next one (the
    // last piece ends with Finished); its own length.
    void PieceFinished(const std::string& path, std::int64_t elapsedMilliseconds);
    // The armed recording starts writing (false) or waits for sound (true).
    void WaitingChanged(bool waiting);

  private:
    enum class State { Idle, Recording, Stopping };

    void AudioRecord_EndArrayRecord(long nBlock);
    void AudioRecord_Timer(long CurrentSamples, int LevelLeft, int LevelRight);
    bool Fail(const std::string& reason, bool removeFile);
    void StopSoon();
    void NoteRecorderEnd();
    // Writes frames [from, from + count) of the block, cutting pieces as the
    // split rule says; false once a write failed.
    bool WriteSplit(const audio::Samples& block, std::int64_t count, int channels);
    bool NextPiece();
    void Write(audio::Samples block);

    services::IEventPump* pump_;
    audio::IAudioRecorder* recorder_ = nullptr;
    audio::IAudioFile* file_ = nullptr;
    State state_ = State::Idle;
    std::string path_;
    std::string lastError_;
    long samples_ = 0;
    std::string writeError_;
    std::int64_t framesWritten_ = 0;
    std::int64_t frameLimit_ = 0;
    bool stopRequested_ = false;
    bool deviceLost_ = false;
    RecoveryJournal* journal_ = nullptr;
    RecordedFileWatch watch_;
    std::string keptPath_;
    SplitRule split_;
    std::function<std::string()> nextPath_;
    std::function<std::string()> namedPieces_;  // StartNamed's naming, when it started
    std::int64_t pieceFrames_ = 0;              // frames in the current piece
    std::int64_t pieceStartFrame_ = 0;          // where the current piece began
    bool pieceFull_ = false;
    TriggerSettings trigger_;
    TriggerGate gate_;
};

// What the user is told when a recording ends because its device went away.
std::string DeviceLostMessage(const std::string& path);

}  // namespace qsr::recording
