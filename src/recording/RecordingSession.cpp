#include "recording/RecordingSession.h"

#include <unistd.h>

#include <algorithm>
#include <ctime>
#include <filesystem>
#include <system_error>

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
    return Start(OutputPath(naming));
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
    if (journal_) journal_->Add({::getpid(), path_, static_cast<std::int64_t>(std::time(nullptr))});
    emit Started(path_, file_->FormatDescription());
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
    emit Finished(keptPath_.empty() ? path_ : keptPath_, ElapsedMilliseconds());
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
    // A file cut short holds only what was written before the failure.
    if (!writeError_.empty())
        return recorder_->SamplesToMilliseconds(static_cast<long>(framesWritten_));
    return recorder_->SamplesToMilliseconds(samples_);
}

void RecordingSession::AudioRecord_EndArrayRecord(long nBlock) {
    if (state_ == State::Idle || !recorder_ || !file_) return;
    NoteRecorderEnd();
    audio::Samples block = recorder_->TakeBlock(nBlock);
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
    if (file_->WriteBlock(block) < 0) {
        writeError_ = file_->LastError().empty() ? "writing failed" : file_->LastError();
        StopSoon();
        return;
    }
    framesWritten_ += frames;
    if (watch_.Replaced()) {
        writeError_ = kFileReplacedReason;
        StopSoon();
    }
}

void RecordingSession::AudioRecord_Timer(long CurrentSamples, int LevelLeft, int LevelRight) {
    // A late event after the stop has nothing to add.
    if (state_ == State::Idle) return;
    samples_ = CurrentSamples;
    emit Progress(CurrentSamples, LevelLeft, LevelRight);
    NoteRecorderEnd();
}

}  // namespace qsr::recording
