#include "settings/windows/frmRAW.h"

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

frmRAW::frmRAW(services::DesktopServices desktop, audio::IAudioFile& file, FormatValues& values,
               std::string settingsFile, SetSummary setSummary, QWidget* parent)
    : FormatOptionDialog(desktop, file, values, std::move(settingsFile), std::move(setSummary),
                         parent) {
    setObjectName("frmRAW");
    setWindowTitle("Set RAW Format");
    QGroupBox* rates = MakeRateFrame(this, kRateButtonsRawG726, true, F);
    auto* channels = new QGroupBox("nChannels", this);
    channels->setObjectName("frmChannels");
    P1 = MakeOptionButton(channels, "P1", "Mono");
    P2 = MakeOptionButton(channels, "P2", "Stereo");
    auto* channelColumn = new QVBoxLayout(channels);
    channelColumn->addWidget(P1);
    channelColumn->addWidget(P2);
    channelColumn->addStretch(1);
    auto* codings = new QGroupBox("Comperssion", this);
    codings->setObjectName("frmCompression");
    C1 = MakeOptionButton(codings, "C1", "16-bit PCM");
    C2 = MakeOptionButton(codings, "C2", "8-bit A-Law ");
    C3 = MakeOptionButton(codings, "C3", "8-bit mu-Law ");
    auto* codingColumn = new QVBoxLayout(codings);
    for (QRadioButton* c : {C1, C2, C3}) codingColumn->addWidget(c);
    codingColumn->addStretch(1);

    cmdOK = MakeCommandButton(this, "cmdOK", "Ok");
    cmdCancel = MakeCommandButton(this, "cmdCancel", "Cancel");
    auto* row = new QHBoxLayout;
    row->addWidget(channels);
    row->addWidget(codings);
    QHBoxLayout* buttons = MakeClosingRow({cmdOK, cmdCancel});
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(rates);
    layout->addLayout(row);
    layout->addLayout(buttons);

    OnOptionChosen(this, F, [this](int i) { F_Click(i); });
    const std::pair<QRadioButton*, void (frmRAW::*)()> handlers[] = {{P1, &frmRAW::P1_Click},
                                                                     {P2, &frmRAW::P2_Click},
                                                                     {C1, &frmRAW::C1_Click},
                                                                     {C2, &frmRAW::C2_Click},
                                                                     {C3, &frmRAW::C3_Click}};
    for (const auto& [button, handler] : handlers) {
        connect(button, &QRadioButton::toggled, this, [this, handler](bool on) {
            if (on) (this->*handler)();
        });
    }
    connect(cmdOK, &QPushButton::clicked, this, &frmRAW::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmRAW::cmdCancel_Click);
    services::NameControlsForAccessibility(this);
}

void frmRAW::Form_Load() {
    ApplyApplicationSkin();
    const RawChoice choice = LoadRawOptions(settingsFile_, values_);
    F[static_cast<std::size_t>(choice.rateIndex)]->setChecked(true);
    (choice.channels == 1 ? P1 : P2)->setChecked(true);
    QRadioButton* codings[] = {C1, C2, C3};
    codings[choice.compression - 1]->setChecked(true);
}

void frmRAW::F_Click(int index) {
    values_.rawFreq = kRateButtons[static_cast<std::size_t>(index)];
}
void frmRAW::P1_Click() {
    values_.rawChannel = 1;
}
void frmRAW::P2_Click() {
    values_.rawChannel = 2;
}
void frmRAW::C1_Click() {
    values_.rawCompr = 1;
}
void frmRAW::C2_Click() {
    values_.rawCompr = 2;
}
void frmRAW::C3_Click() {
    values_.rawCompr = 3;
}

void frmRAW::cmdOK_Click() {
    WriteRawOptions(settingsFile_, values_);
    file_.SetRawFormat(values_.rawCompr, values_.rawFreq, values_.rawChannel, 16);
    CopyDescription();
    accept();
}

void frmRAW::cmdCancel_Click() {
    reject();
}

int ShowRawOptions(services::DesktopServices desktop, audio::IAudioFile& file, FormatValues& values,
                   const std::string& settingsFile, SetSummary setSummary, QWidget* parent) {
    frmRAW dialog(desktop, file, values, settingsFile, std::move(setSummary), parent);
    dialog.Form_Load();
    return dialog.RunModal();
}

}  // namespace qsr::settings
