#include "app/Form1.h"

#include <QAction>
#include <QCloseEvent>
#include <QComboBox>
#include <QDateTime>
#include <QEvent>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QRegularExpression>
#include <QSlider>
#include <QStatusBar>
#include <QStyle>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <filesystem>

#include "app/RecordingRules.h"
#include "app/SampleDisplays.h"
#include "app/frmAbout.h"
#include "desktop/frmtray.h"
#include "platform/audio/MixDown.h"
#include "platform/services/AppFolder.h"
#include "platform/services/Skin.h"
#include "settings/FormatValues.h"
#include "settings/Inifun.h"
#include "settings/SettingsRules.h"

namespace qsr::app {
namespace {

constexpr const char* kFormats[] = {"WAV", "MP3", "VOX", "Raw", "G726", "OGG"};
constexpr int kVisualizationFrame = 4096;

QIcon RecordIcon() {
    QPixmap pixmap(20, 20);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(210, 30, 30));
    painter.drawEllipse(3, 3, 14, 14);
    return QIcon(pixmap);
}

std::string Trim(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) return {};
    const auto last = text.find_last_not_of(" \t\r\n");
    return text.substr(first, last - first + 1);
}

// The record time of a list row: the locale's short date and long time,
// without a time zone.
std::string RecordTimeText(const QDateTime& moment) {
    const QLocale locale;
    QString timeFormat = locale.timeFormat(QLocale::LongFormat);
    timeFormat.remove(QRegularExpression(QStringLiteral("\\s*\\(?t+\\)?")));
    return (locale.toString(moment.date(), QLocale::ShortFormat) + ' ' +
            locale.toString(moment.time(), timeFormat.trimmed()))
        .toStdString();
}

}  // namespace

Form1::Form1(audio::IAudioEngine& engine, services::DesktopServices desktop,
             std::string applicationFolder, QWidget* parent)
    : QMainWindow(parent),
      engine_(engine),
      desktop_(desktop),
      applicationFolder_(std::move(applicationFolder)) {
    setObjectName("Form1");
    setWindowTitle("Quorvin Sound Recorder v3.20");
    BuildControls();
    BuildMenus();
    resize(820, 600);
}

Form1::~Form1() = default;

std::string Form1::SettingsFile() const {
    return services::AppPath(applicationFolder_, settings::kSettingsFileName);
}

// ---------------------------------------------------------------- controls

