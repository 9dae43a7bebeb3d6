// The running time paints itself from glyphs laid out once; what it shows
// must be exactly what a plain label of the same text shows.
#include <gtest/gtest.h>

#include <QImage>
#include <QPaintEvent>
#include <QScreen>
#include <QTest>
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

namespace {

// The parts of a widget its paint events asked for, since the last Take.
struct PaintWatch : QObject {
    QRegion painted;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint) painted += static_cast<QPaintEvent*>(e)->region();
        return false;
    }
    QRegion Take() {
        QRegion r = painted;
        painted = QRegion();
        return r;
    }
};

// What the screen shows of `l` (partly repainted pixels included, unlike grab).
QImage OnScreen(QLabel* l) {
    const QPoint at = l->mapTo(l->window(), QPoint(0, 0));
    return l->screen()
        ->grabWindow(l->window()->winId(), at.x(), at.y(), l->width(), l->height())
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
}

}  // namespace

TEST(TimeLabel, ATickPaintsOnlyTheCellsOfTheCharactersThatChanged) {
    Pair pair;
    PaintWatch watch;
    pair.time->installEventFilter(&watch);
    pair.Show("0:01.234");
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&pair.window));
    ASSERT_TRUE(QTest::qWaitFor([&] { return !watch.painted.isEmpty(); }));
    watch.Take();

    const int width = pair.time->width();
    const auto paintsAfter = [&](const char* text) {
        pair.Show(text);
        QCoreApplication::sendPostedEvents();  // the update request, painted at once
        QCoreApplication::processEvents();
        return watch.Take();
    };
    // The last digit only: a cell at the right end, not the label.
    const QRect last = paintsAfter("0:01.239").boundingRect();
    EXPECT_FALSE(last.isEmpty());
    EXPECT_GT(last.left(), width / 2);
    EXPECT_EQ(last.right(), width - 1);
    EXPECT_TRUE(OnScreen(pair.time) == OnScreen(pair.plain)) << "0:01.239";
    // Seconds and milliseconds: from the seconds on, the minutes untouched.
    const QRect more = paintsAfter("0:02.481").boundingRect();
    EXPECT_GT(more.left(), 0);
    EXPECT_LT(more.left(), last.left());
    EXPECT_TRUE(OnScreen(pair.time) == OnScreen(pair.plain)) << "0:02.481";
    // The same text again paints nothing; a longer one all of it.
    EXPECT_TRUE(paintsAfter("0:02.481").isEmpty());
    const QRect longer = paintsAfter("10:00.000").boundingRect();
    EXPECT_EQ(longer, pair.time->rect());
    EXPECT_TRUE(OnScreen(pair.time) == OnScreen(pair.plain)) << "10:00.000";
    // Under a style sheet the window paints beneath just those cells as well.
    pair.window.setStyleSheet("QWidget#w { background-color: #eef1f5; }");
    pair.window.setObjectName("w");
    pair.Show("10:00.000");
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
    watch.Take();
    EXPECT_GT(paintsAfter("10:00.007").boundingRect().left(), width / 2);
    EXPECT_TRUE(OnScreen(pair.time) == OnScreen(pair.plain)) << "style sheet";
}
