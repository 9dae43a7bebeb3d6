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
    frmWAV(services::DesktopServices desktop, audio::IAudioFile& file, FormatValues& values,
           std::string settingsFile, SetSummary setSummary, QWidget* parent = nullptr);

    // Skin, then section "wav" into the shared values and the buttons.
    void Form_Load();
    void F_Click(int index);  // F1..F8: index 0..7
    void P1_Click();
    void P2_Click();
    void Command1_Click();  // OK
    void Command2_Click();  // Cancel
    void cmdPCM_Click();
    void cmdADPCM_Click();
    void cmdGSM_Click();
    void cmdDSP_Click();
    void cmdMenu_Click();
    void cmdSample_Click();

  private:
    // Controls, named as the window's parts.
    std::vector<QRadioButton*> F;
    QRadioButton* P1 = nullptr;  // "Mono"
    QRadioButton* P2 = nullptr;  // "Stereo"
    QPushButton* cmdPCM = nullptr;
    QPushButton* cmdADPCM = nullptr;
    QPushButton* cmdGSM = nullptr;
    QPushButton* cmdDSP = nullptr;
    QPushButton* cmdMenu = nullptr;
    QPushButton* cmdSample = nullptr;
    QPushButton* Command1 = nullptr;  // "OK"
    QPushButton* Command2 = nullptr;  // "Cancel"

    // A codec that may refuse the rate or channels: its description, or the
    // message and the dialog stays open.
    void AcceptCodec();
};

// Creates the dialog, loads it and shows it modal; its result.
int ShowWavOptions(services::DesktopServices desktop, audio::IAudioFile& file, FormatValues& values,
                   const std::string& settingsFile, SetSummary setSummary,
                   QWidget* parent = nullptr);

}  // namespace qsr::settings
