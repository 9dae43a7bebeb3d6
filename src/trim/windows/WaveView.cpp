#include "trim/windows/WaveView.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QWheelEvent>
#include <algorithm>

namespace qsr::trim {

WaveView::WaveView(QWidget* parent) : QWidget(parent) {
    setFocusPolicy(Qt::StrongFocus);
    setMinimumSize(320, 120);
    setMouseTracking(false);
}

void WaveView::SetSound(const Overview* overview, const EditList* edits) {
    overview_ = overview;
    edits_ = edits;
    from_ = 0;
    span_ = Length();
    selA_ = selB_ = cursor_ = anchor_ = 0;
    play_ = -1;
    update();
    emit Changed();
}

SampleSpan WaveView::Selection() const {
    return {std::min(selA_, selB_), std::max(selA_, selB_)};
}

void WaveView::SetSelection(SampleSpan span) {
    selA_ = std::clamp<std::int64_t>(span.begin, 0, Length());
    selB_ = std::clamp<std::int64_t>(span.end, 0, Length());
    update();
    emit Changed();
}

void WaveView::SetPlayPosition(std::int64_t position) {
    play_ = position;
    update();
}

void WaveView::SetView(std::int64_t from, std::int64_t length) {
    const std::int64_t total = Length();
    span_ = std::clamp<std::int64_t>(length, std::min<std::int64_t>(total, 64),
                                     std::max<std::int64_t>(total, 1));
    from_ = std::clamp<std::int64_t>(from, 0, std::max<std::int64_t>(0, total - span_));
    update();
    emit Changed();
}

void WaveView::Zoom(double factor, std::int64_t around) {
    const std::int64_t length = static_cast<std::int64_t>(static_cast<double>(span_) / factor);
    const double share =
        span_ > 0 ? static_cast<double>(around - from_) / static_cast<double>(span_) : 0;
    SetView(around - static_cast<std::int64_t>(share * static_cast<double>(length)), length);
}

std::int64_t WaveView::FrameAt(int x) const {
    const int w = std::max(1, width());
    return std::clamp<std::int64_t>(from_ + span_ * std::clamp(x, 0, w) / w, 0, Length());
}

int WaveView::XOf(std::int64_t frame) const {
    if (span_ <= 0) return 0;
    return static_cast<int>((frame - from_) * width() / span_);
}

void WaveView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.fillRect(rect(), palette().base());
    const int w = width(), h = height(), mid = h / 2;
    if (!overview_ || !edits_ || span_ <= 0) return;
    const SampleSpan sel = Selection();
    if (sel.end > sel.begin) {
        p.fillRect(QRect(QPoint(XOf(sel.begin), 0), QPoint(XOf(sel.end), h)),
                   palette().highlight().color().lighter(150));
    }
    p.setPen(palette().text().color());
    const auto columns = EditedColumns(*overview_, edits_->Kept(), from_, from_ + span_, w);
    for (int x = 0; x < w; ++x) {
        const Column& c = columns[static_cast<std::size_t>(x)];
        p.drawLine(x, mid - c.high * mid / 32768, x, mid - c.low * mid / 32768);
    }
    p.setPen(palette().highlight().color());
    p.drawLine(XOf(cursor_), 0, XOf(cursor_), h);
    if (play_ >= 0) {
        p.setPen(QPen(Qt::red, 2));
        p.drawLine(XOf(play_), 0, XOf(play_), h);
    }
    if (hasFocus()) {
        p.setPen(QPen(palette().highlight().color(), 1, Qt::DotLine));
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    }
}

void WaveView::mousePressEvent(QMouseEvent* e) {
    if (e->button() != Qt::LeftButton) return;
    setFocus();
    MoveCursor(FrameAt(e->position().toPoint().x()),
               (e->modifiers() & Qt::ShiftModifier) ? Move::Extend : Move::Select);
}

void WaveView::mouseMoveEvent(QMouseEvent* e) {
    if (e->buttons() & Qt::LeftButton)
        MoveCursor(FrameAt(e->position().toPoint().x()), Move::Extend);
}

void WaveView::wheelEvent(QWheelEvent* e) {
    const int steps = e->angleDelta().y() / 120;
    if (steps == 0) return;
    if (e->modifiers() & Qt::ShiftModifier) {
        SetView(from_ - steps * span_ / 10, span_);
    } else {
        Zoom(steps > 0 ? 1.25 * steps : 1.0 / (1.25 * -steps),
             FrameAt(e->position().toPoint().x()));
    }
    e->accept();
}

void WaveView::keyPressEvent(QKeyEvent* e) {
    const bool shift = (e->modifiers() & Qt::ShiftModifier) != 0;
    const std::int64_t step = std::max<std::int64_t>(1, span_ / 100);
    switch (e->key()) {
        case Qt::Key_Left:
            MoveCursor(cursor_ - step, shift ? Move::Extend : Move::Keep);
            break;
        case Qt::Key_Right:
            MoveCursor(cursor_ + step, shift ? Move::Extend : Move::Keep);
            break;
        case Qt::Key_Home:
            MoveCursor(0, shift ? Move::Extend : Move::Keep);
            break;
        case Qt::Key_End:
            MoveCursor(Length(), shift ? Move::Extend : Move::Keep);
            break;
        case Qt::Key_BracketLeft: {  // the start here, the end kept when it is after
            const SampleSpan s = Selection();
            SetSelection({cursor_, s.end > cursor_ ? s.end : Length()});
            break;
        }
        case Qt::Key_BracketRight: {  // the end here, the start kept when it is before
            const SampleSpan s = Selection();
            SetSelection({s.begin < cursor_ && s.end > s.begin ? s.begin : 0, cursor_});
            break;
        }
        case Qt::Key_Plus:
        case Qt::Key_Equal:
            Zoom(2, cursor_);
            break;
        case Qt::Key_Minus:
            Zoom(0.5, cursor_);
            break;
        default:
            QWidget::keyPressEvent(e);
            return;
    }
    e->accept();
}

void WaveView::MoveCursor(std::int64_t to, Move how) {
    cursor_ = std::clamp<std::int64_t>(to, 0, Length());
    if (how == Move::Extend) {
        selA_ = anchor_;
        selB_ = cursor_;
    } else {
        anchor_ = cursor_;
        if (how == Move::Select) selA_ = selB_ = cursor_;
    }
    // The cursor stays in view.
    if (cursor_ < from_) SetView(cursor_, span_);
    if (cursor_ > from_ + span_) SetView(cursor_ - span_, span_);
    update();
    emit Changed();
}

}  // namespace qsr::trim
