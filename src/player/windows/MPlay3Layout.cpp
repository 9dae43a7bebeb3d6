// The player face's controls and menu, named and captioned as the window's
// parts, at their places in pixels.
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QRadioButton>
#include <QTimer>
#include <initializer_list>

#include "player/windows/MPlay3.h"
#include "player/windows/PlayerFace.h"

namespace qsr::player {
namespace {

constexpr int kWidthPx = 330;
constexpr const char* kDesignTitle = "Click \"play\" button to open an audio file";

FaceButton* Button(QWidget* parent, const char* name, Glyph glyph, const char* caption,
                   const char* tooltip, QRect at) {
    auto* b = new FaceButton(glyph, parent);
    b->setObjectName(name);
    b->setAccessibleName(caption);
    if (tooltip) b->setToolTip(tooltip);
    b->setGeometry(at);
    return b;
}

QLabel* Lamp(QWidget* parent, const char* name, const char* caption, QRect at) {
    auto* l = new QLabel(parent);
    l->setObjectName(name);
    l->setAccessibleName(caption);
    l->setGeometry(at);
    l->setStyleSheet("background-color: #7fd4ff; border-radius: 1px;");
    return l;
}

QTimer* Timer(QObject* parent, const char* name, int ms) {
    auto* t = new QTimer(parent);
    t->setObjectName(name);
    t->setInterval(ms);
    return t;
}

// A key of the face and the handler its click calls.
struct Key {
    const char* name;
    Glyph glyph;
    const char* caption;
    int x;
    void (MPlay3::*handler)();
};

// A row of keys on `bar` at height y, each calling its handler on `w`.
void AddKeys(MPlay3* w, QWidget* bar, int y, bool tooltips, std::initializer_list<Key> keys,
             QSize size = {24, 20}) {
    for (const Key& k : keys) {
        auto* b = Button(bar, k.name, k.glyph, k.caption, tooltips ? k.caption : nullptr,
                         {QPoint(k.x, y), size});
        QObject::connect(b, &QAbstractButton::clicked, w, [w, h = k.handler] { (w->*h)(); });
    }
}

}  // namespace

void MPlay3::BuildFace() {
    // The face's own look; the skin's sizes stay.
    setStyleSheet(styleSheet() + R"(
        QLabel#Label20, QLabel#toptime { color: #78ffbe; font-family: monospace; }
        QLabel#Label20 { font-size: 16pt; font-weight: bold; }
        QLabel#toptime { font-size: 8pt; }
        QLabel#Label24 { color: #78ffbe; }
        QLabel#VolumInd { color: #ffb070; font-size: 8pt; }
        QWidget#toppic { background-color: #202a38; }
        QListWidget#lstfavs { background-color: #0a1814; color: #78ffbe; border: 1px solid #3d4a5e;
                              selection-background-color: #1f5d4a; selection-color: white; }
    )");
    setFixedWidth(kWidthPx);
    BuildTitleStrip();
    BuildDisplay();
    BuildKnobsAndVolume();
    BuildKeys();
    BuildStateHolders();
    PlaceKnob(islider_, sliderLeft_, kKnobTop);
    PlaceKnob(balance_, balanceLeft_, kBalanceTop);
    islider_->resize(16, 12);
    balance_->resize(10, 14);
    SetHeightTwips(kHeightNormal);
}

// The title strip's window buttons and the small-mode strip over it.
void MPlay3::BuildTitleStrip() {
    for (const Key& k : {Key{"Image4", Glyph::Small, "Small Window", 282, &MPlay3::Image4_Click},
                         Key{"Image2", Glyph::Minimize, "Minimize", 298, &MPlay3::Image2_Click},
                         Key{"Image1", Glyph::Close, "Exit", 314, &MPlay3::Image1_Click}})
        AddKeys(this, this, 1, true, {k}, {14, 13});

    toppic_ = new QWidget(this);
    toppic_->setObjectName("toppic");
    toppic_->setAttribute(Qt::WA_StyledBackground);
    toppic_->setGeometry(0, 0, 280, 15);
    AddKeys(this, toppic_, 1, false,
            {{"Image15", Glyph::Normal, "Normal Window", 2, &MPlay3::Image15_Click}}, {14, 13});
    const Key small[] = {{"Image5", Glyph::Previous, "Previous", 22, &MPlay3::previous_Click},
                         {"Image6", Glyph::Play, "Play", 38, &MPlay3::play_Click},
                         {"Image7", Glyph::Pause, "Pause", 54, &MPlay3::pause_Click},
                         {"Image8", Glyph::Stop, "Stop", 70, &MPlay3::stop_Click},
                         {"Image16", Glyph::Next, "Next", 86, &MPlay3::next_Click}};
    for (int i = 0; i < 5; ++i) {
        AddKeys(this, toppic_, 1, false, {small[i]}, {14, 13});
        smallTransport_[i] = toppic_->findChild<FaceButton*>(small[i].name);
    }
    toptime_ = new QLabel("00.00", toppic_);
    toptime_->setObjectName("toptime");
    toptime_->setAccessibleName("Time");
    toptime_->setGeometry(108, 0, 44, 15);
}

// The scrolling title and the big time.
void MPlay3::BuildDisplay() {
    PicDisplay_ = new QWidget(this);
    PicDisplay_->setObjectName("PicDisplay");
    PicDisplay_->setGeometry(6, 18, 230, 28);
    Label24_ = new QLabel(kDesignTitle, PicDisplay_);
    Label24_->setObjectName("Label24");
    Label24_->setAccessibleName("Title");
    Label24_->adjustSize();
    Label24_->move(0, (28 - Label24_->height()) / 2);
    Label20_ = new QLabel("00:00", this);
    Label20_->setObjectName("Label20");
    Label20_->setAccessibleName("Time");
    Label20_->setAlignment(Qt::AlignCenter);
    Label20_->setGeometry(240, 18, 84, 28);
}

// Order, repeat and on-top keys with their lamps, the balance knob, the
// volume keys and bars, the playlist panel's keys and the position knob.
void MPlay3::BuildKnobsAndVolume() {
    for (const Key& k : {Key{"shuffle", Glyph::Shuffle, "Shuffle Songs", 6, &MPlay3::shuffle_Click},
                         Key{"repeat", Glyph::Repeat, "Repeat Song", 24, &MPlay3::repeat_Click},
                         Key{"Image9", Glyph::Pin, "On Top", 42, &MPlay3::Image9_Click}})
        AddKeys(this, this, 52, true, {k}, {16, 14});
    shuffleon_ = Lamp(this, "shuffleon", "Shuffle on", {9, 68, 10, 3});
    repeaton_ = Lamp(this, "repeaton", "Repeat on", {27, 68, 10, 3});

    balance_ = new FaceKnob(this);
    balance_->setObjectName("balance");
    balance_->setAccessibleName("Balance");
    balance_->setToolTip("Balance");
    balance_->setMouseTracking(true);  // the title follows the pointer over it
    balance_->onDown = [this](int x) { balance_MouseDown(x); };
    balance_->onMove = [this](int x) { balance_MouseMove(x); };
    balance_->onUp = [this] { balance_MouseUp(); };
    balanceLeft_ = kBalanceCentre;

    auto* minus = Button(this, "minus", Glyph::Minus, "Decrease Vloume", "Decrease Vloume",
                         {134, 52, 16, 14});
    auto* pluss =
        Button(this, "pluss", Glyph::Plus, "Increase Vloume", "Increase Vloume", {194, 52, 16, 14});
    connect(minus, &QAbstractButton::pressed, this, [this] { minus_MouseDown(); });
    connect(pluss, &QAbstractButton::pressed, this, [this] { pluss_MouseDown(); });
    connect(minus, &QAbstractButton::released, this, [this] { volume_MouseUp(); });
    connect(pluss, &QAbstractButton::released, this, [this] { volume_MouseUp(); });
    for (int i = 0; i < kVolumeBars; ++i) {
        const int height = 4 + 2 * i;
        LVol_[i] = new QLabel(this);
        LVol_[i]->setObjectName(QString("LVol%1").arg(i + 1));
        LVol_[i]->setAccessibleName(QString("Volume bar %1").arg(i + 1));
        LVol_[i]->setGeometry(155 + 6 * i, 66 - height, 4, height);
        LVol_[i]->setStyleSheet("background-color: #78ffbe;");
    }
    VolumInd_ = new QLabel(this);
    VolumInd_->setObjectName("VolumInd");
    VolumInd_->setAccessibleName("Volume limit");
    VolumInd_->setGeometry(252, 52, 40, 14);

    plup_ = Button(this, "plup", Glyph::Down, "Open Playlist", nullptr, {232, 52, 16, 14});
    pldown_ = Button(this, "pldown", Glyph::Up, "Close Playlist", nullptr, {232, 52, 16, 14});
    connect(plup_, &QAbstractButton::pressed, this, [this] { plup_MouseDown(); });
    pldown_->setMouseTracking(true);
    pldown_->installEventFilter(this);

    islider_ = new FaceKnob(this);
    islider_->setObjectName("islider");
    islider_->setAccessibleName("Position");
    islider_->onDown = [this](int x) { islider_MouseDown(x); };
    islider_->onMove = [this](int x) { islider_MouseMove(x); };
    islider_->onUp = [this] { islider_MouseUp(); };
    sliderLeft_ = kKnobMin;
}

// Transport, adding files and playlists; the playlist panel below the face
// with its own transport.
void MPlay3::BuildKeys() {
    AddKeys(this, this, 90, true,
            {{"previous", Glyph::Previous, "Previous", 6, &MPlay3::previous_Click},
             {"play", Glyph::Play, "Play", 32, &MPlay3::play_Click},
             {"pause", Glyph::Pause, "Pause", 58, &MPlay3::pause_Click},
             {"stop", Glyph::Stop, "Stop", 84, &MPlay3::stop_Click},
             {"next", Glyph::Next, "Next", 110, &MPlay3::next_Click},
             {"openfile", Glyph::Eject, "Add Songs", 140, &MPlay3::openfile_Click},
             {"addfile", Glyph::AddFiles, "Add Files", 170, &MPlay3::addfile_Click},
             {"list", Glyph::Playlists, "Playlists", 196, &MPlay3::list_Click}});
    filebar_ = new QWidget(this);
    filebar_->setObjectName("filebar");
    filebar_->setGeometry(226, 90, 50, 20);
    listbar_ = new QWidget(this);
    listbar_->setObjectName("listbar");
    listbar_->setGeometry(278, 90, 50, 20);
    AddKeys(this, filebar_, 0, true,
            {{"Image3", Glyph::AddOne, "Add Song", 0, &MPlay3::Image3_Click},
             {"directory", Glyph::AddFolder, "Add Directory", 26, &MPlay3::directory_Click}});
    AddKeys(this, listbar_, 0, true,
            {{"LOADLIST", Glyph::Load, "Load Playlist", 0, &MPlay3::LOADLIST_Click},
             {"savelist", Glyph::Save, "Save Playlist", 26, &MPlay3::savelist_Click}});

    lstfavs_ = new QListWidget(this);
    lstfavs_->setObjectName("lstfavs");
    lstfavs_->setAccessibleName("Playlist");
    lstfavs_->setGeometry(6, 120, 318, 226);
    lstfavs_->viewport()->installEventFilter(this);
    List1_ = new QListWidget(this);
    List1_->setObjectName("List1");
    List1_->setAccessibleName("Paths");
    List1_->setGeometry(-1000, 120, 100, 100);
    List1_->hide();
    connect(lstfavs_, &QListWidget::currentRowChanged, this, [this](int row) {
        if (syncing_ || row < 0) return;
        playlist_.Select(row);
        SelectRow(playlist_.Current());
    });
    AddKeys(this, this, 350, false,
            {{"Image14", Glyph::Previous, "Previous", 6, &MPlay3::previous_Click},
             {"Image10", Glyph::Play, "Play", 32, &MPlay3::Image10_Click},
             {"Image11", Glyph::Pause, "Pause", 58, &MPlay3::pause_Click},
             {"Image12", Glyph::Stop, "Stop", 84, &MPlay3::stop_Click},
             {"Image13", Glyph::Next, "Next", 110, &MPlay3::next_Click}});
}

// Hidden controls that hold state, and the timers.
void MPlay3::BuildStateHolders() {
    Labelpause_ = new QLabel(this);
    Labelpause_->setObjectName("Labelpause");
    Labelpause_->hide();
    ext_ = new QLineEdit(this);
    ext_->setObjectName("ext");
    ext_->setAccessibleName("Extension");
    ext_->hide();
    optres_ = new QRadioButton("Norm", this);
    optres_->setObjectName("optres");
    optres_->hide();
    optrnd_ = new QRadioButton("Shuffle", this);
    optrnd_->setObjectName("optrnd");
    optrnd_->hide();

    Timer55_ = Timer(this, "Timer55", 1000);
    TVolum_ = Timer(this, "TVolum", 50);
    Timer5_ = Timer(this, "Timer5", 1000);
    Timer4_ = Timer(this, "Timer4", 1000);
    Timer7_ = Timer(this, "Timer7", 100);
    connect(Timer55_, &QTimer::timeout, this, [this] { Timer55_Timer(); });
    connect(TVolum_, &QTimer::timeout, this, [this] { TVolum_Timer(); });
    connect(Timer5_, &QTimer::timeout, this, [this] { Timer5_Timer(); });
    connect(Timer4_, &QTimer::timeout, this, [this] { Timer4_Timer(); });
    connect(Timer7_, &QTimer::timeout, this, [this] { Timer7_Timer(); });
}

void MPlay3::BuildMenu() {
    menu_ = new QMenu(this);
    menu_->setObjectName("PlayerMenu");
    menu_->setAccessibleName("Audio Player");
    const struct {
        const char* name;
        const char* caption;
        void (MPlay3::*handler)();
    } items[] = {{"mnuAddSongs", "Add Songs", &MPlay3::openfile_Click},
                 {"mnuAddSong", "Add Song", &MPlay3::Image3_Click},
                 {"mnuAddDirectory", "Add Directory", &MPlay3::directory_Click},
                 {nullptr, nullptr, nullptr},
                 {"mnuLoadPlaylist", "Load Playlist", &MPlay3::LOADLIST_Click},
                 {"mnuSavePlaylist", "Save Playlist", &MPlay3::savelist_Click},
                 {nullptr, nullptr, nullptr},
                 {"mnuShuffle", "Shuffle Songs", &MPlay3::shuffle_Click},
                 {"mnuRepeat", "Repeat Song", &MPlay3::repeat_Click},
                 {"mnuOnTop", "On Top", &MPlay3::Image9_Click}};
    for (const auto& item : items) {
        if (!item.name) {
            menu_->addSeparator();
            continue;
        }
        QAction* a = menu_->addAction(item.caption);
        a->setObjectName(item.name);
        connect(a, &QAction::triggered, this, [this, h = item.handler] { (this->*h)(); });
    }
    for (const char* name : {"mnuShuffle", "mnuRepeat", "mnuOnTop"})
        menu_->findChild<QAction*>(name)->setCheckable(true);
    // The ticks show the state as it is when the menu opens.
    connect(menu_, &QMenu::aboutToShow, this, [this] {
        menu_->findChild<QAction*>("mnuShuffle")->setChecked(Shuffled());
        menu_->findChild<QAction*>("mnuRepeat")->setChecked(repeating_);
        menu_->findChild<QAction*>("mnuOnTop")->setChecked(onTop_);
    });
}

void MPlay3::PlaceKnob(FaceKnob* knob, int leftTwips, int topTwips) {
    knob->move(Px(leftTwips), Px(topTwips));
}

}  // namespace qsr::player
