#pragma once

#include <QGroupBox>

#include "settings/OutputNamingSettings.h"

class QCheckBox;
class QSpinBox;

namespace qsr::settings {

// The Output Files dialog's "Split long recordings" box: a new file every N
// minutes and/or every N MB (SplitSettings; 0 is off, which is how a fresh
// installation records).
class SplitFilesBox : public QGroupBox {
    Q_OBJECT
  public:
    explicit SplitFilesBox(QWidget* parent = nullptr);

    // The stored measures into the controls (0 shows the measure off).
    void Show(const SplitSettings& split);
    // The controls' measures: N when ticked, else 0.
    SplitSettings Value() const;

  private:
    // Controls, named as the window's parts.
    QCheckBox* chMinutes = nullptr;  // "Start a new file every"
    QSpinBox* udMinutes = nullptr;   // minutes
    QCheckBox* chMegabytes = nullptr;
    QSpinBox* udMegabytes = nullptr;  // MB
};

}  // namespace qsr::settings
