#include "settings/windows/frmVOX.h"

#include <QGroupBox>
#include <QRadioButton>
#include <QVBoxLayout>

#include "platform/audio-api/AudioFile.h"
#include "settings/FormatOptionRules.h"
#include "settings/FormatValues.h"

namespace qsr::settings {

frmVOX::frmVOX(services::DesktopServices desktop, audio::IAudioFile& file, FormatValues& values,
               std::string settingsFile, SetSummary setSummary, QWidget* parent)
    : FormatOptionDialog(desktop, file, values, std::move(settingsFile), std::move(setSummary),
                         parent) {
    setObjectName("frmVOX");
    setWindowTitle("Set VOX Format");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(MakeRateFrame(this, kRateButtonsWavVox, true, F));
    FinishLayout(layout);
    OnOptionChosen(this, F, [this](int i) { values_.voxFreq = RateOfButton(i); });
}

void frmVOX::LoadSection() {
    CheckOption(F, LoadVoxOptions(settingsFile_, values_));
}

void frmVOX::StoreSection() {
    WriteVoxOptions(settingsFile_, values_);
    file_.SetVoxFormat(values_.voxFreq);
}

}  // namespace qsr::settings
