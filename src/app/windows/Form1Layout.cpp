// The main window's controls and menus, named and captioned as the window's parts.
#include <QAction>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QSlider>
#include <QStatusBar>
#include <QStyle>
#include <QTreeWidget>
#include <QVBoxLayout>

#include "app/windows/ElidedLabel.h"
#include "app/windows/Form1.h"
#include "app/windows/MarkerBar.h"
#include "app/windows/PlaybackMarkers.h"
#include "app/windows/SampleDisplays.h"
#include "app/windows/SeekSlider.h"
#include "app/windows/TimeLabel.h"
#include "player/PlaybackRules.h"

namespace qsr::app {

using player::kSliderMax;
namespace {

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

QLabel* NamedLabel(QWidget* parent, const char* name, const char* text) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    return l;
}

QComboBox* NamedCombo(QWidget* parent, const char* name) {
    auto* c = new QComboBox(parent);
    c->setObjectName(name);
    c->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    c->setMinimumContentsLength(24);
    return c;
}

QPushButton* NamedButton(QWidget* parent, const char* name, const QString& text) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(name);
    return b;
}

}  // namespace

// ---------------------------------------------------------------- controls

// Created in tab order: device lists, transport, position, displays, the
// recordings list, then the command column.
void Form1::BuildControls() {
    auto* central = new QWidget(this);
    central->setObjectName("centralWidget");
    auto* outer = new QHBoxLayout(central);
    auto* left = new QVBoxLayout;
    outer->addLayout(left, 1);

    left->addLayout(BuildDeviceLists(central));
    left->addLayout(BuildTransport(central));
    auto* seek = new SeekSlider(Qt::Horizontal, central);
    new PlaybackMarkers(playback_, core_.Engine(), *seek, this);
    slPosition = seek;
    slPosition->setObjectName("slPosition");
    slPosition->setRange(0, kSliderMax);
    left->addWidget(slPosition);
    left->addLayout(BuildDisplays(central));
    left->addWidget(BuildRecordingsList(central), 1);
    outer->addLayout(BuildCommandColumn(central));
    setCentralWidget(central);

    BuildStatusBar();
    ConnectControls();
}

QLayout* Form1::BuildDeviceLists(QWidget* central) {
    auto* lists = new QGridLayout;
    SkinLabel1 = NamedLabel(central, "SkinLabel1", "Record Device");
    SkinLabel2 = NamedLabel(central, "SkinLabel2", "Sound Source");
    SkinLabel3 = NamedLabel(central, "SkinLabel3", "Output Format");
    DeviceCombo = NamedCombo(central, "DeviceCombo");
    cmbSrcInput = NamedCombo(central, "cmbSrcInput");
    cboEncoders = NamedCombo(central, "cboEncoders");
    cboEncoders->setMinimumContentsLength(8);
    lists->addWidget(SkinLabel1, 0, 0);
    lists->addWidget(DeviceCombo, 0, 1);
    lists->addWidget(SkinLabel2, 1, 0);
    lists->addWidget(cmbSrcInput, 1, 1);
    lists->addWidget(SkinLabel3, 2, 0);
    lists->addWidget(cboEncoders, 2, 1, Qt::AlignLeft);
    lists->setColumnStretch(1, 1);
    return lists;
}

QLayout* Form1::BuildTransport(QWidget* central) {
    auto* transport = new QHBoxLayout;
    cmdrecord = NamedButton(central, "cmdrecord", QString());
    cmdrecord->setIcon(RecordIcon());
    cmdrecord->setToolTip("Start Recording (Hotkey:CTRL+R)");
    markerBar_ = new MarkerBar(
        session_, this,
        [this](const std::string& text) { ShowMessage(text, services::MsgIcon::Warning); },
        central);
    cmdStop = NamedButton(central, "cmdStop", "Stop");
    cmdPlay = NamedButton(central, "cmdPlay", QString());
    cmdPlay->setIcon(style()->standardIcon(QStyle::SP_MediaPlay));
    cmdPlay->setToolTip("Play");
    cmdPause = NamedButton(central, "cmdPause", QString());
    cmdPause->setIcon(style()->standardIcon(QStyle::SP_MediaPause));
    cmdPause->setToolTip("Pause");
    for (auto* b : {cmdrecord, cmdStop, cmdPlay, cmdPause}) transport->addWidget(b);
    transport->insertWidget(1, markerBar_);
    // After the last button: the label box shows with a marker and must not
    // move Stop from under the pointer of a user who marked, then stopped.
    transport->addWidget(markerBar_->LabelBox());
    transport->addStretch(1);
    Label1 = new TimeLabel("0:00.000", central);
    Label1->setObjectName("Label1");
    QFont timeFont = Label1->font();
    timeFont.setPointSize(timeFont.pointSize() + 10);
    timeFont.setBold(true);
    timeFont.setStyleHint(QFont::Monospace);
    Label1->setFont(timeFont);
    transport->addWidget(Label1);
    return transport;
}

QLayout* Form1::BuildDisplays(QWidget* central) {
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
    return displays;
}

