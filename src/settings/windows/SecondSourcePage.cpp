#include "settings/windows/SecondSourcePage.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QSlider>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "platform/audio-api/AudioRecorder.h"

namespace qsr::settings {
namespace {

constexpr const char* kProgramsDevice = "Programs";

// The layouts in the order the list shows them.
constexpr audio::CombineLayout kLayouts[] = {
    audio::CombineLayout::Mix, audio::CombineLayout::Channels, audio::CombineLayout::Files};

}  // namespace

SecondSourcePage::SecondSourcePage(QWidget* parent) : QWidget(parent) {
    setObjectName("secondSourceTab");
    cboSecondSource = new QComboBox(this);
    cboSecondSource->setObjectName("cboSecondSource");
    cboSecondSource->setAccessibleName("Second source");
    cboLayout = new QComboBox(this);
    cboLayout->setObjectName("cboLayout");
    cboLayout->setAccessibleName("Layout");
    cboLayout->addItem("Mixed into the file");
    cboLayout->addItem("Channels: Record Device left, second source right");
    cboLayout->addItem("Files: NAME and NAME_ 2nd");
    sldSecondLevel = new QSlider(Qt::Horizontal, this);
    sldSecondLevel->setObjectName("sldSecondLevel");
    sldSecondLevel->setAccessibleName("Second source level");
    sldSecondLevel->setRange(kSecondLevelMin, kSecondLevelMax);
    sldSecondLevel->setPageStep(10);
    lblSecondLevel = new QLabel(this);
    lblSecondLevel->setObjectName("lblSecondLevel");
    pbSecondMeter = new QProgressBar(this);
    pbSecondMeter->setObjectName("pbSecondMeter");
    pbSecondMeter->setAccessibleName("Second source meter");
    pbSecondMeter->setRange(0, 32767);
    pbSecondMeter->setTextVisible(false);

    auto* level = new QHBoxLayout;
    level->addWidget(sldSecondLevel, 1);
    level->addWidget(lblSecondLevel);
    auto* form = new QFormLayout;
    form->addRow("Second source:", cboSecondSource);
    form->addRow("Layout:", cboLayout);
    form->addRow("Level:", level);
    form->addRow("Meter:", pbSecondMeter);
    auto* note = new QLabel(
        "Recorded with the Record Device and kept in step with it. \"Microphone + playback\" "
        "in the Record Device list records the default microphone with what the computer "
        "plays, in the layout chosen here.",
        this);
    note->setWordWrap(true);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(note);
    layout->addStretch(1);

    connect(sldSecondLevel, &QSlider::valueChanged, this,
            [this](int v) { lblSecondLevel->setText(QString("%1 %").arg(v)); });
    connect(cboSecondSource, &QComboBox::currentIndexChanged, this,
            &SecondSourcePage::UpdateEnabled);
    // The meter shows the second source while a take of two runs.
    meter_ = new QTimer(this);
    meter_->setInterval(200);
    connect(meter_, &QTimer::timeout, this,
            [this] { pbSecondMeter->setValue(recorder_ ? recorder_->SecondLevel() : 0); });
    Show(SecondSourceSettings{}, nullptr);
}

void SecondSourcePage::Show(const SecondSourceSettings& s, audio::IAudioRecorder* recorder) {
    recorder_ = recorder;
    listed_ = false;
    choices_.assign(1, Choice{});
    if (!s.device.empty()) choices_.push_back({s.device, s.program});
    cboSecondSource->clear();
    cboSecondSource->addItem("None");
    for (std::size_t k = 1; k < choices_.size(); ++k) {
        const Choice& c = choices_[k];
        cboSecondSource->addItem(
            QString::fromStdString(c.program.empty() ? c.device : "Program: " + c.program));
    }
    cboSecondSource->setCurrentIndex(static_cast<int>(choices_.size()) - 1);
    for (int k = 0; k < 3; ++k)
        if (kLayouts[k] == s.layout) cboLayout->setCurrentIndex(k);
    sldSecondLevel->setValue(s.level);
    lblSecondLevel->setText(QString("%1 %").arg(s.level));
    if (recorder_)
        meter_->start();
    else
        meter_->stop();
    UpdateEnabled();
    if (isVisible()) ListChoices();
}

void SecondSourcePage::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    ListChoices();
}

void SecondSourcePage::ListChoices() {
    if (listed_ || !recorder_) return;
    listed_ = true;
    const Choice chosen = choices_[static_cast<std::size_t>(
        std::clamp(cboSecondSource->currentIndex(), 0, static_cast<int>(choices_.size()) - 1))];
    std::vector<Choice> found(1);
    audio::IAudioRecorder& r = *recorder_;
    const int current = r.CurrentDevice(), line = r.CurrentSource();
    bool selected = false;
    for (int i = 0; i < r.DeviceCount(); ++i) {
        if (!r.CanCombine(i)) continue;
        r.SelectDevice(i);
        selected = true;
        const std::string name = r.DeviceName();
        if (name != kProgramsDevice) {
            found.push_back({name, {}});
            continue;
        }
        for (int j = 0; j <= r.SourceLastIndex(); ++j) {
            r.SelectSource(j);
            found.push_back({name, r.SourceName()});
        }
    }
    if (selected) {
        r.SelectDevice(current);
        r.SelectSource(line);
    }
    auto same = [&chosen](const Choice& c) {
        return c.device == chosen.device && c.program == chosen.program;
    };
    if (std::none_of(found.begin(), found.end(), same)) found.push_back(chosen);
    choices_ = found;
    cboSecondSource->clear();
    cboSecondSource->addItem("None");
    for (std::size_t k = 1; k < choices_.size(); ++k) {
        const Choice& c = choices_[k];
        cboSecondSource->addItem(
            QString::fromStdString(c.program.empty() ? c.device : "Program: " + c.program));
        if (same(c)) cboSecondSource->setCurrentIndex(static_cast<int>(k));
    }
    UpdateEnabled();
}

SecondSourceSettings SecondSourcePage::Value() const {
    SecondSourceSettings s;
    const int k = cboSecondSource->currentIndex();
    if (k > 0 && k < static_cast<int>(choices_.size())) {
        s.device = choices_[static_cast<std::size_t>(k)].device;
        s.program = choices_[static_cast<std::size_t>(k)].program;
    }
    s.layout = kLayouts[std::clamp(cboLayout->currentIndex(), 0, 2)];
    s.level = sldSecondLevel->value();
    return s;
}

void SecondSourcePage::UpdateEnabled() {
    // The layout also serves "Microphone + playback", so it stays on.
    const bool chosen = cboSecondSource->currentIndex() > 0;
    sldSecondLevel->setEnabled(chosen);
    pbSecondMeter->setEnabled(chosen);
}

}  // namespace qsr::settings
