#pragma once

#include <QSlider>

namespace qsr::app {

// The playback position slider: a left click on the groove moves the handle
// to the clicked point and holds it there as a drag would (sliderPressed, then
// sliderReleased when the button is let go), so the caller seeks on release
// either way. The keyboard and the other buttons behave as on any slider.
class SeekSlider : public QSlider {
    Q_OBJECT
  public:
    explicit SeekSlider(Qt::Orientation orientation, QWidget* parent = nullptr);
};

}  // namespace qsr::app
