#pragma once

#include <QObject>
#include <cstdint>
#include <string>

namespace qsr::audio {
class IAudioFile;
class IAudioPlayer;
}  // namespace qsr::audio

namespace qsr::player {

// Plays one file in place, as the main window's list does: the file component
// reads it in 200 ms blocks that the player asks for, pause keeps the
// position as an offset (the player counts from its own last start), a seek
// restarts the player at the new place. Widget-free; the window shows its
// signals. It does not own the components.
class FilePlayback : public QObject {
    Q_OBJECT
  public:
    explicit FilePlayback(QObject* parent = nullptr);
    ~FilePlayback() override;

    void Attach(audio::IAudioFile* file, audio::IAudioPlayer* player);
    audio::IAudioPlayer* Player() const { return player_; }

    // Plays path from its start. False, with nothing playing, when the file
    // cannot be opened, holds no samples, or the player does not start.
    bool Play(const std::string& path);
    // Stops and lets the file go; Stopped follows, also when nothing played.
    void Stop();
    // Pause, or resume at the offset where the pause was.
    void PauseResume();
    // Plays on from the given sample (not paused afterwards); nothing when stopped.
    void SeekTo(std::int64_t sample);

    bool Playing() const { return playing_; }
    bool IsStopped() const { return stopped_; }
    bool Paused() const { return paused_; }
    std::int64_t Offset() const { return offset_; }
    std::int64_t TotalSamples() const { return totalSamples_; }
    int Rate() const { return rate_; }
    int Channels() const { return channels_; }
    const std::string& Path() const { return path_; }

  signals:
    void Started(const std::string& path, const std::string& description);
    // The position in samples, on each progress event of the player while
    // playing and not paused.
    void Progress(std::int64_t position);
    void Stopped();

  private:
    void FeedPlayer();
    void AudioPlayer_Timer(long CurrentSamples, int LevelLeft, int LevelRight);
    void AudioPlayer_RequestOnLoadArray();
    void AudioPlayer_EndArrayPlay();
    void AudioPlayer_EndPlay();

    audio::IAudioFile* file_ = nullptr;
    audio::IAudioPlayer* player_ = nullptr;
    bool playing_ = false;
    bool stopped_ = true;
    bool paused_ = false;
    std::int64_t totalSamples_ = 0;
    std::int64_t offset_ = 0;
    long blockLength_ = 0;
    int channels_ = 1;
    int rate_ = 44100;
    std::string path_;
};

}  // namespace qsr::player
