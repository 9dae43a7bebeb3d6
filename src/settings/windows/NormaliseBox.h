#pragma once

#include <QGroupBox>

#include "settings/LoudnessSettings.h"

class QCheckBox;
class QDoubleSpinBox;

namespace qsr::settings {

// The Output Files dialog's loudness box: "Normalise to [-16] LUFS, true
// peak <= [-1] dBTP" (LoudnessSettings; off, which is how a fresh
// installation converts).
class NormaliseBox : public QGroupBox {
    Q_OBJECT
  public:
    explicit NormaliseBox(QWidget* parent = nullptr);

    void Show(const LoudnessSettings& s);
    LoudnessSettings Value() const;

  private:
    QCheckBox* chNormalise = nullptr;     // "Normalise to"
    QDoubleSpinBox* udTarget = nullptr;   // LUFS
    QDoubleSpinBox* udCeiling = nullptr;  // dBTP
};

}  // namespace qsr::settings
