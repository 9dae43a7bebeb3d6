#pragma once

#include <functional>
#include <memory>
#include <string>

#include "settings/FormatValues.h"
#include "settings/windows/OptionDialogParts.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;
class QTabWidget;

namespace qsr::audio {
class IAudioEngine;
class IAudioFile;
class IMp3Settings;
}  // namespace qsr::audio

namespace qsr::settings {

class UpDown;

// The MP3 options dialog. Each opening works on a fresh MP3 settings object
// whose properties the controls change at once; the shared MP3 bitrate, rate
// and channels change with the sliders and lists. OK stores those three in
// section "mp3", hands the object to the main window's file component and
// passes the component's new description to `summary`. Cancel writes nothing
// and hands nothing over.
class frmMP3 : public FormatValuesDialog {
    Q_OBJECT
  public:
    frmMP3(audio::IAudioEngine& engine, audio::IAudioFile* file, FormatValues& values,
           std::string applicationFolder, std::function<void(const std::string&)> summary,
           QWidget* parent = nullptr);
    ~frmMP3() override;

    // The settings object this opening works on (none before Form_Load).
    audio::IMp3Settings* Settings() const { return settings_.get(); }

    // Where OK reports a settings file it could not write.
    void SetMessageBox(services::IMessageBox* box) { messageBox_ = box; }

    void Form_Load();
    // OK. A settings file that cannot be written is reported (naming it and
    // why); the shared values and the summary then show what is stored and
    // the dialog closes as cancelled.
    void Command1_Click();
    // Cancel; like Escape and the close box it puts the shared bitrate, rate
    // and channels back as the dialog found them.
    void Command2_Click();

    void Slider1_Scroll();
    void Slider2_Scroll();
    void Slider3_Scroll();
    void Combo1_Click();
    void Combo2_Click();
    void Combo3_Click();
    void Combo4_Click();
    void Combo5_Click();
    void Check1_Click();
    void Check2_Click();
    void Check3_Click();
    void Check4_Click();
    void Check5_Click();
    void Check6_Click();
    void Check7_Click();
    void chHFilt_Click();
    void chLFilt_Click();
    void udABR_Change();
    void udVbrQ_Change();
    void udHFiltF_Change();
    void udHFiltW_Change();
    void udLFiltF_Change();
    void udLFiltW_Change();

  private:
    // Controls, named as the window's parts.
    QTabWidget* SSTab1 = nullptr;
    // "General"
    QSlider* Slider1 = nullptr;  // bitrate position
    QLabel* Label1 = nullptr;
    QSlider* Slider2 = nullptr;   // encoder quality
    QComboBox* Combo3 = nullptr;  // channels
    QComboBox* Combo5 = nullptr;  // frequency
    // "Filtering"
    QCheckBox* chHFilt = nullptr;
    QLineEdit* tHFiltF = nullptr;
    UpDown* udHFiltF = nullptr;
    QLineEdit* tHFiltW = nullptr;
    UpDown* udHFiltW = nullptr;
    QLabel* Label11 = nullptr;
    QCheckBox* chLFilt = nullptr;
    QLineEdit* tLFiltF = nullptr;
    UpDown* udLFiltF = nullptr;
    QLineEdit* tLFiltW = nullptr;
    UpDown* udLFiltW = nullptr;
    QLabel* Label13 = nullptr;
    // "VBR"
    QComboBox* Combo1 = nullptr;  // coding method
    QLabel* Label14 = nullptr;
    QLabel* Label15 = nullptr;
    QLineEdit* tVbrQ = nullptr;
    UpDown* udVbrQ = nullptr;
    QLabel* Label9 = nullptr;
    QLineEdit* tABR = nullptr;
    UpDown* udABR = nullptr;
    QGroupBox* frameMaxVbr = nullptr;  // "Maximum VBR Bitrate"
    QSlider* Slider3 = nullptr;
    QLabel* Label8 = nullptr;
    QGroupBox* frameAdvanced = nullptr;  // "Advanced"
    QCheckBox* Check1 = nullptr;
    QCheckBox* Check2 = nullptr;
    // "Expert"
    QCheckBox* Check7 = nullptr;
    QCheckBox* Check6 = nullptr;
    QCheckBox* Check5 = nullptr;
    QCheckBox* Check4 = nullptr;
    QCheckBox* Check3 = nullptr;
    QComboBox* Combo2 = nullptr;  // ATH control
    QLabel* Label10 = nullptr;
    QComboBox* Combo4 = nullptr;  // de-emphasis
    QLabel* Label12 = nullptr;
    QPushButton* Command1 = nullptr;  // "OK"
    QPushButton* Command2 = nullptr;  // "Cancel"

    QWidget* BuildGeneralPage();
    QWidget* BuildFilteringPage();
    QWidget* BuildVbrPage();
    QWidget* BuildExpertPage();
    void ConnectHandlers();
    // Loading, in its order: each step shows the settings object's values
    // without setting them again.
    void ShowGeneralDefaults();
    void ShowVbrOptions();
    void ShowFilters();
    void ShowExpertOptions();
    void ShowStoredValues();
    std::string SettingsFile() const;
    void ShowBitrate(int kbps);

    audio::IAudioEngine& engine_;
    audio::IAudioFile* file_;
    std::string applicationFolder_;
    std::function<void(const std::string&)> summary_;
    std::unique_ptr<audio::IMp3Settings> settings_;
    services::IMessageBox* messageBox_ = nullptr;
};

// Loads the MP3 options dialog and shows it modal through `exec`; true when
// the user pressed OK.
bool ShowMp3Options(audio::IAudioEngine& engine, audio::IAudioFile* file, FormatValues& values,
                    const std::string& applicationFolder,
                    std::function<void(const std::string&)> summary,
                    const std::function<int(QDialog&)>& exec, QWidget* parent = nullptr,
                    services::IMessageBox* messageBox = nullptr);

}  // namespace qsr::settings
