#include "app/windows/ElidedLabel.h"

#include <QPainter>

namespace qsr::app {

QSize ElidedLabel::sizeHint() const {
    return {0, QLabel::sizeHint().height()};
}

QSize ElidedLabel::minimumSizeHint() const {
    return {0, QLabel::minimumSizeHint().height()};
}

void ElidedLabel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect area = contentsRect();
    const QString shown = fontMetrics().elidedText(text(), Qt::ElideMiddle, area.width());
    painter.drawText(area, static_cast<int>(alignment() | Qt::AlignVCenter), shown);
    setToolTip(shown == text() ? QString() : text());
}

}  // namespace qsr::app
