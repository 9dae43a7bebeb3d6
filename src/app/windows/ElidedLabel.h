#pragma once

#include <QLabel>

namespace qsr::app {

// A status-bar label that never asks for the width of its text: a long text
// is shortened with an ellipsis in the middle (the full text in the tooltip),
// so the window never widens itself.
class ElidedLabel : public QLabel {
    Q_OBJECT
  public:
    using QLabel::QLabel;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace qsr::app
