#include "settings/windows/frmWAV.h"

#include <QDir>
#include <QGridLayout>
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

frmWAV::frmWAV(services::DesktopServices desktop, audio::IAudioFile& file, FormatValues& values,
               std::string settingsFile, SetSummary setSummary, QWidget* parent)
    : FormatOptionDialog(desktop, file, values, std::move(settingsFile), std::move(setSummary),
                         parent) {
    setObjectName("frmWAV");
    setWindowTitle("Set WAV Format");

    QGroupBox* rates = MakeRateFrame(this, kRateButtonsWavVox, false, F);
    auto* channels = new QGroupBox("nChannels", this);
    channels->setObjectName("frmChannels");
    P1 = MakeOptionButton(channels, "P1", "Mono");
    P2 = MakeOptionButton(channels, "P2", "Stereo");
    auto* channelRow = new QHBoxLayout(channels);
    channelRow->addWidget(P1);
    channelRow->addWidget(P2);

    auto* codecs = new QGroupBox("Set WAV Format", this);
    codecs->setObjectName("frmCodec");
    cmdPCM = MakeCommandButton(codecs, "cmdPCM", "PCM");
    cmdADPCM = MakeCommandButton(codecs, "cmdADPCM", "ADPCM");
    cmdGSM = MakeCommandButton(codecs, "cmdGSM", "GSM");
    cmdDSP = MakeCommandButton(codecs, "cmdDSP", "DSP");
    cmdMenu = MakeCommandButton(codecs, "cmdMenu", "From Menu");
    cmdSample = MakeCommandButton(codecs, "cmdSample", "Like Sample");
    auto* codecColumn = new QVBoxLayout(codecs);
    for (QPushButton* b : {cmdPCM, cmdADPCM, cmdGSM, cmdDSP, cmdMenu, cmdSample})
        codecColumn->addWidget(b);
    codecColumn->addStretch(1);

    Command1 = MakeCommandButton(this, "Command1", "OK");
    Command2 = MakeCommandButton(this, "Command2", "Cancel");

    auto* left = new QVBoxLayout;
    left->addWidget(rates);
    left->addWidget(channels);
    auto* top = new QHBoxLayout;
    top->addLayout(left);
    top->addWidget(codecs);
    QHBoxLayout* buttons = MakeClosingRow({Command1, Command2});
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(buttons);

    OnOptionChosen(this, F, [this](int i) { F_Click(i); });
    connect(P1, &QRadioButton::toggled, this, [this](bool on) {
        if (on) P1_Click();
    });
    connect(P2, &QRadioButton::toggled, this, [this](bool on) {
        if (on) P2_Click();
    });
    connect(Command1, &QPushButton::clicked, this, &frmWAV::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &frmWAV::Command2_Click);
    connect(cmdPCM, &QPushButton::clicked, this, &frmWAV::cmdPCM_Click);
    connect(cmdADPCM, &QPushButton::clicked, this, &frmWAV::cmdADPCM_Click);
    connect(cmdGSM, &QPushButton::clicked, this, &frmWAV::cmdGSM_Click);
    connect(cmdDSP, &QPushButton::clicked, this, &frmWAV::cmdDSP_Click);
    connect(cmdMenu, &QPushButton::clicked, this, &frmWAV::cmdMenu_Click);
    connect(cmdSample, &QPushButton::clicked, this, &frmWAV::cmdSample_Click);
    services::NameControlsForAccessibility(this);
}

void frmWAV::Form_Load() {
    ApplyApplicationSkin();
    const WavChoice choice = LoadWavOptions(settingsFile_, values_);
    F[static_cast<std::size_t>(choice.rateIndex)]->setChecked(true);
    // A mono-only coding in force (GSM, DSP) records mono whatever is stored:
    // the dialog shows that, and OK keeps it.
    const int channels = file_.WavChannels() == 1 ? 1 : choice.channels;
    values_.Channel = static_cast<std::int16_t>(channels);
    (channels == 1 ? P1 : P2)->setChecked(true);
}

void frmWAV::F_Click(int index) {
    values_.Freq = kRateButtons[static_cast<std::size_t>(index)];
}

void frmWAV::P1_Click() {
    values_.Channel = 1;
}

void frmWAV::P2_Click() {
    values_.Channel = 2;
}

void frmWAV::Command1_Click() {
    WriteWavOptions(settingsFile_, values_);
    file_.SetWavFormat(values_.Freq, values_.Channel, 16);
    CopyDescription();
    accept();
}

void frmWAV::Command2_Click() {
    reject();
}

void frmWAV::cmdPCM_Click() {
    file_.SetWavFormat(values_.Freq, values_.Channel, 16);
    CopyDescription();
    accept();
}

void frmWAV::AcceptCodec() {
    if (file_.FormatDescription().empty()) {
        ShowFormatNotValid();
        return;
    }
    CopyDescription();
    accept();
}

void frmWAV::cmdADPCM_Click() {
    file_.SetWavAdpcmFormat(values_.Freq, values_.Channel);
    AcceptCodec();
}

void frmWAV::cmdGSM_Click() {
    file_.SetWavGsmFormat(values_.Freq);
    AcceptCodec();
}

void frmWAV::cmdDSP_Click() {
    file_.SetWavDspFormat();
    CopyDescription();
    accept();
}

void frmWAV::cmdMenu_Click() {
    // A cancelled list leaves the WAV format in force, which the component
    // then describes; a coding that refuses the rate or channels is reported
    // like the codec buttons' refusals.
    file_.ChooseWavFormatFromMenu();
    AcceptCodec();
}

void frmWAV::cmdSample_Click() {
    if (!desktop_.fileDialog) return;
    // The desktop's file dialog in the user's home folder, WAV files only.
    const auto path =
        desktop_.fileDialog->OpenFile("Open", "Wav files (*.wav)", QDir::homePath().toStdString());
    if (!path || path->empty()) return;
    file_.SetWavFormatLikeSample(*path);
    // A file whose coding cannot be written is refused like a codec would be;
    // the summary keeps describing the format in force.
    if (file_.FormatDescription().empty()) {
        ShowFormatNotValid();
        return;
    }
    CopyDescription();
}

int ShowWavOptions(services::DesktopServices desktop, audio::IAudioFile& file, FormatValues& values,
                   const std::string& settingsFile, SetSummary setSummary, QWidget* parent) {
    frmWAV dialog(desktop, file, values, settingsFile, std::move(setSummary), parent);
    dialog.Form_Load();
    return dialog.RunModal();
}

}  // namespace qsr::settings
