#pragma once

#include <QObject>
#include <cstdint>
#include <vector>

class QShortcut;
class QWidget;

namespace qsr::audio {
class IAudioEngine;
}
namespace qsr::player {
class FilePlayback;
}

namespace qsr::app {

class SeekSlider;

// The markers of the file the main window plays: ticks on the position
// slider and Page Up / Page Down to the previous and next one. The keys
// belong to the window only while a file with markers plays, so the list
// and the slider page as before otherwise.
class PlaybackMarkers : public QObject {
    Q_OBJECT
  public:
    PlaybackMarkers(player::FilePlayback& playback, audio::IAudioEngine& engine, SeekSlider& slider,
                    QWidget* window);

    const std::vector<std::int64_t>& Frames() const { return frames_; }
    void Next();
    void Previous();

  private:
    void Started();
    void Clear();

    player::FilePlayback& playback_;
    audio::IAudioEngine& engine_;
    SeekSlider& slider_;
    QShortcut* previous_ = nullptr;
    QShortcut* next_ = nullptr;
    std::vector<std::int64_t> frames_;  // in the playback's frames
};

}  // namespace qsr::app
