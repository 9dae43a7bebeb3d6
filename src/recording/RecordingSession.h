#pragma once

#include <QObject>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "core/Markers.h"
#include "platform/audio-api/AudioTypes.h"
#include "recording/MarkerTrack.h"
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
// - A start or an exit asked for while a stop lets events run is kept and
//   handed back (AfterStop) once the stopped file is listed; an exit wins over
//   a start, and after an exit no recording starts again.
class RecordingSession : public QObject {
    Q_OBJECT
  public:
    // The take's life. Every change goes through one table (Next); an event a
    // state does not take is refused there. "Running" is WaitingForSound,
    // Recording or PausedBySilence.
    //
    //   Idle --Started--> Recording --Armed--> WaitingForSound --SoundCame--> Recording
    //   Recording --SilenceBegan--> PausedBySilence --SoundResumed--> Recording
    //   running --Stop--> Stopping --Finished--> Idle
    //   running --DeviceLost / WriteFailed / LimitReached--> Stop, from the event loop
    //   Stopping --Start--> StoppingThenStart --Finished--> Idle, Start handed back
    //   (ScheduledStart alike; the latest start asked for is the one kept)
    //   Stopping, StoppingThen*Start --Exit--> StoppingThenExit --Finished--> ExitWaiting,
    //     Exit handed back
    //   Idle, ExitWaiting --Exit--> Exited; running --Exit--> ExitStopping --Finished--> Exited
    //   Start in Idle or running is taken (the start finishes a running take
    //   itself); in every other state it is refused or kept as above.
    enum class State {
        Idle,               // no take; a start may begin one
        WaitingForSound,    // armed: the file is open, nothing written until the level rises
        Recording,          // blocks are written
        PausedBySilence,    // pause on silence leaves the quiet out
        Stopping,           // the last block is written and the file finished
        StoppingThenStart,  // ... and a start the user asked for follows
        StoppingThenScheduledStart,  // ... and the schedule's start follows
        StoppingThenExit,            // ... and the exit follows
        ExitWaiting,                 // the stop is over, the kept exit follows: nothing starts
        ExitStopping,                // the exit stops the running take
        Exited,                      // the program shuts down: no take starts again
    };
    enum class Event {
        Start,           // the user (or a front) asks for a start
        ScheduledStart,  // the schedule's clock asks for a start
        Started,         // the file is created and the device runs
        Armed,           // the start waits for sound
        SoundCame,       // the level rose: writing begins
        SilenceBegan,    // pause on silence holds the quiet back
        SoundResumed,    // the level came back
        PieceFull,       // a split cut: the next frame opens the next piece
        Stop,            // a stop is asked for
        DeviceLost,      // the recorder ended by itself
        WriteFailed,     // a block or a finish could not be written
        LimitReached,    // the frame limit, or the silence that stops the take
        Finished,        // the file is finished
        Exit,            // the program shuts down
        Detach,          // the components go away
    };
    enum class Effect {
        Refused,   // not taken in this state: nothing changes
        Go,        // taken: the state becomes `to`
        StopSoon,  // taken: the take stops once control is back in the event loop
        Kept,      // kept until the stop has listed its file
        Replay,    // the stop is done: the kept request is handed back (AfterStop)
    };
    struct Step {
        State to;
        Effect effect;
        Event replay = Event::Start;  // what Replay hands back
    };
    // The table: what `event` does in `state`.
    static Step Next(State state, Event event);

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
    // False when no recording runs (also while one is stopping).
    bool Stop();
    // A front's start request (Event::Start or Event::ScheduledStart): true
    // when it may start now (a running take is stopped by the start itself);
    // false when it is kept for after the stop in progress or refused because
    // the program shuts down.
    bool RequestStart(Event request);
    // The program shuts down: true when the exit goes on now (the running
    // take, if any, is stopped and listed first); false when it is kept for
    // after the stop in progress, or an exit already ran.
    bool Exit();

    State CurrentState() const { return state_; }
    // The main window's `flgRecord`: a recording runs and is not stopping.
    bool IsRecording() const;
    bool IsStopping() const;
    // An exit was asked for and taken: nothing starts again.
    bool ShuttingDown() const;
    // The current (or last) recording's file, also after a failed start.
    const std::string& Path() const { return take_.path; }
    // Why the last start failed.
    const std::string& LastError() const { return take_.lastError; }
    // Recorded samples (frames) and time as last reported.
    long Samples() const { return take_.samples; }
    std::int64_t ElapsedMilliseconds() const;
    // Why a block (or the finish) of the current or last recording failed;
    // empty when none did.
    const std::string& WriteError() const { return take_.writeError; }
    // The current (or last) recording ended because the device was lost.
    bool DeviceWasLost() const { return take_.deviceLost; }
    // Frames written into the current (or last) file.
    std::int64_t FramesWritten() const { return take_.framesWritten; }
    // While a recording runs, the journal names it (so a crash does not lose
    // it); null = no journal.
    void SetJournal(RecoveryJournal* journal) { journal_ = journal; }
    // Where what was recorded went when the file was replaced (empty otherwise).
    const std::string& KeptPath() const { return take_.keptPath; }
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
    bool WaitingForSound() const { return state_ == State::WaitingForSound; }

