#pragma once

#include <QWidget>
#include <string>
#include <vector>

#include "settings/SecondSourceSettings.h"

class QComboBox;
class QLabel;
class QProgressBar;
class QSlider;
class QTimer;

namespace qsr::audio {
class IAudioRecorder;
}

namespace qsr::settings {

// The "Second source" page of the Formats and Filters dialog: a device,
// monitor or program recorded with the Record Device, how the two go into
// the recording, and the second's own level with its meter. Shows and
// returns values; the dialog loads and stores them.
class SecondSourcePage : public QWidget {
    Q_OBJECT
  public:
    explicit SecondSourcePage(QWidget* parent = nullptr);

    // The choices are the recorder's devices that can be combined (each
    // program of "Programs" on its own), looked up when the page is first
    // shown, so opening the dialog leaves the recorder alone; a stored
    // device not there now stays listed, so OK keeps it.
    void Show(const SecondSourceSettings& s, audio::IAudioRecorder* recorder);
    SecondSourceSettings Value() const;

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void ListChoices();
    struct Choice {
        std::string device, program;
    };
    // Controls, named as the window's parts.
    QComboBox* cboSecondSource = nullptr;
    QComboBox* cboLayout = nullptr;
    QSlider* sldSecondLevel = nullptr;
    QLabel* lblSecondLevel = nullptr;
    QProgressBar* pbSecondMeter = nullptr;
    QTimer* meter_ = nullptr;

    std::vector<Choice> choices_;  // of cboSecondSource, "None" first
    audio::IAudioRecorder* recorder_ = nullptr;
    bool listed_ = false;  // the recorder's devices are in the list
    void UpdateEnabled();
};

}  // namespace qsr::settings
