// The two display widgets, rendered offscreen: what they draw follows the samples.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QImage>
#include <QPaintEvent>
#include <QThread>
#include <cmath>

#include "app/windows/SampleDisplays.h"

using namespace qsr::app;
using qsr::audio::Samples;

namespace {

// Interleaved stereo with the given peak on each side.
Samples Stereo(int frames, int leftPeak, int rightPeak) {
    Samples s;
    for (int i = 0; i < frames; ++i) {
        const double phase = std::sin(2 * M_PI * i / 64.0);
        s.push_back(static_cast<std::int16_t>(std::lround(phase * leftPeak)));
        s.push_back(static_cast<std::int16_t>(std::lround(phase * rightPeak)));
    }
    return s;
}

// The background: the top-left pixel of a display showing nothing.
QRgb Background(QWidget& w) {
    return w.grab().toImage().pixel(0, 0);
}

// Pixels that differ from the background.
int DrawnPixels(QWidget& w, QRgb bg, int column = -1) {
    const QImage img = w.grab().toImage();
    int count = 0;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if ((column < 0 || x == column) && img.pixel(x, y) != bg) ++count;
    return count;
}

// Delivers the repaint requests already posted (paints are posted events).
void PaintPending() {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

// Collects the regions a widget is asked to paint.
class PaintWatcher : public QObject {
  public:
    PaintWatcher(QWidget& w, QRegion& asked) : asked_(asked) { w.installEventFilter(this); }
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) asked_ += static_cast<QPaintEvent*>(e)->region();
        return false;
    }

  private:
    QRegion& asked_;
};

}  // namespace

TEST(WaveformView, DrawsTheBlockAndAnEmptyArrayClearsIt) {
    WaveformView view;
    EXPECT_EQ(view.objectName(), "AV1");
    EXPECT_EQ(view.SamplesPerFrame(), 4096);
    view.resize(200, 81);
    view.SetFormat(44100, 1);
    const QRgb bg = Background(view);
    const int axisOnly = DrawnPixels(view, bg);

    Samples full(4096);
    for (std::size_t i = 0; i < full.size(); ++i) full[i] = i % 2 ? 32767 : -32767;
    view.ShowSamples(full);
    EXPECT_TRUE(view.HasWaveform());
    EXPECT_DOUBLE_EQ(view.PeakFraction(), 1.0);
    // Full scale fills each column from top to bottom.
    EXPECT_EQ(DrawnPixels(view, bg, 100), 81);

    view.ShowSamples({});
    EXPECT_FALSE(view.HasWaveform());
    EXPECT_EQ(view.PeakFraction(), 0.0);
    EXPECT_EQ(DrawnPixels(view, bg), axisOnly);
}

TEST(WaveformView, StereoIsShownAsItsMonoMix) {
    WaveformView view;
    view.resize(100, 50);
    view.SetFormat(44100, 2);
    view.ShowSamples(Stereo(4096, 32767, -32767));  // opposite phases cancel
    EXPECT_TRUE(view.HasWaveform());
    EXPECT_EQ(view.PeakFraction(), 0.0);
    view.ShowSamples(Stereo(4096, 16384, 16384));
    EXPECT_NEAR(view.PeakFraction(), 0.5, 0.01);
}

TEST(LevelMeter, FullScaleFillsTheBarAndEmptyClears) {
    LevelMeter meter;
    EXPECT_EQ(meter.objectName(), "AudioDisplay1");
    meter.resize(200, 30);
    meter.SetFormat(44100, 2);
    const QRgb bg = Background(meter);
    const int blank = DrawnPixels(meter, bg);

    meter.ShowSamples(Stereo(1024, 32767, 328));  // right side 40 dB lower
    EXPECT_DOUBLE_EQ(meter.Level(0), 1.0);
    EXPECT_NEAR(meter.Level(1), (60.0 - 40.0) / 60.0, 0.01);
    EXPECT_GT(DrawnPixels(meter, bg), blank + 200);

    meter.ShowSamples({});
    EXPECT_EQ(meter.Level(0), 0.0);
    EXPECT_EQ(meter.Level(1), 0.0);
    EXPECT_EQ(meter.PeakHold(0), 0.0);
    EXPECT_EQ(DrawnPixels(meter, bg), blank);
}

TEST(LevelMeter, MonoDrivesBothBars) {
    LevelMeter meter;
    meter.SetFormat(44100, 1);
    Samples s(2048, 0);
    s[10] = -32768;
    meter.ShowSamples(s);
    EXPECT_DOUBLE_EQ(meter.Level(0), 1.0);
    EXPECT_DOUBLE_EQ(meter.Level(1), 1.0);
}

