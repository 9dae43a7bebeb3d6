#include "recording/RecordingSession.h"

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <system_error>
#include <utility>

#include "platform/audio-api/AudioFile.h"
#include "platform/audio-api/AudioRecorder.h"
#include "platform/services/Services.h"
#include "recording/LiveRecordings.h"
#include "recording/RecoveryJournal.h"

namespace qsr::recording {

namespace {

using State = RecordingSession::State;
using Event = RecordingSession::Event;
using Effect = RecordingSession::Effect;

// A take whose file is open and not stopping.
bool Running(State state) {
    return state == State::WaitingForSound || state == State::Recording ||
           state == State::PausedBySilence;
}

// The stop writes the last block and finishes the file.
bool Stopping(State state) {
    return state == State::Stopping || state == State::StoppingThenStart ||
           state == State::StoppingThenScheduledStart || state == State::StoppingThenExit ||
           state == State::ExitStopping;
}

// A stop that nothing waits for yet: a request may be kept for after it.
bool StopKeepsRequests(State state) {
    return state == State::Stopping || state == State::StoppingThenStart ||
           state == State::StoppingThenScheduledStart;
}

}  // namespace

RecordingSession::Step RecordingSession::Next(State state, Event event) {
    const Step refused{state, Effect::Refused};
    const auto go = [](State to) { return Step{to, Effect::Go}; };
    const bool running = Running(state);
    const bool stopping = Stopping(state);
    switch (event) {
        case Event::Start:
        case Event::ScheduledStart:
            // A running take is finished by the start itself; the latest
            // start asked for during a stop is the one that follows it; after
            // an exit was asked for, nothing starts.
            if (state == State::Idle || running) return go(state);
            if (StopKeepsRequests(state))
                return {event == Event::Start ? State::StoppingThenStart
                                              : State::StoppingThenScheduledStart,
                        Effect::Kept};
            return refused;
        case Event::Started:
            return state == State::Idle ? go(State::Recording) : refused;
        case Event::Armed:
            return state == State::Recording ? go(State::WaitingForSound) : refused;
        case Event::SoundCame:
            return state == State::WaitingForSound ? go(State::Recording) : refused;
        case Event::SilenceBegan:
            return state == State::Recording ? go(State::PausedBySilence) : refused;
        case Event::SoundResumed:
            return state == State::PausedBySilence ? go(State::Recording) : refused;
        case Event::PieceFull:
            // Also the last block of a stop may reach a cut.
            return running || stopping ? go(state) : refused;
        case Event::Stop:
            return running ? go(State::Stopping) : refused;
        case Event::DeviceLost:
            return running ? Step{state, Effect::StopSoon} : refused;
        case Event::WriteFailed:
        case Event::LimitReached:
            if (running) return {state, Effect::StopSoon};
            return stopping ? go(state) : refused;  // the stop under way ends it
        case Event::Finished:
            switch (state) {
                case State::Stopping:
                    return go(State::Idle);
                case State::StoppingThenStart:
                    return {State::Idle, Effect::Replay, Event::Start};
                case State::StoppingThenScheduledStart:
                    return {State::Idle, Effect::Replay, Event::ScheduledStart};
                case State::StoppingThenExit:
                    return {State::ExitWaiting, Effect::Replay, Event::Exit};
                case State::ExitStopping:
                    return go(State::Exited);
                default:
                    return refused;
            }
        case Event::Exit:
            if (state == State::Idle || state == State::ExitWaiting) return go(State::Exited);
            if (running) return go(State::ExitStopping);
            // An exit wins over a start kept for after the stop.
            if (StopKeepsRequests(state)) return {State::StoppingThenExit, Effect::Kept};
            return refused;
        case Event::Detach:
            // A running take is abandoned; a stop under way still ends as one.
            return running ? go(State::Idle) : stopping ? refused : go(state);
    }
    return refused;
}

RecordingSession::Effect RecordingSession::Transit(Event event) {
    const Step step = Next(state_, event);
    if (step.effect == Effect::Refused) return step.effect;
    state_ = step.to;
    if (step.effect == Effect::StopSoon) StopSoon();
    // After Finished and what follows it, from the event loop.
    if (step.effect == Effect::Replay)
        QMetaObject::invokeMethod(
            this, [this, replay = step.replay] { emit AfterStop(replay); }, Qt::QueuedConnection);
    return step.effect;
}

bool RecordingSession::IsRecording() const {
    return Running(state_);
}

bool RecordingSession::IsStopping() const {
    return Stopping(state_);
}

bool RecordingSession::ShuttingDown() const {
    return state_ == State::ExitStopping || state_ == State::Exited;
}

bool RecordingSession::FileOpen() const {
    return Running(state_) || Stopping(state_);
}

RecordingSession::RecordingSession(services::IEventPump* pump, QObject* parent)
    : QObject(parent), pump_(pump) {}

RecordingSession::~RecordingSession() = default;

void RecordingSession::Attach(audio::IAudioRecorder* recorder, audio::IAudioFile* file) {
    if (recorder_) disconnect(recorder_, nullptr, this, nullptr);
    recorder_ = recorder;
    file_ = file;
    if (!recorder_) {
        Transit(Event::Detach);
        return;
    }
    connect(recorder_, &audio::IAudioRecorder::EndArrayRecord, this,
            &RecordingSession::AudioRecord_EndArrayRecord);
    connect(recorder_, &audio::IAudioRecorder::Timer, this, &RecordingSession::AudioRecord_Timer);
}

bool RecordingSession::StartNamed(const OutputNaming& naming) {
    // A running recording ends before the name is chosen: its file counts as taken.
    Stop();
    if (!Start(OutputPath(naming))) return false;
    // Each piece is named as a new recording starting then, numbered when
    // its name is taken (a piece never replaces an earlier one).
    OutputNaming pieces = naming;
    pieces.overwrite = false;
    take_.namedPieces = [pieces]() mutable {
        ++pieces.listRows;
        pieces.start = LocalStartTime(std::time(nullptr));
        return OutputPath(pieces);
    };
    return true;
}

void RecordingSession::SetSplit(SplitRule rule, std::function<std::string()> nextPath) {
    split_ = rule;
    nextPath_ = std::move(nextPath);
}

bool RecordingSession::RequestStart(Event request) {
    return Transit(request) == Effect::Go;
}

bool RecordingSession::Start(const std::string& path) {
    Stop();
    // Refused during a stop (from inside its events) and once an exit was
    // asked for; the take that is stopping keeps its own record.
    if (Next(state_, Event::Start).effect != Effect::Go) {
        take_.lastError = IsStopping() && state_ != State::ExitStopping
                              ? "another recording is still being stopped"
                              : "the program is shutting down";
        emit Failed(path, take_.lastError);
        return false;
    }
    take_ = Take{};
    take_.serial = ++takes_;
    take_.path = path;
    if (!file_ || !recorder_) return Fail("the audio components are not available", false);
    if (journal_ && IsBeingRecorded(path, journal_->File()))
        return Fail(BeingRecordedMessage(path), false);

    std::error_code ec;
    const bool existedBefore = std::filesystem::exists(path, ec);
    if (file_->CreateFile(path) < 0) {
        std::string reason = file_->LastError();
        if (reason.empty()) reason = "the file could not be created";
        return Fail(reason, !existedBefore);
    }
    watch_.Watch(path);
    const int rate = file_->EncoderRate();
    const int channels = file_->EncoderChannels();
    recorder_->SetFormat(rate, channels);
    // Should the device deliver another format, the file component adapts it.
    file_->SetInputFormat(recorder_->Rate(), recorder_->Channels());
    recorder_->SetBlockLength(recorder_->MillisecondsToSamples(1000));
    if (recorder_->Start() < 0) {
        file_->Close();
        watch_.Release();
        return Fail("the recording device could not be started", true);
    }
    Transit(Event::Started);
    take_.pace.Reset(recorder_->Rate());
    gate_.Reset(trigger_, recorder_->Rate(), recorder_->Channels());
    const bool armed = trigger_.Any() && gate_.Waiting();
    if (armed) Transit(Event::Armed);
    if (journal_) journal_->Add({::getpid(), path, static_cast<std::int64_t>(std::time(nullptr))});
    emit Started(path, file_->FormatDescription());
    if (armed) emit WaitingChanged(true);
    return true;
}

bool RecordingSession::Fail(const std::string& reason, bool removeFile) {
    if (removeFile) {
        std::error_code ec;
        std::filesystem::remove(take_.path, ec);
    }
    take_.lastError = reason;
    emit Failed(take_.path, reason);
    return false;
}

bool RecordingSession::Stop() {
    if (Transit(Event::Stop) == Effect::Refused) return false;
    RunStop();
    return true;
}

bool RecordingSession::Exit() {
    const bool running = IsRecording();
    if (Transit(Event::Exit) != Effect::Go) return false;
    if (running) RunStop();
    return true;
}

void RecordingSession::NoteWriteError(const std::string& reason, const char* fallback) {
    take_.writeError = reason.empty() ? fallback : reason;
}

void RecordingSession::RunStop() {
    if (recorder_) {
        // The last block and the final progress arrive now (from Stop itself
        // or as pending events); the block is still written, the time still told.
        recorder_->Stop();
        if (pump_) pump_->ProcessEvents();
        // What the trigger still held of a partial window.
        if (trigger_.Any() && file_) {
            audio::Samples rest = gate_.Flush();
            PlaceMarkers(0);
            Write(std::move(rest));
        }
    }
    if (file_) {
        file_->Close();
        if (file_->Status() < 0 && take_.writeError.empty())
            NoteWriteError(file_->LastError(), "the file could not be finished");
    }
    // Also a replacement during the last block: the finished old file is copied out.
    if (watch_.Replaced()) {
        take_.writeError = kFileReplacedReason;
        std::string why;
        take_.keptPath = watch_.KeepBeside(&why);
        if (take_.keptPath.empty()) take_.writeError += " (" + why + ")";
    }
    watch_.Release();
    take_.markers.Finish(take_.framesWritten);
    if (!take_.keptPath.empty())
        StoreMarkers(take_.keptPath);
    else if (take_.writeError != kFileReplacedReason)
        StoreMarkers(take_.path);
    if (journal_) journal_->Remove(take_.path);
    // After a cut the last piece's own length.
    const std::int64_t before =
        take_.pieceStartFrame > 0 && recorder_
            ? recorder_->SamplesToMilliseconds(static_cast<long>(take_.pieceStartFrame))
            : 0;
    Transit(Event::Finished);
    emit Finished(take_.keptPath.empty() ? take_.path : take_.keptPath,
                  ElapsedMilliseconds() - before);
    if (!take_.writeError.empty()) emit WriteFailed(take_.path, take_.writeError);
    if (take_.deviceLost) emit DeviceLost(take_.path);
}

// A recorder that reports failure while still recording was not stopped by
// us: its device or server went away.
void RecordingSession::NoteRecorderEnd() {
    if (!recorder_ || recorder_->Status() >= 0) return;
    if (Transit(Event::DeviceLost) == Effect::StopSoon) take_.deviceLost = true;
}

std::string DeviceLostMessage(const std::string& path) {
    return "The recording to " + path + " stopped: the recording device was lost";
}

// Called from inside the recorder's own signal: the stop runs once control is
// back in the event loop, unless the take ended (or another began) meanwhile.
void RecordingSession::StopSoon() {
    QMetaObject::invokeMethod(
        this,
        [this, serial = take_.serial] {
            if (take_.serial == serial) Stop();
        },
        Qt::QueuedConnection);
}

std::int64_t RecordingSession::ElapsedMilliseconds() const {
    if (!recorder_) return 0;
    // A file cut short holds only what was written before the failure; one a
    // trigger gated, only what it let through.
    if (!take_.writeError.empty() || trigger_.Any())
        return recorder_->SamplesToMilliseconds(static_cast<long>(take_.framesWritten));
    return recorder_->SamplesToMilliseconds(take_.samples);
}

void RecordingSession::AudioRecord_EndArrayRecord(long nBlock) {
    if (!FileOpen() || !recorder_ || !file_) return;
    NoteRecorderEnd();
    audio::Samples block = recorder_->TakeBlock(nBlock);
    const std::int64_t captured =
        static_cast<std::int64_t>(block.size()) / std::max(1, recorder_->Channels());
    if (trigger_.Any()) {
        block = gate_.Feed(block);
        if (gate_.StopWanted()) Transit(Event::LimitReached);
        if (state_ == State::WaitingForSound && !gate_.Waiting()) {
            Transit(Event::SoundCame);
            emit WaitingChanged(false);
        }
        if (state_ == State::Recording && gate_.Paused())
            Transit(Event::SilenceBegan);
        else if (state_ == State::PausedBySilence && !gate_.Paused())
            Transit(Event::SoundResumed);
    }
    // Placed before the write (a cut in this block gives each piece its
    // own), journaled after it: a marker the journal lists is in the file.
    const bool placed = PlaceMarkers(captured);
    Write(std::move(block));
    if (placed) JournalMarkers();
}

std::int64_t RecordingSession::SteadyMs() const {
    if (clock_) return clock_();
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void RecordingSession::TakeMarkerRequests() {
    if (!journal_ || !IsRecording() || !journal_->MarkerRequested()) return;
    const auto now = std::chrono::duration_cast<std::chrono::milliseconds>(
                         std::chrono::system_clock::now().time_since_epoch())
                         .count();
    for (const RecoveryJournal::MarkRequest& r : journal_->TakeMarkerRequests())
        AddMarkerAgo(now - r.atMs, r.label);
}

bool RecordingSession::PlaceMarkers(std::int64_t capturedFrames) {
    bool placed = false;
    if (trigger_.Any()) {
        for (const auto& [from, frames] : gate_.Spans())
            placed = take_.markers.Written(from, frames) || placed;
    } else {
        placed = take_.markers.Written(take_.captured, capturedFrames);
    }
    take_.captured += capturedFrames;
    return placed;
}

int RecordingSession::AddMarker(const std::string& label) {
    return AddMarkerAgo(0, label);
}

int RecordingSession::AddMarkerAgo(std::int64_t ageMs, const std::string& label) {
    if (!IsRecording() || !recorder_) return 0;
    // The moment is what the recorder captured by then (blocks reach us
    // later), told by the pace of its reports where there are some.
    const std::int64_t captured =
        std::max<std::int64_t>(recorder_->CurrentSamples(), take_.captured);
    const std::int64_t paced = take_.pace.FrameAt(SteadyMs() - std::max<std::int64_t>(0, ageMs));
    const std::int64_t now = paced >= 0 ? std::max(paced, take_.captured)
                                        : captured - std::max<std::int64_t>(0, ageMs) *
                                                         std::max(0, recorder_->Rate()) / 1000;
    const auto setAt = std::chrono::duration_cast<std::chrono::milliseconds>(
                           std::chrono::system_clock::now().time_since_epoch())
                           .count();
    const int number = take_.markers.Add(now, label, setAt);
    emit MarkerAdded(number, label.empty() ? core::DefaultMarkerLabel(number) : label);
    return number;
}

bool RecordingSession::RenameMarker(int number, const std::string& label) {
    if (!take_.markers.Rename(number, label)) return false;
    if (FileOpen()) JournalMarkers();
    return true;
}

std::vector<core::Marker> RecordingSession::Markers() const {
    return take_.markers.Placed(take_.pieceStartFrame);
}

std::vector<core::Marker> RecordingSession::PieceMarkers(int& rate, bool finished) const {
    // A finished piece holds its own span; the running one also what is placed
    // past its written end (the next blocks come to it).
    std::vector<core::Marker> markers =
        finished
            ? take_.markers.Placed(take_.pieceStartFrame, take_.pieceStartFrame + take_.pieceFrames)
            : Markers();
    // The recorder's frames; a file component that adapts the rate writes its own.
    const int captureRate = recorder_ ? recorder_->Rate() : 0;
    rate = file_ && file_->EncoderRate() > 0 ? file_->EncoderRate() : captureRate;
    if (captureRate > 0 && rate != captureRate)
        for (core::Marker& m : markers) m.frame = m.frame * rate / captureRate;
    return markers;
}

void RecordingSession::JournalMarkers() {
    if (!journal_) return;
    int rate = 0;
    const std::vector<core::Marker> markers = PieceMarkers(rate, false);
    journal_->SetMarkers(take_.path, rate, markers);
}

void RecordingSession::StoreMarkers(const std::string& path) {
    int rate = 0;
    const std::vector<core::Marker> markers = PieceMarkers(rate, true);
    if (markers.empty()) return;
    std::string why;
    if (!markerStore_)
        why = "markers cannot be stored by this program";
    else if (markerStore_(path, rate, markers, &why)) {
        emit MarkersStored(path, markers.size());
        return;
    }
    emit MarkersNotStored(path, why.empty() ? "the file could not be written" : why);
}

void RecordingSession::Write(audio::Samples block) {
    // Nothing more goes into a file that failed or reached its limit.
    const bool full = frameLimit_ > 0 && take_.framesWritten >= frameLimit_;
    if (block.empty() || !take_.writeError.empty() || full) return;
    const int channels = std::max(1, recorder_->Channels());
    std::int64_t frames = static_cast<std::int64_t>(block.size()) / channels;
    if (frameLimit_ > 0 && take_.framesWritten + frames >= frameLimit_) {
        frames = frameLimit_ - take_.framesWritten;
        block.resize(static_cast<std::size_t>(frames * channels));
        Transit(Event::LimitReached);
    }
    if (!WriteSplit(block, frames, channels)) Transit(Event::WriteFailed);
}

bool RecordingSession::WriteSplit(const audio::Samples& block, std::int64_t frames, int channels) {
    const std::int64_t pieceLimit =
        split_.seconds > 0 ? split_.seconds * std::max(1, recorder_->Rate()) : 0;
    std::int64_t done = 0;
    while (done < frames) {
        // The next piece opens only when there is a frame for it.
        if (take_.pieceFull && !NextPiece()) return false;
        std::int64_t take = frames - done;
        if (pieceLimit > 0) take = std::min(take, pieceLimit - take_.pieceFrames);
        const bool whole = take == frames;
        const audio::Samples slice = whole
                                         ? audio::Samples()
                                         : audio::Samples(block.begin() + done * channels,
                                                          block.begin() + (done + take) * channels);
        if (file_->WriteBlock(whole ? block : slice) < 0) {
            NoteWriteError(file_->LastError(), "writing failed");
            return false;
        }
        take_.framesWritten += take;
        take_.pieceFrames += take;
        done += take;
        std::error_code ec;
        if (((pieceLimit > 0 && take_.pieceFrames >= pieceLimit) ||
             (split_.bytes > 0 && std::filesystem::file_size(take_.path, ec) >= split_.bytes &&
              !ec)) &&
            Transit(Event::PieceFull) == Effect::Go)
            take_.pieceFull = true;
    }
    if (watch_.Replaced()) {
        take_.writeError = kFileReplacedReason;
        return false;
    }
    return true;
}

bool RecordingSession::NextPiece() {
    take_.pieceFull = false;
    const std::string next = nextPath_           ? nextPath_()
                             : take_.namedPieces ? take_.namedPieces()
                                                 : std::string();
    if (next.empty()) return true;  // nothing to name it by: the file goes on
    if (journal_ && IsBeingRecorded(next, journal_->File())) {
        take_.writeError = BeingRecordedMessage(next);
        return false;
    }
    file_->Close();
    if (file_->Status() < 0) {
        NoteWriteError(file_->LastError(), "the file could not be finished");
        return false;
    }
    if (watch_.Replaced()) {
        take_.writeError = kFileReplacedReason;
        return false;
    }
    watch_.Release();
    StoreMarkers(take_.path);
    if (journal_) journal_->Remove(take_.path);
    emit PieceFinished(take_.path,
                       recorder_->SamplesToMilliseconds(static_cast<long>(take_.pieceFrames)));
    take_.path = next;
    take_.pieceStartFrame = take_.framesWritten;
    take_.pieceFrames = 0;
    if (file_->CreateFile(take_.path) < 0) {
        NoteWriteError(file_->LastError(), "the next file could not be created");
        return false;
    }
    file_->SetInputFormat(recorder_->Rate(), recorder_->Channels());
    watch_.Watch(take_.path);
    if (journal_)
        journal_->Add({::getpid(), take_.path, static_cast<std::int64_t>(std::time(nullptr))});
    if (!Markers().empty()) JournalMarkers();
    return true;
}

void RecordingSession::AudioRecord_Timer(long CurrentSamples, int LevelLeft, int LevelRight) {
    // A late event after the stop has nothing to add.
    if (!FileOpen()) return;
    take_.samples = CurrentSamples;
    take_.pace.Report(SteadyMs(), CurrentSamples);
    emit Progress(CurrentSamples, LevelLeft, LevelRight);
    NoteRecorderEnd();
    TakeMarkerRequests();
}

}  // namespace qsr::recording
