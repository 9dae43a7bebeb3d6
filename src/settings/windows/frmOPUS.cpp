#include "settings/windows/frmOPUS.h"

#include <QGroupBox>
#include <QRadioButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "platform/audio-api/AudioFile.h"
#include "settings/FlacOpusOptionRules.h"
#include "settings/FormatValues.h"

namespace qsr::settings {

frmOPUS::frmOPUS(FormatOptionInputs inputs, QWidget* parent)
    : FormatOptionDialog(std::move(inputs), "frmOPUS", "Set OPUS Format", parent) {
    QGroupBox* bitrate =
        MakeSpinFrame(this,
                      {"frmBitrate", "Bitrate", "kbit/s per channel pair:", "udBitrate",
                       "Bitrate (kbit/s per channel pair)"},
                      kOpusMinimumKbps, kOpusMaximumKbps, udBitrate);

    QGroupBox* application = MakeOptionFrame(
        this, "frmApplication", "Tuned for", Qt::Horizontal,
        {{"AppAudio", "Audio (music)"}, {"AppVoip", "VoIP (speech)"}}, application_);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(bitrate);
    layout->addWidget(application);
    FinishLayout(layout);
}

void frmOPUS::LoadSection() {
    LoadOpusOptions(settingsFile_, values_);
    udBitrate->setValue(values_.opusBitrate);
    CheckOption(application_, values_.opusApplication == 1 ? 1 : 0);
}

SettingsSave frmOPUS::StoreSection() {
    values_.opusBitrate = static_cast<std::int16_t>(udBitrate->value());
    values_.opusApplication = static_cast<std::int16_t>(application_[1]->isChecked() ? 1 : 0);
    return WriteOpusOptions(settingsFile_, values_);
}

void frmOPUS::ApplySection() {
    file_.SetOpusFormat(values_.Freq, values_.Channel, values_.opusBitrate,
                        values_.opusApplication == 1);
}

}  // namespace qsr::settings
