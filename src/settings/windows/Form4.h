#pragma once

#include <QDialog>
#include <string>

#include "platform/services/Services.h"
#include "settings/LoudnessSettings.h"
#include "settings/OutputFilesRules.h"

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace qsr::settings {
class NormaliseBox;
class SplitFilesBox;
}  // namespace qsr::settings

namespace qsr::settings {

// The Output Files dialog: where recordings go, how they are named and when
// they are split. It reads and writes the naming and split keys of
// settings.dat only; every recording start reads them again, so OK takes
// effect from the next recording. A save that fails is reported, and the
// dialog stays open showing what is stored.
class Form4 : public QDialog {
    Q_OBJECT
  public:
    Form4(std::string applicationFolder, services::DesktopServices desktop,
          QWidget* parent = nullptr);
    ~Form4() override;

    // Skin, then the controls from the stored values.
    void Form_Load();

    void Command1_Click();  // "OK": check the name, store, close
    void Command2_Click();  // "Cancel": close, store nothing
    void Command3_Click();  // "Reload": the stored values back into the controls
    void Command4_Click();  // "Browse...": the folder picker

    // The folder last chosen through "Browse..." (empty until then).
    const std::string& ChosenFolder() const { return chosenFolder_; }

  private:
    // Controls, named as the window's parts.
    QGroupBox* Frame1 = nullptr;  // "Save Recording Sound Files to"
    QLabel* SkinLabel1 = nullptr;
    QLineEdit* Text2 = nullptr;  // output folder
    QPushButton* Command4 = nullptr;
    QLabel* SkinLabel2 = nullptr;
    QLineEdit* Text1 = nullptr;  // base file name
    QLabel* SkinLabel3 = nullptr;
    QCheckBox* Check1 = nullptr;
    QGroupBox* Frame2 = nullptr;  // "If same as an existed file"
    QRadioButton* Option1 = nullptr;
    QRadioButton* Option2 = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* Command2 = nullptr;
    QPushButton* Command3 = nullptr;
    SplitFilesBox* splitBox = nullptr;     // "Split long recordings"
    NormaliseBox* normaliseBox = nullptr;  // "Normalise to [-16] LUFS ..."

    std::string SettingsFile() const;
    void ShowChoice(const OutputFilesChoice& choice);

    std::string applicationFolder_;
    services::DesktopServices desktop_;
    std::string chosenFolder_;
    OutputFilesChoice loaded_;   // what the controls were last filled from
    LoudnessSettings loudness_;  // the loudness box's, likewise
};

// Loads the dialog and shows it modal through the desktop's modal runner;
// true when OK stored the values.
bool ShowOutputFiles(const std::string& applicationFolder, services::DesktopServices desktop,
                     QWidget* owner = nullptr);

}  // namespace qsr::settings