void Form1::BuildControls() {
    auto* central = new QWidget(this);
    central->setObjectName("centralWidget");
    auto* outer = new QHBoxLayout(central);
    auto* left = new QVBoxLayout;
    outer->addLayout(left, 1);

    auto* lists = new QGridLayout;
    auto label = [central](const char* name, const char* text) {
        auto* l = new QLabel(text, central);
        l->setObjectName(name);
        return l;
    };
    auto combo = [central](const char* name) {
        auto* c = new QComboBox(central);
        c->setObjectName(name);
        c->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        c->setMinimumContentsLength(24);
        return c;
    };
    SkinLabel1 = label("SkinLabel1", "Record Device");
    SkinLabel2 = label("SkinLabel2", "Sound Source");
    SkinLabel3 = label("SkinLabel3", "Output Format");
    DeviceCombo = combo("DeviceCombo");
    cmbSrcInput = combo("cmbSrcInput");
    cboEncoders = combo("cboEncoders");
    cboEncoders->setMinimumContentsLength(8);
    lists->addWidget(SkinLabel1, 0, 0);
    lists->addWidget(DeviceCombo, 0, 1);
    lists->addWidget(SkinLabel2, 1, 0);
    lists->addWidget(cmbSrcInput, 1, 1);
    lists->addWidget(SkinLabel3, 2, 0);
    lists->addWidget(cboEncoders, 2, 1, Qt::AlignLeft);
    lists->setColumnStretch(1, 1);
    left->addLayout(lists);

    auto* transport = new QHBoxLayout;
    auto button = [central](const char* name, const QString& text) {
        auto* b = new QPushButton(text, central);
        b->setObjectName(name);
        return b;
    };
    cmdrecord = button("cmdrecord", QString());
    cmdrecord->setIcon(RecordIcon());
    cmdrecord->setToolTip("Start Recording (Hotkey:CTRL+R)");
    cmdStop = button("cmdStop", "Stop");
    cmdPlay = button("cmdPlay", QString());
    cmdPlay->setIcon(style()->standardIcon(QStyle::SP_MediaPlay));
    cmdPlay->setToolTip("Play");
    cmdPause = button("cmdPause", QString());
    cmdPause->setIcon(style()->standardIcon(QStyle::SP_MediaPause));
    cmdPause->setToolTip("Pause");
    for (auto* b : {cmdrecord, cmdStop, cmdPlay, cmdPause}) transport->addWidget(b);
    transport->addStretch(1);
    Label1 = new QLabel("0:00.000", central);
    Label1->setObjectName("Label1");
    QFont timeFont = Label1->font();
    timeFont.setPointSize(timeFont.pointSize() + 10);
    timeFont.setBold(true);
    timeFont.setStyleHint(QFont::Monospace);
    Label1->setFont(timeFont);
    transport->addWidget(Label1);
    left->addLayout(transport);

    slPosition = new QSlider(Qt::Horizontal, central);
    slPosition->setObjectName("slPosition");
    left->addWidget(slPosition);

    auto* displays = new QHBoxLayout;
    auto* status = new QGroupBox("Status", central);
    status->setObjectName("Frame2");
    auto* statusLayout = new QVBoxLayout(status);
    auto* level = new LevelMeter(status);
    level->setObjectName("AudioDisplay1");
    level->setMinimumHeight(40);
    AudioDisplay1 = level;
    levelDisplay_ = level;
    statusLayout->addWidget(AudioDisplay1);
    displays->addWidget(status, 1);
    auto* wave = new WaveformView(central);
    wave->setObjectName("AV1");
    wave->setMinimumHeight(72);
    AV1 = wave;
    av1Display_ = wave;
    displays->addWidget(AV1, 2);
    left->addLayout(displays);

    auto* listFrame = new QGroupBox("Double Click list to Play Recording", central);
    listFrame->setObjectName("Frame1");
    auto* listLayout = new QVBoxLayout(listFrame);
    ListView1 = new QTreeWidget(listFrame);
    ListView1->setObjectName("ListView1");
    ListView1->setRootIsDecorated(false);
    ListView1->setUniformRowHeights(true);
    ListView1->setHeaderLabels({"NO.", "File Name", "Size", "Duration", "Record Time"});
    ListView1->header()->setStretchLastSection(true);
    ListView1->setColumnWidth(0, 44);
    ListView1->setColumnWidth(1, 300);
    ListView1->setColumnWidth(2, 70);
    ListView1->setColumnWidth(3, 80);
    ListView1->setContextMenuPolicy(Qt::CustomContextMenu);
    listLayout->addWidget(ListView1);
    left->addWidget(listFrame, 1);

    auto* commands = new QVBoxLayout;
    Command1 = button("Command1", "Record Ctrl+R");
    Command3 = button("Command3", "Stop Ctrl+S");
    Command2 = button("Command2", "Schedule");
    Command4 = button("Command4", "Audio Player");
    Command5 = button("Command5", "Output File");
    Command6 = button("Command6", "Format Settings");
    Command13 = button("Command13", "Edit ID3");
    Command14 = button("Command14", "Audio Converter");
    Command10 = button("Command10", "Help");
    Command11 = button("Command11", "About");
    Command12 = button("Command12", "Close");
    for (auto* b : {Command1, Command3, Command2, Command4, Command5, Command6, Command13,
                    Command14, Command10, Command11, Command12})
        commands->addWidget(b);
    commands->addStretch(1);
    outer->addLayout(commands);
    setCentralWidget(central);

    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName("StatusBar1");
    StatusPanel1 = new QLabel(StatusBar1);
    StatusPanel1->setObjectName("Panel1");
    StatusPanel2 = new QLabel(StatusBar1);
    StatusPanel2->setObjectName("Panel2");
    StatusBar1->addWidget(StatusPanel1, 3);
    StatusBar1->addWidget(StatusPanel2, 2);
    setStatusBar(StatusBar1);

    connect(cmdrecord, &QPushButton::clicked, this, &Form1::cmdrecord_Click);
    connect(cmdStop, &QPushButton::clicked, this, &Form1::cmdStop_Click);
    connect(cmdPlay, &QPushButton::clicked, this, &Form1::cmdPlay_Click);
    connect(cmdPause, &QPushButton::clicked, this, &Form1::cmdPause_Click);
    connect(Command1, &QPushButton::clicked, this, &Form1::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Form1::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &Form1::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &Form1::Command4_Click);
    connect(Command5, &QPushButton::clicked, this, &Form1::Command5_Click);
    connect(Command6, &QPushButton::clicked, this, &Form1::Command6_Click);
    connect(Command10, &QPushButton::clicked, this, &Form1::Command10_Click);
    connect(Command11, &QPushButton::clicked, this, &Form1::Command11_Click);
    connect(Command12, &QPushButton::clicked, this, &Form1::Command12_Click);
    connect(Command13, &QPushButton::clicked, this, &Form1::Command13_Click);
    connect(Command14, &QPushButton::clicked, this, &Form1::Command14_Click);
    // activated: only the user's choice, not the filling at load.
    connect(DeviceCombo, &QComboBox::activated, this, &Form1::DeviceCombo_Click);
    connect(cmbSrcInput, &QComboBox::activated, this, &Form1::cmbSrcInput_Click);
    connect(ListView1, &QTreeWidget::itemDoubleClicked, this, &Form1::ListView1_DblClick);
    connect(ListView1, &QWidget::customContextMenuRequested, this, &Form1::ListView1_MouseUp);
    slPosition->setRange(0, kSliderMax);
    connect(slPosition, &QSlider::sliderPressed, this, &Form1::slPosition_MouseDown);
    connect(slPosition, &QSlider::sliderReleased, this, &Form1::slPosition_MouseUp);
}

QAction* Form1::AddMenuEntry(QMenu* menu, const char* name, const char* caption,
                             void (Form1::*handler)()) {
    QAction* action = menu->addAction(caption);
    action->setObjectName(name);
    connect(action, &QAction::triggered, this, handler);
    return action;
}

