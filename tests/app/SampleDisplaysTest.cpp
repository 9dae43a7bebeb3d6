// The two display widgets, rendered offscreen: what they draw follows the samples.
#include <gtest/gtest.h>

#include <QImage>
#include <QThread>
#include <cmath>

#include "app/SampleDisplays.h"

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
