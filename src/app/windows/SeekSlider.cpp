#include "app/windows/SeekSlider.h"

#include <QProxyStyle>

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

}  // namespace qsr::app
