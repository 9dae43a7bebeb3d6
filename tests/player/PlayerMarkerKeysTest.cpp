// Page Down and Page Up in the Audio Player move among the markers of the
// file it plays; each file's markers are read once.
#include <gtest/gtest.h>

#include <QTest>
#include <QWidget>

#include "fakes/FakeMediaControl.h"
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

    ASSERT_TRUE(control.SetFileName("/m/none.mp3"));
    control.SetCurrentPosition(12);
    QTest::keyClick(&window, Qt::Key_PageDown);
    QTest::keyClick(&window, Qt::Key_PageUp);
    EXPECT_DOUBLE_EQ(control.CurrentPosition(), 12);
    EXPECT_EQ(reads, 2);
}

}  // namespace
}  // namespace qsr::player
