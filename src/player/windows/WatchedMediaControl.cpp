#include "player/windows/WatchedMediaControl.h"

namespace qsr::player {

WatchedMediaControl::WatchedMediaControl(mediaplayer::IMediaControl& inner,
                                         std::function<void()> changed)
    : inner_(inner), changed_(std::move(changed)) {
    // The face's own handler runs first; the clocks follow what it left.
    connect(&inner_, &IMediaControl::EndOfStream, this, [this] {
        emit EndOfStream();
        changed_();
    });
}

bool WatchedMediaControl::SetFileName(const QString& path) {
    const bool ok = inner_.SetFileName(path);
    changed_();
    if (!ok && refused_)
        if (const QString why = inner_.LastError(); !why.isEmpty()) refused_(why);
    return ok;
}

void WatchedMediaControl::SetCurrentPosition(double seconds) {
    inner_.SetCurrentPosition(seconds);
    changed_();
}

void WatchedMediaControl::Play() {
    inner_.Play();
    changed_();
}

void WatchedMediaControl::Pause() {
    inner_.Pause();
    changed_();
}

void WatchedMediaControl::Stop() {
    inner_.Stop();
    changed_();
}

}  // namespace qsr::player
