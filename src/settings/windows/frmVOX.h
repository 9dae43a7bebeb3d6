#pragma once

#include <vector>

#include "settings/windows/OptionDialogParts.h"

class QRadioButton;

namespace qsr::settings {

// "Set VOX Format": the VOX sample rate.
class frmVOX : public FormatOptionDialog {
    Q_OBJECT
  public:
    explicit frmVOX(FormatOptionInputs inputs, QWidget* parent = nullptr);

  private:
    // Section "vox".
    void LoadSection() override;
    SettingsSave StoreSection() override;
    void ApplySection() override;

    // Controls, named as the window's parts.
    std::vector<QRadioButton*> F;  // F1..F8
};

}  // namespace qsr::settings
