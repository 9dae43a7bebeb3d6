#include "player/MPlay3.h"

#include <QAbstractButton>
#include <QContextMenuEvent>
#include <QDir>
#include <QEvent>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QRadioButton>
#include <QTime>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <charconv>
#include <cmath>
#include <initializer_list>
#include <optional>
#include <random>

#include "core/AppInfo.h"
#include "core/AtomicFile.h"
#include "core/FileKind.h"
#include "platform/services/Accessibility.h"
#include "platform/services/Skin.h"
#include "player/FaceClocks.h"
#include "player/PlayerRules.h"
#include "player/Playlist.h"

namespace qsr::player {

namespace {

constexpr int kWidthPx = 330;
constexpr const char* kSection = "Audio Player";
constexpr const char* kDesignTitle = "Click \"play\" button to open an audio file";
// Playlist files larger than this are not playlists.
constexpr qint64 kMaxPlaylistBytes = 16 * 1024 * 1024;

int Px(int twips) {
    return core::TwipsToPixels(twips);
}

const QColor kGlyph(127, 212, 255);
const QColor kGlyphDim(59, 70, 86);
const QColor kLcd(10, 24, 20);

enum class Glyph {
    Play,
    Pause,
    Stop,
    Next,
    Previous,
    Eject,
    AddOne,
    AddFolder,
    AddFiles,
    Playlists,
    Load,
    Save,
    Shuffle,
    Repeat,
    Pin,
    Plus,
    Minus,
    Up,
    Down,
    Small,
    Normal,
    Minimize,
    Close
};

void Triangle(QPainterPath& p, QPointF a, QPointF b, QPointF c) {
    p.moveTo(a);
    p.lineTo(b);
    p.lineTo(c);
    p.closeSubpath();
}

// Our own glyphs, drawn into a square of side s centred in r.
void DrawGlyph(QPainter& g, Glyph glyph, const QRectF& r, const QColor& colour) {
    const double s = std::min(r.width(), r.height()) * 0.62;
    const QPointF c = r.center();
    const double h = s / 2;
    QPainterPath fill;
    QPen pen(colour, std::max(1.2, s / 8), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    g.setPen(Qt::NoPen);
    g.setBrush(colour);
    auto line = [&](double x1, double y1, double x2, double y2) {
        g.setPen(pen);
        g.drawLine(QPointF(c.x() + x1 * h, c.y() + y1 * h),
                   QPointF(c.x() + x2 * h, c.y() + y2 * h));
        g.setPen(Qt::NoPen);
    };
    auto rect = [&](double x, double y, double w, double hh) {
        fill.addRect(QRectF(c.x() + x * h, c.y() + y * h, w * h, hh * h));
    };
    auto tri = [&](double x1, double y1, double x2, double y2, double x3, double y3) {
        Triangle(fill, {c.x() + x1 * h, c.y() + y1 * h}, {c.x() + x2 * h, c.y() + y2 * h},
                 {c.x() + x3 * h, c.y() + y3 * h});
    };
    switch (glyph) {
        case Glyph::Play:
            tri(-0.7, -1, 0.9, 0, -0.7, 1);
            break;
        case Glyph::Pause:
            rect(-0.8, -1, 0.55, 2);
            rect(0.25, -1, 0.55, 2);
            break;
        case Glyph::Stop:
            rect(-0.85, -0.85, 1.7, 1.7);
            break;
        case Glyph::Next:
            tri(-1, -1, 0.45, 0, -1, 1);
            rect(0.55, -1, 0.4, 2);
            break;
        case Glyph::Previous:
            tri(1, -1, -0.45, 0, 1, 1);
            rect(-0.95, -1, 0.4, 2);
            break;
        case Glyph::Eject:
            tri(-1, 0.2, 0, -1, 1, 0.2);
            rect(-1, 0.55, 2, 0.4);
            break;
        case Glyph::AddOne:
            line(-0.9, 0, 0.9, 0);
            line(0, -0.9, 0, 0.9);
            break;
        case Glyph::AddFolder:
            fill.addRect(QRectF(c.x() - h, c.y() - 0.5 * h, 2 * h, 1.4 * h));
            fill.addRect(QRectF(c.x() - h, c.y() - 0.85 * h, 0.9 * h, 0.4 * h));
            break;
        case Glyph::AddFiles:
            rect(-1, -0.9, 1.1, 0.3);
            rect(-1, -0.2, 1.1, 0.3);
            rect(-1, 0.5, 1.1, 0.3);
            line(0.65, -0.45, 0.65, 0.75);
            line(0.05, 0.15, 1.0, 0.15);
            break;
        case Glyph::Playlists:
            rect(-1, -0.9, 2, 0.3);
            rect(-1, -0.2, 2, 0.3);
            rect(-1, 0.5, 2, 0.3);
            break;
        case Glyph::Load:
            tri(-0.7, -0.1, 0.7, -0.1, 0, 0.6);
            rect(-0.2, -1, 0.4, 1);
            rect(-1, 0.75, 2, 0.3);
            break;
        case Glyph::Save:
            tri(-0.7, -0.2, 0.7, -0.2, 0, -1);
            rect(-0.2, -0.3, 0.4, 0.9);
            rect(-1, 0.75, 2, 0.3);
            break;
        case Glyph::Shuffle:
            line(-1, -0.6, 0.6, 0.6);
            line(-1, 0.6, 0.6, -0.6);
            tri(0.5, -1, 1.05, -0.55, 0.45, -0.2);
            tri(0.45, 0.2, 1.05, 0.55, 0.5, 1);
            break;
        case Glyph::Repeat: {
            g.setPen(pen);
            g.setBrush(Qt::NoBrush);
            g.drawArc(QRectF(c.x() - 0.85 * h, c.y() - 0.85 * h, 1.7 * h, 1.7 * h), 100 * 16,
                      290 * 16);
            g.setPen(Qt::NoPen);
            g.setBrush(colour);
            tri(-0.55, -1.1, 0.15, -0.85, -0.45, -0.35);
            break;
        }
        case Glyph::Pin:
            tri(-0.8, 0.1, 0, -1, 0.8, 0.1);
            line(0, 0.1, 0, 1);
            break;
        case Glyph::Plus:
            line(-0.8, 0, 0.8, 0);
            line(0, -0.8, 0, 0.8);
            break;
        case Glyph::Minus:
            line(-0.8, 0, 0.8, 0);
            break;
        case Glyph::Up:
            tri(-1, 0.5, 0, -0.6, 1, 0.5);
            break;
        case Glyph::Down:
            tri(-1, -0.5, 0, 0.6, 1, -0.5);
            break;
        case Glyph::Small:
            rect(-1, -0.8, 2, 0.4);
            break;
        case Glyph::Normal:
            g.setPen(pen);
            g.setBrush(Qt::NoBrush);
            g.drawRect(QRectF(c.x() - 0.8 * h, c.y() - 0.7 * h, 1.6 * h, 1.4 * h));
            g.setPen(Qt::NoPen);
            rect(-0.8, -0.7, 1.6, 0.4);
            break;
        case Glyph::Minimize:
            rect(-0.9, 0.5, 1.8, 0.35);
            break;
        case Glyph::Close:
            line(-0.8, -0.8, 0.8, 0.8);
            line(-0.8, 0.8, 0.8, -0.8);
            break;
    }
    g.drawPath(fill);
}

}  // namespace

// An image button of the face: a dark rounded key with a light glyph.
class FaceButton : public QAbstractButton {
  public:
    FaceButton(Glyph glyph, QWidget* parent) : QAbstractButton(parent), glyph_(glyph) {
        // Tab reaches every key; Space presses it.
        setFocusPolicy(Qt::TabFocus);
        setCursor(Qt::PointingHandCursor);
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter g(this);
        g.setRenderHint(QPainter::Antialiasing);
        const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
        QLinearGradient body(r.topLeft(), r.bottomLeft());
        const bool down = isDown();
        body.setColorAt(0, down ? QColor(20, 27, 37) : QColor(52, 64, 82));
        body.setColorAt(1, down ? QColor(36, 46, 60) : QColor(22, 29, 40));
        g.setPen(QPen(hasFocus() ? kGlyph : QColor(70, 86, 108), 1));
        g.setBrush(body);
        g.drawRoundedRect(r, 3, 3);
        DrawGlyph(g, glyph_, r, !isEnabled() ? kGlyphDim : down ? Qt::white : kGlyph);
    }

