#include "settings/windows/SecondSourcePage.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QSlider>
#include <QTimer>
#include <QVBoxLayout>

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
    choices_.assign(1, Choice{});
    cboSecondSource->clear();
    cboSecondSource->addItem("None");
    if (recorder) {
        const int current = recorder->CurrentDevice(), line = recorder->CurrentSource();
        for (int i = 0; i < recorder->DeviceCount(); ++i) {
            if (!recorder->CanCombine(i)) continue;
            recorder->SelectDevice(i);
            const std::string name = recorder->DeviceName();
            if (name != kProgramsDevice) {
                choices_.push_back({name, {}});
                continue;
            }
            for (int j = 0; j <= recorder->SourceLastIndex(); ++j) {
                recorder->SelectSource(j);
                choices_.push_back({name, recorder->SourceName()});
            }
        }
        recorder->SelectDevice(current);
        recorder->SelectSource(line);
    }
    auto stored = std::find_if(choices_.begin(), choices_.end(), [&s](const Choice& c) {
        return c.device == s.device && c.program == s.program;
    });
    if (stored == choices_.end()) {
        choices_.push_back({s.device, s.program});
        stored = choices_.end() - 1;
    }
    for (std::size_t k = 1; k < choices_.size(); ++k) {
        const Choice& c = choices_[k];
        cboSecondSource->addItem(
            QString::fromStdString(c.program.empty() ? c.device : "Program: " + c.program));
    }
    cboSecondSource->setCurrentIndex(static_cast<int>(stored - choices_.begin()));
    for (int k = 0; k < 3; ++k)
        if (kLayouts[k] == s.layout) cboLayout->setCurrentIndex(k);
    sldSecondLevel->setValue(s.level);
    lblSecondLevel->setText(QString("%1 %").arg(s.level));
    if (recorder_)
        meter_->start();
    else
        meter_->stop();
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
