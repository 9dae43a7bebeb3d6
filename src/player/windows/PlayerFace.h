#pragma once

#include <QAbstractButton>
#include <QRect>
#include <QWidget>
#include <cmath>
#include <functional>

#include "player/PlayerRules.h"

class QPainter;

namespace qsr::player {

// The face's pixels for a length in twips, halves away from zero (a title
// scrolled off to the left stands at a negative place).
inline int Px(int twips) {
    return core::TwipsToPixels(twips);
}

// The tops of the two knobs, in twips.
inline constexpr int kKnobTop = 1110;
inline constexpr int kBalanceTop = 795;

// The pictures on the face's keys, drawn by our own hand.
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

// An image button of the face: a dark rounded key with a light glyph.
class FaceButton : public QAbstractButton {
  public:
    FaceButton(Glyph glyph, QWidget* parent);

  protected:
    void paintEvent(QPaintEvent*) override;

  private:
    Glyph glyph_;
};

// A knob that reports the pointer's screen X at press, move and release.
class FaceKnob : public QWidget {
  public:
    std::function<void(int)> onDown, onMove;
    std::function<void()> onUp;

    explicit FaceKnob(QWidget* parent);

  protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent*) override;
};

// What the face's background frames: the title's and the time's glass, and
// the playlist panel's rule when the panel is open.
struct FaceBackground {
    QRect display;
    QRect time;
    bool playlistOpen = false;
};
// The face's body, title strip, glass, knob grooves and their captions.
void PaintFaceBackground(QPainter& g, const QWidget& face, const FaceBackground& what);

}  // namespace qsr::player
