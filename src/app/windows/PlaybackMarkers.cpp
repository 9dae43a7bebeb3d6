#include "app/windows/PlaybackMarkers.h"

#include <QShortcut>

#include "app/windows/SeekSlider.h"
#include "platform/audio-api/AudioEngine.h"
#include "player/FilePlayback.h"
#include "player/MarkerJumps.h"

namespace qsr::app {

PlaybackMarkers::PlaybackMarkers(player::FilePlayback& playback, audio::IAudioEngine& engine,
                                 SeekSlider& slider, QWidget* window)
    : QObject(window), playback_(playback), engine_(engine), slider_(slider) {
    previous_ = new QShortcut(QKeySequence(Qt::Key_PageUp), window);
    previous_->setObjectName("PreviousMarkerKey");
    next_ = new QShortcut(QKeySequence(Qt::Key_PageDown), window);
    next_->setObjectName("NextMarkerKey");
    previous_->setEnabled(false);
    next_->setEnabled(false);
    connect(previous_, &QShortcut::activated, this, &PlaybackMarkers::Previous);
    connect(next_, &QShortcut::activated, this, &PlaybackMarkers::Next);
    connect(&playback_, &player::FilePlayback::Started, this, &PlaybackMarkers::Started);
    connect(&playback_, &player::FilePlayback::Stopped, this, &PlaybackMarkers::Clear);
}

void PlaybackMarkers::Started() {
    Clear();
    std::vector<core::Marker> markers;
    int rate = playback_.Rate();
    if (!engine_.ReadMarkers(playback_.Path(), markers, rate, nullptr) || markers.empty()) return;
    const int playRate = playback_.Rate();
    std::vector<double> ticks;
    for (const core::Marker& m : markers) {
        const std::int64_t frame =
            rate > 0 && rate != playRate ? m.frame * playRate / rate : m.frame;
        frames_.push_back(frame);
        if (playback_.TotalSamples() > 0)
            ticks.push_back(static_cast<double>(frame) /
                            static_cast<double>(playback_.TotalSamples()));
    }
    slider_.SetMarks(ticks);
    previous_->setEnabled(true);
    next_->setEnabled(true);
}

void PlaybackMarkers::Clear() {
    frames_.clear();
    slider_.SetMarks({});
    previous_->setEnabled(false);
    next_->setEnabled(false);
}

void PlaybackMarkers::Next() {
    if (const auto to = player::NextMarker(frames_, playback_.Offset())) playback_.SeekTo(*to);
}

void PlaybackMarkers::Previous() {
    // A second back from a marker just reached goes to the one before.
    const std::int64_t grace = playback_.Rate();
    if (const auto to = player::PreviousMarker(frames_, playback_.Offset(), grace))
        playback_.SeekTo(*to);
    else if (!frames_.empty())
        playback_.SeekTo(0);
}

}  // namespace qsr::app
