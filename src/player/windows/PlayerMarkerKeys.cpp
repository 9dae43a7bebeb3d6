#include "player/windows/PlayerMarkerKeys.h"

#include <QPainter>
#include <QShortcut>
#include <QTimer>
#include <QWidget>
#include <cmath>

#include "platform/mediaplayer/MediaControl.h"
#include "player/MarkerJumps.h"
#include "player/PlayerRules.h"
#include "player/windows/PlayerFace.h"

namespace qsr::player {
namespace {

constexpr int kTwips = 15;      // to a pixel, as the face is laid out
constexpr int kKnobWidth = 16;  // pixels

// The strip under the position knob's groove; the mouse goes through it.
class TickStrip : public QWidget {
  public:
    TickStrip(QWidget* parent, const std::vector<int>& ticks) : QWidget(parent), ticks_(ticks) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setObjectName("MarkerTicks");
        setGeometry(kKnobMin / kTwips, kKnobTop / kTwips + 12,
                    (kKnobMax - kKnobMin) / kTwips + kKnobWidth, 3);
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        for (const int x : ticks_) painter.fillRect(x - this->x() - 1, 0, 2, height(), Qt::yellow);
    }

  private:
    const std::vector<int>& ticks_;
};

}  // namespace

PlayerMarkerKeys::PlayerMarkerKeys(mediaplayer::IMediaControl& control, QWidget& window,
                                   MarkerSeconds markers)
    : QObject(&window), control_(control), markers_(std::move(markers)) {
    auto* previous = new QShortcut(QKeySequence(Qt::Key_PageUp), &window);
    previous->setObjectName("PreviousMarkerKey");
    auto* next = new QShortcut(QKeySequence(Qt::Key_PageDown), &window);
    next->setObjectName("NextMarkerKey");
    connect(previous, &QShortcut::activated, this, &PlayerMarkerKeys::Previous);
    connect(next, &QShortcut::activated, this, &PlayerMarkerKeys::Next);
    strip_ = new TickStrip(&window, ticks_);
    strip_->hide();
    auto* follow = new QTimer(this);
    connect(follow, &QTimer::timeout, this, &PlayerMarkerKeys::Refresh);
    follow->start(500);
}

void PlayerMarkerKeys::Refresh() {
    const std::vector<std::int64_t>& millis = Millis();
    if (control_.Duration() == duration_ && !(ticks_.empty() && !millis.empty())) return;
    duration_ = control_.Duration();
    ticks_.clear();
    for (const std::int64_t ms : millis)
        if (const auto left = KnobLeftForPosition(static_cast<double>(ms) / 1000, duration_))
            ticks_.push_back(*left / kTwips + kKnobWidth / 2);
    strip_->setVisible(!ticks_.empty());
    strip_->raise();
    strip_->update();
}

const std::vector<std::int64_t>& PlayerMarkerKeys::Millis() {
    if (control_.FileName() != file_) {
        file_ = control_.FileName();
        millis_.clear();
        duration_ = -1;  // the ticks follow the new file
        if (markers_ && !file_.isEmpty())
            for (const double s : markers_(file_)) millis_.push_back(std::llround(s * 1000));
    }
    return millis_;
}

void PlayerMarkerKeys::Next() {
    const auto now = std::llround(control_.CurrentPosition() * 1000);
    if (const auto to = NextMarker(Millis(), now)) control_.SetCurrentPosition(*to / 1000.0);
}

void PlayerMarkerKeys::Previous() {
    const auto now = std::llround(control_.CurrentPosition() * 1000);
    // A second back from a marker just reached goes to the one before.
    if (const auto to = PreviousMarker(Millis(), now, 1000))
        control_.SetCurrentPosition(*to / 1000.0);
    else if (!Millis().empty())
        control_.SetCurrentPosition(0);
}

}  // namespace qsr::player
