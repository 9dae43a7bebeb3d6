#include "settings/windows/SplitFilesBox.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QSpinBox>

namespace qsr::settings {
namespace {

// One "Start a new file every [N] unit" row.
void Row(QGridLayout* grid, int row, QCheckBox*& tick, QSpinBox*& box, const char* name,
         const char* unit, int maximum, int value, QWidget* parent) {
    tick = new QCheckBox("Start a new file every", parent);
    tick->setObjectName(QString("ch") + name);
    tick->setAccessibleName(QString("Start a new file every N ") + unit);
    box = new QSpinBox(parent);
    box->setObjectName(QString("ud") + name);
    box->setRange(1, maximum);
    box->setValue(value);
    box->setAccessibleName(QString("Split every (") + unit + ")");
    auto* label = new QLabel(unit, parent);
    label->setObjectName(QString("lbl") + name);
    grid->addWidget(tick, row, 0);
    grid->addWidget(box, row, 1);
    grid->addWidget(label, row, 2);
    box->setEnabled(false);
    QObject::connect(tick, &QCheckBox::toggled, box, &QSpinBox::setEnabled);
}

}  // namespace

SplitFilesBox::SplitFilesBox(QWidget* parent) : QGroupBox("Split long recordings", parent) {
    setObjectName("FrameSplit");
    auto* grid = new QGridLayout(this);
    Row(grid, 0, chMinutes, udMinutes, "Minutes", "minutes", kSplitBoxMaxMinutes,
        kSplitOfferedMinutes, this);
    Row(grid, 1, chMegabytes, udMegabytes, "Megabytes", "MB", kSplitBoxMaxMegabytes,
        kSplitOfferedMegabytes, this);
    grid->setColumnStretch(3, 1);
}

void SplitFilesBox::Show(const SplitSettings& split) {
    chMinutes->setChecked(split.minutes > 0);
    if (split.minutes > 0) udMinutes->setValue(static_cast<int>(split.minutes));
    chMegabytes->setChecked(split.megabytes > 0);
    if (split.megabytes > 0) udMegabytes->setValue(static_cast<int>(split.megabytes));
}

SplitSettings SplitFilesBox::Value() const {
    return {chMinutes->isChecked() ? udMinutes->value() : 0,
            chMegabytes->isChecked() ? udMegabytes->value() : 0};
}

}  // namespace qsr::settings
