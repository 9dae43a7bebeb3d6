// The player face's own drawing: its keys, knobs and background.
#include "player/windows/PlayerFace.h"

#include <QLinearGradient>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>

namespace qsr::player {
namespace {

const QColor kGlyph(127, 212, 255);
const QColor kGlyphDim(59, 70, 86);
const QColor kLcd(10, 24, 20);

// Strokes and shapes in a glyph's own units: -1..1 across a square of side
// 0.62 of the key's smaller side, centred in the key. Filled shapes gather
// in one path, drawn last.
class GlyphPen {
  public:
    GlyphPen(QPainter& g, const QRectF& r, const QColor& colour)
        : g_(g),
          colour_(colour),
          c_(r.center()),
          h_(std::min(r.width(), r.height()) * 0.62 / 2),
          pen_(colour, std::max(1.2, h_ / 4), Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin) {
        g_.setPen(Qt::NoPen);
        g_.setBrush(colour);
    }
    QPointF At(double x, double y) const { return {c_.x() + x * h_, c_.y() + y * h_}; }
    void Line(double x1, double y1, double x2, double y2) {
        g_.setPen(pen_);
        g_.drawLine(At(x1, y1), At(x2, y2));
        g_.setPen(Qt::NoPen);
    }
    void Rect(double x, double y, double w, double h) {
        fill_.addRect(QRectF(At(x, y), QSizeF(w * h_, h * h_)));
    }
    void Tri(double x1, double y1, double x2, double y2, double x3, double y3) {
        fill_.moveTo(At(x1, y1));
        fill_.lineTo(At(x2, y2));
        fill_.lineTo(At(x3, y3));
        fill_.closeSubpath();
    }
    // An outline drawn at once with the stroke pen and no fill.
    void Outline(const std::function<void(QPainter&, const QRectF&)>& draw, double x, double y,
                 double w, double h) {
        g_.setPen(pen_);
        g_.setBrush(Qt::NoBrush);
        draw(g_, QRectF(At(x, y), QSizeF(w * h_, h * h_)));
        g_.setPen(Qt::NoPen);
        g_.setBrush(colour_);
    }
    void Finish() { g_.drawPath(fill_); }

