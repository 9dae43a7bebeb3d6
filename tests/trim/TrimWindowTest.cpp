// The trim window over the real engine on a file ffmpeg made: drag a
// selection on the waveform, keep it, save; ffmpeg reads the result back.
#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <filesystem>

#include "fakes/FakeServices.h"
#include "platform/pulse/RealAudioEngine.h"
#include "support/EventWait.h"
#include "support/Signal.h"
#include "support/TempDir.h"
#include "trim/OverviewCache.h"
#include "trim/windows/TrimWindow.h"
#include "trim/windows/WaveView.h"

namespace qsr::trim {
namespace {

using qsr::testing::Capture;
using qsr::testing::RunUntil;
using qsr::testing::TempDir;

std::string Pcm(const std::string& path) {
    return Capture("ffmpeg -v error -i '" + path + "' -f s16le -");
}

TEST(TrimWindow, ADraggedSelectionIsKeptAndSavedOverTheFile) {
    TempDir dir;
    const std::string wav = dir.File("take.wav");
    Capture(
        "ffmpeg -v error -f lavfi -i 'aevalsrc=0.4*sin(300*t*t)+0.05*random(0):s=44100:d=8' "
        "-ac 2 -metadata title='Take one' -c:a pcm_s16le -y '" +
        wav + "'");
    const std::string before = Pcm(wav);
    ASSERT_EQ(before.size(), std::size_t{352800} * 4);

    auto engine = audio::CreateRealAudioEngine();
    fakes::FakeFileDialog dialog;
    TrimWindowDeps deps;
    deps.cacheFolder = dir.File("overviews");
    deps.beingRecorded = [](const std::string&) { return std::string(); };
    deps.fileDialog = &dialog;
    TrimWindow w(*engine, deps);
    w.show();
    w.OpenFile(wav);
    ASSERT_TRUE(RunUntil([&] { return w.Work().Ready(); }, 60000))
        << w.lblNote->text().toStdString();
    EXPECT_EQ(w.view->Length(), 352800);
    // The overview is kept for the next time the file is opened.
    Overview cached;
    EXPECT_TRUE(LoadOverview(deps.cacheFolder, wav, cached));
    EXPECT_FALSE(w.cmdSave->isEnabled());  // nothing to save yet

    const int y = w.view->height() / 2;
    QTest::mousePress(w.view, Qt::LeftButton, {}, QPoint(w.view->width() / 5, y));
    QTest::mouseMove(w.view, QPoint(w.view->width() / 2, y));
    QTest::mouseRelease(w.view, Qt::LeftButton, {}, QPoint(w.view->width() * 3 / 5, y));
    const SampleSpan span = w.view->Selection();
    ASSERT_GT(span.Length(), 44100) << span.begin << ".." << span.end;
    EXPECT_EQ(span.begin, w.view->FrameAt(w.view->width() / 5));

    ASSERT_TRUE(w.cmdKeep->isEnabled());
    QTest::mouseClick(w.cmdKeep, Qt::LeftButton);
    EXPECT_EQ(w.view->Length(), span.Length());
    // Undo, and keep again from the keyboard: "]" and "[" at the cursor.
    QTest::mouseClick(w.cmdUndo, Qt::LeftButton);
    EXPECT_EQ(w.view->Length(), 352800);
    w.view->setFocus();
    QTest::keyClick(w.view, Qt::Key_Home);
    while (w.view->Cursor() < span.begin) QTest::keyClick(w.view, Qt::Key_Right);
    const std::int64_t from = w.view->Cursor();
    QTest::keyClick(w.view, Qt::Key_BracketLeft);
    while (w.view->Cursor() < span.end) QTest::keyClick(w.view, Qt::Key_Right);
    const std::int64_t to = w.view->Cursor();
    QTest::keyClick(w.view, Qt::Key_BracketRight);
    EXPECT_EQ(w.view->Selection(), (SampleSpan{from, to}));
    QTest::mouseClick(w.cmdKeep, Qt::LeftButton);

    ASSERT_TRUE(w.cmdSave->isEnabled());
    QSignalSpy saved(&w, &TrimWindow::Saved);
    QTest::mouseClick(w.cmdSave, Qt::LeftButton);
    ASSERT_FALSE(w.Work().Ready());
    ASSERT_TRUE(RunUntil([&] { return w.Work().Ready(); }, 60000));
    EXPECT_EQ(w.lblNote->text().toStdString(), "Saved " + wav);
    ASSERT_EQ(saved.count(), 1);  // the list's row learns the new length
    EXPECT_EQ(saved[0][0].toString().toStdString(), wav);
    EXPECT_EQ(saved[0][1].toLongLong(), (to - from) * 1000 / 44100);
    EXPECT_TRUE(Pcm(wav) == before.substr(static_cast<std::size_t>(from) * 4,
                                          static_cast<std::size_t>(to - from) * 4));
    EXPECT_EQ(Capture("ffprobe -v error -show_entries format_tags=title -of default=nw=1:nk=1 '" +
                      wav + "'"),
              "Take one\n");
    // The saved file is the new original: shown whole, nothing to undo.
    EXPECT_EQ(w.view->Length(), to - from);
    EXPECT_FALSE(w.cmdUndo->isEnabled());
}

}  // namespace
}  // namespace qsr::trim
