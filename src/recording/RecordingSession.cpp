#include "recording/RecordingSession.h"

#include <filesystem>
#include <system_error>

#include "platform/audio-api/AudioFile.h"
#include "platform/audio-api/AudioRecorder.h"
#include "platform/services/Services.h"

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
    writeFailed_ = false;
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
    if (file_) file_->Close();
    emit Finished(path_, ElapsedMilliseconds());
    return true;
}

std::int64_t RecordingSession::ElapsedMilliseconds() const {
    return recorder_ ? recorder_->SamplesToMilliseconds(samples_) : 0;
}

void RecordingSession::AudioRecord_EndArrayRecord(long nBlock) {
    if (state_ == State::Idle || !recorder_ || !file_) return;
    const audio::Samples block = recorder_->TakeBlock(nBlock);
    if (!block.empty() && file_->WriteBlock(block) < 0) writeFailed_ = true;
}

void RecordingSession::AudioRecord_Timer(long CurrentSamples, int LevelLeft, int LevelRight) {
    // A late event after the stop has nothing to add.
    if (state_ == State::Idle) return;
    samples_ = CurrentSamples;
    emit Progress(CurrentSamples, LevelLeft, LevelRight);
}

}  // namespace qsr::recording
