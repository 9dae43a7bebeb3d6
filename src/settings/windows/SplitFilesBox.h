#pragma once

#include <QGroupBox>
#include <string>

class QCheckBox;
class QSpinBox;

namespace qsr::settings {

// The Output Files dialog's "Split long recordings" box: a new file every N
// minutes and/or every N MB. Stored in section "set" as `splitminutes` and
// `splitmb`; 0 or absent is off, which is how a fresh installation records.
class SplitFilesBox : public QGroupBox {
    Q_OBJECT
  public:
    explicit SplitFilesBox(QWidget* parent = nullptr);

    // The stored keys into the controls (a value that is not a whole number
    // above 0 shows the measure off).
    void Load(const std::string& settingsFile);
    // The controls into the stored keys: N when ticked, else 0.
    void Store(const std::string& settingsFile) const;

  private:
    // Controls, named as the window's parts.
    QCheckBox* chMinutes = nullptr;  // "Start a new file every"
    QSpinBox* udMinutes = nullptr;   // minutes
    QCheckBox* chMegabytes = nullptr;
    QSpinBox* udMegabytes = nullptr;  // MB
};

}  // namespace qsr::settings
