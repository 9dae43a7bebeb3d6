#include "settings/windows/frmFLAC.h"

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

frmFLAC::frmFLAC(services::DesktopServices desktop, audio::IAudioFile& file, FormatValues& values,
                 std::string settingsFile, SetSummary setSummary, QWidget* parent)
    : FormatOptionDialog(desktop, file, values, std::move(settingsFile), std::move(setSummary),
                         parent) {
    setObjectName("frmFLAC");
    setWindowTitle("Set FLAC Format");

    auto* bits = new QGroupBox("Bits per sample", this);
    bits->setObjectName("frmBits");
    B16 = MakeOptionButton(bits, "B16", "16 bit");
    B24 = MakeOptionButton(bits, "B24", "24 bit");
    auto* bitsRow = new QHBoxLayout(bits);
    bitsRow->addWidget(B16);
    bitsRow->addWidget(B24);

    auto* level = new QGroupBox("Compression", this);
    level->setObjectName("frmLevel");
    auto* label = new QLabel("Level (0 fastest, 8 smallest):", level);
    udLevel = new QSpinBox(level);
    udLevel->setObjectName("udLevel");
    udLevel->setRange(0, 8);
    udLevel->setAccessibleName("Compression level");
    label->setBuddy(udLevel);
    auto* levelRow = new QHBoxLayout(level);
    levelRow->addWidget(label);
    levelRow->addWidget(udLevel);

    cmdOK = MakeCommandButton(this, "cmdOK", "Ok");
    cmdCancel = MakeCommandButton(this, "cmdCancel", "Cancel");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(bits);
    layout->addWidget(level);
    layout->addLayout(MakeClosingRow({cmdOK, cmdCancel}));

    connect(cmdOK, &QPushButton::clicked, this, &frmFLAC::cmdOK_Click);
    connect(cmdCancel, &QPushButton::clicked, this, &frmFLAC::cmdCancel_Click);
    services::NameControlsForAccessibility(this);
}

void frmFLAC::Form_Load() {
    ApplyApplicationSkin();
    LoadFlacOptions(settingsFile_, values_);
    (values_.flacBits == 24 ? B24 : B16)->setChecked(true);
    udLevel->setValue(values_.flacLevel);
}

void frmFLAC::cmdOK_Click() {
    values_.flacBits = static_cast<std::int16_t>(B24->isChecked() ? 24 : 16);
    values_.flacLevel = static_cast<std::int16_t>(udLevel->value());
    WriteFlacOptions(settingsFile_, values_);
    const FlacShape shape = FlacRateAndChannels(values_);
    file_.SetFlacFormat(shape.rate, shape.channels, values_.flacBits, values_.flacLevel);
    CopyDescription();
    accept();
}

void frmFLAC::cmdCancel_Click() {
    reject();
}

int ShowFlacOptions(services::DesktopServices desktop, audio::IAudioFile& file,
                    FormatValues& values, const std::string& settingsFile, SetSummary setSummary,
                    QWidget* parent) {
    frmFLAC dialog(desktop, file, values, settingsFile, std::move(setSummary), parent);
    dialog.Form_Load();
    return dialog.RunModal();
}

}  // namespace qsr::settings
