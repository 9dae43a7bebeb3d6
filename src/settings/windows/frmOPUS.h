#pragma once

#include "settings/windows/OptionDialogParts.h"

class QPushButton;
class QRadioButton;
class QSpinBox;

namespace qsr::settings {

// "Set OPUS Format": bitrate per channel pair and the kind of sound. Opus
// records at the WAV rate and channels (coded at 48 kHz). Nothing changes
// before OK.
class frmOPUS : public FormatOptionDialog {
    Q_OBJECT
  public:
    frmOPUS(services::DesktopServices desktop, audio::IAudioFile& file, FormatValues& values,
            std::string settingsFile, SetSummary setSummary, QWidget* parent = nullptr);

    // Skin, then section "opus" into the shared values and the controls.
    void Form_Load();
    void cmdOK_Click();
    void cmdCancel_Click();

  private:
    // Controls, named as the window's parts.
    QSpinBox* udBitrate = nullptr;     // kbit/s per channel pair
    QRadioButton* AppAudio = nullptr;  // "Audio (music)"
    QRadioButton* AppVoip = nullptr;   // "VoIP (speech)"
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;
};

// Creates the dialog, loads it and shows it modal; its result.
int ShowOpusOptions(services::DesktopServices desktop, audio::IAudioFile& file,
                    FormatValues& values, const std::string& settingsFile, SetSummary setSummary,
                    QWidget* parent = nullptr);

}  // namespace qsr::settings
