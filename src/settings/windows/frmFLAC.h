#pragma once

#include "settings/windows/OptionDialogParts.h"

class QPushButton;
class QRadioButton;
class QSpinBox;

namespace qsr::settings {

// "Set FLAC Format": bits per sample and compression level. FLAC records at
// the WAV rate and channels. Nothing changes before OK.
class frmFLAC : public FormatOptionDialog {
    Q_OBJECT
  public:
    frmFLAC(services::DesktopServices desktop, audio::IAudioFile& file, FormatValues& values,
            std::string settingsFile, SetSummary setSummary, QWidget* parent = nullptr);

    // Skin, then section "flac" into the shared values and the controls.
    void Form_Load();
    void cmdOK_Click();
    void cmdCancel_Click();

  private:
    // Controls, named as the window's parts.
    QRadioButton* B16 = nullptr;  // "16 bit"
    QRadioButton* B24 = nullptr;  // "24 bit"
    QSpinBox* udLevel = nullptr;  // compression level 0..8
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;
};

// Creates the dialog, loads it and shows it modal; its result.
int ShowFlacOptions(services::DesktopServices desktop, audio::IAudioFile& file,
                    FormatValues& values, const std::string& settingsFile, SetSummary setSummary,
                    QWidget* parent = nullptr);

}  // namespace qsr::settings