  private:
    Glyph glyph_;
};

// A knob that reports the pointer's screen X at press, move and release.
class FaceKnob : public QWidget {
  public:
    std::function<void(int)> onDown, onMove;
    std::function<void()> onUp;

    explicit FaceKnob(QWidget* parent) : QWidget(parent) { setCursor(Qt::SizeHorCursor); }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter g(this);
        g.setRenderHint(QPainter::Antialiasing);
        const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
        QLinearGradient metal(r.topLeft(), r.bottomLeft());
        metal.setColorAt(0, QColor(190, 203, 218));
        metal.setColorAt(1, QColor(78, 90, 106));
        g.setPen(QPen(QColor(30, 36, 46), 1));
        g.setBrush(metal);
        g.drawRoundedRect(r, 3, 3);
        g.setPen(QPen(QColor(40, 48, 60), 1));
        g.drawLine(QPointF(r.center().x(), r.top() + 3), QPointF(r.center().x(), r.bottom() - 3));
    }
    void mousePressEvent(QMouseEvent* e) override {
        if (onDown) onDown(qRound(e->globalPosition().x()));
    }
    void mouseMoveEvent(QMouseEvent* e) override {
        if (onMove) onMove(qRound(e->globalPosition().x()));
    }
    void mouseReleaseEvent(QMouseEvent*) override {
        if (onUp) onUp();
    }
};

namespace {

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

std::optional<int> ParseInt(const std::string& text) {
    int value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc{} || ptr != end) return std::nullopt;
    return value;
}

}  // namespace

