#include "player/windows/PlayerMarkerKeys.h"

#include <QShortcut>
#include <QWidget>
#include <cmath>

#include "platform/mediaplayer/MediaControl.h"
#include "player/MarkerJumps.h"

namespace qsr::player {

PlayerMarkerKeys::PlayerMarkerKeys(mediaplayer::IMediaControl& control, QWidget& window,
                                   MarkerSeconds markers)
    : QObject(&window), control_(control), markers_(std::move(markers)) {
    auto* previous = new QShortcut(QKeySequence(Qt::Key_PageUp), &window);
    previous->setObjectName("PreviousMarkerKey");
    auto* next = new QShortcut(QKeySequence(Qt::Key_PageDown), &window);
    next->setObjectName("NextMarkerKey");
    connect(previous, &QShortcut::activated, this, &PlayerMarkerKeys::Previous);
    connect(next, &QShortcut::activated, this, &PlayerMarkerKeys::Next);
}

const std::vector<std::int64_t>& PlayerMarkerKeys::Millis() {
    if (control_.FileName() != file_) {
        file_ = control_.FileName();
        millis_.clear();
        if (markers_ && !file_.isEmpty())
            for (const double s : markers_(file_)) millis_.push_back(std::llround(s * 1000));
    }
    return millis_;
}

void PlayerMarkerKeys::Next() {
    const auto now = std::llround(control_.CurrentPosition() * 1000);
    if (const auto to = NextMarker(Millis(), now)) control_.SetCurrentPosition(*to / 1000.0);
}

void PlayerMarkerKeys::Previous() {
    const auto now = std::llround(control_.CurrentPosition() * 1000);
    // A second back from a marker just reached goes to the one before.
    if (const auto to = PreviousMarker(Millis(), now, 1000))
        control_.SetCurrentPosition(*to / 1000.0);
    else if (!Millis().empty())
        control_.SetCurrentPosition(0);
}

}  // namespace qsr::player
