#pragma once

#include <vector>

#include "settings/windows/OptionDialogParts.h"

class QPushButton;
class QRadioButton;

namespace qsr::settings {

// "Set RAW Format": rate, channels and the sample coding of headerless files.
class frmRAW : public FormatOptionDialog {
    Q_OBJECT
  public:
    frmRAW(services::DesktopServices desktop, audio::IAudioFile& file, FormatValues& values,
           std::string settingsFile, SetSummary setSummary, QWidget* parent = nullptr);

    // Skin, then section "raw" into the shared values and the buttons.
    void Form_Load();
    void F_Click(int index);  // F1..F10: index 0..9
    void P1_Click();
    void P2_Click();
    void C1_Click();
    void C2_Click();
    void C3_Click();
    void cmdOK_Click();
    void cmdCancel_Click();

  private:
    // Controls, named as the window's parts.
    std::vector<QRadioButton*> F;
    QRadioButton* P1 = nullptr;  // "Mono"
    QRadioButton* P2 = nullptr;  // "Stereo"
    QRadioButton* C1 = nullptr;  // "16-bit PCM"
    QRadioButton* C2 = nullptr;  // "8-bit A-Law "
    QRadioButton* C3 = nullptr;  // "8-bit mu-Law "
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;
};

// Creates the dialog, loads it and shows it modal; its result.
int ShowRawOptions(services::DesktopServices desktop, audio::IAudioFile& file, FormatValues& values,
                   const std::string& settingsFile, SetSummary setSummary,
                   QWidget* parent = nullptr);

}  // namespace qsr::settings
