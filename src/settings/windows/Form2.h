#pragma once

#include <QDialog>
#include <functional>
#include <string>

#include "core/OutputFormats.h"
#include "platform/services/Services.h"
#include "settings/FormatValues.h"

class QCheckBox;
class QGroupBox;
class QLineEdit;
class QPushButton;
class QTabWidget;
class QVBoxLayout;

namespace qsr::audio {
class IAudioFile;
class IAudioRecorder;
}  // namespace qsr::audio

namespace qsr::settings {

class SecondSourcePage;
class TriggerPage;
class UpDown;

// What the "..." buttons open: each format's option dialog, shown modal. An
// option dialog's OK hands its new description back through SetSummary.
struct FormatOptionOpeners {
    std::function<void()> mp3, ogg, wav, vox, raw, g726;
    std::function<void()> flac, opus;
};

// The Formats and Filters dialog: the summary of every output format with the
// buttons to its option dialog, the recording filters and the automatic gain
// control, and the "Mixer" page. Opening it changes nothing in the recorder
// (nor in a running take); OK stores the filters and gain control in section
// "other" and hands them to the recorder; Cancel writes and sends nothing.
class Form2 : public QDialog {
    Q_OBJECT
  public:
    // recorder, file: the main window's components (either may be absent);
    // values: the shared format values the summaries are built from.
    Form2(audio::IAudioRecorder* recorder, audio::IAudioFile* file, const FormatValues& values,
          std::string applicationFolder, FormatOptionOpeners openers, QWidget* parent = nullptr);
    ~Form2() override;

    // The mixer page goes into the "Mixer" tab; loading calls buildMixerPage
    // with the capture device's last source-line index (at most 7).
    void SetMixerPage(QWidget* page, std::function<void(int)> buildMixerPage);

    // The summary box of one format (an option dialog's OK refreshes it).
    void SetSummary(core::Encoder which, const std::string& text);
    std::string Summary(core::Encoder which) const;

    // Where OK reports a settings file it could not write.
    void SetMessageBox(services::IMessageBox* box) { messageBox_ = box; }

    void Form_Load();
    void Command1_Click();  // OK
    void Command2_Click();  // Cancel
    void cmdMP3_Click();
    void cmdWAV_Click();
    void cmdVOX_Click();
    void cmdOgg_Click();
    void cmdRAW_Click();
    void cmdG726_Click();
    void chFilter_Click();
    void chFilter1_Click();
    void chFilter2_Click();
    void chAutoGainControl_Click();

  private:
    // Controls, named as the window's parts.
    QTabWidget* SSTab1 = nullptr;
    QWidget* mixerTab = nullptr;
    QLineEdit* txtMP3 = nullptr;
    QLineEdit* txtWAV = nullptr;
    QLineEdit* txtVOX = nullptr;
    QLineEdit* txtOGG = nullptr;
    QLineEdit* txtRAW = nullptr;
    QLineEdit* txtG726 = nullptr;
    QLineEdit* txtFLAC = nullptr;
    QLineEdit* txtOPUS = nullptr;
    QPushButton* cmdMP3 = nullptr;
    QPushButton* cmdWAV = nullptr;
    QPushButton* cmdVOX = nullptr;
    QPushButton* cmdOgg = nullptr;
    QPushButton* cmdRAW = nullptr;
    QPushButton* cmdG726 = nullptr;
    QPushButton* cmdFLAC = nullptr;
    QPushButton* cmdOPUS = nullptr;
    QCheckBox* chFilter = nullptr;   // "Notch"
    QCheckBox* chFilter1 = nullptr;  // "HighPass"
    QCheckBox* chFilter2 = nullptr;  // "LowPass"
    QLineEdit* txtNotchFreq = nullptr;
    QLineEdit* txtHighPassFreq = nullptr;
    QLineEdit* txtLowPassFreq = nullptr;
    UpDown* udNotchFreq = nullptr;
    UpDown* udHighPassFreq = nullptr;
    UpDown* udLowPassFreq = nullptr;
    QCheckBox* chAutoGainControl = nullptr;  // "Enabled"
    QLineEdit* txtAGCLowLevel = nullptr;
    QLineEdit* txtAGCHighLevel = nullptr;
    QLineEdit* txtAGCAttackTime = nullptr;
    UpDown* udAGCLowLevel = nullptr;
    UpDown* udAGCHighLevel = nullptr;
    UpDown* udAGCAttackTime = nullptr;
    TriggerPage* triggerTab = nullptr;            // "Triggers": section [trigger]
    SecondSourcePage* secondSourceTab = nullptr;  // "Second source": [secondsource]
    QPushButton* Command1 = nullptr;              // "OK"
    QPushButton* Command2 = nullptr;              // "Cancel"

    QWidget* BuildFormatsPage();
    QGroupBox* BuildSummaryFrame(QWidget* page);
    QGroupBox* BuildFiltersFrame(QWidget* page);
    QGroupBox* BuildGainControlFrame(QWidget* page);
    QLineEdit* SummaryBox(core::Encoder which) const;
    std::string SettingsFile() const;

    audio::IAudioRecorder* recorder_;
    audio::IAudioFile* file_;
    const FormatValues& values_;
    services::IMessageBox* messageBox_ = nullptr;
    std::string applicationFolder_;
    FormatOptionOpeners openers_;
    QVBoxLayout* mixerLayout_ = nullptr;
    std::function<void(int)> buildMixerPage_;
};

}  // namespace qsr::settings
