#pragma once

#include <vector>

#include "settings/windows/OptionDialogParts.h"

class QPushButton;
class QRadioButton;

namespace qsr::settings {

// "Set VOX Format": the VOX sample rate.
class frmVOX : public FormatOptionDialog {
    Q_OBJECT
  public:
    frmVOX(services::DesktopServices desktop, audio::IAudioFile& file, FormatValues& values,
           std::string settingsFile, SetSummary setSummary, QWidget* parent = nullptr);

    // Skin, then section "vox" into the shared values and the buttons.
    void Form_Load();
    void F_Click(int index);  // F1..F8: index 0..7
    void cmdOK_Click();
    void cmdCancel_Click();

  private:
    // Controls, named as the window's parts.
    std::vector<QRadioButton*> F;
    QPushButton* cmdOK = nullptr;      // "Ok"
    QPushButton* cmdCancel = nullptr;  // "Cancel"
};

// Creates the dialog, loads it and shows it modal; its result.
int ShowVoxOptions(services::DesktopServices desktop, audio::IAudioFile& file, FormatValues& values,
                   const std::string& settingsFile, SetSummary setSummary,
                   QWidget* parent = nullptr);

}  // namespace qsr::settings
