#include "app/windows/SeekSlider.h"

#include <QPainter>
#include <QProxyStyle>
#include <QStyleOptionSlider>

namespace qsr::app {
namespace {

// The style's own "absolute set" click for the left button, which most
// styles give to the middle one only.
class ClickToSetStyle : public QProxyStyle {
  public:
    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override {
        if (hint == SH_Slider_AbsoluteSetButtons) return Qt::LeftButton | Qt::MiddleButton;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

}  // namespace

SeekSlider::SeekSlider(Qt::Orientation orientation, QWidget* parent)
    : QSlider(orientation, parent) {
    auto* style = new ClickToSetStyle;  // over the application's style
    style->setParent(this);
    setStyle(style);
}

void SeekSlider::SetMarks(std::vector<double> fractions) {
    marks_ = std::move(fractions);
    update();
}

void SeekSlider::paintEvent(QPaintEvent* event) {
    QSlider::paintEvent(event);
    if (marks_.empty()) return;
    QStyleOptionSlider option;
    initStyleOption(&option);
    const QRect handle =
        style()->subControlRect(QStyle::CC_Slider, &option, QStyle::SC_SliderHandle, this);
    // The handle's centre runs over this span.
    const int span = width() - handle.width();
    QPainter painter(this);
    painter.setPen(QPen(palette().color(QPalette::Highlight), 2));
    for (const double f : marks_) {
        const int x = handle.width() / 2 + static_cast<int>(f * span);
        painter.drawLine(x, height() - 5, x, height() - 1);
    }
}

}  // namespace qsr::app
