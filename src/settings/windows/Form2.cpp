#include "settings/windows/Form2.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "core/AppInfo.h"
#include "platform/audio-api/AudioFile.h"
#include "platform/audio-api/AudioRecorder.h"
#include "platform/services/AppFolder.h"
#include "platform/services/windows/Accessibility.h"
#include "platform/services/windows/Skin.h"
#include "settings/ApplySettings.h"
#include "settings/FilterSettings.h"
#include "settings/SecondSourceSettings.h"
#include "settings/windows/OptionDialogParts.h"
#include "settings/windows/SecondSourcePage.h"
#include "settings/windows/TriggerPage.h"
#include "settings/windows/UpDown.h"

namespace qsr::settings {
namespace {

// The mixer shows at most eight source lines.
constexpr int kLastMixerLine = 7;

// A number of section "other": its box shows the offered text until one is
// stored, its up-down holds the value in the number's range.
QLineEdit* NumberBox(const char* name, const FilterNumber& number, QWidget* parent) {
    auto* box = new QLineEdit(QString::fromUtf8(number.offered), parent);
    box->setObjectName(name);
    box->setMaximumWidth(80);
    return box;
}

UpDown* NumberUpDown(const char* name, const FilterNumber& number, QWidget* parent) {
    return new UpDown(name, number.minimum, number.maximum, number.step, parent);
}

QCheckBox* TickBox(const char* name, const char* caption, QWidget* parent) {
    auto* box = new QCheckBox(QString::fromUtf8(caption), parent);
    box->setObjectName(name);
    return box;
}

}  // namespace

Form2::Form2(audio::IAudioRecorder* recorder, audio::IAudioFile* file, const FormatValues& values,
             std::string applicationFolder, FormatOptionOpeners openers, QWidget* parent)
    : QDialog(parent),
      recorder_(recorder),
      file_(file),
      values_(values),
      applicationFolder_(std::move(applicationFolder)),
      openers_(std::move(openers)) {
    setObjectName("Form2");
    setWindowTitle("Formats And Filters Settings ");

    SSTab1 = new QTabWidget(this);
    SSTab1->setObjectName("SSTab1");
    mixerTab = new QWidget(SSTab1);
    mixerTab->setObjectName("mixerTab");
    mixerLayout_ = new QVBoxLayout(mixerTab);
    mixerLayout_->setContentsMargins(0, 0, 0, 0);
    SSTab1->addTab(mixerTab, "Mixer");
    SSTab1->addTab(BuildFormatsPage(), "Formats And Filters Settings ");
    triggerTab = new TriggerPage(SSTab1);
    SSTab1->addTab(triggerTab, "Triggers");
    secondSourceTab = new SecondSourcePage(SSTab1);
    SSTab1->addTab(secondSourceTab, "Second source");
    SSTab1->setCurrentIndex(1);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(SSTab1);
    layout->addLayout(MakeOkCancelRow(this, Command1, Command2));

    connect(Command1, &QPushButton::clicked, this, &Form2::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Form2::Command2_Click);
    connect(cmdMP3, &QPushButton::clicked, this, &Form2::cmdMP3_Click);
    connect(cmdWAV, &QPushButton::clicked, this, &Form2::cmdWAV_Click);
    connect(cmdVOX, &QPushButton::clicked, this, &Form2::cmdVOX_Click);
    connect(cmdOgg, &QPushButton::clicked, this, &Form2::cmdOgg_Click);
    connect(cmdRAW, &QPushButton::clicked, this, &Form2::cmdRAW_Click);
    connect(cmdG726, &QPushButton::clicked, this, &Form2::cmdG726_Click);
    connect(cmdFLAC, &QPushButton::clicked, this, [this] {
        if (openers_.flac) openers_.flac();
    });
    connect(cmdOPUS, &QPushButton::clicked, this, [this] {
        if (openers_.opus) openers_.opus();
    });
    connect(chFilter, &QCheckBox::clicked, this, &Form2::chFilter_Click);
    connect(chFilter1, &QCheckBox::clicked, this, &Form2::chFilter1_Click);
    connect(chFilter2, &QCheckBox::clicked, this, &Form2::chFilter2_Click);
    connect(chAutoGainControl, &QCheckBox::clicked, this, &Form2::chAutoGainControl_Click);

    services::NameControlsForAccessibility(this);
    // Boxes that share a label still need names of their own.
    txtNotchFreq->setAccessibleName("Notch frequency (Hz)");
    txtHighPassFreq->setAccessibleName("HighPass frequency (Hz)");
    txtLowPassFreq->setAccessibleName("LowPass frequency (Hz)");
    udNotchFreq->setAccessibleName("Notch frequency up-down");
    udHighPassFreq->setAccessibleName("HighPass frequency up-down");
    udLowPassFreq->setAccessibleName("LowPass frequency up-down");
    udAGCLowLevel->setAccessibleName("Low Level: up-down");
    udAGCHighLevel->setAccessibleName("High Level: up-down");
    udAGCAttackTime->setAccessibleName("AttackTime: up-down");
    for (auto [button, format] : {std::pair{cmdMP3, "MP3"},
                                  {cmdWAV, "WAV"},
                                  {cmdVOX, "VOX"},
                                  {cmdOgg, "OGG"},
                                  {cmdRAW, "RAW"},
                                  {cmdG726, "G726"},
                                  {cmdFLAC, "FLAC"},
                                  {cmdOPUS, "OPUS"}}) {
        // The buttons read "...": the tooltip says which format each one opens.
        button->setToolTip(QString("%1 options").arg(format));
        button->setAccessibleName(button->toolTip());
    }
}

Form2::~Form2() = default;

QWidget* Form2::BuildFormatsPage() {
    auto* page = new QWidget(SSTab1);
    page->setObjectName("formatsTab");
    QGroupBox* summaries = BuildSummaryFrame(page);
    auto* lower = new QHBoxLayout;
    lower->addWidget(BuildFiltersFrame(page), 1);
    lower->addWidget(BuildGainControlFrame(page), 1);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(summaries);
    layout->addLayout(lower);
    layout->addStretch(1);
    return page;
}

QGroupBox* Form2::BuildSummaryFrame(QWidget* page) {
    auto* Frame8 = new QGroupBox("Format Settings", page);
    Frame8->setObjectName("Frame8");
    auto* formats = new QGridLayout(Frame8);
    auto summary = [&](int row, const char* label, const char* box, const char* button,
                       QLineEdit*& text, QPushButton*& cmd) {
        auto* l = new QLabel(label, Frame8);
        l->setObjectName(QString("lbl") + box);
        text = new QLineEdit(Frame8);
        text->setObjectName(box);
        text->setReadOnly(true);
        text->setMinimumWidth(360);
        l->setBuddy(text);
        cmd = new QPushButton("...", Frame8);
        cmd->setObjectName(button);
        cmd->setAutoDefault(false);
        cmd->setFixedWidth(32);
        formats->addWidget(l, row, 0);
        formats->addWidget(text, row, 1);
        formats->addWidget(cmd, row, 2);
    };
    summary(0, "MP3", "txtMP3", "cmdMP3", txtMP3, cmdMP3);
    summary(1, "WAV", "txtWAV", "cmdWAV", txtWAV, cmdWAV);
    summary(2, "VOX", "txtVOX", "cmdVOX", txtVOX, cmdVOX);
    summary(3, "OGG", "txtOGG", "cmdOgg", txtOGG, cmdOgg);
    summary(4, "RAW", "txtRAW", "cmdRAW", txtRAW, cmdRAW);
    summary(5, "G726", "txtG726", "cmdG726", txtG726, cmdG726);
    summary(6, "FLAC", "txtFLAC", "cmdFLAC", txtFLAC, cmdFLAC);
    summary(7, "OPUS", "txtOPUS", "cmdOPUS", txtOPUS, cmdOPUS);
    return Frame8;
}

QGroupBox* Form2::BuildFiltersFrame(QWidget* page) {
    auto* Frame3 = new QGroupBox("Filters", page);
    Frame3->setObjectName("Frame3");
    auto* filters = new QGridLayout(Frame3);
    auto filter = [&](int row, QCheckBox* tick, QLineEdit* box, UpDown* ud) {
        ud->SetBuddy(box);
        auto* unit = new QLabel("Hz", Frame3);
        unit->setObjectName(QString("lblHz%1").arg(row));
        filters->addWidget(tick, row, 0);
        filters->addWidget(box, row, 1);
        filters->addWidget(ud, row, 2);
        filters->addWidget(unit, row, 3);
    };
    chFilter = TickBox("chFilter", "Notch", Frame3);
    txtNotchFreq = NumberBox("txtNotchFreq", kNotchFrequency, Frame3);
    udNotchFreq = NumberUpDown("udNotchFreq", kNotchFrequency, Frame3);
    filter(0, chFilter, txtNotchFreq, udNotchFreq);
    chFilter1 = TickBox("chFilter1", "HighPass", Frame3);
    txtHighPassFreq = NumberBox("txtHighPassFreq", kHighPassFrequency, Frame3);
    udHighPassFreq = NumberUpDown("udHighPassFreq", kHighPassFrequency, Frame3);
    filter(1, chFilter1, txtHighPassFreq, udHighPassFreq);
    chFilter2 = TickBox("chFilter2", "LowPass", Frame3);
    txtLowPassFreq = NumberBox("txtLowPassFreq", kLowPassFrequency, Frame3);
    udLowPassFreq = NumberUpDown("udLowPassFreq", kLowPassFrequency, Frame3);
    filter(2, chFilter2, txtLowPassFreq, udLowPassFreq);
    filters->setColumnStretch(4, 1);
    return Frame3;
}

QGroupBox* Form2::BuildGainControlFrame(QWidget* page) {
    auto* Frame7 = new QGroupBox("Auto Gain Control", page);
    Frame7->setObjectName("Frame7");
    auto* agc = new QGridLayout(Frame7);
    chAutoGainControl = TickBox("chAutoGainControl", "Enabled", Frame7);
    agc->addWidget(chAutoGainControl, 0, 0, 1, 3);
    auto level = [&](int row, const char* name, const char* caption, QLineEdit*& box, UpDown*& ud,
                     const char* udName, const FilterNumber& number) {
        auto* l = new QLabel(caption, Frame7);
        l->setObjectName(QString("lbl") + name);
        box = NumberBox(name, number, Frame7);
        l->setBuddy(box);
        ud = NumberUpDown(udName, number, Frame7);
        ud->SetBuddy(box);
        agc->addWidget(l, row, 0);
        agc->addWidget(box, row, 1);
        agc->addWidget(ud, row, 2);
    };
    level(1, "txtAGCLowLevel", "Low Level:", txtAGCLowLevel, udAGCLowLevel, "udAGCLowLevel",
          kAgcLowLevel);
    level(2, "txtAGCHighLevel", "High Level:", txtAGCHighLevel, udAGCHighLevel, "udAGCHighLevel",
          kAgcHighLevel);
    level(3, "txtAGCAttackTime", "AttackTime:", txtAGCAttackTime, udAGCAttackTime,
          "udAGCAttackTime", kAgcAttackTime);
    agc->setColumnStretch(3, 1);
    return Frame7;
}

void Form2::SetMixerPage(QWidget* page, std::function<void(int)> buildMixerPage) {
    if (page) {
        page->setParent(mixerTab);
        mixerLayout_->addWidget(page);
    }
    buildMixerPage_ = std::move(buildMixerPage);
}

QLineEdit* Form2::SummaryBox(core::Encoder which) const {
    switch (which) {
        case core::Encoder::Mp3:
            return txtMP3;
        case core::Encoder::Wav:
            return txtWAV;
        case core::Encoder::Vox:
            return txtVOX;
        case core::Encoder::Ogg:
            return txtOGG;
        case core::Encoder::Raw:
            return txtRAW;
        case core::Encoder::G726:
            return txtG726;
        case core::Encoder::Flac:
            return txtFLAC;
        case core::Encoder::Opus:
            return txtOPUS;
        case core::Encoder::Wma:
            break;
    }
    return nullptr;
}

void Form2::SetSummary(core::Encoder which, const std::string& text) {
    if (QLineEdit* box = SummaryBox(which)) {
        box->setText(QString::fromStdString(text));
        box->setCursorPosition(0);
    }
}

std::string Form2::Summary(core::Encoder which) const {
    const QLineEdit* box = SummaryBox(which);
    return box ? box->text().toStdString() : std::string();
}

std::string Form2::SettingsFile() const {
    return services::AppPath(applicationFolder_, kSettingsFileName);
}

void Form2::Form_Load() {
    services::ApplySkin(*this, applicationFolder_);
    triggerTab->Show(LoadTriggerSettings(SettingsFile()));
    secondSourceTab->Show(LoadSecondSourceSettings(SettingsFile()), recorder_);
    // Without a capture device the recorder has nothing to read; the stored
    // filter and gain settings are still shown, so OK stores them back
    // instead of wiping them.
    if (recorder_ && recorder_->DeviceCount() >= 1) {
        (void)recorder_->CurrentDevice();
        const int lastLine = std::min(recorder_->SourceLastIndex(), kLastMixerLine);
        if (buildMixerPage_) buildMixerPage_(lastLine);

        // Opening changes nothing in the recorder (a running take keeps its
        // gain control): only OK hands the dialog's values over.
        udAGCLowLevel->setValue(recorder_->AgcLowLevel());
        udAGCHighLevel->setValue(recorder_->AgcHighLevel());
        udAGCAttackTime->setValue(recorder_->AgcAttackTime());
        txtAGCAttackTime->setText(QString::number(recorder_->AgcAttackTime()));

        if (file_) {
            for (const auto& [encoder, description] : DescribeFormatsForDialog(*file_, values_))
                SetSummary(encoder, description);
        }
    }

    const FilterSettings stored = ReadFilterSettings(SettingsFile());
    // A box keeps its text while nothing is stored for it.
    auto text = [&](QLineEdit* box, const std::string& value) {
        if (!value.empty()) box->setText(QString::fromStdString(value));
    };
    chFilter->setChecked(stored.notch);
    text(txtNotchFreq, stored.notchFrequency);
    chFilter1->setChecked(stored.highPass);
    text(txtHighPassFreq, stored.highPassFrequency);
    chFilter2->setChecked(stored.lowPass);
    text(txtLowPassFreq, stored.lowPassFrequency);
    chAutoGainControl->setChecked(stored.autoGain);
    text(txtAGCLowLevel, stored.lowLevel);
    text(txtAGCHighLevel, stored.highLevel);
    text(txtAGCAttackTime, stored.attackTime);
    chFilter_Click();
    chFilter1_Click();
    chFilter2_Click();
    chAutoGainControl_Click();
}

void Form2::chFilter_Click() {
    txtNotchFreq->setEnabled(chFilter->isChecked());
    udNotchFreq->setEnabled(chFilter->isChecked());
}

void Form2::chFilter1_Click() {
    txtHighPassFreq->setEnabled(chFilter1->isChecked());
    udHighPassFreq->setEnabled(chFilter1->isChecked());
}

void Form2::chFilter2_Click() {
    txtLowPassFreq->setEnabled(chFilter2->isChecked());
    udLowPassFreq->setEnabled(chFilter2->isChecked());
}

void Form2::chAutoGainControl_Click() {
    const bool on = chAutoGainControl->isChecked();
    for (QWidget* w :
         std::initializer_list<QWidget*>{txtAGCLowLevel, txtAGCHighLevel, txtAGCAttackTime,
                                         udAGCLowLevel, udAGCHighLevel, udAGCAttackTime})
        w->setEnabled(on);
}

void Form2::Command1_Click() {
    const std::string file = SettingsFile();
    auto typed = [](const QLineEdit* box) { return box->text().toStdString(); };
    FilterSettings chosen;
    chosen.notch = chFilter->isChecked();
    chosen.notchFrequency = typed(txtNotchFreq);
    chosen.highPass = chFilter1->isChecked();
    chosen.highPassFrequency = typed(txtHighPassFreq);
    chosen.lowPass = chFilter2->isChecked();
    chosen.lowPassFrequency = typed(txtLowPassFreq);
    chosen.autoGain = chAutoGainControl->isChecked();
    chosen.lowLevel = typed(txtAGCLowLevel);
    chosen.highLevel = typed(txtAGCHighLevel);
    chosen.attackTime = typed(txtAGCAttackTime);
    SettingsSave save = WriteFilterSettings(file, chosen);
    save.Add(SaveTriggerSettings(file, triggerTab->Value()));
    save.Add(SaveSecondSourceSettings(file, secondSourceTab->Value()));
    if (!save.Ok() && messageBox_)
        messageBox_->Show(save.Message(), services::MsgIcon::Error, services::MsgButtons::Ok,
                          core::kAppTitle);

    // The recorder only ever receives the up-downs' values, within their ranges.
    if (recorder_) {
        auto& r = *recorder_;
        r.SetSecondSource(ResolveSecondSource(secondSourceTab->Value(), r));
        r.SetNotchEnabled(chFilter->isChecked());
        if (chFilter->isChecked()) r.SetNotchFrequency(static_cast<float>(udNotchFreq->value()));
        r.SetHighPassEnabled(chFilter1->isChecked());
        if (chFilter1->isChecked())
            r.SetHighPassFrequency(static_cast<float>(udHighPassFreq->value()));
        r.SetLowPassEnabled(chFilter2->isChecked());
        if (chFilter2->isChecked())
            r.SetLowPassFrequency(static_cast<float>(udLowPassFreq->value()));
        r.SetAgcEnabled(chAutoGainControl->isChecked());
        if (chAutoGainControl->isChecked()) {
            r.SetAgcHighLevel(udAGCHighLevel->value());
            r.SetAgcLowLevel(udAGCLowLevel->value());
            r.SetAgcAttackTime(udAGCAttackTime->value());
        }
    }
    HideAndClose(*this, true);
}

void Form2::Command2_Click() {
    HideAndClose(*this, false);
}

void Form2::cmdMP3_Click() {
    if (openers_.mp3) openers_.mp3();
}
void Form2::cmdWAV_Click() {
    if (openers_.wav) openers_.wav();
}
void Form2::cmdVOX_Click() {
    if (openers_.vox) openers_.vox();
}
void Form2::cmdOgg_Click() {
    if (openers_.ogg) openers_.ogg();
}
void Form2::cmdRAW_Click() {
    if (openers_.raw) openers_.raw();
}
void Form2::cmdG726_Click() {
    if (openers_.g726) openers_.g726();
}

}  // namespace qsr::settings
