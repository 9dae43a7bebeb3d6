// The running time paints itself from glyphs laid out once; what it shows
// must be exactly what a plain label of the same text shows.
#include <gtest/gtest.h>

#include <QImage>
#include <QVBoxLayout>

#include "app/windows/TimeLabel.h"

using qsr::app::TimeLabel;

namespace {

struct Pair {
    QWidget window;
    QLabel* plain;
    TimeLabel* time;
    Pair() {
        auto* layout = new QVBoxLayout(&window);
        plain = new QLabel(&window);
        time = new TimeLabel("0:00.000", &window);
        QFont font = time->font();
        font.setPointSize(font.pointSize() + 10);
        font.setBold(true);
        font.setStyleHint(QFont::Monospace);
        for (QLabel* l : {plain, static_cast<QLabel*>(time)}) {
            l->setFont(font);
            layout->addWidget(l);
        }
        window.show();
    }
    // What each shows, in one pixel format (the running time's is opaque).
    static QImage Pixels(QLabel* l) {
        return l->grab().toImage().convertToFormat(QImage::Format_RGB32);
    }
    bool Same() const { return Pixels(time) == Pixels(plain); }
    // Both labels showing `text`, the plain one at the running time's size.
    void Show(const QString& text) {
        time->ShowText(text);
        plain->setText(text);
        plain->setFixedSize(time->size());
    }
};

}  // namespace

TEST(TimeLabel, PaintsEveryTextAsAPlainLabelDoes) {
    Pair pair;
    for (const char* text :
         {"0:00.000", "0:01.100", "1:15.042", "7:38.519", "12:59.999", "1234:05.678"}) {
        pair.Show(text);
        EXPECT_EQ(pair.time->text(), text);
        EXPECT_TRUE(pair.Same()) << text;
    }
    // Disabled, and under style sheets: the window's (a font size, a background
    // beneath) and the label's own (colour, background, padding).
    for (QLabel* l : {pair.plain, static_cast<QLabel*>(pair.time)}) l->setEnabled(false);
    pair.Show("3:21.000");
    EXPECT_TRUE(pair.Same()) << "disabled";
    pair.window.setStyleSheet(
        "QWidget { font-size: 9pt; } QWidget#w { background-color: #eef1f5; }");
    pair.window.setObjectName("w");
    pair.Show("2:22.222");
    EXPECT_TRUE(pair.Same()) << "window style sheet";
    pair.window.setStyleSheet("QLabel { color: #c03020; background: #202830; padding: 2px; }");
    pair.Show("4:44.444");
    EXPECT_TRUE(pair.Same()) << "style sheet";
}

TEST(TimeLabel, KeepsItsSizeWhileTheTimeRunsAndGrowsForALongerText) {
    Pair pair;
    pair.Show("0:00.000");
    const QSize size = pair.time->size();
    for (const char* text : {"0:11.111", "9:59.999", "0:44.404"}) {
        pair.Show(text);
        EXPECT_EQ(pair.time->size(), size) << text;
    }
    pair.Show("10:00.000");
    EXPECT_GT(pair.time->width(), size.width());
    EXPECT_EQ(pair.time->height(), size.height());
}