QWidget* Form1::BuildRecordingsList(QWidget* central) {
    auto* listFrame = new QGroupBox("Double Click list to Play Recording", central);
    listFrame->setObjectName("Frame1");
    auto* listLayout = new QVBoxLayout(listFrame);
    ListView1 = new QTreeWidget(listFrame);
    ListView1->setObjectName("ListView1");
    ListView1->setRootIsDecorated(false);
    ListView1->setUniformRowHeights(true);
    ListView1->setHeaderLabels({"NO.", "File Name", "Size", "Duration", "Record Time"});
    // A long path keeps its file name and extension in sight.
    ListView1->setTextElideMode(Qt::ElideMiddle);
    ListView1->header()->setStretchLastSection(true);
    ListView1->setColumnWidth(0, 44);
    ListView1->setColumnWidth(1, 300);
    ListView1->setColumnWidth(2, 70);
    ListView1->setColumnWidth(3, 80);
    ListView1->setContextMenuPolicy(Qt::CustomContextMenu);
    listLayout->addWidget(ListView1);
    return listFrame;
}

QLayout* Form1::BuildCommandColumn(QWidget* central) {
    auto* commands = new QVBoxLayout;
    Command1 = NamedButton(central, "Command1", "Record Ctrl+R");
    Command3 = NamedButton(central, "Command3", "Stop Ctrl+S");
    Command2 = NamedButton(central, "Command2", "Schedule");
    Command4 = NamedButton(central, "Command4", "Audio Player");
    Command5 = NamedButton(central, "Command5", "Output File");
    Command6 = NamedButton(central, "Command6", "Format Settings");
    Command13 = NamedButton(central, "Command13", "Edit ID3");
    Command14 = NamedButton(central, "Command14", "Audio Converter");
    Command10 = NamedButton(central, "Command10", "Help");
    Command11 = NamedButton(central, "Command11", "About");
    Command12 = NamedButton(central, "Command12", "Close");
    for (auto* b : {Command1, Command3, Command2, Command4, Command5, Command6, Command13,
                    Command14, Command10, Command11, Command12})
        commands->addWidget(b);
    commands->addStretch(1);
    return commands;
}

void Form1::BuildStatusBar() {
    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName("StatusBar1");
    // Panels elide a long text: the window never resizes itself for one.
    StatusPanel1 = new ElidedLabel(StatusBar1);
    StatusPanel1->setObjectName("Panel1");
    StatusPanel2 = new ElidedLabel(StatusBar1);
    StatusPanel2->setObjectName("Panel2");
    PanelDropouts = new QLabel(StatusBar1);
    PanelDropouts->setObjectName("PanelDropouts");
    PanelDropouts->setAccessibleName("Dropouts");
    PanelDropouts->hide();
    StatusBar1->addWidget(StatusPanel1, 3);
    StatusBar1->addWidget(StatusPanel2, 2);
    StatusBar1->addPermanentWidget(PanelDropouts);
    setStatusBar(StatusBar1);
}

void Form1::ConnectControls() {
    const std::pair<QPushButton*, void (Form1::*)()> clicks[] = {
        {cmdrecord, &Form1::cmdrecord_Click}, {cmdStop, &Form1::cmdStop_Click},
        {cmdPlay, &Form1::cmdPlay_Click},     {cmdPause, &Form1::cmdPause_Click},
        {Command1, &Form1::Command1_Click},   {Command2, &Form1::Command2_Click},
        {Command3, &Form1::Command3_Click},   {Command4, &Form1::Command4_Click},
        {Command5, &Form1::Command5_Click},   {Command6, &Form1::Command6_Click},
        {Command10, &Form1::Command10_Click}, {Command11, &Form1::Command11_Click},
        {Command12, &Form1::Command12_Click}, {Command13, &Form1::Command13_Click},
        {Command14, &Form1::Command14_Click}};
    for (const auto& [button, handler] : clicks)
        connect(button, &QPushButton::clicked, this, handler);
    // activated: only the user's choice, not the filling at load.
    connect(DeviceCombo, &QComboBox::activated, this, &Form1::DeviceCombo_Click);
    connect(cmbSrcInput, &QComboBox::activated, this, &Form1::cmbSrcInput_Click);
    connect(ListView1, &QTreeWidget::itemDoubleClicked, this, &Form1::ListView1_DblClick);
    // "Trim…" of the selected recording: a key of the window's own, and an
    // entry of the Edit menu while a recording is selected.
    auto* trim = new QAction("Trim…", this);
    trim->setObjectName("actTrim");
    trim->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_T));
    trim->setShortcutContext(Qt::WindowShortcut);
    addAction(trim);
    connect(trim, &QAction::triggered, this, &Form1::mnuTrim_Click);
    connect(ListView1, &QWidget::customContextMenuRequested, this, &Form1::ListView1_MouseUp);
    connect(slPosition, &QSlider::sliderPressed, this, &Form1::slPosition_MouseDown);
    connect(slPosition, &QSlider::sliderReleased, this, &Form1::slPosition_MouseUp);
}

void Form1::SetMarker() {
    markerBar_->Mark();
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
    connect(edit, &QMenu::aboutToShow, this, &Form1::ShowRecordingEntries);

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

}  // namespace qsr::app
