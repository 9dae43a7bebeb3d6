#include "settings/windows/TriggerPage.h"

#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QLabel>
#include <QSpinBox>
#include <QVBoxLayout>
#include <cmath>

namespace qsr::settings {
namespace {

QSpinBox* Box(QWidget* parent, const char* name, const char* accessible, int low, int high,
              int step) {
    auto* box = new QSpinBox(parent);
    box->setObjectName(name);
    box->setAccessibleName(accessible);
    box->setRange(low, high);
    box->setSingleStep(step);
    return box;
}

}  // namespace

TriggerPage::TriggerPage(QWidget* parent) : QWidget(parent) {
    setObjectName("triggerTab");
    chStartOnSound = new QCheckBox("Start when the level rises above", this);
    chStartOnSound->setObjectName("chStartOnSound");
    udStartLevel = Box(this, "udStartLevel", "Start level (dB)", -100, 0, 1);
    udStartTime = Box(this, "udStartTime", "Start after the level held (ms)", 0, 60000, 50);
    chStopOnSilence = new QCheckBox("Stop after", this);
    chStopOnSilence->setObjectName("chStopOnSilence");
    udStopTime = new QDoubleSpinBox(this);
    udStopTime->setObjectName("udStopTime");
    udStopTime->setAccessibleName("Stop after silence of (s)");
    udStopTime->setRange(0.1, 24 * 3600);
    udStopTime->setDecimals(1);
    udSilenceLevel = Box(this, "udSilenceLevel", "Silence level (dB)", -100, 0, 1);
    chPauseOnSilence = new QCheckBox("Pause while silent", this);
    chPauseOnSilence->setObjectName("chPauseOnSilence");

    auto* grid = new QGridLayout;
    grid->addWidget(chStartOnSound, 0, 0);
    grid->addWidget(udStartLevel, 0, 1);
    grid->addWidget(new QLabel("dB for", this), 0, 2);
    grid->addWidget(udStartTime, 0, 3);
    grid->addWidget(new QLabel("ms", this), 0, 4);
    grid->addWidget(chStopOnSilence, 1, 0);
    grid->addWidget(udStopTime, 1, 1);
    grid->addWidget(new QLabel("s of silence below", this), 1, 2);
    grid->addWidget(udSilenceLevel, 1, 3);
    grid->addWidget(new QLabel("dB", this), 1, 4);
    grid->addWidget(chPauseOnSilence, 2, 0);
    grid->setColumnStretch(5, 1);
    auto* note = new QLabel(
        "The second before the level rose is kept. Levels are measured after the filters. "
        "Pausing leaves silences below the silence level out of the file.",
        this);
    note->setWordWrap(true);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(grid);
    layout->addWidget(note);
    layout->addStretch(1);

    for (QCheckBox* box : {chStartOnSound, chStopOnSilence, chPauseOnSilence})
        connect(box, &QCheckBox::toggled, this, &TriggerPage::UpdateEnabled);
    Show(TriggerSettings{});
}

void TriggerPage::Show(const TriggerSettings& t) {
    chStartOnSound->setChecked(t.startOnSound);
    udStartLevel->setValue(static_cast<int>(std::lround(t.startDb)));
    udStartTime->setValue(t.startMs);
    chStopOnSilence->setChecked(t.stopOnSilence);
    udStopTime->setValue(t.stopSeconds);
    udSilenceLevel->setValue(static_cast<int>(std::lround(t.silenceDb)));
    chPauseOnSilence->setChecked(t.pauseOnSilence);
    UpdateEnabled();
}

TriggerSettings TriggerPage::Value() const {
    TriggerSettings t;
    t.startOnSound = chStartOnSound->isChecked();
    t.startDb = udStartLevel->value();
    t.startMs = udStartTime->value();
    t.stopOnSilence = chStopOnSilence->isChecked();
    t.stopSeconds = udStopTime->value();
    t.silenceDb = udSilenceLevel->value();
    t.pauseOnSilence = chPauseOnSilence->isChecked();
    return t;
}

void TriggerPage::UpdateEnabled() {
    udStartLevel->setEnabled(chStartOnSound->isChecked());
    udStartTime->setEnabled(chStartOnSound->isChecked());
    udStopTime->setEnabled(chStopOnSilence->isChecked());
    // The silence level serves both the stop and the pause.
    udSilenceLevel->setEnabled(chStopOnSilence->isChecked() || chPauseOnSilence->isChecked());
}

}  // namespace qsr::settings
