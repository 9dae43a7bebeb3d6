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
    if (!file_ || !recorder_) return Fail("the audio components are not available", false);

    std::error_code ec;
    const bool existedBefore = std::filesystem::exists(path_, ec);
    if (file_->CreateFile(path_) < 0) {
        std::string reason = file_->LastError();
        if (reason.empty()) reason = "the file could not be created";
        return Fail(reason, !existedBefore);
    }
    const int rate = file_->EncoderRate();
    const int channels = file_->EncoderChannels();
    recorder_->SetFormat(rate, channels);
    // Should the device deliver another format, the file component adapts it.
    file_->SetInputFormat(recorder_->Rate(), recorder_->Channels());
    recorder_->SetBlockLength(recorder_->MillisecondsToSamples(1000));
    if (recorder_->Start() < 0) {
        file_->Close();
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
    if (journal_) journal_->Remove(path_);
    emit Finished(path_, ElapsedMilliseconds());
    if (!writeError_.empty()) emit WriteFailed(path_, writeError_);
    return true;
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
    if (file_->WriteBlock(block) < 0) {
        writeError_ = file_->LastError().empty() ? "writing failed" : file_->LastError();
        StopSoon();
        return;
    }
    framesWritten_ += frames;
}

void RecordingSession::AudioRecord_Timer(long CurrentSamples, int LevelLeft, int LevelRight) {
    // A late event after the stop has nothing to add.
    if (state_ == State::Idle) return;
    samples_ = CurrentSamples;
    emit Progress(CurrentSamples, LevelLeft, LevelRight);
}

}  // namespace qsr::recording
