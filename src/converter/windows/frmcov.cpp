#include "converter/windows/frmcov.h"

#include <QApplication>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QStyle>
#include <QTime>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "converter/ConvertRules.h"
#include "core/AppInfo.h"
#include "platform/audio-api/WmaProfiles.h"
#include "platform/services/windows/Accessibility.h"
#include "platform/services/windows/Skin.h"
#include "recording/LiveRecordings.h"
#include "settings/FormatValues.h"
#include "settings/LoudnessSettings.h"

namespace qsr::converter {
namespace {

QIcon EventIcon(int icon) {
    QStyle* s = QApplication::style();
    switch (icon) {
        case kIconSetting:
            return s->standardIcon(QStyle::SP_FileDialogDetailedView);
        case kIconError:
            return s->standardIcon(QStyle::SP_MessageBoxCritical);
        case kIconWarning:
            return s->standardIcon(QStyle::SP_MessageBoxWarning);
        default:
            return s->standardIcon(QStyle::SP_DialogApplyButton);
    }
}

QLineEdit* FormatString(const char* name) {
    auto* e = new QLineEdit;
    e->setObjectName(name);
    e->setReadOnly(true);
    return e;
}

}  // namespace

frmcov::frmcov(audio::IAudioEngine& engine, services::DesktopServices desktop,
               std::string applicationFolder, QWidget* parent)
    : QDialog(parent),
      engine_(engine),
      desktop_(desktop),
      applicationFolder_(std::move(applicationFolder)) {
    setObjectName("frmcov");
    setWindowTitle("Audio Converter");

    // Built in tab order, top to bottom.
    QGroupBox* inputFrame = BuildInputFrame();
    QGroupBox* outputFrame = BuildOutputFrame();
    QGroupBox* settingFrame = BuildSettingFrame();
    QGroupBox* convertFrame = BuildConvertFrame();
    QGroupBox* statusFrame = BuildStatusFrame();
    auto* top = new QHBoxLayout;
    top->addWidget(outputFrame);
    top->addWidget(settingFrame, 1);
    auto* main = new QVBoxLayout(this);
    main->addWidget(inputFrame);
    main->addLayout(top);
    main->addWidget(convertFrame);
    main->addWidget(statusFrame, 1);
    resize(560, 440);

    connect(cmdOpenFile_, &QPushButton::clicked, this, [this] { cmdOpenFile_Click(); });
    connect(cmdConvert_, &QPushButton::clicked, this, [this] { cmdConvert_Click(); });
    services::NameControlsForAccessibility(this);
}

QGroupBox* frmcov::BuildInputFrame() {
    auto* inputFrame = new QGroupBox("Input Audio File");
    txtInputFile_ = new QLineEdit("Enter Input Audio File");
    txtInputFile_->setObjectName("txtInputFile");
    txtInputFile_->setAccessibleName("Input Audio File");
    cmdOpenFile_ = new QPushButton("...");
    cmdOpenFile_->setObjectName("cmdOpenFile");
    cmdOpenFile_->setAccessibleName("...");
    cmdOpenFile_->setToolTip("Open an Audio file");
    auto* inputRow = new QHBoxLayout(inputFrame);
    inputRow->addWidget(txtInputFile_, 1);
    inputRow->addWidget(cmdOpenFile_);
    return inputFrame;
}

QGroupBox* frmcov::BuildOutputFrame() {
    auto* outputFrame = new QGroupBox("Output Format");
    chMP3_ = new QCheckBox("MP3");
    chMP3_->setObjectName("chMP3");
    chOGG_ = new QCheckBox("Ogg Vorbis");
    chOGG_->setObjectName("chOGG");
    chWMA_ = new QCheckBox("WMA");
    chWMA_->setObjectName("chWMA");
    chFLAC_ = new QCheckBox("FLAC");
    chFLAC_->setObjectName("chFLAC");
    chOpus_ = new QCheckBox("Opus");
    chOpus_->setObjectName("chOpus");
    auto* outputCol = new QVBoxLayout(outputFrame);
    for (QCheckBox* box : {chMP3_, chOGG_, chWMA_, chFLAC_, chOpus_}) outputCol->addWidget(box);
    // Its text says the stored target, once the window has read it.
    chNormalise_ = new QCheckBox("Normalise");
    chNormalise_->setObjectName("chNormalise");
    chNormalise_->setAccessibleName("Normalise the loudness");
    outputCol->addWidget(chNormalise_);
    return outputFrame;
}

QGroupBox* frmcov::BuildSettingFrame() {
    auto* settingFrame = new QGroupBox("Format setting");
    txtMP3FormatString_ = FormatString("txtMP3FormatString");
    txtOGGFormatString_ = FormatString("txtOGGFormatString");
    txtWMAFormatString_ = FormatString("txtWMAFormatString");
    txtFLACFormatString_ = FormatString("txtFLACFormatString");
    txtOpusFormatString_ = FormatString("txtOpusFormatString");
    udWMAProfile_ = new QSpinBox;
    udWMAProfile_->setObjectName("udWMAProfile");
    udWMAProfile_->setAccessibleName("WMA profile");
    const auto& profiles = audio::WmaProfiles();
    udWMAProfile_->setRange(profiles.front().number, profiles.back().number);
    udWMAProfile_->setValue(24);
    udWMAProfile_->findChild<QLineEdit*>()->setObjectName("txtWMAProfile");
    auto* grid = new QGridLayout(settingFrame);
    const std::pair<const char*, QLineEdit*> rows[] = {{"MP3", txtMP3FormatString_},
                                                       {"Ogg", txtOGGFormatString_},
                                                       {"WMA", txtWMAFormatString_},
                                                       {"FLAC", txtFLACFormatString_},
                                                       {"Opus", txtOpusFormatString_}};
    int r = 0;
    for (const auto& [caption, box] : rows) {
        auto* label = new QLabel(caption);
        label->setBuddy(box);
        grid->addWidget(label, r, 0);
        grid->addWidget(box, r, 1);
        ++r;
    }
    grid->addWidget(udWMAProfile_, 2, 2);
    grid->setColumnStretch(1, 1);
    return settingFrame;
}

QGroupBox* frmcov::BuildConvertFrame() {
    auto* convertFrame = new QGroupBox("Convert");
    cmdConvert_ = new QPushButton("Convert Now!");
    cmdConvert_->setObjectName("cmdConvert");
    ProgressConvert_ = new QProgressBar;
    ProgressConvert_->setObjectName("ProgressConvert");
    ProgressConvert_->setAccessibleName("Progress");
    ProgressConvert_->setRange(0, 100);
    ProgressConvert_->setValue(0);
    auto* convertRow = new QHBoxLayout(convertFrame);
    convertRow->addWidget(cmdConvert_);
    convertRow->addWidget(ProgressConvert_, 1);
    return convertFrame;
}

QGroupBox* frmcov::BuildStatusFrame() {
    auto* statusFrame = new QGroupBox("Status");
    viewEvent_ = new QTreeWidget;
    viewEvent_->setObjectName("viewEvent");
    viewEvent_->setAccessibleName("Status");
    viewEvent_->setRootIsDecorated(false);
    viewEvent_->setHeaderLabels({"Res", "Time", "Operation"});
    viewEvent_->header()->setStretchLastSection(true);
    viewEvent_->setColumnWidth(0, 40);
    viewEvent_->setColumnWidth(1, 70);
    auto* statusCol = new QVBoxLayout(statusFrame);
    statusCol->addWidget(viewEvent_);
    return statusFrame;
}

frmcov::~frmcov() {
    // Deleted at shut-down with a step's end never shown: give the pointer back.
    if (stepRunning_) QApplication::restoreOverrideCursor();
}

void frmcov::Form_Load() {
    services::ApplySkin(*this, applicationFolder_);
    FileW_ = engine_.CreateFile();
    FileR_ = engine_.CreateFile();
    MP3Lame_ = engine_.CreateMp3Settings();
    flgConvert_ = false;
    const settings::LoudnessSettings loudness =
        settings::ReadLoudnessSettings(applicationFolder_ + "/" + settings::kSettingsFileName);
    normaliseTarget_ = {loudness.target, loudness.ceiling};
    chNormalise_->setText(QString::fromStdString(loudness::NormaliseCaption(normaliseTarget_)));
    chNormalise_->setChecked(loudness.normalise);
    if (!FileW_ || !FileR_) return;
    job_ = std::make_unique<ConvertJob>(*FileR_, *FileW_);
    // Called in the worker; a cancel has already set the bar to 0.
    job_->onProgress = [this](double p) {
        worker_.Post([this, p] {
            if (flgConvert_) ProgressConvert_->setValue(static_cast<int>(p));
        });
    };
    FileW_->SetOption(true);
    FileR_->SetOption(true);
    FileW_->SetOggFormat(44100, 2, 128, 0, 0, -1);
    txtOGGFormatString_->setText(QString::fromStdString(FileW_->FormatDescription()));
    FileW_->SetMp3Format(44100, 128, 2);
    txtMP3FormatString_->setText(QString::fromStdString(FileW_->FormatDescription()));
    FileW_->SetFlacFormat(44100, 2, 16, 5);
    txtFLACFormatString_->setText(QString::fromStdString(FileW_->FormatDescription()));
    FileW_->SetOpusFormat(44100, 2, 96, false);
    txtOpusFormatString_->setText(QString::fromStdString(FileW_->FormatDescription()));
    // The line names the profile the spin box holds, the one a conversion uses.
    FileW_->SetWmaFormat(udWMAProfile_->value());
    txtWMAFormatString_->setText(QString::fromStdString(FileW_->FormatDescription()));
    // Only user changes after load announce themselves.
    connect(udWMAProfile_, &QSpinBox::valueChanged, this, [this] { udWMAProfile_Change(); });
}

void frmcov::AddEvent(const std::string& text, int icon) {
    auto* item = new QTreeWidgetItem(viewEvent_);
    item->setIcon(0, EventIcon(icon));
    item->setText(1, QTime::currentTime().toString("hh:mm:ss"));
    item->setText(2, QString::fromStdString(text));
    viewEvent_->scrollToItem(item);
}

std::string frmcov::ChooseInputFile(const std::string& title) {
    if (!desktop_.fileDialog) return {};
    const auto path = desktop_.fileDialog->OpenFile(
        title, "Wav files (*.wav);;MP3 files (*.mp3);;Ogg Vorbis files (*.ogg);;WMA files (*.wma)",
        "");
    return path.value_or("");
}

void frmcov::cmdOpenFile_Click() {
    const std::string path = ChooseInputFile("Open an Audio file");
    if (!path.empty()) txtInputFile_->setText(QString::fromStdString(path));
}

void frmcov::udWMAProfile_Change() {
    if (!FileW_) return;
    FileW_->SetWmaFormat(udWMAProfile_->value());
    txtWMAFormatString_->setText(QString::fromStdString(FileW_->FormatDescription()));
    AddEvent("Set WMA Format parameters ", kIconSetting);
}

void frmcov::ConvertStep(const std::string& format, const std::string& target) {
    AddEvent("Start Convert To " + format, kIconStep);
    // Writing the target would cut a recording into it short.
    if (recording::IsBeingRecorded(target, recording::JournalFile(applicationFolder_))) {
        AddEvent(StepEntryFor(format, ConvertJob::Outcome::Skipped,
                              recording::BeingRecordedMessage(target))
                     .text,
                 kIconError);
        NextStep();
        return;
    }
    QApplication::setOverrideCursor(Qt::WaitCursor);
    job_->normalise = chNormalise_->isChecked() ? std::optional(normaliseTarget_) : std::nullopt;
    stepFormat_ = format;
    stepRunning_ = true;
    worker_.Start(
        [this, source = filename_, target] { stepOutcome_ = job_->Convert(source, target); },
        [this] { StepDone(); });
}

void frmcov::StepDone() {
    QApplication::restoreOverrideCursor();
    stepRunning_ = false;
    const StepEntry entry =
        StepEntryFor(stepFormat_, stepOutcome_, job_->Reason(), job_->DamagedFrames());
    AddEvent(entry.text, entry.error ? kIconError : entry.warning ? kIconWarning : kIconStep);
    if (stepOutcome_ == ConvertJob::Outcome::Complete) {
        if (const auto gain = GainEntryFor(stepFormat_, job_->GainNote()))
            AddEvent(gain->text, kIconSetting);
    }
    NextStep();
}

void frmcov::NextStep() {
    while (flgConvert_ && stage_ < 5) {
        const int stage = stage_++;
        if (stage == 0 && chWMA_->isChecked()) {
            FileW_->SetWmaFormat(udWMAProfile_->value());
            ConvertStep("WMA", WmaName(FileString_, udWMAProfile_->value()));
            return;
        }
        if (stage == 1 && chMP3_->isChecked()) {
            ConvertStep("MP3", Mp3Name(FileString_, MP3Lame_ ? MP3Lame_->Bitrate() : 128));
            return;
        }
        if (stage == 2 && chOGG_->isChecked()) {
            ConvertStep("Ogg", OggName(FileString_));
            return;
        }
        if (stage == 3 && chFLAC_->isChecked()) {
            ConvertStep("FLAC", FlacName(FileString_));
            return;
        }
        if (stage == 4 && chOpus_->isChecked()) {
            ConvertStep("Opus", OpusName(FileString_));
            return;
        }
    }
    FinishRun();
}

void frmcov::FinishRun() {
    AddEvent("Tasks is completed", kIconStep);
    cmdConvert_->setText("Convert Now");
    flgConvert_ = false;
    ProgressConvert_->setValue(0);
    udWMAProfile_->setEnabled(true);
    if (closeAfterRun_) {
        closeAfterRun_ = false;
        QDialog::reject();
    }
}

void frmcov::cmdConvert_Click() {
    if (flgConvert_) {  // cancel: the running step stops after the block in hand
        ProgressConvert_->setValue(0);
        cmdConvert_->setText("Convert");
        flgConvert_ = false;
        if (job_) job_->Cancel();
        return;
    }
    // A cancelled step still finishing its block: the run ends on its own.
    if (!job_ || stepRunning_) return;
    filename_ = txtInputFile_->text().toStdString();
    const auto found = LookupInputName(filename_);
    const auto stem = found ? OutputStem(filename_, *found) : std::nullopt;
    if (!stem) {
        if (desktop_.messageBox) {
            desktop_.messageBox->Show("Invalid input file name: " + filename_,
                                      services::MsgIcon::Error, services::MsgButtons::Ok,
                                      core::kAppTitle);
        }
        return;
    }
    FileString_ = *stem;
    cmdConvert_->setText("Cancel");
    flgConvert_ = true;
    job_->Reset();
    stage_ = 0;
    // The writer is the worker's while a step runs.
    udWMAProfile_->setEnabled(false);
    NextStep();
}

void frmcov::reject() {
    if (!stepRunning_) {
        QDialog::reject();
        return;
    }
    closeAfterRun_ = true;
    if (flgConvert_) cmdConvert_Click();
}

bool frmcov::StopWork(std::chrono::milliseconds bound) {
    closeAfterRun_ = false;
    if (flgConvert_) cmdConvert_Click();
    if (job_) job_->Cancel();
    return worker_.Wait(bound);
}

}  // namespace qsr::converter
