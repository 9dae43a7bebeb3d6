#pragma once

#include <QDialog>
#include <QString>
#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "platform/services/Services.h"
#include "settings/FormatValues.h"

class QGroupBox;
class QHBoxLayout;
class QObject;
class QPushButton;
class QRadioButton;
class QWidget;

namespace qsr::audio {
class IAudioFile;
}

namespace qsr::settings {

// Hands a format description to the summary box of the dialog that opened
// an option dialog.
using SetSummary = std::function<void(const std::string&)>;

// What every format option dialog works on: the desktop services, the main
// window's file component, the shared format values and settings.dat.
class FormatOptionDialog : public QDialog {
    Q_OBJECT
  public:
    FormatOptionDialog(services::DesktopServices desktop, audio::IAudioFile& file,
                       FormatValues& values, std::string settingsFile, SetSummary setSummary,
                       QWidget* parent);

    // Shown modal through the desktop's runner; the dialog's result.
    int RunModal();

  public slots:
    // Cancel, Escape and the close box: the option buttons changed the shared
    // values at once, so they go back to what the dialog found.
    void reject() override;

  protected:
    // The skin of the application folder settings.dat lies in.
    void ApplyApplicationSkin();
    // The file component's description of the format last set goes into the
    // summary box.
    void CopyDescription();
    // "Format Parametr not valid", when the component refused the format.
    void ShowFormatNotValid();

    services::DesktopServices desktop_;
    audio::IAudioFile& file_;
    FormatValues& values_;
    std::string settingsFile_;
    SetSummary setSummary_;

  private:
    FormatValues found_;
};

// Pieces the format option dialogs share.

// An option button with its name and caption (the caption is also its
// accessible name).
QRadioButton* MakeOptionButton(QWidget* parent, const QString& name, const QString& caption);
QPushButton* MakeCommandButton(QWidget* parent, const QString& name, const QString& caption);

// The dialog's closing row: the buttons at the right, the first one the
// default (Enter presses it).
QHBoxLayout* MakeClosingRow(std::initializer_list<QPushButton*> buttons);

// Calls chosen(i) when option button i of the group is ticked.
void OnOptionChosen(QObject* context, const std::vector<QRadioButton*>& group,
                    std::function<void(int)> chosen);

// The "Frequency (Hz)" frame with the first `count` rate buttons F1.. in two
// columns; `blankAfter11025` gives F5 the caption "11025 " (VOX, RAW, G.726).
QGroupBox* MakeRateFrame(QWidget* parent, int count, bool blankAfter11025,
                         std::vector<QRadioButton*>& buttons);

// The application folder a settings file lies in (for the skin).
std::string FolderOfSettingsFile(const std::string& settingsFile);

}  // namespace qsr::settings
