#include "settings/windows/frmVOX.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "platform/audio-api/AudioFile.h"
#include "platform/services/windows/Accessibility.h"
#include "settings/FormatOptionRules.h"
#include "settings/FormatValues.h"

namespace qsr::settings {

frmVOX::frmVOX(services::DesktopServices desktop, audio::IAudioFile& file, FormatValues& values,
               std::string settingsFile, SetSummary setSummary, QWidget* parent)
    : FormatOptionDialog(desktop, file, values, std::move(settingsFile), std::move(setSummary),
                         parent) {
    setObjectName("frmVOX");
    setWindowTitle("Set VOX Format");
    QGroupBox* rates = MakeRateFrame(this, kRateButtonsWavVox, true, F);
    cmdOK = MakeCommandButton(this, "cmdOK", "Ok");
    cmdCancel = MakeCommandButton(this, "cmdCancel", "Cancel");
    QHBoxLayout* buttons = MakeClosingRow({cmdOK, cmdCancel});
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(rates);
    layout->addLayout(buttons);

    OnOptionChosen(this, F, [this](int i) { F_Click(i); });
    connect(cmdOK, &QPushButton::clicked, this, &frmVOX::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmVOX::cmdCancel_Click);
    services::NameControlsForAccessibility(this);
}

void frmVOX::Form_Load() {
    ApplyApplicationSkin();
    F[static_cast<std::size_t>(LoadVoxOptions(settingsFile_, values_))]->setChecked(true);
}

void frmVOX::F_Click(int index) {
    values_.voxFreq = kRateButtons[static_cast<std::size_t>(index)];
}

void frmVOX::cmdOK_Click() {
    WriteVoxOptions(settingsFile_, values_);
    file_.SetVoxFormat(values_.voxFreq);
    CopyDescription();
    accept();
}

void frmVOX::cmdCancel_Click() {
    reject();
}

int ShowVoxOptions(services::DesktopServices desktop, audio::IAudioFile& file, FormatValues& values,
                   const std::string& settingsFile, SetSummary setSummary, QWidget* parent) {
    frmVOX dialog(desktop, file, values, settingsFile, std::move(setSummary), parent);
    dialog.Form_Load();
    return dialog.RunModal();
}

}  // namespace qsr::settings
