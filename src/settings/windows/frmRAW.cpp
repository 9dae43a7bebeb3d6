#include "settings/windows/frmRAW.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QRadioButton>
#include <QVBoxLayout>

#include "platform/audio-api/AudioFile.h"
#include "settings/FormatOptionRules.h"
#include "settings/FormatValues.h"

namespace qsr::settings {

frmRAW::frmRAW(FormatOptionInputs inputs, QWidget* parent)
    : FormatOptionDialog(std::move(inputs), "frmRAW", "Set RAW Format", parent) {
    QGroupBox* rates = MakeRateFrame(this, kRateButtonsRawG726, true, F);
    QGroupBox* channels = MakeChannelsFrame(this, Qt::Vertical, P);
    QGroupBox* codings = MakeOptionFrame(
        this, "frmCompression", "Comperssion", Qt::Vertical,
        {{"C1", "16-bit PCM"}, {"C2", "8-bit A-Law "}, {"C3", "8-bit mu-Law "}}, coding_);

    auto* row = new QHBoxLayout;
    row->addWidget(channels);
    row->addWidget(codings);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(rates);
    layout->addLayout(row);
    FinishLayout(layout);

    OnOptionChosen(this, F, [this](int i) { values_.rawFreq = RateOfButton(i); });
    OnOptionChosen(this, P,
                   [this](int i) { values_.rawChannel = static_cast<std::int16_t>(i + 1); });
    OnOptionChosen(this, coding_,
                   [this](int i) { values_.rawCompr = static_cast<std::int16_t>(i + 1); });
}

void frmRAW::LoadSection() {
    const RawChoice choice = LoadRawOptions(settingsFile_, values_);
    CheckOption(F, choice.rateIndex);
    CheckOption(P, choice.channels == 1 ? 0 : 1);
    CheckOption(coding_, choice.compression - 1);
}

SettingsSave frmRAW::StoreSection() {
    return WriteRawOptions(settingsFile_, values_);
}

void frmRAW::ApplySection() {
    file_.SetRawFormat(values_.rawCompr, values_.rawFreq, values_.rawChannel, 16);
}

}  // namespace qsr::settings
