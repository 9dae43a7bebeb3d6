#include "app/windows/TimeLabel.h"

#include <QEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QStyleOption>
#include <algorithm>
#include <cmath>

namespace qsr::app {
namespace {

// The text with every digit replaced by `digit`: texts of one pattern share
// their character positions, digits being of one width in the fonts used.
QString Pattern(const QString& text, QChar digit) {
    QString pattern = text;
    for (QChar& c : pattern)
        if (c.isDigit()) c = digit;
    return pattern;
}

}  // namespace

TimeLabel::TimeLabel(const QString& text, QWidget* parent) : QLabel(text, parent) {
    SetOpaque();
}

void TimeLabel::ShowText(const QString& text) {
    const bool sized = minimumSize() == maximumSize();
    if (sized && text == this->text()) return;
    if (!sized || text.size() != this->text().size()) {
        FitTo(text);
        setText(text);
        return;
    }
    // A tick changes the last digits, mostly: only their cells are painted
    // again (a label repaints all of itself for any new text).
    // setText asks for all of it, and setUpdatesEnabled(true) would again, so
    // the label (a leaf, without children to pass the state on to) holds its
    // updates back by the attribute alone while the text changes.
    const QRect changed = ChangedArea(this->text(), text);
    if (!updatesEnabled()) {
        setText(text);
        return;
    }
    setAttribute(Qt::WA_UpdatesDisabled, true);
    setText(text);
    setAttribute(Qt::WA_UpdatesDisabled, false);
    update(changed);
}

// The cells of the characters that differ between two texts of one length,
// widened by how far a glyph of the font may reach out of its cell; all of
// the label when the two do not share their character positions.
QRect TimeLabel::ChangedArea(const QString& before, const QString& after) {
    if (!PaintsItself() || Pattern(before, QChar('0')) != Pattern(after, QChar('0'))) return rect();
    qsizetype first = 0;
    while (first < after.size() && before[first] == after[first]) ++first;
    if (first == after.size()) return {};
    qsizetype last = after.size() - 1;
    while (before[last] == after[last]) --last;
    const std::vector<qreal>& at = Offsets(after);
    const QRect area = contentsRect();
    const int reach = std::max(Reach(before), Reach(after));
    const qreal from = area.left() + at[static_cast<std::size_t>(first)];
    const qreal to = last + 1 < after.size() ? area.left() + at[static_cast<std::size_t>(last + 1)]
                                             : area.right() + 1;
    return QRect(QPoint(static_cast<int>(std::floor(from)) - reach, 0),
                 QPoint(static_cast<int>(std::ceil(to)) + reach, height() - 1))
        .intersected(rect());
}

// How many pixels a glyph of `text` may draw outside its cell, either side.
// Each character's bearings are measured once (the time has a dozen).
int TimeLabel::Reach(const QString& text) {
    int reach = 0;
    for (QChar c : text) {
        const char16_t u = c.unicode();
        int& known = u < reach_.size() ? reach_[u] : other_;
        if (u >= reach_.size() || known < 0) {
            const QFontMetricsF fm(font());
            const qreal out = std::max({0.0, -fm.leftBearing(c), -fm.rightBearing(c)});
            // A pixel more for the edge smoothing of the ink.
            known = static_cast<int>(std::ceil(out)) + 1;
        }
        reach = std::max(reach, known);
    }
    return reach;
}

void TimeLabel::FitTo(const QString& text) {
    int widest = 0;
    QChar wide('0');
    for (char d = '0'; d <= '9'; ++d) {
        const int w = fontMetrics().horizontalAdvance(QChar(d));
        if (w > widest) widest = w, wide = QChar(d);
    }
    setMinimumSize(0, 0);
    setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
    setText(Pattern(text, wide));
    setFixedSize(sizeHint());
}

bool TimeLabel::PaintsItself() const {
    return textFormat() != Qt::RichText && !wordWrap() && layoutDirection() == Qt::LeftToRight &&
           (alignment() & Qt::AlignLeft) && (alignment() & Qt::AlignVCenter) && margin() == 0 &&
           (indent() == 0 || (indent() < 0 && frameWidth() == 0));
}

// Without a style sheet nothing but the window's plain background lies
// beneath, so the label fills it itself and what is under it is not painted.
void TimeLabel::SetOpaque() {
    setAttribute(Qt::WA_OpaquePaintEvent, PaintsItself() && !testAttribute(Qt::WA_StyleSheet));
}

void TimeLabel::changeEvent(QEvent* event) {
    QLabel::changeEvent(event);
    const QEvent::Type t = event->type();
    if (t == QEvent::FontChange || t == QEvent::StyleChange || t == QEvent::LayoutDirectionChange) {
        pattern_.clear();
        glyphs_.clear();
        reach_.fill(-1);
        SetOpaque();
    }
}

const std::vector<qreal>& TimeLabel::Offsets(const QString& text) {
    const QString pattern = Pattern(text, QChar('0'));
    if (pattern != pattern_) {
        pattern_ = pattern;
        offsets_.assign(static_cast<std::size_t>(text.size()), 0);
        const QFontMetricsF fm(font());
        for (qsizetype i = 1; i < text.size(); ++i)
            offsets_[static_cast<std::size_t>(i)] = fm.horizontalAdvance(pattern.left(i));
    }
    return offsets_;
}

const QStaticText& TimeLabel::Glyph(QChar c) {
    auto it = glyphs_.find(c.unicode());
    if (it == glyphs_.end()) {
        QStaticText glyph{QString(c)};
        glyph.setTextFormat(Qt::PlainText);
        glyph.prepare(QTransform(), font());
        it = glyphs_.emplace(c.unicode(), std::move(glyph)).first;
    }
    return it->second;
}

void TimeLabel::paintEvent(QPaintEvent* event) {
    if (!PaintsItself()) {
        QLabel::paintEvent(event);
        return;
    }
    // The colours of this label's state (active, inactive or disabled).
    QStyleOption state;
    state.initFrom(this);
    QPainter p(this);
    if (testAttribute(Qt::WA_OpaquePaintEvent))
        p.fillRect(event->rect(), state.palette.brush(backgroundRole()));
    drawFrame(&p);  // a style sheet's background and border, as a label draws them
    const QString shown = text();
    const QRect area = contentsRect();
    const QFontMetricsF fm(font());
    // Where a label puts one line of text centred in its height.
    const qreal top = area.top() + (area.height() - fm.height()) / 2;
    p.setFont(font());
    p.setPen(state.palette.color(foregroundRole()));
    const std::vector<qreal>& at = Offsets(shown);
    // Only the glyphs that may reach into the painted part: a tick paints a
    // few cells, and the rest would be drawn only to be clipped away.
    const int reach = Reach(shown);
    const qreal left = event->rect().left() - reach, right = event->rect().right() + 1 + reach;
    for (qsizetype i = 0; i < shown.size(); ++i) {
        const qreal x = area.left() + at[static_cast<std::size_t>(i)];
        const qreal end = i + 1 < shown.size() ? area.left() + at[static_cast<std::size_t>(i + 1)]
                                               : area.right() + 1;
        if (end < left || x > right) continue;
        p.drawStaticText(QPointF(x, top), Glyph(shown[i]));
    }
}

}  // namespace qsr::app
