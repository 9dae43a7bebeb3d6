#pragma once

#include <QWidget>
#include <cstdint>

#include "trim/EditList.h"
#include "trim/Overview.h"

namespace qsr::trim {

// The overview of what the edits leave, drawn column by column, with the
// selection, the cursor and the play position. Positions are frames of the
// edited timeline. The mouse drags a selection, the wheel zooms (with Shift
// it scrolls); the keys move the cursor (Left/Right, Home/End; with Shift
// they select), "[" and "]" set the selection's start and end at the cursor,
// "+" and "-" zoom.
class WaveView : public QWidget {
    Q_OBJECT
  public:
    explicit WaveView(QWidget* parent = nullptr);

    // What to draw: both outlive the view or are set again.
    void SetSound(const Overview* overview, const EditList* edits);
    std::int64_t Length() const { return edits_ ? edits_->Length() : 0; }
    SampleSpan Selection() const;  // empty when nothing is selected
    void SetSelection(SampleSpan span);
    std::int64_t Cursor() const { return cursor_; }
    void SetPlayPosition(std::int64_t position);  // -1 hides it
    std::int64_t PlayPosition() const { return play_; }
    // The frames in view (the scroll bar follows them).
    std::int64_t ViewFrom() const { return from_; }
    std::int64_t ViewLength() const { return span_; }
    void SetView(std::int64_t from, std::int64_t length);
    void Zoom(double factor, std::int64_t around);
    // The frame under a column, and back.
    std::int64_t FrameAt(int x) const;
    int XOf(std::int64_t frame) const;

  signals:
    void Changed();  // the view, the selection or the cursor moved

  protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

  private:
    // Select: a new selection starts here; Extend: it reaches here; Keep: it stays.
    enum class Move { Select, Extend, Keep };
    void MoveCursor(std::int64_t to, Move how);
    const Overview* overview_ = nullptr;
    const EditList* edits_ = nullptr;
    std::int64_t from_ = 0, span_ = 0;
    std::int64_t anchor_ = 0, cursor_ = 0;
    std::int64_t selA_ = 0, selB_ = 0;
    std::int64_t play_ = -1;
};

}  // namespace qsr::trim
