#pragma once

#include <QWidget>
#include <array>
#include <functional>
#include <string>

#include "settings/MixerRules.h"

class QCheckBox;
class QFrame;
class QLabel;
class QPushButton;
class QSlider;

namespace qsr::audio {
class IAudioRecorder;
}

namespace qsr::settings {

// The "Mixer" page of the Formats and Filters dialog: one column per source
// line of the recorder's current device, with volume, balance, a tick that
// makes the line the recording source, and "Advanced" for its further
// controls. The recorder holds the mixer state; every change goes to it at
// once and the page shows what it reads back. Nothing here is stored in
// settings.dat.
class MixerPage : public QWidget {
    Q_OBJECT
  public:
    // Shows the advanced dialog of the recorder's current line, owned by the
    // given window (the page's own); main() hands it over.
    using AdvancedOpener = std::function<void(QWidget& owner)>;
    MixerPage(audio::IAudioRecorder& recorder, AdvancedOpener openAdvanced,
              QWidget* parent = nullptr);
    ~MixerPage() override;

    // Fills columns 0..n from lines 0..n (n at most 7; -1 shows none).
    void BuildMixerPage(int n);

    // The column handlers, each with the index of the column that fired.
    void chSelect_MouseUp(int index);
    void slVolume_Click(int index);
    void slBalance_Click(int index);
    void cmdAdvanced_Click(int index);

    // Columns shown by the last build.
    int ColumnsShown() const { return shown_; }

  private:
    // Controls, named as the window's parts.
    QFrame* Frame14 = nullptr;
    QLabel* lblNote = nullptr;
    std::array<QWidget*, kMixerColumns> Column{};
    std::array<QLabel*, kMixerColumns> Label{};
    std::array<QLabel*, kMixerColumns> Label3{};  // "Volume:"
    std::array<QSlider*, kMixerColumns> slVolume{};
    std::array<QLabel*, kMixerColumns> Label2{};  // "Balance:"
    std::array<QSlider*, kMixerColumns> slBalance{};
    std::array<QCheckBox*, kMixerColumns> chSelect{};
    std::array<QPushButton*, kMixerColumns> cmdAdvanced{};

    // Volume and balance of every shown column as the recorder holds them now
    // (lines of one device may share them); leaves line `current` selected.
    void ReadBackLevels(int current);
    // Column i's controls, one above the other, and their handlers.
    QWidget* BuildColumn(int i);
    void ConnectColumn(int i);
    void ShowVolume(int column, int volume);
    void ShowBalance(int column, int balance);
    void NameColumn(int column, const QString& line);

    audio::IAudioRecorder& recorder_;
    AdvancedOpener openAdvanced_;
    int shown_ = 0;
    bool showing_ = false;  // the page sets a slider: no handler runs
};

}  // namespace qsr::settings
