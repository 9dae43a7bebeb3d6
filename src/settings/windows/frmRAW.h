#pragma once

#include <vector>

#include "settings/windows/OptionDialogParts.h"

class QRadioButton;

namespace qsr::settings {

// "Set RAW Format": rate, channels and the sample coding of headerless files.
class frmRAW : public FormatOptionDialog {
    Q_OBJECT
  public:
    explicit frmRAW(FormatOptionInputs inputs, QWidget* parent = nullptr);

  private:
    // Section "raw".
    void LoadSection() override;
    SettingsSave StoreSection() override;
    void ApplySection() override;

    // Controls, named as the window's parts.
    std::vector<QRadioButton*> F;        // F1..F10
    std::vector<QRadioButton*> P;        // P1 "Mono", P2 "Stereo"
    std::vector<QRadioButton*> coding_;  // C1 "16-bit PCM", C2 "8-bit A-Law ", C3 "8-bit mu-Law "
};

}  // namespace qsr::settings