MPlay3::MPlay3(mediaplayer::IMediaControl& am1, services::DesktopServices desktop,
               std::string settingsApp, const std::string& applicationFolder, QWidget* parent)
    : QDialog(parent),
      watched_(am1, [this] { UpdateClocks(); }),
      am1_(watched_),
      desktop_(desktop),
      settingsApp_(std::move(settingsApp)) {
    setObjectName("MPlay3");
    setWindowTitle("Audio Player");
    // The face draws its own title strip and window buttons.
    setWindowFlags(Qt::Dialog | Qt::FramelessWindowHint);
    // One generator, seeded once: draws in the same millisecond must differ.
    random_ = [generator = std::mt19937(std::random_device{}())]() mutable {
        return std::uniform_real_distribution<double>(0.0, 1.0)(generator);
    };
    services::ApplySkin(*this, applicationFolder);
    BuildFace();
    BuildMenu();
    services::NameControlsForAccessibility(this);
    connect(&am1_, &mediaplayer::IMediaControl::EndOfStream, this, [this] { am1_EndOfStream(); });
}

MPlay3::~MPlay3() = default;

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

    // Title strip and its window buttons.
    Button(this, "Image4", Glyph::Small, "Small Window", "Small Window", {282, 1, 14, 13});
    Button(this, "Image2", Glyph::Minimize, "Minimize", "Minimize", {298, 1, 14, 13});
    Button(this, "Image1", Glyph::Close, "Exit", "Exit", {314, 1, 14, 13});
    connect(findChild<FaceButton*>("Image4"), &QAbstractButton::clicked, this,
            [this] { Image4_Click(); });
    connect(findChild<FaceButton*>("Image2"), &QAbstractButton::clicked, this,
            [this] { Image2_Click(); });
    connect(findChild<FaceButton*>("Image1"), &QAbstractButton::clicked, this,
            [this] { Image1_Click(); });

    // The small-mode strip: transport and time.
    toppic_ = new QWidget(this);
    toppic_->setObjectName("toppic");
    toppic_->setAttribute(Qt::WA_StyledBackground);
    toppic_->setGeometry(0, 0, 280, 15);
    auto* image15 =
        Button(toppic_, "Image15", Glyph::Normal, "Normal Window", nullptr, {2, 1, 14, 13});
    connect(image15, &QAbstractButton::clicked, this, [this] { Image15_Click(); });
    const struct {
        const char* name;
        Glyph glyph;
        const char* caption;
        void (MPlay3::*handler)();
    } small[] = {{"Image5", Glyph::Previous, "Previous", &MPlay3::previous_Click},
                 {"Image6", Glyph::Play, "Play", &MPlay3::play_Click},
                 {"Image7", Glyph::Pause, "Pause", &MPlay3::pause_Click},
                 {"Image8", Glyph::Stop, "Stop", &MPlay3::stop_Click},
                 {"Image16", Glyph::Next, "Next", &MPlay3::next_Click}};
    for (int i = 0; i < 5; ++i) {
        smallTransport_[i] = Button(toppic_, small[i].name, small[i].glyph, small[i].caption,
                                    nullptr, {22 + 16 * i, 1, 14, 13});
        connect(smallTransport_[i], &QAbstractButton::clicked, this,
                [this, h = small[i].handler] { (this->*h)(); });
    }
    toptime_ = new QLabel("00.00", toppic_);
    toptime_->setObjectName("toptime");
    toptime_->setAccessibleName("Time");
    toptime_->setGeometry(108, 0, 44, 15);

    // Display: scrolling title and the big time.
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

    // Order, repeat and on-top keys with their lamps; the balance knob.
    const struct {
        const char* name;
        Glyph glyph;
        const char* caption;
        int x;
        void (MPlay3::*handler)();
    } toggles[] = {{"shuffle", Glyph::Shuffle, "Shuffle Songs", 6, &MPlay3::shuffle_Click},
                   {"repeat", Glyph::Repeat, "Repeat Song", 24, &MPlay3::repeat_Click},
                   {"Image9", Glyph::Pin, "On Top", 42, &MPlay3::Image9_Click}};
    for (const auto& t : toggles) {
        auto* b = Button(this, t.name, t.glyph, t.caption, t.caption, {t.x, 52, 16, 14});
        connect(b, &QAbstractButton::clicked, this, [this, h = t.handler] { (this->*h)(); });
    }
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

    // Position knob.
    islider_ = new FaceKnob(this);
    islider_->setObjectName("islider");
    islider_->setAccessibleName("Position");
    islider_->onDown = [this](int x) { islider_MouseDown(x); };
    islider_->onMove = [this](int x) { islider_MouseMove(x); };
    islider_->onUp = [this] { islider_MouseUp(); };
    sliderLeft_ = kKnobMin;

    // A row of keys on `bar` at height y, each calling its handler.
    struct Key {
        const char* name;
        Glyph glyph;
        const char* caption;
        int x;
        void (MPlay3::*handler)();
    };
    const auto addKeys = [this](QWidget* bar, int y, bool tooltips,
                                std::initializer_list<Key> keys) {
        for (const Key& k : keys) {
            auto* b = Button(bar, k.name, k.glyph, k.caption, tooltips ? k.caption : nullptr,
                             {k.x, y, 24, 20});
            connect(b, &QAbstractButton::clicked, this, [this, h = k.handler] { (this->*h)(); });
        }
    };

    // Transport, adding files and playlists.
    addKeys(this, 90, true,
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
    addKeys(filebar_, 0, true,
            {{"Image3", Glyph::AddOne, "Add Song", 0, &MPlay3::Image3_Click},
             {"directory", Glyph::AddFolder, "Add Directory", 26, &MPlay3::directory_Click}});
    addKeys(listbar_, 0, true,
            {{"LOADLIST", Glyph::Load, "Load Playlist", 0, &MPlay3::LOADLIST_Click},
             {"savelist", Glyph::Save, "Save Playlist", 26, &MPlay3::savelist_Click}});

    // The playlist panel, below the face.
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
    addKeys(this, 350, false,
            {{"Image14", Glyph::Previous, "Previous", 6, &MPlay3::previous_Click},
             {"Image10", Glyph::Play, "Play", 32, &MPlay3::Image10_Click},
             {"Image11", Glyph::Pause, "Pause", 58, &MPlay3::pause_Click},
             {"Image12", Glyph::Stop, "Stop", 84, &MPlay3::stop_Click},
             {"Image13", Glyph::Next, "Next", 110, &MPlay3::next_Click}});

    // Hidden state holders.
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

    PlaceKnob(islider_, sliderLeft_, 1110);
    PlaceKnob(balance_, balanceLeft_, 795);
    islider_->resize(16, 12);
    balance_->resize(10, 14);
    SetHeightTwips(kHeightNormal);
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

void MPlay3::contextMenuEvent(QContextMenuEvent* event) {
    menu_->popup(event->globalPos());
}

void MPlay3::Form_Load() {
    for (auto* b : smallTransport_) b->setEnabled(false);
    toptime_->hide();
    toppic_->hide();
    filebar_->hide();
    listbar_->hide();
    shuffleon_->hide();
    repeaton_->hide();
    pldown_->hide();
    optres_->setChecked(true);
    SetHeightTwips(kHeightNormal);
    label24Left_ = 0;
    if (desktop_.userSettings) {
        const auto top =
            ParseInt(desktop_.userSettings->Get(settingsApp_, kSection, "MAINTOP", ""));
        const auto left =
            ParseInt(desktop_.userSettings->Get(settingsApp_, kSection, "MAINLEFT", ""));
        const QPoint design = pos();
        if (top) move(x(), Px(*top));
        if (left) move(Px(*left), y());
        // The face has no frame to grab: a place no screen shows any more (a
        // monitor since unplugged) would leave it out of reach.
        if (!QGuiApplication::screenAt(geometry().center())) move(design);
    }
    // Keys start at Play, not at the title strip's window buttons.
    if (auto* play = findChild<FaceButton*>("play")) play->setFocus();
    loaded_ = true;
    Timer1_Timer();
    UpdateClocks();
}

void MPlay3::Form_Unload() {
    if (!loaded_ || unloaded_) return;
    unloaded_ = true;
    for (QTimer* t : {Timer55_, TVolum_, Timer5_, Timer4_, Timer7_}) t->stop();
    am1_.Stop();
    if (desktop_.userSettings) {
        desktop_.userSettings->Set(settingsApp_, kSection, "MAINTOP",
                                   std::to_string(y() * kTwipsPerPixel));
        desktop_.userSettings->Set(settingsApp_, kSection, "MAINLEFT",
                                   std::to_string(x() * kTwipsPerPixel));
    }
}

void MPlay3::done(int result) {
    Form_Unload();
    QDialog::done(result);
}

// --- Files and the playlist ---------------------------------------------------

std::string MPlay3::AskFile(const char* filter) {
    if (!desktop_.fileDialog) return {};
    const auto chosen = desktop_.fileDialog->OpenFile("Open", DialogFilter(filter), "");
    return chosen.value_or(std::string{});
}

void MPlay3::Append(const std::string& path) {
    playlist_.Append(path);
    syncing_ = true;
    lstfavs_->addItem(QString::fromStdString(StripPath(path)));
    List1_->addItem(QString::fromStdString(path));
    syncing_ = false;
}

void MPlay3::SelectRow(int row) {
    syncing_ = true;
    lstfavs_->setCurrentRow(row);
    List1_->setCurrentRow(row);
    syncing_ = false;
}

void MPlay3::SetTitle(const QString& text) {
    Label24_->setText(text);
    Label24_->adjustSize();
    Timer1_Timer();
    UpdateClocks();
}

QString MPlay3::Title() const {
    return Label24_->text();
}

bool MPlay3::Shuffled() const {
    return optrnd_->isChecked();
}

void MPlay3::OpenFile(bool play) {
    const std::string path = AskFile(kFilterF2);
    // A cancelled dialog adds nothing and plays nothing.
    if (path.empty()) return;
    ext_->setText(QString::fromStdString(LastThree(path)));
    if (IsCdTrack(path)) {
        if (am1_.SetFileName("CDAUDIO:")) am1_.Play();
        Append(path);
        return;
    }
    // A metafile stands for its entries; one that cannot be read adds nothing.
    const std::vector<std::string> entries = ExpandPlayable(path);
    if (entries.empty()) return;
    const int first = playlist_.Count();
    for (const auto& e : entries) Append(e);
    if (play) PlayEntry(first);
    SetTitle(QString::fromStdString(StripPath(entries.front())));
}

void MPlay3::PlayEntry(int row) {
    // The entry that plays is the current one, so its end moves on from it
    // (a file opened alone would otherwise play twice).
    playlist_.Select(row);
    SelectRow(playlist_.Current());
    if (am1_.SetFileName(QString::fromStdString(playlist_.Path(row)))) am1_.Play();
}

void MPlay3::PlayAndAppend(const std::string& path) {
    const std::vector<std::string> entries = ExpandPlayable(path);
    if (entries.empty()) return;
    const int first = playlist_.Count();
    for (const auto& e : entries) Append(e);
    PlayEntry(first);
}

void MPlay3::openfile_Click() {
    OpenFile(true);
}

void MPlay3::Image3_Click() {
    OpenFile(false);
}

void MPlay3::PlayCurrent() {
    const int i = playlist_.Current();
    if (i >= 0) am1_.SetFileName(QString::fromStdString(playlist_.Path(i)));
}

void MPlay3::play_Click() {
    if (playlist_.Current() >= 0) {
        PlayCurrent();
        return;
    }
    SetTitle("");
    OpenFile(true);
}

void MPlay3::Image10_Click() {
    if (playlist_.Current() >= 0) {
        PlayCurrent();
        return;
    }
    const std::string path = AskFile(kFilterF1);
    if (!path.empty()) PlayAndAppend(path);
}

void MPlay3::lstfavs_DblClick(int row) {
    if (row >= 0 && row < playlist_.Count() && !playlist_.Name(row).empty()) {
        playlist_.Select(row);
        SelectRow(row);
        const std::string& path = playlist_.Path(row);
        ext_->setText(QString::fromStdString(LastThree(path)));
        if (IsCdTrack(path)) {
            if (am1_.SetFileName("CDAUDIO:")) am1_.Play();
            return;
        }
        am1_.SetFileName(QString::fromStdString(path));
        SetTitle(QString::fromStdString(playlist_.Name(row)));
        return;
    }
    const std::string path = AskFile(kFilterF3);
    if (!path.empty()) PlayAndAppend(path);
}

void MPlay3::next_Click() {
    if (!playlist_.Next()) return;
    SelectRow(playlist_.Current());
    // The title names the entry that now plays.
    SetTitle(QString::fromStdString(playlist_.Name(playlist_.Current())));
    PlayCurrent();
}

void MPlay3::previous_Click() {
    if (!playlist_.Previous()) return;
    SelectRow(playlist_.Current());
    // The title names the entry that now plays.
    SetTitle(QString::fromStdString(playlist_.Name(playlist_.Current())));
    PlayCurrent();
}

void MPlay3::pause_Click() {
    if (playlist_.Empty()) return;
    if (Labelpause_->text() == "Pause") {
        am1_.Pause();
        Labelpause_->setText("Resume");
    } else {
        am1_.Play();
        Labelpause_->setText("Pause");
    }
}

void MPlay3::stop_Click() {
    am1_.Stop();
    am1_.SetCurrentPosition(0);
}

void MPlay3::am1_EndOfStream() {
    if (playlist_.Empty()) return;
    if (repeating_ && playlist_.Current() >= 0) {
        PlayCurrent();
        return;
    }
    if (Shuffled()) {
        // A file that cannot be opened is skipped: draw again, a few times.
        for (int tries = 0; tries < playlist_.Count(); ++tries) {
            playlist_.Draw(random_());
            const int i = playlist_.Current();
            SelectRow(i);
            SetTitle(QString::fromStdString(playlist_.Name(i)));
            if (am1_.SetFileName(QString::fromStdString(playlist_.Path(i)))) {
                if (!playlist_.Name(i).empty()) am1_.Play();
                return;
            }
        }
        return;
    }
    // A file that cannot be opened is skipped; the end of the list stops.
    for (int tries = 0; tries < playlist_.Count() && playlist_.AdvanceAtEnd(); ++tries) {
        const int i = playlist_.Current();
        SelectRow(i);
        SetTitle(QString::fromStdString(playlist_.Name(i)));
        if (am1_.SetFileName(QString::fromStdString(playlist_.Path(i)))) {
            am1_.Play();
            return;
        }
    }
}

void MPlay3::shuffle_Click() {
    if (optrnd_->isChecked()) {
        optres_->setChecked(true);
        shuffleon_->hide();
    } else {
        optrnd_->setChecked(true);
        shuffleon_->show();
    }
}

void MPlay3::repeat_Click() {
    repeating_ = !repeating_;
    repeaton_->setVisible(repeating_);
}

void MPlay3::Image9_Click() {
    onTop_ = !onTop_;
    // On the native window, so a modal dialog is not hidden and re-created.
    winId();
    if (QWindow* w = windowHandle()) w->setFlag(Qt::WindowStaysOnTopHint, onTop_);
}

void MPlay3::directory_Click() {
    if (!desktop_.folderPicker) return;
    const auto folder = desktop_.folderPicker->PickFolder("Add Directory", "");
    if (!folder || folder->empty()) return;
    QDir dir(QString::fromStdString(*folder));
    const QStringList names = dir.entryList(QDir::Files | QDir::Readable, QDir::Name);
    for (const QString& name : names)
        if (IsPlayableFile(name.toStdString()))
            for (const auto& e : ExpandPlayable(dir.filePath(name).toStdString())) Append(e);
}

void MPlay3::addfile_Click() {
    filebar_->setVisible(filebar_->isHidden());
}

void MPlay3::list_Click() {
    listbar_->setVisible(listbar_->isHidden());
}

void MPlay3::LOADLIST_Click() {
    if (!desktop_.fileDialog) return;
    const auto chosen =
        desktop_.fileDialog->OpenFile("Load Playlist", DialogFilter(kPlaylistOpenFilter), "");
    if (!chosen || chosen->empty()) return;
    // Opening a named pipe would wait for a writer with the window frozen.
    if (const std::string kind = core::SpecialFileKind(*chosen); !kind.empty()) {
        if (desktop_.messageBox)
            desktop_.messageBox->Show(core::SpecialFileMessage(*chosen, kind),
                                      services::MsgIcon::Error, services::MsgButtons::Ok,
                                      windowTitle().toStdString());
        return;
    }
    QFile file(QString::fromStdString(*chosen));
    if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxPlaylistBytes) return;
    const QByteArray text = file.readAll();
    const std::string folder = QFileInfo(file).absolutePath().toStdString();
    for (const auto& entry : ParseM3u(
             std::string_view(text.constData(), static_cast<std::size_t>(text.size())), folder))
        for (const auto& e : ExpandPlayable(entry.path)) Append(e);
}

