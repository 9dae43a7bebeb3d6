#include "app/windows/SampleDisplays.h"

#include <QPaintEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace qsr::app {
namespace {

const QColor kBackground(16, 20, 24);
const QColor kAxis(60, 70, 80);
const QColor kWave(80, 220, 120);
const QColor kMeterGreen(70, 200, 90);
const QColor kMeterYellow(230, 200, 60);
const QColor kMeterRed(230, 70, 60);
const QColor kHoldMark(240, 240, 240);

constexpr double kFullScale = 32767.0;

}  // namespace

void Span::Add(int from, int to) {
    if (to <= from) return;
    if (Empty()) {
        first = from;
        last = to;
        return;
    }
    first = std::min(first, from);
    last = std::max(last, to);
}

Span ChangedBarSpan(int litBefore, int markBefore, int litAfter, int markAfter, int markWidth) {
    Span span;
    if (litBefore != litAfter)
        span.Add(std::min(litBefore, litAfter), std::max(litBefore, litAfter));
    if (markBefore != markAfter) {
        if (markBefore >= 0) span.Add(markBefore, markBefore + markWidth);
        if (markAfter >= 0) span.Add(markAfter, markAfter + markWidth);
    }
    return span;
}

// ---- WaveformView -------------------------------------------------------------

WaveformView::WaveformView(QWidget* parent) : QWidget(parent) {
    setObjectName("AV1");
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(64, 32);
}

void WaveformView::SetFormat(int rate, int channels) {
    rate_ = rate > 0 ? rate : rate_;
    channels_ = channels > 0 ? channels : 1;
}

void WaveformView::SetSamplesPerFrame(int samples) {
    if (samples > 0) samplesPerFrame_ = samples;
}

void WaveformView::ShowSamples(const audio::Samples& samples) {
    const std::size_t channels = static_cast<std::size_t>(channels_);
    const std::size_t frames = samples.size() / channels;
    if (frames == 0) {
        hasWave_ = false;
        peak_ = 0;
        mono_.clear();
        strokes_.clear();
        shown_.clear();
        DrawColumns(0, width());
        update();
        return;
    }
    // Reuses the buffer's capacity: no allocation once the first block was seen.
    mono_.resize(frames);
    int peakAbs = 0;
    const std::int16_t* in = samples.data();
    // Mono and stereo, which every recording and most files are, with the
    // channel count known to the compiler: this runs at every tick.
    if (channels == 1) {
        for (std::size_t f = 0; f < frames; ++f) {
            const int v = in[f];
            peakAbs = std::max(peakAbs, std::abs(v));
            mono_[f] = static_cast<std::int16_t>(v);
        }
    } else if (channels == 2) {
        for (std::size_t f = 0; f < frames; ++f) {
            const int v = (in[2 * f] + in[2 * f + 1]) / 2;
            peakAbs = std::max(peakAbs, std::abs(v));
            mono_[f] = static_cast<std::int16_t>(v);
        }
    } else {
        for (std::size_t f = 0; f < frames; ++f) {
            int sum = 0;
            for (std::size_t c = 0; c < channels; ++c) sum += in[f * channels + c];
            const int v = sum / static_cast<int>(channels);
            peakAbs = std::max(peakAbs, std::abs(v));
            mono_[f] = static_cast<std::int16_t>(v);
        }
    }
    peak_ = std::min(1.0, peakAbs / kFullScale);
    hasWave_ = true;
    RebuildStrokes();
    // Only the columns whose stroke moved are repainted: a steady or silent
    // input costs no painting at all.
    Span changed;
    if (shown_.size() != strokes_.size()) {
        changed.Add(0, width());
        DrawColumns(0, width());
    } else {
        changed = MoveStrokes();
    }
    shown_ = strokes_;  // same size from the second block on: no allocation
    if (changed.Empty()) return;
    update(changed.first, 0, changed.last - changed.first, height());
}

