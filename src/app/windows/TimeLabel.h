#pragma once

#include <QLabel>
#include <QStaticText>
#include <array>
#include <map>
#include <vector>

namespace qsr::app {

// The running time of a recording or playback, set several times a second. It is
// a QLabel (its text is what screen readers and tests read), but it paints
// itself: each character from a glyph run laid out once, over its own
// background, so a tick neither shapes the whole text again nor repaints what
// lies beneath the label when no style sheet is in force. A label set up
// otherwise than the running time is (rich text, wrapping, other alignments)
// paints as any label does.
class TimeLabel : public QLabel {
    Q_OBJECT
  public:
    explicit TimeLabel(const QString& text, QWidget* parent = nullptr);

    // Shows `text`; a text of a new length first sizes the label for its
    // widest digits, so no later text of that length is cut and the window
    // never relays out while the time runs.
    void ShowText(const QString& text);

  protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

  private:
    void FitTo(const QString& text);
    QRect ChangedArea(const QString& before, const QString& after);
    int Reach(const QString& text);
    bool PaintsItself() const;
    void SetOpaque();
    // Left edge of each character of a text of this length, relative to the
    // text's start, and the glyph run of one character.
    const std::vector<qreal>& Offsets(const QString& text);
    const QStaticText& Glyph(QChar c);

    QString pattern_;  // the text the offsets were measured on
    std::vector<qreal> offsets_;
    std::map<char16_t, QStaticText> glyphs_;
    // Pixels the glyph of each ASCII character reaches out of its cell (-1:
    // not measured yet); any other character is measured each time, in other_.
    std::array<int, 128> reach_ = MakeUnmeasured();
    int other_ = -1;
    static std::array<int, 128> MakeUnmeasured() {
        std::array<int, 128> a;
        a.fill(-1);
        return a;
    }
};

}  // namespace qsr::app
