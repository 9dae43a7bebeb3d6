#include "settings/windows/frmOPUS.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "platform/audio-api/AudioFile.h"
#include "platform/services/windows/Accessibility.h"
#include "settings/FlacOpusOptionRules.h"
#include "settings/FormatValues.h"

namespace qsr::settings {

frmOPUS::frmOPUS(services::DesktopServices desktop, audio::IAudioFile& file, FormatValues& values,
                 std::string settingsFile, SetSummary setSummary, QWidget* parent)
    : FormatOptionDialog(desktop, file, values, std::move(settingsFile), std::move(setSummary),
                         parent) {
    setObjectName("frmOPUS");
    setWindowTitle("Set OPUS Format");

    auto* bitrate = new QGroupBox("Bitrate", this);
    bitrate->setObjectName("frmBitrate");
    auto* label = new QLabel("kbit/s per channel pair:", bitrate);
    udBitrate = new QSpinBox(bitrate);
    udBitrate->setObjectName("udBitrate");
    udBitrate->setRange(kOpusMinimumKbps, kOpusMaximumKbps);
    udBitrate->setAccessibleName("Bitrate (kbit/s per channel pair)");
    label->setBuddy(udBitrate);
    auto* bitrateRow = new QHBoxLayout(bitrate);
    bitrateRow->addWidget(label);
    bitrateRow->addWidget(udBitrate);

    auto* application = new QGroupBox("Tuned for", this);
    application->setObjectName("frmApplication");
    AppAudio = MakeOptionButton(application, "AppAudio", "Audio (music)");
    AppVoip = MakeOptionButton(application, "AppVoip", "VoIP (speech)");
    auto* applicationRow = new QHBoxLayout(application);
    applicationRow->addWidget(AppAudio);
    applicationRow->addWidget(AppVoip);

    cmdOK = MakeCommandButton(this, "cmdOK", "Ok");
    cmdCancel = MakeCommandButton(this, "cmdCancel", "Cancel");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(bitrate);
    layout->addWidget(application);
    layout->addLayout(MakeClosingRow({cmdOK, cmdCancel}));

    connect(cmdOK, &QPushButton::clicked, this, &frmOPUS::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmOPUS::cmdCancel_Click);
    services::NameControlsForAccessibility(this);
}

void frmOPUS::Form_Load() {
    ApplyApplicationSkin();
    LoadOpusOptions(settingsFile_, values_);
    udBitrate->setValue(values_.opusBitrate);
    (values_.opusApplication == 1 ? AppVoip : AppAudio)->setChecked(true);
}

void frmOPUS::cmdOK_Click() {
    values_.opusBitrate = static_cast<std::int16_t>(udBitrate->value());
    values_.opusApplication = static_cast<std::int16_t>(AppVoip->isChecked() ? 1 : 0);
    WriteOpusOptions(settingsFile_, values_);
    file_.SetOpusFormat(values_.Freq, values_.Channel, values_.opusBitrate,
                        values_.opusApplication == 1);
    CopyDescription();
    accept();
}

void frmOPUS::cmdCancel_Click() {
    reject();
}

int ShowOpusOptions(services::DesktopServices desktop, audio::IAudioFile& file,
                    FormatValues& values, const std::string& settingsFile, SetSummary setSummary,
                    QWidget* parent) {
    frmOPUS dialog(desktop, file, values, settingsFile, std::move(setSummary), parent);
    dialog.Form_Load();
    return dialog.RunModal();
}

}  // namespace qsr::settings
