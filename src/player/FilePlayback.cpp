#include "player/FilePlayback.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "platform/audio-api/AudioFile.h"
#include "platform/audio-api/AudioPlayer.h"
#include "player/PlaybackRules.h"

namespace qsr::player {

FilePlayback::FilePlayback(QObject* parent) : QObject(parent) {}

FilePlayback::~FilePlayback() = default;

void FilePlayback::Attach(audio::IAudioFile* file, audio::IAudioPlayer* player) {
    if (player_) disconnect(player_, nullptr, this, nullptr);
    file_ = file;
    player_ = player;
    if (!player_) {
        playing_ = paused_ = false;
        stopped_ = true;
        return;
    }
    connect(player_, &audio::IAudioPlayer::Timer, this, &FilePlayback::AudioPlayer_Timer);
    connect(player_, &audio::IAudioPlayer::RequestOnLoadArray, this,
            &FilePlayback::AudioPlayer_RequestOnLoadArray);
    connect(player_, &audio::IAudioPlayer::EndArrayPlay, this,
            &FilePlayback::AudioPlayer_EndArrayPlay);
    connect(player_, &audio::IAudioPlayer::EndPlay, this, &FilePlayback::AudioPlayer_EndPlay);
}

bool FilePlayback::Play(const std::string& path) {
    if (playing_) Stop();
    if (!file_ || !player_) return false;
    std::error_code ec;
    if (path.empty() || !std::filesystem::is_regular_file(path, ec)) return false;
    if (file_->OpenFile(path) < 0) return false;
    offset_ = 0;
    totalSamples_ = file_->TotalSamples();
    if (totalSamples_ <= 0) {
        file_->Close();
        return false;
    }
    rate_ = file_->SampleRate();
    channels_ = std::max(1, file_->ChannelCount());
    player_->SetFormat(rate_, channels_);
    if (player_->Start() < 0) {
        file_->Close();
        return false;
    }
    path_ = path;
    playing_ = true;
    stopped_ = false;
    paused_ = false;
    blockLength_ = player_->MillisecondsToSamples(kPlayBlockMs);
    emit Started(path_, file_->FormatDescription());
    FeedPlayer();
    return true;
}

void FilePlayback::FeedPlayer() {
    if (stopped_ || !file_ || !player_) return;
    const audio::Samples block = file_->ReadBlock(blockLength_);
    if (block.size() > 1) player_->QueueBlock(block);
}

void FilePlayback::Stop() {
    stopped_ = true;
    if (player_) player_->Stop();
    if (playing_ && file_) file_->Close();
    playing_ = false;
    paused_ = false;
    path_.clear();
    emit Stopped();
}

void FilePlayback::PauseResume() {
    if (stopped_ || !player_ || !file_) return;
    if (!paused_) {
        paused_ = true;
        offset_ = OffsetAfterPause(offset_, player_->CurrentSamples());
        player_->Stop();
        return;
    }
    paused_ = false;
    player_->Start();
    file_->Seek(offset_);
    FeedPlayer();
}

void FilePlayback::SeekTo(std::int64_t sample) {
    if (stopped_ || !player_ || !file_) return;
    player_->Stop();
    player_->Start();
    // The player runs again from the new place, so playback is no longer paused.
    paused_ = false;
    offset_ = file_->Seek(sample);
    FeedPlayer();
}

void FilePlayback::AudioPlayer_RequestOnLoadArray() {
    FeedPlayer();
}

void FilePlayback::AudioPlayer_EndArrayPlay() {
    FeedPlayer();
}

void FilePlayback::AudioPlayer_EndPlay() {
    Stop();
}

void FilePlayback::AudioPlayer_Timer(long CurrentSamples, int /*LevelLeft*/, int /*LevelRight*/) {
    if (stopped_ || paused_ || !player_) return;
    emit Progress(PlaybackPosition(offset_, CurrentSamples));
}

}  // namespace qsr::player
