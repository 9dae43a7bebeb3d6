#include "settings/windows/UpDown.h"

#include <QLineEdit>
#include <QStyle>
#include <QStyleOptionSpinBox>

#include "settings/SettingsRules.h"

namespace qsr::settings {

UpDown::UpDown(const char* name, int minimum, int maximum, int step, QWidget* parent)
    : QSpinBox(parent) {
    setObjectName(name);
    setRange(minimum, maximum);
    setSingleStep(step);
    // The number shows in the buddy box, not here.
    lineEdit()->hide();
    setFocusPolicy(Qt::TabFocus);
}

void UpDown::SetBuddy(QLineEdit* box) {
    buddy_ = box;
    connect(box, &QLineEdit::textChanged, this, &UpDown::FromBuddy);
    FromBuddy(box->text());
}

void UpDown::FromBuddy(const QString& text) {
    std::int32_t n = 0;
    if (ConvertInt32(text.toStdString(), n)) setValue(n);  // QSpinBox holds it in range
}

void UpDown::stepBy(int steps) {
    QSpinBox::stepBy(steps);
    if (buddy_) buddy_->setText(QString::number(value()));
}

QSize UpDown::sizeHint() const {
    QStyleOptionSpinBox option;
    initStyleOption(&option);
    const QRect up =
        style()->subControlRect(QStyle::CC_SpinBox, &option, QStyle::SC_SpinBoxUp, this);
    const int width =
        std::max(up.width(), 12) + 2 * style()->pixelMetric(QStyle::PM_SpinBoxFrameWidth);
    return {width, QSpinBox::sizeHint().height()};
}

}  // namespace qsr::settings
