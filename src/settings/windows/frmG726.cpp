#include "settings/windows/frmG726.h"

#include <QGroupBox>
#include <QRadioButton>
#include <QVBoxLayout>

#include "platform/audio-api/AudioFile.h"
#include "settings/FormatOptionRules.h"
#include "settings/FormatValues.h"

namespace qsr::settings {

frmG726::frmG726(FormatOptionInputs inputs, QWidget* parent)
    : FormatOptionDialog(std::move(inputs), "frmG726", "Set CCUIT G.726 Format", parent) {
    QGroupBox* rates = MakeRateFrame(this, kRateButtonsRawG726, true, F);
    QGroupBox* bits = MakeOptionFrame(this, "frmBits", "ADPCM Bit", Qt::Horizontal,
                                      {{"Option1_0", "2 bit "},
                                       {"Option1_1", "3 bit"},
                                       {"Option1_2", "4 bit "},
                                       {"Option1_3", "5 bit"}},
                                      Option1);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(rates);
    layout->addWidget(bits);
    FinishLayout(layout);

    OnOptionChosen(this, F, [this](int i) { values_.gFreq = RateOfButton(i); });
    OnOptionChosen(this, Option1,
                   [this](int i) { values_.gbit = static_cast<std::int16_t>(i + 2); });
}

void frmG726::LoadSection() {
    const G726Choice choice = LoadG726Options(settingsFile_, values_);
    CheckOption(F, choice.rateIndex);
    CheckOption(Option1, choice.bits - 2);
}

SettingsSave frmG726::StoreSection() {
    return WriteG726Options(settingsFile_, values_);
}

void frmG726::ApplySection() {
    file_.SetG726Format(values_.gFreq, values_.gbit);
}

}  // namespace qsr::settings
