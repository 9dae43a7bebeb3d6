#pragma once

#include <QDialog>
#include <string>

class QCheckBox;
class QComboBox;
class QSlider;

namespace qsr::audio {
class IAudioRecorder;
}
namespace qsr::services {
class IModalRunner;
}

namespace qsr::settings {

// The advanced controls of the recorder's current line: one chosen from the
// list is edited with a tick box (yes/no) or a slider (a level). Each change
// goes to the recorder at once and shows what it reads back; the window has
// no OK or Cancel, only its close box.
class frmAdv : public QDialog {
    Q_OBJECT
  public:
    frmAdv(audio::IAudioRecorder& recorder, std::string applicationFolder,
           QWidget* parent = nullptr);
    ~frmAdv() override;

    // Skin, caption from the line's name, the list of its controls, the first chosen.
    void Form_Load();

    void Combo1_Click();
    void Check1_Click();
    void Slider1_Click();

  private:
    // Controls, named as the window's parts.
    QComboBox* Combo1 = nullptr;
    QCheckBox* Check1 = nullptr;
    QSlider* Slider1 = nullptr;

    void ShowSliderValue(std::int32_t level);

    audio::IAudioRecorder& recorder_;
    std::string applicationFolder_;
    bool showing_ = false;  // the window sets a control: no handler runs
};

// Loads the advanced dialog of the recorder's current line and shows it
// modally over owner; what main() hands the mixer page.
void ShowAdvancedProperties(audio::IAudioRecorder& recorder, const std::string& applicationFolder,
                            services::IModalRunner* modal, QWidget& owner);

}  // namespace qsr::settings