  private:
    QPainter& g_;
    QColor colour_;
    QPointF c_;
    double h_;
    QPen pen_;
    QPainterPath fill_;
};

// Play, pause, stop, next, previous and eject.
void DrawTransport(GlyphPen& p, Glyph glyph) {
    switch (glyph) {
        case Glyph::Play:
            p.Tri(-0.7, -1, 0.9, 0, -0.7, 1);
            break;
        case Glyph::Pause:
            p.Rect(-0.8, -1, 0.55, 2);
            p.Rect(0.25, -1, 0.55, 2);
            break;
        case Glyph::Stop:
            p.Rect(-0.85, -0.85, 1.7, 1.7);
            break;
        case Glyph::Next:
            p.Tri(-1, -1, 0.45, 0, -1, 1);
            p.Rect(0.55, -1, 0.4, 2);
            break;
        case Glyph::Previous:
            p.Tri(1, -1, -0.45, 0, 1, 1);
            p.Rect(-0.95, -1, 0.4, 2);
            break;
        default:  // Eject
            p.Tri(-1, 0.2, 0, -1, 1, 0.2);
            p.Rect(-1, 0.55, 2, 0.4);
            break;
    }
}

// Adding files and the playlists.
void DrawFiles(GlyphPen& p, Glyph glyph) {
    switch (glyph) {
        case Glyph::AddOne:
            p.Line(-0.9, 0, 0.9, 0);
            p.Line(0, -0.9, 0, 0.9);
            break;
        case Glyph::AddFolder:
            p.Rect(-1, -0.5, 2, 1.4);
            p.Rect(-1, -0.85, 0.9, 0.4);
            break;
        case Glyph::AddFiles:
            p.Rect(-1, -0.9, 1.1, 0.3);
            p.Rect(-1, -0.2, 1.1, 0.3);
            p.Rect(-1, 0.5, 1.1, 0.3);
            p.Line(0.65, -0.45, 0.65, 0.75);
            p.Line(0.05, 0.15, 1.0, 0.15);
            break;
        case Glyph::Playlists:
            p.Rect(-1, -0.9, 2, 0.3);
            p.Rect(-1, -0.2, 2, 0.3);
            p.Rect(-1, 0.5, 2, 0.3);
            break;
        case Glyph::Load:
            p.Tri(-0.7, -0.1, 0.7, -0.1, 0, 0.6);
            p.Rect(-0.2, -1, 0.4, 1);
            p.Rect(-1, 0.75, 2, 0.3);
            break;
        default:  // Save
            p.Tri(-0.7, -0.2, 0.7, -0.2, 0, -1);
            p.Rect(-0.2, -0.3, 0.4, 0.9);
            p.Rect(-1, 0.75, 2, 0.3);
            break;
    }
}

// Order, volume, the playlist panel and the window's own buttons.
void DrawModes(GlyphPen& p, Glyph glyph) {
    switch (glyph) {
        case Glyph::Shuffle:
            p.Line(-1, -0.6, 0.6, 0.6);
            p.Line(-1, 0.6, 0.6, -0.6);
            p.Tri(0.5, -1, 1.05, -0.55, 0.45, -0.2);
            p.Tri(0.45, 0.2, 1.05, 0.55, 0.5, 1);
            break;
        case Glyph::Repeat:
            p.Outline([](QPainter& g, const QRectF& r) { g.drawArc(r, 100 * 16, 290 * 16); }, -0.85,
                      -0.85, 1.7, 1.7);
            p.Tri(-0.55, -1.1, 0.15, -0.85, -0.45, -0.35);
            break;
        case Glyph::Pin:
            p.Tri(-0.8, 0.1, 0, -1, 0.8, 0.1);
            p.Line(0, 0.1, 0, 1);
            break;
        case Glyph::Plus:
            p.Line(-0.8, 0, 0.8, 0);
            p.Line(0, -0.8, 0, 0.8);
            break;
        case Glyph::Minus:
            p.Line(-0.8, 0, 0.8, 0);
            break;
        case Glyph::Up:
            p.Tri(-1, 0.5, 0, -0.6, 1, 0.5);
            break;
        case Glyph::Down:
            p.Tri(-1, -0.5, 0, 0.6, 1, -0.5);
            break;
        case Glyph::Small:
            p.Rect(-1, -0.8, 2, 0.4);
            break;
        case Glyph::Normal:
            p.Outline([](QPainter& g, const QRectF& r) { g.drawRect(r); }, -0.8, -0.7, 1.6, 1.4);
            break;
        case Glyph::Minimize:
            p.Rect(-0.9, 0.5, 1.8, 0.35);
            break;
        default:  // Close
            p.Line(-0.8, -0.8, 0.8, 0.8);
            p.Line(-0.8, 0.8, 0.8, -0.8);
            break;
    }
}

void DrawGlyph(QPainter& g, Glyph glyph, const QRectF& r, const QColor& colour) {
    GlyphPen p(g, r, colour);
    if (glyph <= Glyph::Eject)
        DrawTransport(p, glyph);
    else if (glyph <= Glyph::Save)
        DrawFiles(p, glyph);
    else
        DrawModes(p, glyph);
    p.Finish();
}

}  // namespace

FaceButton::FaceButton(Glyph glyph, QWidget* parent) : QAbstractButton(parent), glyph_(glyph) {
    // Tab reaches every key; Space presses it.
    setFocusPolicy(Qt::TabFocus);
    setCursor(Qt::PointingHandCursor);
}

void FaceButton::paintEvent(QPaintEvent*) {
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

FaceKnob::FaceKnob(QWidget* parent) : QWidget(parent) {
    setCursor(Qt::SizeHorCursor);
}

void FaceKnob::paintEvent(QPaintEvent*) {
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

void FaceKnob::mousePressEvent(QMouseEvent* e) {
    if (onDown) onDown(qRound(e->globalPosition().x()));
}

void FaceKnob::mouseMoveEvent(QMouseEvent* e) {
    if (onMove) onMove(qRound(e->globalPosition().x()));
}

void FaceKnob::mouseReleaseEvent(QMouseEvent*) {
    if (onUp) onUp();
}

void PaintFaceBackground(QPainter& g, const QWidget& face, const FaceBackground& what) {
    g.setRenderHint(QPainter::Antialiasing);
    const QRectF all = QRectF(face.rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QLinearGradient body(0, 0, 0, face.height());
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
    g.drawRect(QRectF(1, 1, face.width() - 2, 14));
    g.setPen(QColor(200, 220, 240));
    QFont f = face.font();
    f.setPointSizeF(7.5);
    f.setBold(true);
    g.setFont(f);
    g.drawText(QRectF(6, 0, 200, 15), Qt::AlignVCenter | Qt::AlignLeft, "Audio Player");

    // The display's glass.
    g.setPen(QPen(QColor(70, 86, 108), 1));
    g.setBrush(kLcd);
    g.drawRoundedRect(QRectF(what.display).adjusted(-1.5, -1.5, 1.5, 1.5), 3, 3);
    g.drawRoundedRect(QRectF(what.time).adjusted(-1.5, -1.5, 1.5, 1.5), 3, 3);

    // Grooves under the knobs.
    g.setPen(Qt::NoPen);
    g.setBrush(QColor(6, 9, 13));
    g.drawRoundedRect(QRectF(Px(kKnobMin), Px(kKnobTop) + 4, Px(kKnobMax) - Px(kKnobMin) + 16, 4),
                      2, 2);
    g.drawRoundedRect(
        QRectF(Px(kBalanceMin), Px(kBalanceTop) + 5, Px(kBalanceMax) - Px(kBalanceMin) + 10, 4), 2,
        2);
    g.setPen(QColor(110, 130, 155));
    f.setBold(false);
    f.setPointSizeF(6.5);
    g.setFont(f);
    g.drawText(QRectF(60, 66, 76, 10), Qt::AlignCenter, "L  BAL  R");
    g.drawText(QRectF(150, 66, 42, 10), Qt::AlignCenter, "VOL");

    // Playlist panel frame.
    if (what.playlistOpen) {
        g.setPen(QPen(QColor(70, 86, 108), 1));
        g.drawLine(QPointF(4, 115.5), QPointF(face.width() - 4, 115.5));
    }
}

}  // namespace qsr::player