void Form1::BuildMenus() {
    QMenuBar* bar = menuBar();
    bar->setObjectName("menuBar");
    auto menu = [bar](const char* name, const char* caption) {
        QMenu* m = bar->addMenu(caption);
        m->setObjectName(name);
        return m;
    };
    QMenu* file = menu("mnuFile", "File(&F)");
    AddMenuEntry(file, "mnuNew", "New Recording Project", &Form1::mnuNew_Click);
    AddMenuEntry(file, "mnuOpen", "Open Recording Project", &Form1::mnuOpen_Click);
    AddMenuEntry(file, "mnuSave", "Save Recording Project", &Form1::mnuSave_Click);
    file->addSeparator();
    AddMenuEntry(file, "mnuExit", "Exit", &Form1::mnuExit_Click);

    QMenu* edit = menu("mnuEdit", "Edit(&E)");
    mnuEdit = edit;
    AddMenuEntry(edit, "mnuPlaySel", "Play Selected File", &Form1::mnuPlaySel_Click);
    edit->addSeparator();
    AddMenuEntry(edit, "mnuRename", "Rename", &Form1::mnuRename_Click);
    AddMenuEntry(edit, "mnuRemove", "Remove Selected Item", &Form1::mnuRemove_Click);
    AddMenuEntry(edit, "mnuDelete", "Delete Selected File", &Form1::mnuDelete_Click);

    QMenu* action = menu("mnuAction", "Action(&A)");
    AddMenuEntry(action, "mnuRecord", "Record", &Form1::mnuRecord_Click);
    AddMenuEntry(action, "mnuStop", "Stop", &Form1::mnuStop_Click);
    action->addSeparator();
    AddMenuEntry(action, "mnuPlay", "Play Audio", &Form1::mnuPlay_Click);
    AddMenuEntry(action, "mnuPause", "Pause Play", &Form1::mnuPause_Click);
    AddMenuEntry(action, "mnuStopPlay", "Stop Play", &Form1::mnuStopPlay_Click);
    action->addSeparator();
    AddMenuEntry(action, "mnuAudioPlayer", "Audio Player", &Form1::mnuAudioPlayer_Click);
    AddMenuEntry(action, "mnuConverter", "Audio Converter", &Form1::mnuConverter_Click);
    AddMenuEntry(action, "mnuEditID3", "Edit ID3", &Form1::mnuEditID3_Click);

    QMenu* option = menu("mnuOption", "Option(&O)");
    AddMenuEntry(option, "mnuOutputFile", "Output File", &Form1::mnuOutputFile_Click);
    AddMenuEntry(option, "mnuFormat", "Format Settings", &Form1::mnuFormat_Click);
    option->addSeparator();
    AddMenuEntry(option, "mnuSchedule", "Schedule", &Form1::mnuSchedule_Click);
    AddMenuEntry(option, "mnuRecordControl", "Record Control", &Form1::mnuRecordControl_Click);

    QMenu* help = menu("mnuHelp", "Help(&H)");
    AddMenuEntry(help, "mnuHelpTopic", "Help", &Form1::mnuHelpTopic_Click);
    help->addSeparator();
    AddMenuEntry(help, "mnuHome", "Sound Recorder Home Page", &Form1::mnuHome_Click);
    AddMenuEntry(help, "mnuSupport", "Support Online", &Form1::mnuSupport_Click);
    help->addSeparator();
    AddMenuEntry(help, "mnuAbout", "About", &Form1::mnuAbout_Click);
}

// -------------------------------------------------------------------- load

void Form1::ShowMessage(const std::string& text, services::MsgIcon icon) {
    if (desktop_.messageBox)
        desktop_.messageBox->Show(text, icon, services::MsgButtons::Ok, kAppTitle);
}

void Form1::Form_Load() {
    if (loaded_) return;
    loaded_ = true;

    services::ApplySkin(*this, applicationFolder_);

    // A component that cannot be created is absent; every step that needs it
    // is skipped, as a failing call would be. The mix-down is a plain function.
    AudioRecord = engine_.CreateRecorder();
    AudioFile = engine_.CreateFile();
    audioplayer = engine_.CreatePlayer();
    ConnectComponents();

    const bool vista =
        OsNameFor(osVersionQuery_ ? osVersionQuery_() : OsVersion{}) == "WindowsVista";
    if (AudioRecord) {
        if (!vista && AudioRecord->DeviceCount() < 1) {
            ShowMessage("Record device error!", services::MsgIcon::Error);
            return;
        }
        LoadDevices(vista);
    }

    for (const char* format : kFormats) cboEncoders->addItem(format);
    cboEncoders->setCurrentIndex(0);
    cboEncoders->setCurrentIndex(
        settings::OutputFormatIndex(settings::ReadIniValue(SettingsFile(), "set", "outputformat")));

    ApplyFormatSettings();
    ApplyFilterSettings();
    if (av1Display_) av1Display_->SetSamplesPerFrame(kVisualizationFrame);
    ClaimHotkeys();
    if (desktop_.hotkeys)
        connect(desktop_.hotkeys, &services::IHotkeyRegistrar::Activated, this, &Form1::OnHotkey,
                Qt::UniqueConnection);
    stopped_ = true;
    playing_ = paused_ = false;
}

void Form1::LoadDevices(bool vista) {
    if (vista) {
        SkinLabel1->setText("Record device and source");
        const std::string user = userNameQuery_ ? Trim(userNameQuery_()) : std::string();
        if (user != "Administrator")
            ShowMessage(
                "Your OS is Windows Vista, Please Log on as Administrator account in Windows Vista",
                services::MsgIcon::Information);
        cmbSrcInput->setEnabled(false);
    }
    const int count = AudioRecord->DeviceCount();
    const int remembered = AudioRecord->CurrentDevice();
    // Up to and including count: the recorder calls the index past the last
    // device unusable, so it never reaches the list.
    for (int i = 0; i <= count; ++i) {
        AudioRecord->SelectDevice(i);
        if (AudioRecord->DeviceUsable())
            DeviceCombo->addItem(QString::fromStdString(AudioRecord->DeviceName()), i);
    }
    if (DeviceCombo->count() == 0) return;
    int position = remembered;
    if (position > DeviceCombo->count() - 1) position = DeviceCombo->count() - 1;
    if (position < 0) position = 0;
    AudioRecord->SelectDevice(DeviceCombo->itemData(position).toInt());
    DeviceCombo->setCurrentIndex(position);
    if (!vista) FillSourceList();
}

