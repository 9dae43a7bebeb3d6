#include "settings/windows/frmG726.h"

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

frmG726::frmG726(services::DesktopServices desktop, audio::IAudioFile& file, FormatValues& values,
                 std::string settingsFile, SetSummary setSummary, QWidget* parent)
    : FormatOptionDialog(desktop, file, values, std::move(settingsFile), std::move(setSummary),
                         parent) {
    setObjectName("frmG726");
    setWindowTitle("Set CCUIT G.726 Format");
    QGroupBox* rates = MakeRateFrame(this, kRateButtonsRawG726, true, F);
    auto* bits = new QGroupBox("ADPCM Bit", this);
    bits->setObjectName("frmBits");
    auto* bitRow = new QHBoxLayout(bits);
    const char* captions[] = {"2 bit ", "3 bit", "4 bit ", "5 bit"};
    for (int i = 0; i < 4; ++i) {
        Option1.push_back(MakeOptionButton(bits, QString("Option1_%1").arg(i), captions[i]));
        bitRow->addWidget(Option1.back());
    }
    cmdOK = MakeCommandButton(this, "cmdOK", "Ok");
    cmdCancel = MakeCommandButton(this, "cmdCancel", "Cancel");
    QHBoxLayout* buttons = MakeClosingRow({cmdOK, cmdCancel});
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(rates);
    layout->addWidget(bits);
    layout->addLayout(buttons);

    OnOptionChosen(this, F, [this](int i) { F_Click(i); });
    OnOptionChosen(this, Option1, [this](int i) { Option1_Click(i); });
    connect(cmdOK, &QPushButton::clicked, this, &frmG726::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmG726::cmdCancel_Click);
    services::NameControlsForAccessibility(this);
}

void frmG726::Form_Load() {
    ApplyApplicationSkin();
    const G726Choice choice = LoadG726Options(settingsFile_, values_);
    F[static_cast<std::size_t>(choice.rateIndex)]->setChecked(true);
    Option1[static_cast<std::size_t>(choice.bits - 2)]->setChecked(true);
}

void frmG726::F_Click(int index) {
    values_.gFreq = kRateButtons[static_cast<std::size_t>(index)];
}

void frmG726::Option1_Click(int index) {
    values_.gbit = static_cast<std::int16_t>(index + 2);
}

void frmG726::cmdOK_Click() {
    WriteG726Options(settingsFile_, values_);
    file_.SetG726Format(values_.gFreq, values_.gbit);
    CopyDescription();
    accept();
}

void frmG726::cmdCancel_Click() {
    reject();
}

int ShowG726Options(services::DesktopServices desktop, audio::IAudioFile& file,
                    FormatValues& values, const std::string& settingsFile, SetSummary setSummary,
                    QWidget* parent) {
    frmG726 dialog(desktop, file, values, settingsFile, std::move(setSummary), parent);
    dialog.Form_Load();
    return dialog.RunModal();
}

}  // namespace qsr::settings
