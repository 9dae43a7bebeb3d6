#pragma once

#include <vector>

#include "settings/windows/OptionDialogParts.h"

class QRadioButton;

namespace qsr::settings {

// "Set CCUIT G.726 Format": rate and bits per sample of G.726 ADPCM.
class frmG726 : public FormatOptionDialog {
    Q_OBJECT
  public:
    explicit frmG726(FormatOptionInputs inputs, QWidget* parent = nullptr);

  private:
    // Section "g726".
    void LoadSection() override;
    SettingsSave StoreSection() override;
    void ApplySection() override;

    // Controls, named as the window's parts.
    std::vector<QRadioButton*> F;        // F1..F10
    std::vector<QRadioButton*> Option1;  // "2 bit ", "3 bit", "4 bit ", "5 bit"
};

}  // namespace qsr::settings