void Form1::FillSourceList() {
    cmbSrcInput->clear();
    if (!AudioRecord) return;
    const int last = AudioRecord->SourceLastIndex();
    if (last < 0) return;
    int choice = AudioRecord->CurrentSource();
    for (int i = 0; i <= last; ++i) {
        AudioRecord->SelectSource(i);
        cmbSrcInput->addItem(QString::fromStdString(AudioRecord->SourceName()));
        if (AudioRecord->SourceActive()) choice = i;
    }
    AudioRecord->SelectSource(choice);
    cmbSrcInput->setCurrentIndex(choice);
}

void Form1::ApplyFormatSettings() {
    auto& v = settings::SharedFormatValues();
    settings::LoadFormatValues(SettingsFile(), v);
    if (!AudioFile) return;
    AudioFile->SetMp3Format(v.MP3Frequency, v.MP3Bitrate, v.MP3Channels);
    AudioFile->SetWavFormat(v.Freq, v.Channel, 16);
    AudioFile->SetVoxFormat(v.voxFreq);
    const settings::OggParameters ogg = settings::ChooseOggParameters(v);
    AudioFile->SetOggFormat(44100, 2, ogg.nominal, ogg.minimum, ogg.maximum, ogg.quality);
    AudioFile->SetRawFormat(v.rawCompr, v.rawFreq, v.rawChannel, 16);
    AudioFile->SetG726Format(v.gFreq, v.gbit);
}

void Form1::ApplyFilterSettings() {
    if (!AudioRecord) return;
    const settings::FilterSettings f = settings::ReadFilterSettings(SettingsFile());
    AudioRecord->SetNotchEnabled(f.notch);
    if (f.notch && f.notchFrequency) AudioRecord->SetNotchFrequency(*f.notchFrequency);
    AudioRecord->SetHighPassEnabled(f.highPass);
    if (f.highPass && f.highPassFrequency) AudioRecord->SetHighPassFrequency(*f.highPassFrequency);
    AudioRecord->SetLowPassEnabled(f.lowPass);
    if (f.lowPass && f.lowPassFrequency) AudioRecord->SetLowPassFrequency(*f.lowPassFrequency);
    AudioRecord->SetAgcEnabled(f.autoGain);
    if (f.autoGain) {
        if (f.lowLevel) AudioRecord->SetAgcLowLevel(*f.lowLevel);
        if (f.highLevel) AudioRecord->SetAgcHighLevel(*f.highLevel);
        if (f.attackTime) AudioRecord->SetAgcAttackTime(*f.attackTime);
    }
}

void Form1::ClaimHotkeys() {
    services::IHotkeyRegistrar* hotkeys = desktop_.hotkeys;
    hotkeyRecordClaimed_ = hotkeys && hotkeys->RegisterCtrlKey(kHotkeyRecord, 'R');
    if (!hotkeyRecordClaimed_)
        ShowMessage(
            "Can not register the hotkeys CTRL+R ...this key is already registered by some other "
            "running applications.",
            services::MsgIcon::Error);
    hotkeyStopClaimed_ = hotkeys && hotkeys->RegisterCtrlKey(kHotkeyStop, 'S');
    if (!hotkeyStopClaimed_)
        ShowMessage(
            "Can not register the hotkeys CTRL+S ... this key is already registered by some other "
            "running applications.",
            services::MsgIcon::Error);
}

void Form1::OnHotkey(int id) {
    if (desktop_.eventPump) desktop_.eventPump->ProcessEvents();
    if (id == kHotkeyRecord)
        StartRecord();
    else
        StopRecord();
}

// -------------------------------------------------------------------- exit

void Form1::exitsystem() {
    if (exiting_) return;
    exiting_ = true;
    if (flgRecord) StopRecord();
    if (playing_) StopPlayback();
    if (tray_) tray_->DeleteIcon();
    if (ListView1->topLevelItemCount() > 0 && desktop_.messageBox &&
        desktop_.messageBox->Show("Do you need to save the recording project file?",
                                  services::MsgIcon::Question, services::MsgButtons::OkCancel,
                                  kAppTitle) == services::MsgAnswer::Ok)
        SaveRecordingProject();
    // A window that never got its format list (no device) keeps the stored choice.
    if (cboEncoders->currentIndex() >= 0)
        settings::WriteIniValue(SettingsFile(), "set", "outputformat",
                                std::to_string(cboEncoders->currentIndex()));
    // Exit may be chosen while a display handler lets events run, that is in
    // the middle of one of these components' own signals: they are let go
    // now and deleted once control is back in the event loop.
    if (AudioRecord) {
        disconnect(AudioRecord.get(), nullptr, this, nullptr);
        AudioRecord.release()->deleteLater();
    }
    if (audioplayer) {
        disconnect(audioplayer.get(), nullptr, this, nullptr);
        audioplayer.release()->deleteLater();
    }
    AudioFile.reset();
    if (desktop_.hotkeys) {
        if (hotkeyRecordClaimed_) desktop_.hotkeys->Unregister(kHotkeyRecord);
        if (hotkeyStopClaimed_) desktop_.hotkeys->Unregister(kHotkeyStop);
        disconnect(desktop_.hotkeys, nullptr, this, nullptr);
    }
    hotkeyRecordClaimed_ = hotkeyStopClaimed_ = false;
    if (about_) {
        delete about_;
        about_ = nullptr;
    }
    if (tray_) tray_->close();
    hide();
    emit Unloaded();
}

