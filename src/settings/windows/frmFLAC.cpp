#include "settings/windows/frmFLAC.h"

#include <QGroupBox>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "platform/audio-api/AudioFile.h"
#include "settings/FlacOpusOptionRules.h"
#include "settings/FormatValues.h"

namespace qsr::settings {

frmFLAC::frmFLAC(FormatOptionInputs inputs, QWidget* parent)
    : FormatOptionDialog(std::move(inputs), "frmFLAC", "Set FLAC Format", parent) {
    QGroupBox* bits = MakeOptionFrame(this, "frmBits", "Bits per sample", Qt::Horizontal,
                                      {{"B16", "16 bit"}, {"B24", "24 bit"}}, bits_);

    QGroupBox* level =
        MakeSpinFrame(this,
                      {"frmLevel", "Compression", "Level (0 fastest, 8 smallest):", "udLevel",
                       "Compression level"},
                      0, 8, udLevel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(bits);
    layout->addWidget(level);
    FinishLayout(layout);
}

void frmFLAC::LoadSection() {
    LoadFlacOptions(settingsFile_, values_);
    CheckOption(bits_, values_.flacBits == 24 ? 1 : 0);
    udLevel->setValue(values_.flacLevel);
}

SettingsSave frmFLAC::StoreSection() {
    values_.flacBits = static_cast<std::int16_t>(bits_[1]->isChecked() ? 24 : 16);
    values_.flacLevel = static_cast<std::int16_t>(udLevel->value());
    return WriteFlacOptions(settingsFile_, values_);
}

void frmFLAC::ApplySection() {
    const FlacShape shape = FlacRateAndChannels(values_);
    file_.SetFlacFormat(shape.rate, shape.channels, values_.flacBits, values_.flacLevel);
}

}  // namespace qsr::settings