TEST(LevelMeter, PeakIsHeldThenFalls) {
    LevelMeter meter;
    meter.SetFormat(44100, 2);
    meter.ShowSamples(Stereo(1024, 32767, 32767));
    meter.ShowSamples(Stereo(1024, 33, 33));  // -60 dB: the bar is empty
    EXPECT_NEAR(meter.Level(0), 0.0, 0.01);
    EXPECT_DOUBLE_EQ(meter.PeakHold(0), 1.0);  // still held

    QThread::msleep(LevelMeter::kHoldMs + 400);
    meter.ShowSamples(Stereo(1024, 33, 33));
    EXPECT_LT(meter.PeakHold(0), 1.0);  // falling, never below the level shown
    EXPECT_GE(meter.PeakHold(0), meter.Level(0));

    // A new louder block catches the mark again.
    meter.ShowSamples(Stereo(1024, 32767, 32767));
    EXPECT_DOUBLE_EQ(meter.PeakHold(1), 1.0);
}

// What a display repaints: the pixels between a bar's old and new ends, and
// the old and new places of its mark; nothing when neither moved.
TEST(Span, ABarRepaintsOnlyWhatMoved) {
    EXPECT_TRUE(ChangedBarSpan(50, 120, 50, 120, 2).Empty());
    const Span grown = ChangedBarSpan(50, 120, 80, 120, 2);
    EXPECT_EQ(grown.first, 50);
    EXPECT_EQ(grown.last, 80);
    const Span fell = ChangedBarSpan(80, 120, 80, 118, 2);  // the mark falls by two
    EXPECT_EQ(fell.first, 118);
    EXPECT_EQ(fell.last, 122);
    const Span cleared = ChangedBarSpan(80, 120, 0, -1, 2);
    EXPECT_EQ(cleared.first, 0);
    EXPECT_EQ(cleared.last, 122);
}

// The recorder's own peaks drive the bars as samples of that peak would.
TEST(LevelMeter, ShowsTheRecordersPeaksAsItsSamples) {
    LevelMeter fromPeaks, fromSamples;
    fromPeaks.resize(200, 30);
    fromSamples.resize(200, 30);
    fromPeaks.SetFormat(44100, 2);
    fromSamples.SetFormat(44100, 2);
    fromPeaks.ShowPeaks(32767, 328);
    fromSamples.ShowSamples(Stereo(1024, 32767, 328));
    for (int c : {0, 1}) {
        EXPECT_DOUBLE_EQ(fromPeaks.Level(c), fromSamples.Level(c));
        EXPECT_DOUBLE_EQ(fromPeaks.PeakHold(c), fromSamples.PeakHold(c));
    }
    EXPECT_EQ(fromPeaks.grab().toImage(), fromSamples.grab().toImage());
    // Mono: the left peak drives both bars.
    LevelMeter mono;
    mono.SetFormat(44100, 1);
    mono.ShowPeaks(32767, 0);
    EXPECT_DOUBLE_EQ(mono.Level(1), 1.0);
}

// A steady input asks for no painting at all; a changed one for its columns.
TEST(WaveformView, RepaintsOnlyTheColumnsThatChanged) {
    WaveformView view;
    view.resize(200, 81);
    view.SetFormat(44100, 1);
    view.show();
    Samples block(4096, 0);
    for (std::size_t i = 0; i < 2048; ++i) block[i] = 16000;  // the left half raised
    view.ShowSamples(block);
    PaintPending();
    QRegion asked;
    PaintWatcher watcher(view, asked);
    view.ShowSamples(block);
    PaintPending();
    EXPECT_TRUE(asked.isEmpty()) << "the same block repainted";
    for (std::size_t i = 3072; i < 4096; ++i) block[i] = -16000;  // the last quarter moves
    view.ShowSamples(block);
    PaintPending();
    ASSERT_FALSE(asked.isEmpty());
    EXPECT_GE(asked.boundingRect().left(), 149);
    EXPECT_LE(asked.boundingRect().right(), 199);
}

// Drawn column by column as blocks arrive, the view must show what a view
// that saw only the last block shows.
TEST(WaveformView, ManyBlocksLeaveTheSamePictureAsTheLastAlone) {
    WaveformView running, fresh;
    for (WaveformView* v : {&running, &fresh}) {
        v->resize(320, 80);
        v->SetFormat(44100, 1);
        v->show();
    }
    Samples block(4096);
    for (int b = 0; b < 40; ++b) {
        for (std::size_t i = 0; i < block.size(); ++i)
            block[i] = static_cast<std::int16_t>(
                std::lround(30000 * std::sin(0.001 * static_cast<double>(i * (b % 7 + 1))) *
                            ((b * 37 + static_cast<int>(i) / 500) % 9) / 8.0));
        running.ShowSamples(b == 20 ? Samples{} : block);
        PaintPending();
    }
    fresh.ShowSamples(block);
    PaintPending();
    EXPECT_EQ(running.grab().toImage(), fresh.grab().toImage());
    EXPECT_GT(DrawnPixels(fresh, Background(running)), 320);
}
