#include "settings/windows/frmAdv.h"

#include <QCheckBox>
#include <QComboBox>
#include <QSlider>
#include <QVBoxLayout>
#include <algorithm>
#include <limits>

#include "platform/audio-api/AudioRecorder.h"
#include "platform/services/Services.h"
#include "platform/services/windows/Accessibility.h"
#include "platform/services/windows/Skin.h"
#include "settings/MixerRules.h"

namespace qsr::settings {

frmAdv::frmAdv(audio::IAudioRecorder& recorder, std::string applicationFolder, QWidget* parent)
    : QDialog(parent), recorder_(recorder), applicationFolder_(std::move(applicationFolder)) {
    setObjectName("frmAdv");
    setWindowTitle("Advanced Propities");
    // The close box only.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);

    Combo1 = new QComboBox(this);
    Combo1->setObjectName("Combo1");
    Combo1->setAccessibleName("Advanced Properties");
    Check1 = new QCheckBox(this);
    Check1->setObjectName("Check1");
    Slider1 = new QSlider(Qt::Horizontal, this);
    Slider1->setObjectName("Slider1");
    Slider1->setRange(0, kVolumeMax);
    Slider1->setPageStep(kVolumeMax / 16);
    // A drag applies once, when it ends; keys and clicks on the groove at once.
    Slider1->setTracking(false);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Combo1);
    layout->addWidget(Check1);
    layout->addWidget(Slider1);
    layout->addStretch(1);

    connect(Combo1, &QComboBox::activated, this, [this] { Combo1_Click(); });
    connect(Check1, &QCheckBox::clicked, this, [this] { Check1_Click(); });
    connect(Slider1, &QSlider::valueChanged, this, [this] {
        if (!showing_) Slider1_Click();
    });
    services::NameControlsForAccessibility(this);
}

frmAdv::~frmAdv() = default;

void frmAdv::Form_Load() {
    services::ApplySkin(*this, applicationFolder_);
    setWindowTitle(QString::fromStdString(AdvancedCaption(recorder_.SourceName())));
    showing_ = true;
    Combo1->clear();
    const int last = recorder_.AdvancedLastIndex();
    for (int i = 0; i <= last; ++i)
        Combo1->addItem(QString::fromStdString(recorder_.AdvancedName(i)));
    showing_ = false;
    if (Combo1->count() == 0) {
        Check1->hide();
        Slider1->hide();
        return;
    }
    Combo1->setCurrentIndex(0);
    Combo1_Click();
}

void frmAdv::ShowSliderValue(std::int32_t level) {
    showing_ = true;
    Slider1->setValue(static_cast<int>(
        std::min<std::int64_t>(AdvancedSliderValue(level), std::numeric_limits<int>::max())));
    showing_ = false;
}

void frmAdv::Combo1_Click() {
    const int index = Combo1->currentIndex();
    if (index < 0) return;
    const audio::AdvancedValue value = recorder_.AdvancedGet(index);
    const AdvancedEditor editor = EditorFor(value.isSwitch);
    // The editor is named after the control it edits.
    const QString name = Combo1->currentText();
    Check1->setAccessibleName(name);
    Slider1->setAccessibleName(name);
    if (editor == AdvancedEditor::TickBox) {
        Slider1->hide();
        Check1->show();
        Check1->setChecked(AdvancedTicked(value.value));
    } else {
        Slider1->show();
        Check1->hide();
        ShowSliderValue(value.value);
    }
    setFixedSize(TwipsToPixels(AdvancedWindowTwips(editor)), sizeHint().height());
}

void frmAdv::Check1_Click() {
    const int index = Combo1->currentIndex();
    if (index < 0) return;
    recorder_.AdvancedSet(index, Check1->isChecked() ? 1 : 0);
    Check1->setChecked(AdvancedTicked(recorder_.AdvancedGet(index).value));
}

void frmAdv::Slider1_Click() {
    const int index = Combo1->currentIndex();
    if (index < 0) return;
    recorder_.AdvancedSet(index, static_cast<std::int32_t>(Slider1->value()));
    ShowSliderValue(recorder_.AdvancedGet(index).value);
}

void ShowAdvancedProperties(audio::IAudioRecorder& recorder, const std::string& applicationFolder,
                            services::IModalRunner* modal, QWidget& owner) {
    frmAdv dialog(recorder, applicationFolder, &owner);
    dialog.Form_Load();
    if (modal) modal->Exec(dialog);
}

}  // namespace qsr::settings
