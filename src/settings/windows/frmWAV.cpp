#include "settings/windows/frmWAV.h"

#include <QDir>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include "platform/audio-api/AudioFile.h"
#include "settings/FormatOptionRules.h"
#include "settings/FormatValues.h"

namespace qsr::settings {

frmWAV::frmWAV(FormatOptionInputs inputs, QWidget* parent)
    : FormatOptionDialog(std::move(inputs), "frmWAV", "Set WAV Format", parent) {
    QGroupBox* rates = MakeRateFrame(this, kRateButtonsWavVox, false, F);
    QGroupBox* channels = MakeChannelsFrame(this, Qt::Horizontal, P);

    auto* codecs = new QGroupBox("Set WAV Format", this);
    codecs->setObjectName("frmCodec");
    struct CodecButton {
        const char* name;
        const char* caption;
        void (frmWAV::*click)();
    };
    const CodecButton codecButtons[] = {{"cmdPCM", "PCM", &frmWAV::cmdPCM_Click},
                                        {"cmdADPCM", "ADPCM", &frmWAV::cmdADPCM_Click},
                                        {"cmdGSM", "GSM", &frmWAV::cmdGSM_Click},
                                        {"cmdDSP", "DSP", &frmWAV::cmdDSP_Click},
                                        {"cmdMenu", "From Menu", &frmWAV::cmdMenu_Click},
                                        {"cmdSample", "Like Sample", &frmWAV::cmdSample_Click}};
    auto* codecColumn = new QVBoxLayout(codecs);
    for (const CodecButton& c : codecButtons) {
        QPushButton* b = MakeCommandButton(codecs, c.name, c.caption);
        codecColumn->addWidget(b);
        connect(b, &QPushButton::clicked, this, c.click);
    }
    codecColumn->addStretch(1);

    auto* left = new QVBoxLayout;
    left->addWidget(rates);
    left->addWidget(channels);
    auto* top = new QHBoxLayout;
    top->addLayout(left);
    top->addWidget(codecs);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    FinishLayout(layout, {"Command1", "OK", "Command2"});

    OnOptionChosen(this, F, [this](int i) { values_.Freq = RateOfButton(i); });
    OnOptionChosen(this, P, [this](int i) { values_.Channel = static_cast<std::int16_t>(i + 1); });
}

void frmWAV::LoadSection() {
    const WavChoice choice = LoadWavOptions(settingsFile_, values_);
    CheckOption(F, choice.rateIndex);
    // A mono-only coding in force (GSM, DSP) records mono whatever is stored:
    // the dialog shows that, and OK keeps it.
    const int channels = file_.WavChannels() == 1 ? 1 : choice.channels;
    values_.Channel = static_cast<std::int16_t>(channels);
    CheckOption(P, channels - 1);
}

SettingsSave frmWAV::StoreSection() {
    return WriteWavOptions(settingsFile_, values_);
}

void frmWAV::ApplySection() {
    file_.SetWavFormat(values_.Freq, values_.Channel, 16);
}

void frmWAV::cmdPCM_Click() {
    file_.SetWavFormat(values_.Freq, values_.Channel, 16);
    AcceptWithDescription();
}

bool frmWAV::DescribeOrRefuse() {
    if (file_.FormatDescription().empty()) {
        ShowFormatNotValid();
        return false;
    }
    CopyDescription();
    return true;
}

void frmWAV::AcceptCodec() {
    if (DescribeOrRefuse()) accept();
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
    AcceptWithDescription();
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
    DescribeOrRefuse();
}

}  // namespace qsr::settings
