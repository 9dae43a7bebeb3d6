#pragma once

#include <QElapsedTimer>
#include <QImage>
#include <QLine>
#include <QWidget>
#include <array>
#include <cstdint>
#include <vector>

#include "platform/audio-api/Display.h"

namespace qsr::app {

// The pixels a display must repaint along one axis, [first, last); empty when
// nothing it draws has moved, and then it paints nothing.
struct Span {
    int first = 0, last = 0;
    bool Empty() const { return last <= first; }
    void Add(int from, int to);  // widens to take in [from, to)
};
// The span of a bar lit from 0 to `lit` pixels with a mark `mark` pixels
// wide at `markAt` (no mark when markAt < 0), between two states.
Span ChangedBarSpan(int litBefore, int markBefore, int litAfter, int markAfter, int markWidth);

// AV1: the waveform of the latest block (4096 samples by default), drawn as
// one vertical min..max stroke per pixel column. The strokes are computed when
// samples arrive; painting only draws them.
class WaveformView : public QWidget, public audio::ISampleDisplay {
    Q_OBJECT
  public:
    explicit WaveformView(QWidget* parent = nullptr);

    void SetFormat(int rate, int channels) override;
    void SetSamplesPerFrame(int samples) override;
    int SamplesPerFrame() const override { return samplesPerFrame_; }
    void ShowSamples(const audio::Samples& samples) override;

    // What is shown: false after an empty array.
    bool HasWaveform() const { return hasWave_; }
    // Largest absolute value of the last block, 0..1 of full scale.
    double PeakFraction() const { return peak_; }

    QSize sizeHint() const override { return {320, 80}; }

  protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void RebuildStrokes();
    // Draws columns [from, to) of the picture: background, axis, stroke.
    void DrawColumns(int from, int to);
    // Redraws the columns whose stroke moved since the last block; returns them.
    Span MoveStrokes();

    int rate_ = 44100;
    int channels_ = 1;
    int samplesPerFrame_ = 4096;
    bool hasWave_ = false;
    double peak_ = 0;
    // Per-frame mono values of the last block, kept to redraw after a resize.
    std::vector<std::int16_t> mono_;
    std::vector<QLine> strokes_;
    std::vector<QLine> shown_;  // the strokes last asked to be painted
    // What the view shows, kept between paints: a tick redraws only the
    // columns whose stroke moved, and painting copies the picture, which
    // costs less than filling and stroking every column again. Unused (null)
    // on screens that scale pixels, where painting strokes as before.
    QImage picture_;
};

// AudioDisplay1: two bars (left, right) of the latest block's peak level on a
// decibel scale, each with a peak-hold mark that stays a while, then falls.
class LevelMeter : public QWidget, public audio::ISampleDisplay {
    Q_OBJECT
  public:
    explicit LevelMeter(QWidget* parent = nullptr);

    void SetFormat(int rate, int channels) override;
    void SetSamplesPerFrame(int samples) override;
    int SamplesPerFrame() const override { return samplesPerFrame_; }
    void ShowSamples(const audio::Samples& samples) override;
    void ShowPeaks(int left, int right) override;

    // Shown level and held peak of channel 0 (left) or 1 (right), 0..1 of the
    // bar's length (1 = full scale, 0 = silence or cleared).
    double Level(int channel) const { return level_[Index(channel)]; }
    double PeakHold(int channel) const { return hold_[Index(channel)]; }

    static constexpr double kFloorDb = -60.0;      // the bar's empty end
    static constexpr int kHoldMs = 1500;           // a peak mark stays this long
    static constexpr double kFallPerSecond = 0.5;  // then falls by this much of the bar
    static constexpr int kMarkWidth = 2;           // pixels
    static constexpr int kGap = 2;                 // around the bars

    QSize sizeHint() const override { return {200, 28}; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    static int Index(int channel) { return channel <= 0 ? 0 : 1; }
    static double BarFraction(int peakAbs);
    void Show(const std::array<int, 2>& peak);
    // Pixels lit and the mark's place (-1: none) of bar c as last painted.
    int LitPixels(std::size_t c) const;
    int MarkPixel(std::size_t c) const;
    QRect BarRect(int c, const Span& span) const;

    int channels_ = 2;
    int samplesPerFrame_ = 2048;  // values, interleaved: 1024 stereo frames
    std::array<double, 2> level_{};
    std::array<double, 2> hold_{};
    std::array<double, 2> caught_{};  // level the hold mark last caught
    std::array<QElapsedTimer, 2> heldSince_;
};

}  // namespace qsr::app
