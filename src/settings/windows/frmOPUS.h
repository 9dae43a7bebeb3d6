#pragma once

#include <vector>

#include "settings/windows/OptionDialogParts.h"

class QRadioButton;
class QSpinBox;

namespace qsr::settings {

// "Set OPUS Format": bitrate per channel pair and the kind of sound. Opus
// records at the WAV rate and channels (coded at 48 kHz). Nothing changes
// before OK.
class frmOPUS : public FormatOptionDialog {
    Q_OBJECT
  public:
    explicit frmOPUS(FormatOptionInputs inputs, QWidget* parent = nullptr);

  private:
    // Section "opus".
    void LoadSection() override;
    SettingsSave StoreSection() override;
    void ApplySection() override;

    // Controls, named as the window's parts.
    QSpinBox* udBitrate = nullptr;            // kbit/s per channel pair
    std::vector<QRadioButton*> application_;  // AppAudio "Audio (music)", AppVoip "VoIP (speech)"
};

}  // namespace qsr::settings
