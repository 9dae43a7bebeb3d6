// Page Down and Page Up in the Audio Player move among the markers of the
// file it plays; each file's markers are read once.
#include <gtest/gtest.h>

#include <QTest>
#include <QWidget>

#include "fakes/FakeMediaControl.h"
#include "player/PlayerRules.h"
#include "player/windows/PlayerMarkerKeys.h"

namespace qsr::player {
namespace {

TEST(PlayerMarkerKeys, PageKeysJumpAmongTheMarkersOfThePlayingFile) {
    fakes::FakeMediaControl control;
    control.AddFile("/m/talk.mp3", 60);
    control.AddFile("/m/none.mp3", 60);
    QWidget window;
    int reads = 0;
    new PlayerMarkerKeys(control, window, [&reads](const QString& path) {
        ++reads;
        return path == "/m/talk.mp3" ? std::vector<double>{5.25, 30, 45.5} : std::vector<double>{};
    });
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    ASSERT_TRUE(control.SetFileName("/m/talk.mp3"));
    control.Play();
    control.SetCurrentPosition(10);
    QTest::keyClick(&window, Qt::Key_PageDown);
    EXPECT_DOUBLE_EQ(control.CurrentPosition(), 30);
    QTest::keyClick(&window, Qt::Key_PageDown);
    EXPECT_DOUBLE_EQ(control.CurrentPosition(), 45.5);
    QTest::keyClick(&window, Qt::Key_PageDown);  // none after the last
    EXPECT_DOUBLE_EQ(control.CurrentPosition(), 45.5);
    QTest::keyClick(&window, Qt::Key_PageUp);  // just there: to the one before
    EXPECT_DOUBLE_EQ(control.CurrentPosition(), 30);
    control.SetCurrentPosition(31.5);
    QTest::keyClick(&window, Qt::Key_PageUp);  // more than a second after it: to it
    EXPECT_DOUBLE_EQ(control.CurrentPosition(), 30);
    QTest::keyClick(&window, Qt::Key_PageUp);
    QTest::keyClick(&window, Qt::Key_PageUp);  // before the first: the start
    EXPECT_DOUBLE_EQ(control.CurrentPosition(), 0);
    EXPECT_EQ(reads, 1);
    // A tick for each under the knob's groove, where the knob stands at that time.
    auto* keys = window.findChild<PlayerMarkerKeys*>();
    keys->Refresh();
    ASSERT_EQ(keys->TickXs().size(), 3u);
    for (std::size_t i = 0; i < 3; ++i)
        EXPECT_EQ(keys->TickXs()[i],
                  *KnobLeftForPosition(std::vector<double>{5.25, 30, 45.5}[i], 60) / 15 + 8);
    EXPECT_TRUE(window.findChild<QWidget*>("MarkerTicks")->isVisible());

    ASSERT_TRUE(control.SetFileName("/m/none.mp3"));
    control.SetCurrentPosition(12);
    QTest::keyClick(&window, Qt::Key_PageDown);
    QTest::keyClick(&window, Qt::Key_PageUp);
    EXPECT_DOUBLE_EQ(control.CurrentPosition(), 12);
    EXPECT_EQ(reads, 2);
    keys->Refresh();
    EXPECT_TRUE(keys->TickXs().empty());
    EXPECT_FALSE(window.findChild<QWidget*>("MarkerTicks")->isVisible());
}

}  // namespace
}  // namespace qsr::player