// The picture holds the strokes last shown, so a column changes only where
// its old stroke was and where its new one is; of those, only the pixels one
// stroke covers and the other does not (a tone moves its ends by a few).
Span WaveformView::MoveStrokes() {
    Span changed;
    const int n = static_cast<int>(strokes_.size());
    for (int x = 0; x < n; ++x)
        if (strokes_[static_cast<std::size_t>(x)] != shown_[static_cast<std::size_t>(x)])
            changed.Add(x, x + 1);
    if (changed.Empty() || picture_.isNull()) return changed;
    const int h = picture_.height();
    const int mid = (h - 1) / 2;
    auto* bits = reinterpret_cast<QRgb*>(picture_.bits());
    const std::ptrdiff_t stride = picture_.bytesPerLine() / static_cast<int>(sizeof(QRgb));
    const QRgb background = kBackground.rgb(), axis = kAxis.rgb(), wave = kWave.rgb();
    for (int x = changed.first; x < std::min(changed.last, picture_.width()); ++x) {
        const QLine& before = shown_[static_cast<std::size_t>(x)];
        const QLine& after = strokes_[static_cast<std::size_t>(x)];
        if (before == after) continue;
        QRgb* column = bits + x;
        const int b1 = std::max(before.y1(), 0), b2 = std::min(before.y2(), h - 1);
        const int a1 = std::max(after.y1(), 0), a2 = std::min(after.y2(), h - 1);
        const auto clear = [&](int from, int to) {
            for (int y = from; y <= to; ++y) column[y * stride] = y == mid ? axis : background;
        };
        const auto draw = [&](int from, int to) {
            for (int y = from; y <= to; ++y) column[y * stride] = wave;
        };
        if (a2 < b1 || b2 < a1) {  // apart: all of the old goes, all of the new comes
            clear(b1, b2);
            draw(a1, a2);
            continue;
        }
        clear(b1, a1 - 1);
        clear(a2 + 1, b2);
        draw(a1, b1 - 1);
        draw(b2 + 1, a2);
    }
    return changed;
}

// Rows are filled whole, then each stroke is set down its column: a test
// per pixel would cost several times more, and this runs at every tick.
void WaveformView::DrawColumns(int from, int to) {
    if (picture_.isNull()) return;
    from = std::max(from, 0);
    to = std::min(to, picture_.width());
    if (to <= from) return;
    const int h = picture_.height();
    const int mid = (h - 1) / 2;
    const QRgb background = kBackground.rgb(), axis = kAxis.rgb(), wave = kWave.rgb();
    // One detach for the whole picture, not one per row.
    auto* bits = reinterpret_cast<QRgb*>(picture_.bits());
    const std::ptrdiff_t stride = picture_.bytesPerLine() / static_cast<int>(sizeof(QRgb));
    for (int y = 0; y < h; ++y) {
        QRgb* row = bits + y * stride;
        std::fill(row + from, row + to, y == mid ? axis : background);
    }
    const int n = std::min(to, static_cast<int>(strokes_.size()));
    for (int x = from; x < n; ++x) {
        const QLine& stroke = strokes_[static_cast<std::size_t>(x)];
        const int top = std::max(stroke.y1(), 0), bottom = std::min(stroke.y2(), h - 1);
        QRgb* pixel = bits + top * stride + x;
        for (int y = top; y <= bottom; ++y, pixel += stride) *pixel = wave;
    }
}

void WaveformView::RebuildStrokes() {
    const int w = width();
    const int h = height();
    if (mono_.empty() || w <= 0 || h <= 0) {
        strokes_.clear();
        return;
    }
    strokes_.resize(static_cast<std::size_t>(w));
    const std::size_t n = mono_.size();
    const double mid = (h - 1) / 2.0;
    const double scale = mid / kFullScale;
    // Rounds to the nearest pixel: the rows are never negative (the loudest
    // sample lands on the top edge), so adding a half and cutting off rounds
    // as lround does, at a fraction of its cost.
    const auto row = [&](int v) { return static_cast<int>(mid - v * scale + 0.5); };
    // Column x takes the values [n*x/w, n*(x+1)/w): each bound is the last
    // one stepped on by n/w, quotient and remainder apart, without a division
    // per column.
    const std::size_t columns = static_cast<std::size_t>(w);
    const std::size_t step = n / columns, carry = n % columns;
    std::size_t next = 0, rest = 0;
    for (int x = 0; x < w; ++x) {
        const std::size_t from = next;
        next += step;
        rest += carry;
        if (rest >= columns) ++next, rest -= columns;
        std::size_t to = next;
        if (to <= from) to = std::min(n, from + 1);
        std::int16_t lo = mono_[from], hi = mono_[from];
        for (std::size_t i = from + 1; i < to; ++i) {
            lo = std::min(lo, mono_[i]);
            hi = std::max(hi, mono_[i]);
        }
        strokes_[static_cast<std::size_t>(x)] = QLine(x, row(hi), x, row(lo));
    }
}

void WaveformView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    RebuildStrokes();
    shown_ = strokes_;  // a resize repaints everything
    if (devicePixelRatioF() == 1.0 && width() > 0 && height() > 0) {
        picture_ = QImage(size(), QImage::Format_RGB32);
        DrawColumns(0, width());
    } else {
        picture_ = QImage();
    }
}

void WaveformView::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    if (!picture_.isNull() && picture_.size() == size() && devicePixelRatioF() == 1.0) {
        p.drawImage(event->rect().topLeft(), picture_, event->rect());
        return;
    }
    p.fillRect(event->rect(), kBackground);
    p.setPen(kAxis);
    const int mid = (height() - 1) / 2;
    p.drawLine(0, mid, width() - 1, mid);
    // The strokes of the columns asked for (one stroke per column).
    const int n = static_cast<int>(strokes_.size());
    const int from = std::clamp(event->rect().left(), 0, n);
    const int to = std::clamp(event->rect().right() + 1, from, n);
    if (to > from) {
        p.setPen(kWave);
        p.drawLines(strokes_.data() + from, to - from);
    }
}

