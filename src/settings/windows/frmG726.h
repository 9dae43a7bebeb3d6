#pragma once

#include <vector>

#include "settings/windows/OptionDialogParts.h"

class QPushButton;
class QRadioButton;

namespace qsr::settings {

// "Set CCUIT G.726 Format": rate and bits per sample of G.726 ADPCM.
class frmG726 : public FormatOptionDialog {
    Q_OBJECT
  public:
    frmG726(services::DesktopServices desktop, audio::IAudioFile& file, FormatValues& values,
            std::string settingsFile, SetSummary setSummary, QWidget* parent = nullptr);

    // Skin, then section "g726" into the shared values and the buttons.
    void Form_Load();
    void F_Click(int index);        // F1..F10: index 0..9
    void Option1_Click(int index);  // 0..3: 2..5 bits
    void cmdOK_Click();
    void cmdCancel_Click();

  private:
    // Controls, named as the window's parts.
    std::vector<QRadioButton*> F;
    std::vector<QRadioButton*> Option1;  // "2 bit ", "3 bit", "4 bit ", "5 bit"
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;
};

// Creates the dialog, loads it and shows it modal; its result.
int ShowG726Options(services::DesktopServices desktop, audio::IAudioFile& file,
                    FormatValues& values, const std::string& settingsFile, SetSummary setSummary,
                    QWidget* parent = nullptr);

}  // namespace qsr::settings