    // Markers. One is set at the moment of the call (what has been captured
    // so far) and lands on that sample of the file; an empty label becomes
    // "Marker N". Its number for RenameMarker; 0 when no take runs. The
    // journal lists each one as soon as its place in the file is known; each
    // file (each piece) gets its own markers, positions relative to it, once
    // it is finished, through the store. A take without markers never calls
    // the store: its files are as they would be without this.
    using MarkerStore =
        std::function<bool(const std::string& path, int rate,
                           const std::vector<core::Marker>& markers, std::string* error)>;
    void SetMarkerStore(MarkerStore store) { markerStore_ = std::move(store); }
    int AddMarker(const std::string& label = {});
    // The same for a moment `ageMs` ago (a request that took that long to
    // arrive); never before the take's start.
    int AddMarkerAgo(std::int64_t ageMs, const std::string& label);
    bool RenameMarker(int number, const std::string& label);
    // The markers of the current (or last) file placed so far, in its frames.
    std::vector<core::Marker> Markers() const;
    std::size_t MarkerCount() const { return take_.markers.Count(); }
    // The steady clock in milliseconds that times the progress reports and
    // the markers (tests hand in their own).
    void SetClock(std::function<std::int64_t()> steadyMs) { clock_ = std::move(steadyMs); }

  signals:
    void Started(const std::string& path, const std::string& description);
    void Progress(long samples, int levelLeft, int levelRight);
    void Finished(const std::string& path, std::int64_t elapsedMilliseconds);
    void Failed(const std::string& path, const std::string& reason);
    // After Finished: the recording was cut short or its file not finished.
    void WriteFailed(const std::string& path, const std::string& reason);
    // The markers of a finished file could not be written into it (the
    // recording itself is whole); why.
    void MarkersNotStored(const std::string& path, const std::string& reason);
    // A finished file holds `count` markers now.
    void MarkersStored(const std::string& path, std::size_t count);
    // A marker was set (its number and label).
    void MarkerAdded(int number, const std::string& label);
    // After Finished: the recording device or the sound server went away.
    void DeviceLost(const std::string& path);
    // A piece was finished and the recording goes on in the next one (the
    // last piece ends with Finished); its own length.
    void PieceFinished(const std::string& path, std::int64_t elapsedMilliseconds);
    // The armed recording starts writing (false) or waits for sound (true).
    void WaitingChanged(bool waiting);
    // From the event loop after a stop: the request (Start, ScheduledStart or
    // Exit) that arrived while it ran; ask for it again.
    void AfterStop(Event request);

  private:
    // What one take changes; a start resets it in one assignment.
    struct Take {
        std::uint64_t serial = 0;  // tells a late queued stop from the next take's
        std::string path;
        std::string lastError;
        long samples = 0;
        std::string writeError;
        std::int64_t framesWritten = 0;
        std::string keptPath;
        bool deviceLost = false;                   // how it ended, for DeviceWasLost
        std::function<std::string()> namedPieces;  // StartNamed's naming, when it started
        std::int64_t pieceFrames = 0;              // frames in the current piece
        std::int64_t pieceStartFrame = 0;          // where the current piece began
        bool pieceFull = false;                    // the next frame opens the next piece
        std::int64_t captured = 0;                 // frames the recorder handed over
        MarkerTrack markers;
        CaptureClock pace;
    };

    // Applies the table's step for `event`; its effect.
    Effect Transit(Event event);
    // The file is open: blocks and progress still count.
    bool FileOpen() const;
    void AudioRecord_EndArrayRecord(long nBlock);
    void AudioRecord_Timer(long CurrentSamples, int LevelLeft, int LevelRight);
    bool Fail(const std::string& reason, bool removeFile);
    // The stop itself, once the state says it runs.
    void RunStop();
    void StopSoon();
    void NoteRecorderEnd();
    // Writes frames [from, from + count) of the block, cutting pieces as the
    // split rule says; false once a write failed.
    bool WriteSplit(const audio::Samples& block, std::int64_t count, int channels);
    bool NextPiece();
    void Write(audio::Samples block);
    void NoteWriteError(const std::string& reason, const char* fallback);
    // Places the markers whose samples the gate (or the plain block) let
    // out; true when one got its place.
    bool PlaceMarkers(std::int64_t capturedFrames);
    // The current piece's markers in the file's frames and rate.
    std::vector<core::Marker> PieceMarkers(int& rate, bool finished) const;
    void JournalMarkers();
    // Markers quorvin-cli mark asked for, through the journal.
    void TakeMarkerRequests();
    std::int64_t SteadyMs() const;
    // Writes the finished piece's markers into `path`.
    void StoreMarkers(const std::string& path);

    services::IEventPump* pump_;
    audio::IAudioRecorder* recorder_ = nullptr;
    audio::IAudioFile* file_ = nullptr;
    State state_ = State::Idle;
    Take take_;
    std::uint64_t takes_ = 0;
    std::int64_t frameLimit_ = 0;
    RecoveryJournal* journal_ = nullptr;
    RecordedFileWatch watch_;
    SplitRule split_;
    std::function<std::string()> nextPath_;
    TriggerSettings trigger_;
    TriggerGate gate_;
    MarkerStore markerStore_;
    std::function<std::int64_t()> clock_;
};

// What the user is told when a recording ends because its device went away.
std::string DeviceLostMessage(const std::string& path);

}  // namespace qsr::recording