void Form1::closeEvent(QCloseEvent* event) {
    if (exiting_) {
        event->accept();
        return;
    }
    // The close box only takes the window off the screen; the tray brings it
    // back. Without a tray it goes to the task bar so it stays reachable.
    event->ignore();
    if (QSystemTrayIcon::isSystemTrayAvailable() && tray_ && tray_->IconShown())
        hide();
    else
        showMinimized();
}

void Form1::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange && isMinimized() && !exiting_ &&
        QSystemTrayIcon::isSystemTrayAvailable() && tray_ && tray_->IconShown())
        QTimer::singleShot(0, this, [this] {
            if (isMinimized()) hide();
        });
}

void Form1::ShowMain() {
    setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

// ------------------------------------------------------- recording session

void Form1::ConnectComponents() {
    if (AudioRecord) {
        connect(AudioRecord.get(), &audio::IAudioRecorder::EndArrayRecord, this,
                &Form1::AudioRecord_EndArrayRecord);
        connect(AudioRecord.get(), &audio::IAudioRecorder::Timer, this, &Form1::AudioRecord_Timer);
    }
    if (audioplayer) {
        connect(audioplayer.get(), &audio::IAudioPlayer::Timer, this, &Form1::AudioPlayer_Timer);
        connect(audioplayer.get(), &audio::IAudioPlayer::RequestOnLoadArray, this,
                &Form1::AudioPlayer_RequestOnLoadArray);
        connect(audioplayer.get(), &audio::IAudioPlayer::EndArrayPlay, this,
                &Form1::AudioPlayer_EndArrayPlay);
        connect(audioplayer.get(), &audio::IAudioPlayer::EndPlay, this,
                &Form1::AudioPlayer_EndPlay);
    }
}

void Form1::PumpEvents() {
    if (desktop_.eventPump) desktop_.eventPump->ProcessEvents();
}

void Form1::StartRecord() {
    emit StartRecordCalled();
    StartRecording(true);
}

void Form1::StartScheduledRecord() {
    // The schedule clock still runs while exitsystem asks about the project;
    // a recording started then would outlive the components released next.
    if (exiting_) return;
    emit StartRecordCalled();
    StartRecording(false);
}

void Form1::StartRecording(bool interactive) {
    if (flgRecord) StopRecord();
    if (playing_) StopPlayback();

    // Read afresh: the Output Files dialog may have changed them since the last start.
    const std::string settingsFile = SettingsFile();
    OutputNaming naming;
    naming.outputFolder = settings::ReadIniValue(settingsFile, "set", "outputfolder");
    naming.applicationFolder = applicationFolder_;
    naming.baseName = settings::ReadIniValue(settingsFile, "set", "filename");
    naming.dateTime = settings::ReadIniValue(settingsFile, "set", "datetime");
    naming.existedFile = settings::ReadIniValue(settingsFile, "set", "existedfile");
    naming.extension = cboEncoders->currentText().toStdString();
    naming.listRows = static_cast<std::size_t>(ListView1->topLevelItemCount());
    const QDateTime now = QDateTime::currentDateTime();
    naming.start = LocalStartTime(static_cast<std::time_t>(now.toSecsSinceEpoch()));
    outputPath_ = app::OutputPath(naming);
    startTimeText_ = RecordTimeText(now);

    if (!AudioFile || !AudioRecord) {
        StartFailed("the audio components are not available", false, interactive);
        return;
    }
    std::error_code ec;
    const bool existedBefore = std::filesystem::exists(outputPath_, ec);
    if (AudioFile->CreateFile(outputPath_) < 0) {
        std::string reason = AudioFile->LastError();
        if (reason.empty()) reason = "the file could not be created";
        // Only a file this start made is removed; an existing one is left alone.
        StartFailed(reason, !existedBefore, interactive);
        return;
    }

    const int rate = AudioFile->EncoderRate();
    const int channels = AudioFile->EncoderChannels();
    AudioRecord->SetFormat(rate, channels);
    // Should the device deliver another format, the file component adapts it.
    AudioFile->SetInputFormat(AudioRecord->Rate(), AudioRecord->Channels());
    if (av1Display_) av1Display_->SetFormat(rate, channels);
    if (levelDisplay_) levelDisplay_->SetFormat(rate, channels);
    AudioRecord->SetBlockLength(AudioRecord->MillisecondsToSamples(1000));

    const QString previousPanel1 = StatusPanel1->text();
    const QString previousPanel2 = StatusPanel2->text();
    StatusPanel1->setText(QString::fromStdString(outputPath_));
    StatusPanel2->setText(QString::fromStdString(AudioFile->FormatDescription()));

    if (AudioRecord->Start() < 0) {
        AudioFile->Close();
        StatusPanel1->setText(previousPanel1);
        StatusPanel2->setText(previousPanel2);
        StartFailed("the recording device could not be started", true, interactive);
        return;
    }

    flgRecord = true;
    Label1->setText(QString::fromStdString(ElapsedText(0)));
    for (QWidget* w :
         std::initializer_list<QWidget*>{cmdPause, cmdPlay, cmdrecord, Command1, Command4})
        w->setEnabled(false);
}

void Form1::StartFailed(const std::string& reason, bool removeFile, bool interactive) {
    if (removeFile) {
        std::error_code ec;
        std::filesystem::remove(outputPath_, ec);
    }
    const std::string text = StartFailedMessage(outputPath_, reason);
    if (interactive) {
        ShowMessage(text, services::MsgIcon::Error);
        return;
    }
    // The schedule clock must not wait for the user: the message comes from
    // the event loop, after the caller has returned.
    QTimer::singleShot(0, this, [this, text] { ShowMessage(text, services::MsgIcon::Error); });
}

void Form1::StopRecord() {
    emit StopRecordCalled();
    if (!flgRecord) return;
    flgRecord = false;

    if (AudioRecord) {
        // The last block and the final progress arrive now (from Stop itself or
        // as pending events); the block is still written, the time still shown.
        stopping_ = true;
        AudioRecord->Stop();
        PumpEvents();
        stopping_ = false;
    }
    if (AudioFile) AudioFile->Close();

    for (QWidget* w :
         std::initializer_list<QWidget*>{Command1, Command4, cmdPause, cmdPlay, cmdrecord})
        w->setEnabled(true);
    StatusPanel1->setText(QString::fromStdString(outputPath_));
    StatusPanel2->setText(kStatusDone);
    if (av1Display_) av1Display_->ShowSamples({});
    if (levelDisplay_) levelDisplay_->ShowSamples({});

    AddRow(NewRecordingRow(static_cast<std::size_t>(ListView1->topLevelItemCount()), outputPath_,
                           FileSizeText(outputPath_), Label1->text().toStdString(),
                           startTimeText_));
}

void Form1::AudioRecord_EndArrayRecord(long nBlock) {
    if (!AudioRecord || !AudioFile) return;
    const audio::Samples block = AudioRecord->TakeBlock(nBlock);
    if (!block.empty()) AudioFile->WriteBlock(block);
}

void Form1::AudioRecord_Timer(long CurrentSamples, int /*LevelLeft*/, int /*LevelRight*/) {
    // A late event after the stop, or one arriving while this one lets
    // events run, has nothing to add.
    if ((!flgRecord && !stopping_) || inRecordTimer_ || !AudioRecord) return;
    inRecordTimer_ = true;
    Label1->setText(
        QString::fromStdString(ElapsedText(AudioRecord->SamplesToMilliseconds(CurrentSamples))));

    const int channels = AudioRecord->Channels();
    if (av1Display_ && flgRecord) {
        audio::Samples latest = AudioRecord->LatestSamples(kVisualFrame * channels);
        if (channels == 2) {
            latest = audio::MakeMonoFromStereo(latest);
            av1Display_->SetFormat(AudioRecord->Rate(), 1);
        }
        av1Display_->ShowSamples(latest);
        PumpEvents();
    }
    if (levelDisplay_ && flgRecord) {
        levelDisplay_->ShowSamples(AudioRecord->LatestSamples(levelDisplay_->SamplesPerFrame()));
        PumpEvents();
    }
    inRecordTimer_ = false;
}

// ------------------------------------------------------ recordings list

std::vector<RecordingRow> Form1::Rows() const {
    std::vector<RecordingRow> rows;
    for (int i = 0; i < ListView1->topLevelItemCount(); ++i) {
        const QTreeWidgetItem* item = ListView1->topLevelItem(i);
        rows.push_back({item->text(0).toStdString(), item->text(1).toStdString(),
                        item->text(2).toStdString(), item->text(3).toStdString(),
                        item->text(4).toStdString()});
    }
    return rows;
}

void Form1::AddRow(const RecordingRow& row) {
    new QTreeWidgetItem(
        ListView1,
        QStringList{QString::fromStdString(row.number), QString::fromStdString(row.fileName),
                    QString::fromStdString(row.size), QString::fromStdString(row.duration),
                    QString::fromStdString(row.recordTime)});
}

QTreeWidgetItem* Form1::SelectedRow() const {
    if (ListView1->topLevelItemCount() == 0) return nullptr;
    const QList<QTreeWidgetItem*> selected = ListView1->selectedItems();
    return selected.isEmpty() ? nullptr : selected.first();
}

void Form1::RenumberList() {
    for (int i = 0; i < ListView1->topLevelItemCount(); ++i)
        ListView1->topLevelItem(i)->setText(
            0, QString::fromStdString(RowNumberText(static_cast<std::size_t>(i))));
}

void Form1::RemoveSelectedItem() {
    QTreeWidgetItem* item = SelectedRow();
    if (!item) return;
    delete item;
    RenumberList();
}

void Form1::DeleteSelectedFile() {
    QTreeWidgetItem* item = SelectedRow();
    if (!item || !desktop_.messageBox) return;
    if (desktop_.messageBox->Show(kDeleteQuestion, services::MsgIcon::Warning,
                                  services::MsgButtons::OkCancel,
                                  kAppTitle) != services::MsgAnswer::Ok)
        return;
    // A file that is playing is let go first, so it is really gone.
    if (playing_ && item->text(1).toStdString() == playingPath_) StopPlayback();
    std::error_code ec;
    std::filesystem::remove(item->text(1).toStdString(), ec);  // a failure is ignored
    delete item;
    RenumberList();
}

void Form1::RenameSelected() {
    QTreeWidgetItem* item = SelectedRow();
    if (!item) return;
    const std::string oldPath = item->text(1).toStdString();
    std::error_code ec;
    if (oldPath.empty() || !std::filesystem::exists(oldPath, ec)) {
        ShowMessage(RenameMissingMessage(oldPath), services::MsgIcon::Error);
        return;
    }
    if (!desktop_.inputBox) return;
    const std::optional<std::string> answer =
        desktop_.inputBox->Ask(RenamePrompt(oldPath), kAppTitle, oldPath);
    if (!answer) return;
    const RenameOutcome outcome = RenameAudioFile(oldPath, *answer);
    if (outcome.status == RenameStatus::Nothing) return;
    if (outcome.status == RenameStatus::Succeeded)
        item->setText(1, QString::fromStdString(outcome.newPath));
    ShowMessage(outcome.message, services::MsgIcon::Information);
}

// ------------------------------------------------------------- playback

void Form1::PlaySelected() {
    if (flgRecord) return;
    if (playing_) StopPlayback();
    QTreeWidgetItem* item = SelectedRow();
    if (!item || !AudioFile || !audioplayer) return;
    const std::string path = item->text(1).toStdString();
    std::error_code ec;
    if (path.empty() || !std::filesystem::is_regular_file(path, ec)) return;

    if (AudioFile->OpenFile(path) < 0) return;
    offset_ = 0;
    totalSamples_ = AudioFile->TotalSamples();
    if (totalSamples_ <= 0) {
        AudioFile->Close();
        return;
    }
    StatusPanel1->setText(QString::fromStdString(path));
    StatusPanel2->setText(QString::fromStdString(AudioFile->FormatDescription()));
    playRate_ = AudioFile->SampleRate();
    playChannels_ = std::max(1, AudioFile->ChannelCount());
    audioplayer->SetFormat(playRate_, playChannels_);
    if (av1Display_) av1Display_->SetFormat(playRate_, playChannels_);
    // The level display gets the mixed-down samples.
    if (levelDisplay_) levelDisplay_->SetFormat(playRate_, 1);

    if (audioplayer->Start() < 0) {
        AudioFile->Close();
        return;
    }
    playingPath_ = path;
    playing_ = true;
    stopped_ = false;
    paused_ = false;
    Label1->setText(QString::fromStdString(ElapsedText(0)));
    blockLength_ = audioplayer->MillisecondsToSamples(kPlayBlockMs);
    FeedPlayer();
}

void Form1::FeedPlayer() {
    if (stopped_ || !AudioFile || !audioplayer) return;
    const audio::Samples block = AudioFile->ReadBlock(blockLength_);
    if (block.size() > 1) audioplayer->QueueBlock(block);
}

void Form1::StopPlayback() {
    if (flgRecord) return;
    stopped_ = true;
    if (audioplayer) audioplayer->Stop();
    if (playing_ && AudioFile) AudioFile->Close();
    playing_ = false;
    paused_ = false;
    playingPath_.clear();
    slPosition->setValue(0);
    if (av1Display_) av1Display_->ShowSamples({});
}

void Form1::PauseResume() {
    if (stopped_ || !audioplayer || !AudioFile) return;
    if (!paused_) {
        paused_ = true;
        offset_ = OffsetAfterPause(offset_, audioplayer->CurrentSamples());
        audioplayer->Stop();
        return;
    }
    paused_ = false;
    audioplayer->Start();
    AudioFile->Seek(offset_);
    FeedPlayer();
}

void Form1::slPosition_MouseDown() {
    dragging_ = true;
}

void Form1::slPosition_MouseUp() {
    if (stopped_ || !audioplayer || !AudioFile) {
        dragging_ = false;
        return;
    }
    audioplayer->Stop();
    audioplayer->Start();
    // The player runs again from the new place, so the window is no longer paused.
    paused_ = false;
    offset_ = AudioFile->Seek(SliderToSample(slPosition->value(), totalSamples_));
    dragging_ = false;
    FeedPlayer();
}

void Form1::AudioPlayer_RequestOnLoadArray() {
    FeedPlayer();
}

void Form1::AudioPlayer_EndArrayPlay() {
    FeedPlayer();
}

void Form1::AudioPlayer_EndPlay() {
    StopPlayback();
}

void Form1::AudioPlayer_Timer(long CurrentSamples, int /*LevelLeft*/, int /*LevelRight*/) {
    if (stopped_ || paused_ || !audioplayer) return;
    const std::int64_t position = PlaybackPosition(offset_, CurrentSamples);
    Label1->setText(QString::fromStdString(
        ElapsedText(audioplayer->SamplesToMilliseconds(static_cast<long>(position)))));
    if (!dragging_) slPosition->setValue(SampleToSlider(position, totalSamples_));
    ShowPlaybackSamples(position);
}

void Form1::ShowPlaybackSamples(std::int64_t position) {
    const std::int64_t remaining = RemainingSamples(position, totalSamples_);
    if (remaining < kVisualFrame) return;
    if (av1Display_) {
        av1Display_->ShowSamples(audioplayer->LatestSamples(kVisualFrame * playChannels_));
        PumpEvents();
    }
    if (!levelDisplay_ || stopped_ || !audioplayer) return;
    const int frame = levelDisplay_->SamplesPerFrame();
    if (remaining < frame) return;
    audio::Samples latest = audioplayer->LatestSamples(frame);
    if (playChannels_ == 2) latest = audio::MakeMonoFromStereo(latest);
    levelDisplay_->ShowSamples(latest);
    PumpEvents();
}

// ---------------------------------------------------------- other windows

void Form1::ShowSchedule() {
    if (showSchedule_) showSchedule_();
}
void Form1::ShowAudioPlayer() {
    // MPlay3 comes with the player.
}
void Form1::ShowOutputFiles() {
    // Form4 comes with the output file options.
}
void Form1::ShowFormatSettings() {
    // Form2 comes with the formats and filters dialog.
}
void Form1::ShowId3Editor() {
    // Frmid3v comes with the tag editor.
}
void Form1::ShowConverter() {
    // frmcov comes with the converter.
}
// ----------------------------------------------------- recording projects

void Form1::NewRecordingProject() {
    ListView1->clear();
}

void Form1::OpenRecordingProject() {
    if (!desktop_.fileDialog) return;
    const std::optional<std::string> path =
        desktop_.fileDialog->OpenFile(kOpenProjectTitle, kProjectFilter, std::string());
    if (!path || path->empty()) return;
    std::vector<RecordingRow> rows;
    if (!ReadProjectFile(*path, rows)) return;
    // Appended as stored: not emptied first, not renumbered.
    for (const RecordingRow& row : rows) AddRow(row);
}

void Form1::SaveRecordingProject() {
    if (!desktop_.fileDialog) return;
    const std::optional<std::string> path =
        desktop_.fileDialog->SaveFile(kSaveProjectTitle, kProjectFilter, std::string());
    if (!path || path->empty()) return;
    WriteProjectFile(*path, Rows());  // a failure ends the command quietly
}

// ----------------------------------------------------------------- desktop

void Form1::OpenHelp() {
    const std::string path = services::AppPath(applicationFolder_, kHelpFile);
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) {
        ShowMessage("The help file \"" + path + "\" cannot be found.", services::MsgIcon::Error);
        return;
    }
    if (desktop_.urlOpener && !desktop_.urlOpener->Open(path))
        ShowMessage("No program could be started to show the help file \"" + path + "\".",
                    services::MsgIcon::Error);
}

