#pragma once

#include <vector>

#include "settings/windows/OptionDialogParts.h"

class QPushButton;
class QRadioButton;

namespace qsr::settings {

// "Set WAV Format": the PCM rate and channels, stored on OK, or a compressed
// WAV coding chosen with a button, which only changes the file component's
// format until it is set again.
class frmWAV : public FormatOptionDialog {
    Q_OBJECT
  public:
    explicit frmWAV(FormatOptionInputs inputs, QWidget* parent = nullptr);

    void cmdPCM_Click();
    void cmdADPCM_Click();
    void cmdGSM_Click();
    void cmdDSP_Click();
    void cmdMenu_Click();
    void cmdSample_Click();

  private:
    // Section "wav"; OK is Command1, Cancel Command2.
    void LoadSection() override;
    SettingsSave StoreSection() override;
    void ApplySection() override;

    // Controls, named as the window's parts.
    std::vector<QRadioButton*> F;  // F1..F8
    std::vector<QRadioButton*> P;  // P1 "Mono", P2 "Stereo"

    // The component's description into the summary box, or "Format Parametr
    // not valid" when the format last set was refused; false then.
    bool DescribeOrRefuse();
    // A codec that may refuse the rate or channels: its description and the
    // dialog closes, or the message and the dialog stays open.
    void AcceptCodec();
};

}  // namespace qsr::settings