// ---- LevelMeter ---------------------------------------------------------------

LevelMeter::LevelMeter(QWidget* parent) : QWidget(parent) {
    setObjectName("AudioDisplay1");
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMinimumSize(60, 12);
}

void LevelMeter::SetFormat(int /*rate*/, int channels) {
    channels_ = channels > 0 ? channels : 1;
}

void LevelMeter::SetSamplesPerFrame(int samples) {
    if (samples > 0) samplesPerFrame_ = samples;
}

double LevelMeter::BarFraction(int peakAbs) {
    if (peakAbs <= 0) return 0;
    const double db = 20.0 * std::log10(peakAbs / kFullScale);
    return std::clamp((db - kFloorDb) / -kFloorDb, 0.0, 1.0);
}

void LevelMeter::ShowSamples(const audio::Samples& samples) {
    if (samples.empty()) {
        level_ = {};
        hold_ = {};
        caught_ = {};
        for (QElapsedTimer& t : heldSince_) t.invalidate();
        update();
        return;
    }
    std::array<int, 2> peak{};
    if (channels_ == 1) {
        for (std::int16_t s : samples) peak[0] = std::max(peak[0], std::abs(int{s}));
        peak[1] = peak[0];
    } else {
        const std::size_t channels = static_cast<std::size_t>(channels_);
        for (std::size_t i = 0; i < samples.size(); ++i) {
            const std::size_t c = i % channels;
            if (c < 2) peak[c] = std::max(peak[c], std::abs(int{samples[i]}));
        }
    }
    Show(peak);
}

void LevelMeter::ShowPeaks(int left, int right) {
    Show({std::clamp(left, 0, 32767), std::clamp(channels_ == 1 ? left : right, 0, 32767)});
}

void LevelMeter::Show(const std::array<int, 2>& peak) {
    for (std::size_t c = 0; c < 2; ++c) {
        const int litBefore = LitPixels(c), markBefore = MarkPixel(c);
        const double level = BarFraction(peak[c]);
        level_[c] = level;
        QElapsedTimer& since = heldSince_[c];
        double& caught = caught_[c];
        // The mark stays at the highest level caught for a while, then falls
        // steadily until a level reaches it again.
        double hold = level;
        if (since.isValid()) {
            const qint64 late = std::max<qint64>(0, since.elapsed() - kHoldMs);
            hold = caught - kFallPerSecond * static_cast<double>(late) / 1000.0;
        }
        if (level >= hold) {
            caught = level;
            hold = level;
            since.start();
        }
        hold_[c] = hold;
        // Only what moved is repainted; a steady level paints nothing.
        const Span changed =
            ChangedBarSpan(litBefore, markBefore, LitPixels(c), MarkPixel(c), kMarkWidth);
        if (!changed.Empty()) update(BarRect(static_cast<int>(c), changed));
    }
}

int LevelMeter::LitPixels(std::size_t c) const {
    return static_cast<int>(std::lround(level_[c] * width()));
}

int LevelMeter::MarkPixel(std::size_t c) const {
    if (hold_[c] <= 0) return -1;
    const int w = width();
    return std::clamp(static_cast<int>(std::lround(hold_[c] * w)) - kMarkWidth, 0, w - kMarkWidth);
}

QRect LevelMeter::BarRect(int c, const Span& span) const {
    const int barHeight = std::max(1, (height() - 3 * kGap) / 2);
    return {span.first, kGap + c * (barHeight + kGap), span.last - span.first, barHeight};
}

void LevelMeter::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    p.fillRect(event->rect(), kBackground);
    const int w = width();
    const int barHeight = std::max(1, (height() - 3 * kGap) / 2);
    for (std::size_t c = 0; c < 2; ++c) {
        const int y = kGap + static_cast<int>(c) * (barHeight + kGap);
        const int lit = LitPixels(c);
        // Green up to -15 dB, yellow to -6 dB, red above.
        const int greenEnd = static_cast<int>(w * 0.75);
        const int yellowEnd = static_cast<int>(w * 0.9);
        p.fillRect(0, y, std::min(lit, greenEnd), barHeight, kMeterGreen);
        if (lit > greenEnd)
            p.fillRect(greenEnd, y, std::min(lit, yellowEnd) - greenEnd, barHeight, kMeterYellow);
        if (lit > yellowEnd) p.fillRect(yellowEnd, y, lit - yellowEnd, barHeight, kMeterRed);
        if (const int x = MarkPixel(c); x >= 0) p.fillRect(x, y, kMarkWidth, barHeight, kHoldMark);
    }
}

}  // namespace qsr::app
