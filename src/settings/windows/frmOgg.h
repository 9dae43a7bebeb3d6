#pragma once

#include "settings/windows/OptionDialogParts.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QSlider;

namespace qsr::settings {

// "Ogg Vorbis Option": a nominal bitrate, optionally a range between a minimum
// and a maximum, or a quality instead of bitrates (quality wins).
class frmOgg : public FormatOptionDialog {
    Q_OBJECT
  public:
    explicit frmOgg(FormatOptionInputs inputs, QWidget* parent = nullptr);

    void chVbr_Click();
    void chQuality_Click();
    void sldrBitrate_Scroll();
    void sldrMinBitrate_Scroll();
    void sldrMaxBitrate_Scroll();
    void sldrQuality_Scroll();

  private:
    // Section "ogg": the shared values, sliders and ticks.
    void LoadSection() override;
    SettingsSave StoreSection() override;
    void ApplySection() override;

    // Controls, named as the window's parts.
    QGroupBox* frmOption = nullptr;
    QCheckBox* chVbr = nullptr;      // "VBR Enabled"
    QCheckBox* chQuality = nullptr;  // "Quality Enabled"
    QLabel* lblBitrate = nullptr;
    QSlider* sldrBitrate = nullptr;  // positions 1..6 of the bitrate table
    QGroupBox* frmVbr = nullptr;
    QLabel* lblMinBitrate = nullptr;
    QSlider* sldrMinBitrate = nullptr;
    QLabel* lblMaxBitrate = nullptr;
    QSlider* sldrMaxBitrate = nullptr;
    QGroupBox* frmQuality = nullptr;
    QSlider* sldrQuality = nullptr;  // 0..1000, hundredths of a quality step

    // Label and slider text of a bitrate slider.
    static void ShowBitrate(QLabel* label, QSlider* slider, const char* prefix, int kbit);
};

}  // namespace qsr::settings