void MPlay3::savelist_Click() {
    if (!desktop_.fileDialog) return;
    const auto chosen =
        desktop_.fileDialog->SaveFile("Save Playlist", DialogFilter(kPlaylistSaveFilter), "");
    if (!chosen || chosen->empty()) return;
    // "my list" becomes "my list.m3u", the type the dialog's filter names.
    std::string path = *chosen;
    if (QFileInfo(QString::fromStdString(path)).suffix().isEmpty()) path += ".m3u";
    std::vector<M3uEntry> entries;
    for (const auto& p : playlist_.Paths()) entries.push_back({p, "", -1});
    std::string why;
    if (!core::WriteFileAtomically(path, FormatM3u(entries), &why) && desktop_.messageBox)
        desktop_.messageBox->Show(path + " could not be saved: " + why, services::MsgIcon::Error,
                                  services::MsgButtons::Ok, core::kAppTitle);
}

// --- Knobs -------------------------------------------------------------------

void MPlay3::PlaceKnob(FaceKnob* knob, int leftTwips, int topTwips) {
    knob->move(Px(leftTwips), Px(topTwips));
}

void MPlay3::islider_MouseDown(int x) {
    if (isDragging_) return;
    dragStartX_ = x;
    dragKnobLeft_ = sliderLeft_;
    isDragging_ = true;
}

