#include "settings/windows/SplitFilesBox.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QSpinBox>

#include "settings/Inifun.h"
#include "settings/SettingsRules.h"

namespace qsr::settings {
namespace {

constexpr int kDefaultMinutes = 60;
constexpr int kDefaultMegabytes = 650;

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

// A stored whole number above 0, else 0.
int Stored(const std::string& file, const char* key) {
    std::int32_t value = 0;
    return ConvertInt32(ReadIniValue(file, "set", key), value) && value > 0 ? value : 0;
}

}  // namespace

SplitFilesBox::SplitFilesBox(QWidget* parent) : QGroupBox("Split long recordings", parent) {
    setObjectName("FrameSplit");
    auto* grid = new QGridLayout(this);
    Row(grid, 0, chMinutes, udMinutes, "Minutes", "minutes", 24 * 60, kDefaultMinutes, this);
    Row(grid, 1, chMegabytes, udMegabytes, "Megabytes", "MB", 1'000'000, kDefaultMegabytes, this);
    grid->setColumnStretch(3, 1);
}

void SplitFilesBox::Load(const std::string& file) {
    const int minutes = Stored(file, "splitminutes");
    const int megabytes = Stored(file, "splitmb");
    chMinutes->setChecked(minutes > 0);
    if (minutes > 0) udMinutes->setValue(minutes);
    chMegabytes->setChecked(megabytes > 0);
    if (megabytes > 0) udMegabytes->setValue(megabytes);
}

void SplitFilesBox::Store(const std::string& file) const {
    WriteIniValue(file, "set", "splitminutes",
                  std::to_string(chMinutes->isChecked() ? udMinutes->value() : 0));
    WriteIniValue(file, "set", "splitmb",
                  std::to_string(chMegabytes->isChecked() ? udMegabytes->value() : 0));
}

}  // namespace qsr::settings
