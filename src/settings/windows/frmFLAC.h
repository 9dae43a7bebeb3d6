#pragma once

#include <vector>

#include "settings/windows/OptionDialogParts.h"

class QRadioButton;
class QSpinBox;

namespace qsr::settings {

// "Set FLAC Format": bits per sample and compression level. FLAC records at
// the WAV rate and channels. Nothing changes before OK.
class frmFLAC : public FormatOptionDialog {
    Q_OBJECT
  public:
    explicit frmFLAC(FormatOptionInputs inputs, QWidget* parent = nullptr);

  private:
    // Section "flac".
    void LoadSection() override;
    SettingsSave StoreSection() override;
    void ApplySection() override;

    // Controls, named as the window's parts.
    std::vector<QRadioButton*> bits_;  // B16 "16 bit", B24 "24 bit"
    QSpinBox* udLevel = nullptr;       // compression level 0..8
};

}  // namespace qsr::settings
