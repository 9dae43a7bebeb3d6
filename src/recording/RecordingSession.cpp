#include "recording/RecordingSession.h"

#include <unistd.h>

#include <algorithm>
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

RecordingSession::RecordingSession(services::IEventPump* pump, QObject* parent)
    : QObject(parent), pump_(pump) {}

RecordingSession::~RecordingSession() = default;

void RecordingSession::Attach(audio::IAudioRecorder* recorder, audio::IAudioFile* file) {
    if (recorder_) disconnect(recorder_, nullptr, this, nullptr);
    recorder_ = recorder;
    file_ = file;
    if (!recorder_) {
        state_ = State::Idle;
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
    namedPieces_ = [pieces]() mutable {
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

bool RecordingSession::Start(const std::string& path) {
    Stop();
    path_ = path;
    lastError_.clear();
    samples_ = 0;
    writeError_.clear();
    framesWritten_ = 0;
    stopRequested_ = false;
    keptPath_.clear();
    deviceLost_ = false;
    namedPieces_ = nullptr;
    pieceFrames_ = 0;
    pieceStartFrame_ = 0;
    pieceFull_ = false;
    if (!file_ || !recorder_) return Fail("the audio components are not available", false);
    if (journal_ && IsBeingRecorded(path_, journal_->File()))
        return Fail(BeingRecordedMessage(path_), false);

    std::error_code ec;
    const bool existedBefore = std::filesystem::exists(path_, ec);
    if (file_->CreateFile(path_) < 0) {
        std::string reason = file_->LastError();
        if (reason.empty()) reason = "the file could not be created";
        return Fail(reason, !existedBefore);
    }
    watch_.Watch(path_);
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
    state_ = State::Recording;
    gate_.Reset(trigger_, recorder_->Rate(), recorder_->Channels());
    if (journal_) journal_->Add({::getpid(), path_, static_cast<std::int64_t>(std::time(nullptr))});
    emit Started(path_, file_->FormatDescription());
    if (WaitingForSound()) emit WaitingChanged(true);
    return true;
}

bool RecordingSession::Fail(const std::string& reason, bool removeFile) {
    if (removeFile) {
        std::error_code ec;
        std::filesystem::remove(path_, ec);
    }
    lastError_ = reason;
    emit Failed(path_, reason);
    return false;
}

bool RecordingSession::Stop() {
    if (state_ != State::Recording) return false;
    state_ = State::Stopping;
    if (recorder_) {
        // The last block and the final progress arrive now (from Stop itself
        // or as pending events); the block is still written, the time still told.
        recorder_->Stop();
        if (pump_) pump_->ProcessEvents();
        // What the trigger still held of a partial window.
        if (trigger_.Any() && file_) Write(gate_.Flush());
    }
    state_ = State::Idle;
    if (file_) {
        file_->Close();
        if (file_->Status() < 0 && writeError_.empty()) {
            writeError_ =
                file_->LastError().empty() ? "the file could not be finished" : file_->LastError();
        }
    }
    // Also a replacement during the last block: the finished old file is copied out.
    if (watch_.Replaced()) {
        writeError_ = kFileReplacedReason;
        std::string why;
        keptPath_ = watch_.KeepBeside(&why);
        if (keptPath_.empty()) writeError_ += " (" + why + ")";
    }
    watch_.Release();
    if (journal_) journal_->Remove(path_);
    // After a cut the last piece's own length.
    const std::int64_t before =
        pieceStartFrame_ > 0 && recorder_
            ? recorder_->SamplesToMilliseconds(static_cast<long>(pieceStartFrame_))
            : 0;
    emit Finished(keptPath_.empty() ? path_ : keptPath_, ElapsedMilliseconds() - before);
    if (!writeError_.empty()) emit WriteFailed(path_, writeError_);
    if (deviceLost_) emit DeviceLost(path_);
    return true;
}

// A recorder that reports failure while still recording was not stopped by
// us: its device or server went away.
void RecordingSession::NoteRecorderEnd() {
    if (state_ != State::Recording || !recorder_ || recorder_->Status() >= 0) return;
    deviceLost_ = true;
    StopSoon();
}

std::string DeviceLostMessage(const std::string& path) {
    return "The recording to " + path + " stopped: the recording device was lost";
}

// Called from inside the recorder's own signal: the stop runs once control is
// back in the event loop.
void RecordingSession::StopSoon() {
    if (stopRequested_) return;
    stopRequested_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            stopRequested_ = false;
            if (state_ == State::Recording) Stop();
        },
        Qt::QueuedConnection);
}

std::int64_t RecordingSession::ElapsedMilliseconds() const {
    if (!recorder_) return 0;
    // A file cut short holds only what was written before the failure; one a
    // trigger gated, only what it let through.
    if (!writeError_.empty() || trigger_.Any())
        return recorder_->SamplesToMilliseconds(static_cast<long>(framesWritten_));
    return recorder_->SamplesToMilliseconds(samples_);
}

void RecordingSession::AudioRecord_EndArrayRecord(long nBlock) {
    if (state_ == State::Idle || !recorder_ || !file_) return;
    NoteRecorderEnd();
    audio::Samples block = recorder_->TakeBlock(nBlock);
    if (trigger_.Any()) {
        const bool waiting = gate_.Waiting();
        block = gate_.Feed(block);
        if (gate_.StopWanted()) StopSoon();
        if (waiting && !gate_.Waiting()) emit WaitingChanged(false);
    }
    Write(std::move(block));
}

void RecordingSession::Write(audio::Samples block) {
    // Nothing more goes into a file that failed or reached its limit.
    const bool full = frameLimit_ > 0 && framesWritten_ >= frameLimit_;
    if (block.empty() || !writeError_.empty() || full) return;
    const int channels = std::max(1, recorder_->Channels());
    std::int64_t frames = static_cast<std::int64_t>(block.size()) / channels;
    if (frameLimit_ > 0 && framesWritten_ + frames >= frameLimit_) {
        frames = frameLimit_ - framesWritten_;
        block.resize(static_cast<std::size_t>(frames * channels));
        StopSoon();
    }
    if (!WriteSplit(block, frames, channels)) StopSoon();
}

bool RecordingSession::WriteSplit(const audio::Samples& block, std::int64_t frames, int channels) {
    const std::int64_t pieceLimit =
        split_.seconds > 0 ? split_.seconds * std::max(1, recorder_->Rate()) : 0;
    std::int64_t done = 0;
    while (done < frames) {
        // The next piece opens only when there is a frame for it.
        if (pieceFull_ && !NextPiece()) return false;
        std::int64_t take = frames - done;
        if (pieceLimit > 0) take = std::min(take, pieceLimit - pieceFrames_);
        const bool whole = take == frames;
        const audio::Samples slice = whole
                                         ? audio::Samples()
                                         : audio::Samples(block.begin() + done * channels,
                                                          block.begin() + (done + take) * channels);
        if (file_->WriteBlock(whole ? block : slice) < 0) {
            writeError_ = file_->LastError().empty() ? "writing failed" : file_->LastError();
            return false;
        }
        framesWritten_ += take;
        pieceFrames_ += take;
        done += take;
        std::error_code ec;
        if ((pieceLimit > 0 && pieceFrames_ >= pieceLimit) ||
            (split_.bytes > 0 && std::filesystem::file_size(path_, ec) >= split_.bytes && !ec))
            pieceFull_ = true;
    }
    if (watch_.Replaced()) {
        writeError_ = kFileReplacedReason;
        return false;
    }
    return true;
}

bool RecordingSession::NextPiece() {
    pieceFull_ = false;
    const std::string next = nextPath_      ? nextPath_()
                             : namedPieces_ ? namedPieces_()
                                            : std::string();
    if (next.empty()) return true;  // nothing to name it by: the file goes on
    if (journal_ && IsBeingRecorded(next, journal_->File())) {
        writeError_ = BeingRecordedMessage(next);
        return false;
    }
    file_->Close();
    if (file_->Status() < 0) {
        writeError_ =
            file_->LastError().empty() ? "the file could not be finished" : file_->LastError();
        return false;
    }
    if (watch_.Replaced()) {
        writeError_ = kFileReplacedReason;
        return false;
    }
    watch_.Release();
    if (journal_) journal_->Remove(path_);
    emit PieceFinished(path_, recorder_->SamplesToMilliseconds(static_cast<long>(pieceFrames_)));
    path_ = next;
    pieceStartFrame_ = framesWritten_;
    pieceFrames_ = 0;
    if (file_->CreateFile(path_) < 0) {
        writeError_ =
            file_->LastError().empty() ? "the next file could not be created" : file_->LastError();
        return false;
    }
    file_->SetInputFormat(recorder_->Rate(), recorder_->Channels());
    watch_.Watch(path_);
    if (journal_) journal_->Add({::getpid(), path_, static_cast<std::int64_t>(std::time(nullptr))});
    return true;
}

void RecordingSession::AudioRecord_Timer(long CurrentSamples, int LevelLeft, int LevelRight) {
    // A late event after the stop has nothing to add.
    if (state_ == State::Idle) return;
    samples_ = CurrentSamples;
    emit Progress(CurrentSamples, LevelLeft, LevelRight);
    NoteRecorderEnd();
}

}  // namespace qsr::recording
