#include "settings/windows/frmOgg.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QSignalBlocker>
#include <QSlider>
#include <QVBoxLayout>

#include "platform/audio-api/AudioFile.h"
#include "settings/FormatOptionRules.h"
#include "settings/FormatValues.h"

namespace qsr::settings {
namespace {

constexpr const char* kNominalLoaded = "Current nominal Bitrate: ";
constexpr const char* kNominalMoved = "Current nominal oggBitrate: ";
constexpr const char* kMinimum = "Current min oggBitrate: ";
constexpr const char* kMaximum = "Current max oggBitrate: ";

QSlider* BitrateSlider(QWidget* parent, const char* name, const char* accessible) {
    auto* s = new QSlider(Qt::Horizontal, parent);
    s->setObjectName(name);
    s->setAccessibleName(accessible);
    s->setRange(kOggFirstPosition, kOggLastPosition);
    s->setPageStep(1);
    s->setTickPosition(QSlider::TicksBelow);
    s->setTickInterval(1);
    return s;
}

QLabel* BitrateLabel(QWidget* parent, const char* name, const char* caption) {
    auto* l = new QLabel(caption, parent);
    l->setObjectName(name);
    return l;
}

// Puts a slider without running its handler, as loading does.
void Place(QSlider* slider, int value) {
    const QSignalBlocker quiet(slider);
    slider->setValue(value);
}

}  // namespace

frmOgg::frmOgg(FormatOptionInputs inputs, QWidget* parent)
    : FormatOptionDialog(std::move(inputs), "frmOgg", "Ogg Vorbis Option", parent) {
    frmOption = new QGroupBox("Option", this);
    frmOption->setObjectName("frmOption");
    chVbr = new QCheckBox("VBR Enabled", frmOption);
    chVbr->setObjectName("chVbr");
    chQuality = new QCheckBox("Quality Enabled", frmOption);
    chQuality->setObjectName("chQuality");
    lblBitrate = BitrateLabel(frmOption, "lblBitrate", "Bitrate");
    sldrBitrate = BitrateSlider(frmOption, "sldrBitrate", "Bitrate");
    auto* ticks = new QHBoxLayout;
    ticks->addWidget(chVbr);
    ticks->addWidget(chQuality);
    ticks->addStretch(1);
    auto* optionColumn = new QVBoxLayout(frmOption);
    optionColumn->addLayout(ticks);
    optionColumn->addWidget(lblBitrate);
    optionColumn->addWidget(sldrBitrate);

    frmVbr = new QGroupBox("VBR", this);
    frmVbr->setObjectName("frmVbr");
    lblMinBitrate = BitrateLabel(frmVbr, "lblMinBitrate", "MinBitrate");
    sldrMinBitrate = BitrateSlider(frmVbr, "sldrMinBitrate", "MinBitrate");
    lblMaxBitrate = BitrateLabel(frmVbr, "lblMaxBitrate", "MaxBitrate");
    sldrMaxBitrate = BitrateSlider(frmVbr, "sldrMaxBitrate", "MaxBitrate");
    auto* vbrColumn = new QVBoxLayout(frmVbr);
    for (QWidget* w : std::initializer_list<QWidget*>{lblMinBitrate, sldrMinBitrate, lblMaxBitrate,
                                                      sldrMaxBitrate})
        vbrColumn->addWidget(w);

    frmQuality = new QGroupBox("Quality (Compression)", this);
    frmQuality->setObjectName("frmQuality");
    sldrQuality = new QSlider(Qt::Horizontal, frmQuality);
    sldrQuality->setObjectName("sldrQuality");
    sldrQuality->setAccessibleName("Quality (Compression)");
    sldrQuality->setRange(0, kOggQualityMaximum);
    sldrQuality->setSingleStep(10);
    sldrQuality->setPageStep(100);
    sldrQuality->setTickPosition(QSlider::TicksBelow);
    sldrQuality->setTickInterval(100);
    auto* qualityColumn = new QVBoxLayout(frmQuality);
    qualityColumn->addWidget(sldrQuality);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(frmOption);
    layout->addWidget(frmVbr);
    layout->addWidget(frmQuality);
    FinishLayout(layout, {"cmdOk", "Ok", "cmdCancel"});
    setMinimumWidth(360);

    connect(chVbr, &QCheckBox::toggled, this, &frmOgg::chVbr_Click);
    connect(chQuality, &QCheckBox::toggled, this, &frmOgg::chQuality_Click);
    connect(sldrBitrate, &QSlider::valueChanged, this, &frmOgg::sldrBitrate_Scroll);
    connect(sldrMinBitrate, &QSlider::valueChanged, this, &frmOgg::sldrMinBitrate_Scroll);
    connect(sldrMaxBitrate, &QSlider::valueChanged, this, &frmOgg::sldrMaxBitrate_Scroll);
    connect(sldrQuality, &QSlider::valueChanged, this, &frmOgg::sldrQuality_Scroll);
}

void frmOgg::ShowBitrate(QLabel* label, QSlider* slider, const char* prefix, int kbit) {
    label->setText(QString(prefix) + QString::number(kbit) + " kbit");
    slider->setToolTip(QString::number(kbit));
}

void frmOgg::LoadSection() {
    const OggChoice c = LoadOggOptions(settingsFile_, values_);
    {
        const QSignalBlocker quietVbr(chVbr);
        const QSignalBlocker quietQuality(chQuality);
        chVbr->setChecked(false);
        chQuality->setChecked(false);
    }
    chVbr_Click();
    chQuality_Click();
    Place(sldrBitrate, c.bitratePosition);
    ShowBitrate(lblBitrate, sldrBitrate, kNominalLoaded, values_.oggBitrate);
    Place(sldrMinBitrate, c.minimumPosition);
    ShowBitrate(lblMinBitrate, sldrMinBitrate, kMinimum, values_.MinBitrate);
    Place(sldrMaxBitrate, c.maximumPosition);
    ShowBitrate(lblMaxBitrate, sldrMaxBitrate, kMaximum, values_.MaxBitrate);
    Place(sldrQuality, c.quality);
    sldrQuality->setToolTip(QString::fromStdString(OggQualityText(c.quality)));
    // A tick that changes runs its handler, which stores it in the shared values.
    chVbr->setChecked(c.vbr);
    chQuality->setChecked(c.qualityMode);
}

void frmOgg::chQuality_Click() {
    const bool on = chQuality->isChecked();
    if (on) {
        for (QWidget* w :
             std::initializer_list<QWidget*>{chVbr, frmVbr, sldrBitrate, lblBitrate, sldrMinBitrate,
                                             lblMinBitrate, sldrMaxBitrate, lblMaxBitrate})
            w->setEnabled(false);
        frmQuality->setEnabled(true);
        sldrQuality->setEnabled(true);
    } else {
        frmQuality->setEnabled(false);
        sldrQuality->setEnabled(false);
        chVbr->setEnabled(true);
        lblBitrate->setEnabled(true);
        sldrBitrate->setEnabled(true);
        chVbr_Click();
    }
    values_.QualityEnabled = on ? 1 : 0;
}

void frmOgg::chVbr_Click() {
    const bool on = chVbr->isChecked();
    for (QWidget* w : std::initializer_list<QWidget*>{frmVbr, sldrMinBitrate, lblMinBitrate,
                                                      sldrMaxBitrate, lblMaxBitrate})
        w->setEnabled(on);
    values_.VbrEnabled = on ? 1 : 0;
}

void frmOgg::sldrBitrate_Scroll() {
    values_.oggBitrate = static_cast<std::int16_t>(OggBitrateAt(sldrBitrate->value()));
    ShowBitrate(lblBitrate, sldrBitrate, kNominalMoved, values_.oggBitrate);
}

void frmOgg::sldrMinBitrate_Scroll() {
    values_.MinBitrate = static_cast<std::int16_t>(OggBitrateAt(sldrMinBitrate->value()));
    ShowBitrate(lblMinBitrate, sldrMinBitrate, kMinimum, values_.MinBitrate);
}

void frmOgg::sldrMaxBitrate_Scroll() {
    values_.MaxBitrate = static_cast<std::int16_t>(OggBitrateAt(sldrMaxBitrate->value()));
    ShowBitrate(lblMaxBitrate, sldrMaxBitrate, kMaximum, values_.MaxBitrate);
}

void frmOgg::sldrQuality_Scroll() {
    values_.Quality = static_cast<std::int16_t>(sldrQuality->value());
    sldrQuality->setToolTip(QString::fromStdString(OggQualityText(values_.Quality)));
}

SettingsSave frmOgg::StoreSection() {
    return WriteOggOptions(settingsFile_, values_);
}

void frmOgg::ApplySection() {
    const OggParameters p = ChooseOggParameters(values_);
    file_.SetOggFormat(44100, 2, p.nominal, p.minimum, p.maximum, p.quality);
}

}  // namespace qsr::settings
