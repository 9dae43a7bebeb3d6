#pragma once

#include "settings/windows/OptionDialogParts.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QSlider;

namespace qsr::settings {

// "Ogg Vorbis Option": a nominal bitrate, optionally a range between a minimum
// and a maximum, or a quality instead of bitrates (quality wins).
class frmOgg : public FormatOptionDialog {
    Q_OBJECT
  public:
    frmOgg(services::DesktopServices desktop, audio::IAudioFile& file, FormatValues& values,
           std::string settingsFile, SetSummary setSummary, QWidget* parent = nullptr);

    // Skin, then section "ogg" into the shared values, sliders and ticks.
    void Form_Load();
    void chVbr_Click();
    void chQuality_Click();
    void sldrBitrate_Scroll();
    void sldrMinBitrate_Scroll();
    void sldrMaxBitrate_Scroll();
    void sldrQuality_Scroll();
    void cmdOK_Click();
    void cmdCancel_Click();

  private:
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
    QPushButton* cmdOk = nullptr;
    QPushButton* cmdCancel = nullptr;

    // Label and slider text of a bitrate slider.
    static void ShowBitrate(QLabel* label, QSlider* slider, const char* prefix, int kbit);
};

// Creates the dialog, loads it and shows it modal; its result.
int ShowOggOptions(services::DesktopServices desktop, audio::IAudioFile& file, FormatValues& values,
                   const std::string& settingsFile, SetSummary setSummary,
                   QWidget* parent = nullptr);

}  // namespace qsr::settings