void MPlay3::islider_MouseMove(int x) {
    if (!isDragging_) return;
    sliderLeft_ = DraggedKnobLeft(dragKnobLeft_, x - dragStartX_, kKnobMin, kKnobMax);
    PlaceKnob(islider_, sliderLeft_, 1110);
}

void MPlay3::islider_MouseUp() {
    const double p = KnobSeekSeconds(sliderLeft_, am1_.Duration());
    am1_.Stop();
    am1_.SetCurrentPosition(p);
    am1_.Play();
    isDragging_ = false;
}

void MPlay3::balance_MouseDown(int x) {
    if (isDragging_) return;
    dragStartX_ = x;
    dragKnobLeft_ = balanceLeft_;
    isDragging_ = true;
}

void MPlay3::balance_MouseMove(int x) {
    if (isDragging_) {
        balanceLeft_ = DraggedKnobLeft(dragKnobLeft_, x - dragStartX_, kBalanceMin, kBalanceMax);
        PlaceKnob(balance_, balanceLeft_, 795);
    }
    if (const auto title = BalanceTitle(balanceLeft_)) SetTitle(QString::fromStdString(*title));
    am1_.SetBalance(BalanceForKnob(balanceLeft_));
}

void MPlay3::balance_MouseUp() {
    am1_.SetBalance(BalanceForKnob(balanceLeft_));
    isDragging_ = false;
}