void Form1::OpenWebPage(const std::string& address) {
    // As with the shell's own open, the caller is not told whether it worked.
    if (desktop_.urlOpener) desktop_.urlOpener->Open(address);
}

void Form1::StartRecordControl() {
    // The desktop's recording mixer on its recording tab; a failed start is ignored.
    if (desktop_.processStarter) desktop_.processStarter->Start("pavucontrol", {"--tab=2"});
}

void Form1::ShowAbout() {
    if (!about_) about_ = new frmAbout(this);
    if (desktop_.modal)
        desktop_.modal->Exec(*about_);
    else
        about_->exec();
}

// ---------------------------------------------------------------- handlers

void Form1::cmdrecord_Click() {
    StartRecord();
}
void Form1::cmdStop_Click() {
    if (flgRecord) {
        StopRecord();
        StopPlayback();
    }
    if (levelDisplay_) levelDisplay_->ShowSamples({});
}
void Form1::ListView1_DblClick() {
    PlaySelected();
}
void Form1::ListView1_MouseUp(const QPoint& position) {
    mnuEdit->popup(ListView1->viewport()->mapToGlobal(position));
}
void Form1::cmdPlay_Click() {
    PlaySelected();
}
void Form1::cmdPause_Click() {
    PauseResume();
}
void Form1::DeviceCombo_Click(int index) {
    if (!AudioRecord || index < 0) return;
    AudioRecord->SelectDevice(DeviceCombo->itemData(index).toInt());
    FillSourceList();
}
void Form1::cmbSrcInput_Click(int index) {
    if (!AudioRecord || index < 0) return;
    AudioRecord->SelectSource(index);
    AudioRecord->SetSourceActive(true);
}
void Form1::Command1_Click() {
    StartRecord();
}
void Form1::Command2_Click() {
    ShowSchedule();
}
void Form1::Command3_Click() {
    cmdStop_Click();
}
void Form1::Command4_Click() {
    ShowAudioPlayer();
}
void Form1::Command5_Click() {
    ShowOutputFiles();
}
void Form1::Command6_Click() {
    ShowFormatSettings();
}
void Form1::Command10_Click() {
    OpenHelp();
}
void Form1::Command11_Click() {
    ShowAbout();
}
void Form1::Command12_Click() {
    exitsystem();
}
void Form1::Command13_Click() {
    ShowId3Editor();
}
void Form1::Command14_Click() {
    ShowConverter();
}
void Form1::mnuNew_Click() {
    NewRecordingProject();
}
void Form1::mnuOpen_Click() {
    OpenRecordingProject();
}
void Form1::mnuSave_Click() {
    SaveRecordingProject();
}
void Form1::mnuExit_Click() {
    exitsystem();
}
void Form1::mnuPlaySel_Click() {
    PlaySelected();
}
void Form1::mnuRename_Click() {
    RenameSelected();
}
void Form1::mnuRemove_Click() {
    RemoveSelectedItem();
}
void Form1::mnuDelete_Click() {
    DeleteSelectedFile();
}
void Form1::mnuRecord_Click() {
    StartRecord();
}
void Form1::mnuStop_Click() {
    StopRecord();
}
void Form1::mnuPlay_Click() {
    PlaySelected();
}
void Form1::mnuPause_Click() {
    PauseResume();
}
void Form1::mnuStopPlay_Click() {
    StopPlayback();
}
void Form1::mnuAudioPlayer_Click() {
    ShowAudioPlayer();
}
void Form1::mnuConverter_Click() {
    ShowConverter();
}
void Form1::mnuEditID3_Click() {
    ShowId3Editor();
}
void Form1::mnuOutputFile_Click() {
    ShowOutputFiles();
}
void Form1::mnuFormat_Click() {
    ShowFormatSettings();
}
void Form1::mnuSchedule_Click() {
    ShowSchedule();
}
void Form1::mnuRecordControl_Click() {
    StartRecordControl();
}
void Form1::mnuHelpTopic_Click() {
    OpenHelp();
}
void Form1::mnuHome_Click() {
    OpenWebPage(kHomePage);
}
void Form1::mnuSupport_Click() {
    OpenWebPage(kSupportPage);
}
void Form1::mnuAbout_Click() {
    ShowAbout();
}

}  // namespace qsr::app
