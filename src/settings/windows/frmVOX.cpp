#include "settings/windows/frmVOX.h"

#include <QGroupBox>
#include <QRadioButton>
#include <QVBoxLayout>

#include "platform/audio-api/AudioFile.h"
#include "settings/FormatOptionRules.h"
#include "settings/FormatValues.h"

namespace qsr::settings {

frmVOX::frmVOX(FormatOptionInputs inputs, QWidget* parent)
    : FormatOptionDialog(std::move(inputs), "frmVOX", "Set VOX Format", parent) {
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(MakeRateFrame(this, kRateButtonsWavVox, true, F));
    FinishLayout(layout);
    OnOptionChosen(this, F, [this](int i) { values_.voxFreq = RateOfButton(i); });
}

void frmVOX::LoadSection() {
    CheckOption(F, LoadVoxOptions(settingsFile_, values_));
}

SettingsSave frmVOX::StoreSection() {
    return WriteVoxOptions(settingsFile_, values_);
}

void frmVOX::ApplySection() {
    file_.SetVoxFormat(values_.voxFreq);
}

}  // namespace qsr::settings
