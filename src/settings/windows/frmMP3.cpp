#include "settings/windows/frmMP3.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QTabWidget>
#include <QVBoxLayout>

#include "core/AppInfo.h"
#include "platform/audio-api/AudioEngine.h"
#include "platform/audio-api/AudioFile.h"
#include "platform/services/AppFolder.h"
#include "platform/services/windows/Accessibility.h"
#include "platform/services/windows/Skin.h"
#include "settings/Inifun.h"
#include "settings/Mp3OptionRules.h"
#include "settings/SettingsRules.h"
#include "settings/windows/OptionDialogParts.h"
#include "settings/windows/UpDown.h"

namespace qsr::settings {
namespace {

template <class T>
T* Named(T* widget, const char* name) {
    widget->setObjectName(name);
    return widget;
}

QSlider* BitrateSlider(const char* name, QWidget* parent) {
    auto* s = Named(new QSlider(Qt::Horizontal, parent), name);
    s->setRange(0, static_cast<int>(kMp3SliderBitrates.size()) - 1);
    s->setPageStep(1);
    s->setTickPosition(QSlider::TicksBelow);
    s->setTickInterval(1);
    return s;
}

QLineEdit* NumberBox(const char* name, QWidget* parent) {
    auto* box = Named(new QLineEdit(parent), name);
    box->setMaximumWidth(80);
    return box;
}

// Puts a value into an up-down and its box without running the handler:
// loading shows the object's values, it does not set them again.
void ShowQuietly(UpDown* ud, int value) {
    const QSignalBlocker quiet(ud);
    ud->setValue(value);
    ud->Buddy()->setText(QString::number(value));
}

void TickQuietly(QCheckBox* box, bool on) {
    const QSignalBlocker quiet(box);
    box->setChecked(on);
}

void SelectQuietly(QComboBox* combo, int index) {
    const QSignalBlocker quiet(combo);
    combo->setCurrentIndex(index);
}

}  // namespace

frmMP3::frmMP3(audio::IAudioEngine& engine, audio::IAudioFile* file, FormatValues& values,
               std::string applicationFolder, std::function<void(const std::string&)> summary,
               QWidget* parent)
    : FormatValuesDialog(values, parent),
      engine_(engine),
      file_(file),
      applicationFolder_(std::move(applicationFolder)),
      summary_(std::move(summary)) {
    setObjectName("frmMP3");
    setWindowTitle("MP3 Advanced Option");

    SSTab1 = Named(new QTabWidget(this), "SSTab1");
    SSTab1->addTab(BuildGeneralPage(), "General");
    SSTab1->addTab(BuildFilteringPage(), "Filtering");
    SSTab1->addTab(BuildVbrPage(), "VBR");
    SSTab1->addTab(BuildExpertPage(), "Expert");

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(SSTab1);
    layout->addLayout(MakeOkCancelRow(this, Command1, Command2));

    ConnectHandlers();
    services::NameControlsForAccessibility(this);
    Slider1->setAccessibleName("Bitrate");
    Slider2->setAccessibleName("Encoder Quality");
    Slider3->setAccessibleName("Maximum VBR Bitrate");
    Combo3->setAccessibleName("Channels");
    Combo5->setAccessibleName("Frequency (hz)");
    tHFiltF->setAccessibleName("Highpass filtering frequency (in Hz):");
    udHFiltF->setAccessibleName("Highpass filtering frequency up-down");
    udHFiltW->setAccessibleName("Width of Highpass filter up-down");
    tLFiltF->setAccessibleName("Lowpass filtering frequency (in Hz):");
    udLFiltF->setAccessibleName("Lowpass filtering frequency up-down");
    udLFiltW->setAccessibleName("Width of Lowpass filter up-down");
    udVbrQ->setAccessibleName("VBR Quality up-down");
    udABR->setAccessibleName("Targed bitrate for ABR up-down");
}

frmMP3::~frmMP3() = default;

QWidget* frmMP3::BuildGeneralPage() {
    auto* page = Named(new QWidget(SSTab1), "tabGeneral");
    auto* frameBitrate = Named(new QGroupBox("Bitrate", page), "frameBitrate");
    Slider1 = BitrateSlider("Slider1", frameBitrate);
    Label1 = Named(new QLabel("Current bitrate:", frameBitrate), "Label1");
    auto* bitrate = new QGridLayout(frameBitrate);
    bitrate->addWidget(Named(new QLabel("poor quality ", frameBitrate), "lblPoor"), 0, 0);
    bitrate->addWidget(Named(new QLabel("good quality ", frameBitrate), "lblGood"), 0, 2,
                       Qt::AlignRight);
    bitrate->addWidget(Slider1, 1, 0, 1, 3);
    bitrate->addWidget(Named(new QLabel("small file", frameBitrate), "lblSmall"), 2, 0);
    bitrate->addWidget(Label1, 2, 1, Qt::AlignCenter);
    bitrate->addWidget(Named(new QLabel("big file", frameBitrate), "lblBig"), 2, 2, Qt::AlignRight);

    auto* frameQuality = Named(new QGroupBox("Encoder Quality", page), "frameQuality");
    Slider2 = Named(new QSlider(Qt::Horizontal, frameQuality), "Slider2");
    Slider2->setRange(0, 9);
    // The encoder's 0 is its best and slowest setting: 9 sits under "faster".
    Slider2->setInvertedAppearance(true);
    Slider2->setPageStep(1);
    Slider2->setTickPosition(QSlider::TicksBelow);
    auto* quality = new QGridLayout(frameQuality);
    quality->addWidget(Slider2, 0, 0, 1, 2);
    quality->addWidget(Named(new QLabel("faster", frameQuality), "lblFaster"), 1, 0);
    quality->addWidget(Named(new QLabel("better", frameQuality), "lblBetter"), 1, 1,
                       Qt::AlignRight);

    auto* frameChannels = Named(new QGroupBox("Channels", page), "frameChannels");
    Combo3 = Named(new QComboBox(frameChannels), "Combo3");
    for (const char* item : kMp3ChannelItems) Combo3->addItem(item);
    (new QVBoxLayout(frameChannels))->addWidget(Combo3);

    auto* frameFrequency = Named(new QGroupBox("Frequency (hz)", page), "frameFrequency");
    Combo5 = Named(new QComboBox(frameFrequency), "Combo5");
    for (int rate : kMp3SampleRates) Combo5->addItem(QString::number(rate));
    (new QVBoxLayout(frameFrequency))->addWidget(Combo5);

    auto* lists = new QHBoxLayout;
    lists->addWidget(frameChannels);
    lists->addWidget(frameFrequency);
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(frameBitrate);
    layout->addWidget(frameQuality);
    layout->addLayout(lists);
    layout->addStretch(1);
    return page;
}

QWidget* frmMP3::BuildFilteringPage() {
    auto* page = Named(new QWidget(SSTab1), "tabFiltering");
    auto filterFrame = [&](const char* frameName, const char* caption, const char* tickName,
                           const char* tickCaption, QCheckBox*& tick, const char* freqName,
                           QLineEdit*& freq, UpDown*& udFreq, const char* udFreqName,
                           const char* widthLabelName, const char* widthCaption, QLabel*& label,
                           const char* widthName, QLineEdit*& width, UpDown*& udWidth,
                           const char* udWidthName) {
        auto* frame = Named(new QGroupBox(caption, page), frameName);
        tick = Named(new QCheckBox(tickCaption, frame), tickName);
        freq = NumberBox(freqName, frame);
        udFreq = new UpDown(udFreqName, 0, 48000, 10, frame);
        udFreq->SetBuddy(freq);
        label = Named(new QLabel(widthCaption, frame), widthLabelName);
        width = NumberBox(widthName, frame);
        label->setBuddy(width);
        udWidth = new UpDown(udWidthName, 0, 48000, 10, frame);
        udWidth->SetBuddy(width);
        auto* grid = new QGridLayout(frame);
        grid->addWidget(tick, 0, 0);
        grid->addWidget(freq, 0, 1);
        grid->addWidget(udFreq, 0, 2);
        grid->addWidget(label, 1, 0);
        grid->addWidget(width, 1, 1);
        grid->addWidget(udWidth, 1, 2);
        grid->setColumnStretch(3, 1);
        return frame;
    };
    auto* high =
        filterFrame("frameHighPass", "HighPass Filter", "chHFilt",
                    "Highpass filtering frequency (in Hz):", chHFilt, "tHFiltF", tHFiltF, udHFiltF,
                    "udHFiltF", "Label11", "Width of Highpass filter (in Hz):", Label11, "tHFiltW",
                    tHFiltW, udHFiltW, "udHFiltW");
    auto* low =
        filterFrame("frameLowPass", "LowPass Filter", "chLFilt",
                    "Lowpass filtering frequency (in Hz):", chLFilt, "tLFiltF", tLFiltF, udLFiltF,
                    "udLFiltF", "Label13", "Width of Lowpass filter (in Hz):", Label13, "tLFiltW",
                    tLFiltW, udLFiltW, "udLFiltW");
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(high);
    layout->addWidget(low);
    layout->addStretch(1);
    return page;
}

QWidget* frmMP3::BuildVbrPage() {
    auto* page = Named(new QWidget(SSTab1), "tabVbr");
    Label14 = Named(new QLabel("Coding Method:", page), "Label14");
    Combo1 = Named(new QComboBox(page), "Combo1");
    for (const char* item : kMp3VbrMethodItems) Combo1->addItem(item);
    Label14->setBuddy(Combo1);
    Label15 = Named(new QLabel("VBR Quality:", page), "Label15");
    tVbrQ = NumberBox("tVbrQ", page);
    Label15->setBuddy(tVbrQ);
    udVbrQ = new UpDown("udVbrQ", 0, 9, 1, page);
    udVbrQ->SetBuddy(tVbrQ);
    Label9 = Named(new QLabel("Targed bitrate for ABR:", page), "Label9");
    tABR = NumberBox("tABR", page);
    Label9->setBuddy(tABR);
    udABR = new UpDown("udABR", 4, 320, 1, page);
    udABR->SetBuddy(tABR);
    auto* grid = new QGridLayout;
    grid->addWidget(Label14, 0, 0);
    grid->addWidget(Combo1, 0, 1, 1, 2);
    grid->addWidget(Label15, 1, 0);
    grid->addWidget(tVbrQ, 1, 1);
    grid->addWidget(udVbrQ, 1, 2);
    grid->addWidget(Label9, 2, 0);
    grid->addWidget(tABR, 2, 1);
    grid->addWidget(udABR, 2, 2);
    grid->setColumnStretch(3, 1);

    frameMaxVbr = Named(new QGroupBox("Maximum VBR Bitrate", page), "frameMaxVbr");
    Slider3 = BitrateSlider("Slider3", frameMaxVbr);
    Label8 = Named(new QLabel(frameMaxVbr), "Label8");
    auto* maxVbr = new QVBoxLayout(frameMaxVbr);
    maxVbr->addWidget(Slider3);
    maxVbr->addWidget(Label8, 0, Qt::AlignCenter);

    frameAdvanced = Named(new QGroupBox("Advanced", page), "frameAdvanced");
    Check1 = Named(new QCheckBox("Write VBR Header", frameAdvanced), "Check1");
    Check2 = Named(new QCheckBox("Strictly enforce minimum bitrate", frameAdvanced), "Check2");
    auto* advanced = new QVBoxLayout(frameAdvanced);
    advanced->addWidget(Check1);
    advanced->addWidget(Check2);

    auto* layout = new QVBoxLayout(page);
    layout->addLayout(grid);
    layout->addWidget(frameMaxVbr);
    layout->addWidget(frameAdvanced);
    layout->addStretch(1);
    return page;
}

QWidget* frmMP3::BuildExpertPage() {
    auto* page = Named(new QWidget(SSTab1), "tabExpert");
    Check7 = Named(new QCheckBox("comply as much as possible to ISO MPEG spec", page), "Check7");
    Check6 = Named(new QCheckBox("short blocks", page), "Check6");
    Check5 = Named(new QCheckBox("bit reservoir", page), "Check5");
    Check4 = Named(new QCheckBox("allow block types to differ between channels", page), "Check4");
    Check3 = Named(new QCheckBox("include CRC -Checksums", page), "Check3");
    Label10 = Named(new QLabel("ATH Control:", page), "Label10");
    Combo2 = Named(new QComboBox(page), "Combo2");
    for (const char* item : {"default", "only", "disabled", "only for short blocks"})
        Combo2->addItem(item);
    Label10->setBuddy(Combo2);
    Label12 = Named(new QLabel("De-emphasis :", page), "Label12");
    Combo4 = Named(new QComboBox(page), "Combo4");
    for (const char* item : {"default", "0/15 microseconds", "citt j.17"}) Combo4->addItem(item);
    Label12->setBuddy(Combo4);
    auto* lists = new QGridLayout;
    lists->addWidget(Label10, 0, 0);
    lists->addWidget(Combo2, 0, 1);
    lists->addWidget(Label12, 1, 0);
    lists->addWidget(Combo4, 1, 1);
    lists->setColumnStretch(2, 1);
    auto* layout = new QVBoxLayout(page);
    for (QCheckBox* box : {Check7, Check6, Check5, Check4, Check3}) layout->addWidget(box);
    layout->addLayout(lists);
    layout->addStretch(1);
    return page;
}

void frmMP3::ConnectHandlers() {
    connect(Command1, &QPushButton::clicked, this, &frmMP3::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &frmMP3::Command2_Click);
    connect(Slider1, &QSlider::valueChanged, this, &frmMP3::Slider1_Scroll);
    connect(Slider2, &QSlider::valueChanged, this, &frmMP3::Slider2_Scroll);
    connect(Slider3, &QSlider::valueChanged, this, &frmMP3::Slider3_Scroll);
    connect(Combo1, &QComboBox::currentIndexChanged, this, &frmMP3::Combo1_Click);
    connect(Combo2, &QComboBox::currentIndexChanged, this, &frmMP3::Combo2_Click);
    connect(Combo3, &QComboBox::currentIndexChanged, this, &frmMP3::Combo3_Click);
    connect(Combo4, &QComboBox::currentIndexChanged, this, &frmMP3::Combo4_Click);
    connect(Combo5, &QComboBox::currentIndexChanged, this, &frmMP3::Combo5_Click);
    connect(Check1, &QCheckBox::toggled, this, &frmMP3::Check1_Click);
    connect(Check2, &QCheckBox::toggled, this, &frmMP3::Check2_Click);
    connect(Check3, &QCheckBox::toggled, this, &frmMP3::Check3_Click);
    connect(Check4, &QCheckBox::toggled, this, &frmMP3::Check4_Click);
    connect(Check5, &QCheckBox::toggled, this, &frmMP3::Check5_Click);
    connect(Check6, &QCheckBox::toggled, this, &frmMP3::Check6_Click);
    connect(Check7, &QCheckBox::toggled, this, &frmMP3::Check7_Click);
    connect(chHFilt, &QCheckBox::toggled, this, &frmMP3::chHFilt_Click);
    connect(chLFilt, &QCheckBox::toggled, this, &frmMP3::chLFilt_Click);
    connect(udABR, &UpDown::valueChanged, this, &frmMP3::udABR_Change);
    connect(udVbrQ, &UpDown::valueChanged, this, &frmMP3::udVbrQ_Change);
    connect(udHFiltF, &UpDown::valueChanged, this, &frmMP3::udHFiltF_Change);
    connect(udHFiltW, &UpDown::valueChanged, this, &frmMP3::udHFiltW_Change);
    connect(udLFiltF, &UpDown::valueChanged, this, &frmMP3::udLFiltF_Change);
    connect(udLFiltW, &UpDown::valueChanged, this, &frmMP3::udLFiltW_Change);
}

std::string frmMP3::SettingsFile() const {
    return services::AppPath(applicationFolder_, kSettingsFileName);
}

void frmMP3::ShowBitrate(int kbps) {
    Label1->setText(QString::fromStdString(CurrentBitrateText(kbps)));
    Slider1->setToolTip(QString::number(kbps));
}

void frmMP3::Form_Load() {
    services::ApplySkin(*this, applicationFolder_);
    settings_ = engine_.CreateMp3Settings();
    if (!settings_) return;  // no encoder options to edit; OK hands nothing over
    ShowGeneralDefaults();
    ShowVbrOptions();
    ShowFilters();
    ShowExpertOptions();
    ShowStoredValues();
}

void frmMP3::ShowGeneralDefaults() {
    {
        const QSignalBlocker quiet(Slider2);
        Slider2->setValue(settings_->EncoderQuality());
    }
    {
        const QSignalBlocker quiet(Slider1);
        Slider1->setValue(9);
    }
    Label1->setText("Current bitrate:");
    SelectQuietly(Combo5, 1);
    Combo5_Click();
    values_.MP3Bitrate = 128;
    values_.MP3Frequency = 44100;
    values_.MP3Channels = 2;
}

void frmMP3::ShowVbrOptions() {
    const audio::IMp3Settings& s = *settings_;
    const int maxVbr = s.MaxVbrBitrate();
    if (const auto position = Mp3BitratePosition(maxVbr)) {
        const QSignalBlocker quiet(Slider3);
        Slider3->setValue(*position);
    }
    Label8->setText(QString::fromStdString(CurrentBitrateText(maxVbr)));
    Slider3->setToolTip(QString::number(maxVbr));

    ShowQuietly(udVbrQ, s.VbrQuality());
    const int methodIndex = Mp3VbrMethodIndex(s.VbrMethod());
    if (methodIndex >= 0 && methodIndex < Combo1->count()) {
        SelectQuietly(Combo1, methodIndex);
        Combo1_Click();
    }
    ShowQuietly(udABR, s.AbrBitrate());
    const int channelIndex = s.ChannelMode() - 1;
    if (channelIndex >= 0 && channelIndex < Combo3->count()) {
        SelectQuietly(Combo3, channelIndex);
        Combo3_Click();
    }

    TickQuietly(Check1, s.WriteVbrHeader());
    TickQuietly(Check2, s.EnforceMinBitrate());
}

void frmMP3::ShowFilters() {
    const audio::IMp3Settings& s = *settings_;
    const Mp3FilterBoxes high = Mp3FilterOnLoad(s.HighPassFrequency(), s.HighPassWidth(),
                                                kHighPassDefaultFrequency, kHighPassDefaultWidth);
    ShowQuietly(udHFiltF, high.frequency);
    TickQuietly(chHFilt, high.on);
    ShowQuietly(udHFiltW, high.width);
    chHFilt_Click();
    const Mp3FilterBoxes low = Mp3FilterOnLoad(s.LowPassFrequency(), s.LowPassWidth(),
                                               kLowPassDefaultFrequency, kLowPassDefaultWidth);
    ShowQuietly(udLFiltF, low.frequency);
    TickQuietly(chLFilt, low.on);
    ShowQuietly(udLFiltW, low.width);
    chLFilt_Click();
}

void frmMP3::ShowExpertOptions() {
    const audio::IMp3Settings& s = *settings_;
    if (s.AthControl() >= 0 && s.AthControl() < Combo2->count())
        SelectQuietly(Combo2, s.AthControl());
    if (s.Deemphasis() >= 0 && s.Deemphasis() < Combo4->count())
        SelectQuietly(Combo4, s.Deemphasis());
    TickQuietly(Check3, s.Crc());
    TickQuietly(Check4, s.DifferentBlockTypes());
    TickQuietly(Check5, s.BitReservoir());
    TickQuietly(Check6, s.ShortBlocks());
    TickQuietly(Check7, s.IsoCompliance());
}

void frmMP3::ShowStoredValues() {
    // The three stored values; one that is absent or not a number keeps what
    // the steps before set.
    const std::string file = SettingsFile();
    if (ReadStoredValue(file, core::format_key::kMp3Bitrate, values_.MP3Bitrate)) {
        if (const auto position = Mp3BitratePosition(values_.MP3Bitrate)) {
            const QSignalBlocker quiet(Slider1);
            Slider1->setValue(*position);
            settings_->SetBitrate(values_.MP3Bitrate);
        }
        ShowBitrate(values_.MP3Bitrate);
    }
    if (ReadStoredValue(file, core::format_key::kMp3Frequency, values_.MP3Frequency)) {
        const int index = Combo5->findText(QString::number(values_.MP3Frequency));
        if (index >= 0) {
            SelectQuietly(Combo5, index);
            Combo5_Click();
        }
    }
    ReadStoredValue(file, core::format_key::kMp3Channels, values_.MP3Channels);
}

void frmMP3::Slider1_Scroll() {
    const int kbps = Mp3BitrateAt(Slider1->value());
    values_.MP3Bitrate = static_cast<std::int16_t>(kbps);
    if (settings_) settings_->SetBitrate(kbps);
    ShowBitrate(kbps);
}

void frmMP3::Slider2_Scroll() {
    if (settings_) settings_->SetEncoderQuality(Slider2->value());
}

void frmMP3::Slider3_Scroll() {
    if (!settings_) return;
    settings_->SetMaxVbrBitrate(Mp3BitrateAt(Slider3->value()));
    const int kbps = settings_->MaxVbrBitrate();
    Label8->setText(QString::fromStdString(CurrentBitrateText(kbps)));
    Slider3->setToolTip(QString::number(kbps));
}

void frmMP3::Combo5_Click() {
    const int index = Combo5->currentIndex();
    if (index < 0) return;
    const int rate = kMp3SampleRates[static_cast<size_t>(index)];
    values_.MP3Frequency = rate;
    if (settings_) settings_->SetSampleRate(rate);
}

void frmMP3::Combo3_Click() {
    const int index = Combo3->currentIndex();
    if (index < 0) return;
    values_.MP3Channels = static_cast<std::int16_t>(Mp3ChannelsOfIndex(index));
    if (settings_) settings_->SetChannelMode(Mp3ChannelModeOfIndex(index));
}

void frmMP3::Combo1_Click() {
    const int index = Combo1->currentIndex();
    if (index < 0) return;
    const VbrControlStates states = VbrControlsFor(index);
    for (QWidget* w : std::initializer_list<QWidget*>{Label15, tVbrQ, udVbrQ})
        w->setEnabled(states.vbrQuality);
    for (QWidget* w : std::initializer_list<QWidget*>{Label9, tABR, udABR})
        w->setEnabled(states.abr);
    for (QWidget* w : std::initializer_list<QWidget*>{frameAdvanced, frameMaxVbr, Label8, Slider3,
                                                      Check1, Check2})
        w->setEnabled(states.vbrFrames);
    if (settings_) settings_->SetVbrMethod(Mp3VbrMethodOfIndex(index));
}

void frmMP3::Combo2_Click() {
    if (settings_ && Combo2->currentIndex() >= 0) settings_->SetAthControl(Combo2->currentIndex());
}

void frmMP3::Combo4_Click() {
    if (settings_ && Combo4->currentIndex() >= 0) settings_->SetDeemphasis(Combo4->currentIndex());
}

void frmMP3::Check1_Click() {
    if (settings_) settings_->SetWriteVbrHeader(Check1->isChecked());
}
void frmMP3::Check2_Click() {
    if (settings_) settings_->SetEnforceMinBitrate(Check2->isChecked());
}
void frmMP3::Check3_Click() {
    if (settings_) settings_->SetCrc(Check3->isChecked());
}
void frmMP3::Check4_Click() {
    if (settings_) settings_->SetDifferentBlockTypes(Check4->isChecked());
}
void frmMP3::Check5_Click() {
    if (settings_) settings_->SetBitReservoir(Check5->isChecked());
}
void frmMP3::Check6_Click() {
    if (settings_) settings_->SetShortBlocks(Check6->isChecked());
}
void frmMP3::Check7_Click() {
    if (settings_) settings_->SetIsoCompliance(Check7->isChecked());
}

void frmMP3::chHFilt_Click() {
    const bool on = chHFilt->isChecked();
    for (QWidget* w :
         std::initializer_list<QWidget*>{tHFiltF, tHFiltW, udHFiltF, udHFiltW, Label11})
        w->setEnabled(on);
    if (settings_) settings_->SetHighPassFrequency(on ? udHFiltF->value() : -1);
}

void frmMP3::chLFilt_Click() {
    const bool on = chLFilt->isChecked();
    for (QWidget* w :
         std::initializer_list<QWidget*>{tLFiltF, tLFiltW, udLFiltF, udLFiltW, Label13})
        w->setEnabled(on);
    if (settings_) settings_->SetLowPassFrequency(on ? udLFiltF->value() : -1);
}

void frmMP3::udABR_Change() {
    if (settings_) settings_->SetAbrBitrate(udABR->value());
}
void frmMP3::udVbrQ_Change() {
    if (settings_) settings_->SetVbrQuality(udVbrQ->value());
}
void frmMP3::udHFiltF_Change() {
    if (settings_) settings_->SetHighPassFrequency(udHFiltF->value());
}
void frmMP3::udHFiltW_Change() {
    if (settings_) settings_->SetHighPassWidth(udHFiltW->value());
}
void frmMP3::udLFiltF_Change() {
    if (settings_) settings_->SetLowPassFrequency(udLFiltF->value());
}
void frmMP3::udLFiltW_Change() {
    if (settings_) settings_->SetLowPassWidth(udLFiltW->value());
}

void frmMP3::Command1_Click() {
    const std::string file = SettingsFile();
    SettingsSave save(file);
    WriteStoredValue(save, core::format_key::kMp3Bitrate, values_.MP3Bitrate);
    WriteStoredValue(save, core::format_key::kMp3Frequency, values_.MP3Frequency);
    WriteStoredValue(save, core::format_key::kMp3Channels, values_.MP3Channels);
    if (!save.Ok()) {
        if (messageBox_)
            messageBox_->Show(save.Message(), services::MsgIcon::Error, services::MsgButtons::Ok,
                              core::kAppTitle);
        RestoreFoundValues();
        ReadStoredFields(file, kMp3Fields, values_);
        if (file_) {
            file_->SetMp3Format(values_.MP3Frequency, values_.MP3Bitrate, values_.MP3Channels);
            if (summary_) summary_(file_->FormatDescription());
        }
        // Not reject(): that would put back the values found, not the stored ones.
        hide();
        done(QDialog::Rejected);
        return;
    }
    if (file_ && settings_) {
        file_->SetMp3Settings(*settings_);
        if (summary_) summary_(file_->FormatDescription());
    }
    HideAndClose(*this, true);
}

void frmMP3::Command2_Click() {
    HideAndClose(*this, false);
}

bool ShowMp3Options(audio::IAudioEngine& engine, audio::IAudioFile* file, FormatValues& values,
                    const std::string& applicationFolder,
                    std::function<void(const std::string&)> summary,
                    const std::function<int(QDialog&)>& exec, QWidget* parent,
                    services::IMessageBox* messageBox) {
    frmMP3 dialog(engine, file, values, applicationFolder, std::move(summary), parent);
    dialog.SetMessageBox(messageBox);
    dialog.Form_Load();
    return exec && exec(dialog) == QDialog::Accepted;
}

}  // namespace qsr::settings