// --- Volume ------------------------------------------------------------------

void MPlay3::pluss_MouseDown() {
    volumeUp_ = true;
    TVolum_->start();
}

void MPlay3::minus_MouseDown() {
    volumeUp_ = false;
    TVolum_->start();
}

void MPlay3::volume_MouseUp() {
    TVolum_->stop();
    VolumInd_->clear();
}

void MPlay3::TVolum_Timer() {
    const int wanted = am1_.Volume() + (volumeUp_ ? kVolumeStep : -kVolumeStep);
    if (!am1_.SetVolume(wanted)) {
        VolumInd_->setText(QString::fromStdString(RefusedVolumeText(volumeUp_)));
        return;
    }
    if (const auto bars = VolumeBars(am1_.Volume())) ShowBars(*bars);
}

void MPlay3::ShowBars(int count) {
    for (int i = 0; i < kVolumeBars; ++i) LVol_[i]->setVisible(i < count);
}

// --- Window modes --------------------------------------------------------------

void MPlay3::SetHeightTwips(int twips) {
    heightTwips_ = twips;
    setFixedHeight(std::max(1, Px(twips)));
    // What shows in each height follows the height at once.
    Timer3_Timer();
    toppicture_Timer();
    Timer6_Timer();
}

void MPlay3::Image4_Click() {
    if (heightTwips_ == kHeightSmall) {
        SetHeightTwips(kHeightNormal);
        return;
    }
    SetHeightTwips(kHeightSmall);
    if (heightTwips_ == kHeightNormal) toppic_->hide();
    if (heightTwips_ == kHeightSmall) toppic_->show();
}

