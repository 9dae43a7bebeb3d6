#pragma once

#include <QSlider>
#include <vector>

namespace qsr::app {

// The playback position slider: a left click on the groove moves the handle
// to the clicked point and holds it there as a drag would (sliderPressed, then
// sliderReleased when the button is let go), so the caller seeks on release
// either way. The keyboard and the other buttons behave as on any slider.
// Ticks show the markers of the file that plays.
class SeekSlider : public QSlider {
    Q_OBJECT
  public:
    explicit SeekSlider(Qt::Orientation orientation, QWidget* parent = nullptr);
    // Ticks under the groove at these fractions of its length (the markers
    // of what plays); none draws none.
    void SetMarks(std::vector<double> fractions);
    const std::vector<double>& Marks() const { return marks_; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    std::vector<double> marks_;
};

}  // namespace qsr::app
