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
class QSpinBox;
class QVBoxLayout;
class QWidget;

namespace qsr::audio {
class IAudioFile;
}

namespace qsr::settings {

// Hands a format description to the summary box of the dialog that opened
// an option dialog.
using SetSummary = std::function<void(const std::string&)>;

// A dialog whose controls change the shared format values at once.
class FormatValuesDialog : public QDialog {
    Q_OBJECT
  public:
    FormatValuesDialog(FormatValues& values, QWidget* parent);

  public slots:
    // Cancel, Escape and the close box: the values go back to what the dialog
    // found.
    void reject() override;

  protected:
    // The values back to what the dialog found.
    void RestoreFoundValues() { values_ = found_; }
    FormatValues& values_;

  private:
    FormatValues found_;
};

// The names of an option dialog's closing buttons ("Cancel" reads the same in
// every dialog).
struct ClosingButtonNames {
    const char* ok = "cmdOK";
    const char* okCaption = "Ok";
    const char* cancel = "cmdCancel";
};

// What every format option dialog works on: the desktop services, the main
// window's file component, the shared format values, settings.dat and where
// a new description goes.
struct FormatOptionInputs {
    services::DesktopServices desktop;
    audio::IAudioFile& file;
    FormatValues& values;
    std::string settingsFile;
    SetSummary setSummary;
};

// A format option dialog. Loading and OK run the same steps in every dialog;
// each dialog reads and writes its own section.
class FormatOptionDialog : public FormatValuesDialog {
    Q_OBJECT
  public:
    // name, title: the dialog's object name and caption.
    FormatOptionDialog(FormatOptionInputs inputs, const char* name, const char* title,
                       QWidget* parent);

    // Skin, then the dialog's section into the shared values and the controls.
    void Form_Load();
    // OK: the section stored, the format set on the file component and its
    // description handed to the summary box. A section that cannot be stored
    // is reported (naming the file and why), and the values, the format and
    // the summary go back to what is stored.
    void cmdOK_Click();
    void cmdCancel_Click();

    // Shown modal through the desktop's runner; the dialog's result.
    int RunModal();

  protected:
    // The dialog's section of settings.dat into the shared values and the
    // controls.
    virtual void LoadSection() = 0;
    // The controls into the shared values and the values into the dialog's
    // section; how the writes went.
    virtual SettingsSave StoreSection() = 0;
    // The shared values' format of the dialog onto the file component.
    virtual void ApplySection() = 0;

    // The last step of a dialog's making: the closing row under `layout`, OK
    // the default button, then an accessible name for every control.
    void FinishLayout(QVBoxLayout* layout, ClosingButtonNames names = {});
    // The file component's description of the format last set goes into the
    // summary box.
    void CopyDescription();
    // The description, then the dialog closes accepted.
    void AcceptWithDescription();
    // "Format Parametr not valid", when the component refused the format.
    void ShowFormatNotValid();

    services::DesktopServices desktop_;
    audio::IAudioFile& file_;
    std::string settingsFile_;

  private:
    SetSummary setSummary_;
};

// Creates an option dialog, loads it and shows it modal; its result.
template <class Dialog>
int ShowOptionDialog(services::DesktopServices desktop, audio::IAudioFile& file,
                     FormatValues& values, const std::string& settingsFile, SetSummary setSummary,
                     QWidget* parent = nullptr) {
    Dialog dialog({desktop, file, values, settingsFile, std::move(setSummary)}, parent);
    dialog.Form_Load();
    return dialog.RunModal();
}

// Pieces the settings dialogs share.

// An option button with its name and caption (the caption is also its
// accessible name).
QRadioButton* MakeOptionButton(QWidget* parent, const QString& name, const QString& caption);
QPushButton* MakeCommandButton(QWidget* parent, const QString& name, const QString& caption);

// The dialog's closing row: the buttons at the right, the first one the
// default (Enter presses it).
QHBoxLayout* MakeClosingRow(std::initializer_list<QPushButton*> buttons);

// "OK" (Command1, the default button) and "Cancel" (Command2, never the
// default) of the settings dialogs, in their closing row.
QHBoxLayout* MakeOkCancelRow(QDialog* dialog, QPushButton*& ok, QPushButton*& cancel);

// Hides the dialog, then closes it with OK or Cancel.
void HideAndClose(QDialog& dialog, bool ok);

// Calls chosen(i) when option button i of the group is ticked.
void OnOptionChosen(QObject* context, const std::vector<QRadioButton*>& group,
                    const std::function<void(int)>& chosen);

// Ticks option button `index` of the group.
void CheckOption(const std::vector<QRadioButton*>& group, int index);

// An option button's name and caption.
struct OptionCaption {
    const char* name;
    const char* caption;
};

// A frame of option buttons, side by side or one under the other (then held
// at the top); `buttons` gets them in order.
QGroupBox* MakeOptionFrame(QWidget* parent, const char* name, const char* title,
                           Qt::Orientation orientation,
                           std::initializer_list<OptionCaption> options,
                           std::vector<QRadioButton*>& buttons);

// The texts of a frame holding one labelled spin box.
struct SpinFrameText {
    const char* name;
    const char* title;
    const char* label;
    const char* spinName;
    const char* accessibleName;
};

// A frame with a label and its spin box in one row; `spin` gets the box.
QGroupBox* MakeSpinFrame(QWidget* parent, const SpinFrameText& text, int minimum, int maximum,
                         QSpinBox*& spin);

// The "nChannels" frame: "Mono" (P1), "Stereo" (P2).
QGroupBox* MakeChannelsFrame(QWidget* parent, Qt::Orientation orientation,
                             std::vector<QRadioButton*>& buttons);

// The "Frequency (Hz)" frame with the first `count` rate buttons F1.. in two
// columns; `blankAfter11025` gives F5 the caption "11025 " (VOX, RAW, G.726).
QGroupBox* MakeRateFrame(QWidget* parent, int count, bool blankAfter11025,
                         std::vector<QRadioButton*>& buttons);

// The rate of rate button `index` (F1 is 0).
int RateOfButton(int index);

// The application folder a settings file lies in (for the skin).
std::string FolderOfSettingsFile(const std::string& settingsFile);

}  // namespace qsr::settings
