#pragma once

#include <QWidget>

#include "settings/TriggerSettings.h"

class QCheckBox;
class QDoubleSpinBox;
class QSpinBox;

namespace qsr::settings {

// The "Triggers" page of the Formats and Filters dialog: start on sound, stop
// or pause on silence. Shows and returns values; the dialog loads and stores them.
class TriggerPage : public QWidget {
    Q_OBJECT
  public:
    explicit TriggerPage(QWidget* parent = nullptr);

    void Show(const TriggerSettings& trigger);
    TriggerSettings Value() const;

  private:
    // Controls, named as the window's parts.
    QCheckBox* chStartOnSound = nullptr;
    QSpinBox* udStartLevel = nullptr;  // dB
    QSpinBox* udStartTime = nullptr;   // ms
    QCheckBox* chStopOnSilence = nullptr;
    QDoubleSpinBox* udStopTime = nullptr;  // s
    QSpinBox* udSilenceLevel = nullptr;    // dB
    QCheckBox* chPauseOnSilence = nullptr;

    void UpdateEnabled();
};

}  // namespace qsr::settings
