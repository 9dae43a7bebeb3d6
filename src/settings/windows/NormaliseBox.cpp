#include "settings/windows/NormaliseBox.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QHBoxLayout>
#include <QLabel>

namespace qsr::settings {
namespace {

QDoubleSpinBox* Number(const LoudnessNumber& n, const char* name, const char* accessible,
                       double step, QWidget* parent) {
    auto* box = new QDoubleSpinBox(parent);
    box->setObjectName(name);
    box->setAccessibleName(accessible);
    box->setDecimals(1);
    box->setSingleStep(step);
    box->setRange(n.minimum, n.maximum);
    box->setValue(n.fallback);
    box->setEnabled(false);
    return box;
}

}  // namespace

NormaliseBox::NormaliseBox(QWidget* parent) : QGroupBox("Loudness", parent) {
    setObjectName("FrameLoudness");
    chNormalise = new QCheckBox("Normalise to", this);
    chNormalise->setObjectName("chNormalise");
    chNormalise->setAccessibleName("Normalise to a loudness");
    udTarget = Number(kNormaliseTarget, "udNormaliseTarget", "Loudness (LUFS)", 1.0, this);
    auto* lufs = new QLabel("LUFS, true peak \u2264", this);
    lufs->setObjectName("lblNormaliseLufs");
    udCeiling =
        Number(kNormaliseCeiling, "udNormaliseCeiling", "True peak ceiling (dBTP)", 0.5, this);
    auto* dbtp = new QLabel("dBTP", this);
    dbtp->setObjectName("lblNormaliseDbtp");
    auto* row = new QHBoxLayout(this);
    row->addWidget(chNormalise);
    row->addWidget(udTarget);
    row->addWidget(lufs);
    row->addWidget(udCeiling);
    row->addWidget(dbtp);
    row->addStretch(1);
    for (QDoubleSpinBox* box : {udTarget, udCeiling})
        connect(chNormalise, &QCheckBox::toggled, box, &QDoubleSpinBox::setEnabled);
}

void NormaliseBox::Show(const LoudnessSettings& s) {
    chNormalise->setChecked(s.normalise);
    udTarget->setValue(s.target);
    udCeiling->setValue(s.ceiling);
}

LoudnessSettings NormaliseBox::Value() const {
    return {chNormalise->isChecked(), udTarget->value(), udCeiling->value()};
}

}  // namespace qsr::settings