void MPlay3::Image15_Click() {
    SetHeightTwips(kHeightNormal);
}

void MPlay3::Image2_Click() {
    showMinimized();
}

void MPlay3::Image1_Click() {
    done(QDialog::Accepted);
}

void MPlay3::plup_MouseDown() {
    plup_->hide();
    pldown_->move(Px(3480), Px(810));
    pldown_->show();
}

void MPlay3::pldown_MouseMove() {
    plup_->show();
    pldown_->hide();
    SetHeightTwips(PlaylistPanelToggle(heightTwips_));
}

// --- Timers --------------------------------------------------------------------

void MPlay3::Timer55_Timer() {
    if (isDragging_) return;
    if (const auto left = KnobLeftForPosition(am1_.CurrentPosition(), am1_.Duration())) {
        sliderLeft_ = *left;
        PlaceKnob(islider_, sliderLeft_, 1110);
    }
}

void MPlay3::Timer5_Timer() {
    Label20_->setText(QString::fromStdString(PlayerTimeText(am1_.CurrentPosition())));
}

void MPlay3::Timer4_Timer() {
    toptime_->setText(QString::fromStdString(PlayerTimeText(am1_.CurrentPosition())));
}

void MPlay3::Timer1_Timer() {
    setWindowTitle(QString::fromStdString(PlayerCaption(isMinimized(), Title().toStdString())));
}

void MPlay3::Timer7_Timer() {
    label24Left_ -= 50;
    if (label24Left_ < -(Label24_->width() * kTwipsPerPixel))
        label24Left_ = PicDisplay_->width() * kTwipsPerPixel;
    Label24_->move(Px(label24Left_), Label24_->y());
}

void MPlay3::Timer3_Timer() {
    if (heightTwips_ == kHeightNormal) toptime_->hide();
    if (heightTwips_ == kHeightSmall) toptime_->show();
}

void MPlay3::toppicture_Timer() {
    if (heightTwips_ == kHeightNormal) toppic_->hide();
    if (heightTwips_ == kHeightSmall) toppic_->show();
}

void MPlay3::Timer6_Timer() {
    if (heightTwips_ != kHeightNormal && heightTwips_ != kHeightSmall) return;
    for (auto* b : smallTransport_) b->setEnabled(heightTwips_ == kHeightSmall);
}

