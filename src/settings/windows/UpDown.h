#pragma once

#include <QSpinBox>

class QLineEdit;

namespace qsr::settings {

// An up-down control beside a number box (its buddy): only the arrows show.
// The arrows step the number in the box within the range; a number put into
// the box (typed or loaded) becomes the value, held inside the range; text
// that is not a number leaves the value. The box keeps its text as it stands,
// so what the user typed is what gets stored.
class UpDown : public QSpinBox {
    Q_OBJECT
  public:
    UpDown(const char* name, int minimum, int maximum, int step, QWidget* parent);

    void SetBuddy(QLineEdit* box);
    QLineEdit* Buddy() const { return buddy_; }

    void stepBy(int steps) override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

  private:
    void FromBuddy(const QString& text);
    QLineEdit* buddy_ = nullptr;
};

}  // namespace qsr::settings