void MPlay3::UpdateClocks(bool visible) {
    if (!loaded_ || unloaded_) return;
    const FaceClocks want = ClocksFor({visible, isMinimized(), !am1_.FileName().isEmpty(),
                                       am1_.Playing() && !am1_.Paused(), !Title().isEmpty()});
    // One update now: a stopped or paused file shows where it stands, a
    // started one does not wait a whole tick for its time.
    Timer55_Timer();
    Timer5_Timer();
    Timer4_Timer();
    for (QTimer* t : {Timer55_, Timer5_, Timer4_}) {
        if (!want.position)
            t->stop();
        else if (!t->isActive())
            t->start();
    }
    if (!want.titleScroll)
        Timer7_->stop();
    else if (!Timer7_->isActive())
        Timer7_->start();
}

// --- Events --------------------------------------------------------------------

void MPlay3::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    UpdateClocks(true);
}

void MPlay3::hideEvent(QHideEvent* event) {
    QDialog::hideEvent(event);
    UpdateClocks(false);
}

void MPlay3::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange) {
        Timer1_Timer();  // the caption says whether the window is minimised
        UpdateClocks();
    }
}

bool MPlay3::eventFilter(QObject* watched, QEvent* event) {
    if (watched == pldown_ &&
        (event->type() == QEvent::MouseMove || event->type() == QEvent::Enter) &&
        pldown_->isVisible()) {
        pldown_MouseMove();
        return false;
    }
    if (watched == lstfavs_->viewport() && event->type() == QEvent::MouseButtonDblClick) {
        const auto* e = static_cast<QMouseEvent*>(event);
        lstfavs_DblClick(lstfavs_->indexAt(e->position().toPoint()).row());
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

void MPlay3::mousePressEvent(QMouseEvent* event) {
    // A press on the face's background moves the window, as its caption would.
    if (event->button() != Qt::RightButton && event->button() != Qt::MiddleButton) {
        if (QWindow* w = windowHandle()) w->startSystemMove();
        return;
    }
    QDialog::mousePressEvent(event);
}

void MPlay3::paintEvent(QPaintEvent*) {
    QPainter g(this);
    g.setRenderHint(QPainter::Antialiasing);
    const QRectF all = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QLinearGradient body(0, 0, 0, height());
    body.setColorAt(0, QColor(36, 45, 60));
    body.setColorAt(1, QColor(12, 16, 23));
    g.setPen(QPen(QColor(80, 98, 122), 1));
    g.setBrush(body);
    g.drawRect(all);

    // Title strip.
    QLinearGradient strip(0, 0, 0, 15);
    strip.setColorAt(0, QColor(62, 78, 102));
    strip.setColorAt(1, QColor(30, 38, 52));
    g.setPen(Qt::NoPen);
    g.setBrush(strip);
    g.drawRect(QRectF(1, 1, width() - 2, 14));
    g.setPen(QColor(200, 220, 240));
    QFont f = font();
    f.setPointSizeF(7.5);
    f.setBold(true);
    g.setFont(f);
    g.drawText(QRectF(6, 0, 200, 15), Qt::AlignVCenter | Qt::AlignLeft, "Audio Player");

    // The display's glass.
    g.setPen(QPen(QColor(70, 86, 108), 1));
    g.setBrush(kLcd);
    g.drawRoundedRect(QRectF(PicDisplay_->geometry()).adjusted(-1.5, -1.5, 1.5, 1.5), 3, 3);
    g.drawRoundedRect(QRectF(Label20_->geometry()).adjusted(-1.5, -1.5, 1.5, 1.5), 3, 3);

    // Grooves under the knobs.
    g.setPen(Qt::NoPen);
    g.setBrush(QColor(6, 9, 13));
    g.drawRoundedRect(QRectF(Px(kKnobMin), Px(1110) + 4, Px(kKnobMax) - Px(kKnobMin) + 16, 4), 2,
                      2);
    g.drawRoundedRect(
        QRectF(Px(kBalanceMin), Px(795) + 5, Px(kBalanceMax) - Px(kBalanceMin) + 10, 4), 2, 2);
    g.setPen(QColor(110, 130, 155));
    f.setBold(false);
    f.setPointSizeF(6.5);
    g.setFont(f);
    g.drawText(QRectF(60, 66, 76, 10), Qt::AlignCenter, "L  BAL  R");
    g.drawText(QRectF(150, 66, 42, 10), Qt::AlignCenter, "VOL");

    // Playlist panel frame.
    if (heightTwips_ == kHeightPlaylist) {
        g.setPen(QPen(QColor(70, 86, 108), 1));
        g.drawLine(QPointF(4, 115.5), QPointF(width() - 4, 115.5));
    }
}

}  // namespace qsr::player
