// The trim window over the real engine on a file ffmpeg made: drag a
// selection on the waveform, keep it, save; ffmpeg reads the result back.
#include <gtest/gtest.h>

#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <filesystem>

#include "fakes/FakeAudio.h"
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

// The real engine's reader with a player the test drives: it takes what the
// window queues and ends when told to.
class HeardEngine : public audio::IAudioEngine {
  public:
    explicit HeardEngine(audio::IAudioEngine& real) : real_(real) {}
    std::unique_ptr<audio::IAudioRecorder> CreateRecorder() override {
        return real_.CreateRecorder();
    }
    std::unique_ptr<audio::IAudioFile> CreateFile() override { return real_.CreateFile(); }
    std::unique_ptr<audio::IAudioPlayer> CreatePlayer() override {
        auto p = std::make_unique<fakes::FakePlayer>();
        player = p.get();
        return p;
    }
    std::unique_ptr<audio::IMp3Settings> CreateMp3Settings() override {
        return real_.CreateMp3Settings();
    }
    std::unique_ptr<audio::IId3v2Tag> CreateId3v2Tag() override { return real_.CreateId3v2Tag(); }
    fakes::FakePlayer* player = nullptr;  // the last made (the window lets it go when it stops)

  private:
    audio::IAudioEngine& real_;
};

// Asks for blocks until the window has queued all it will; what it queued.
std::string Heard(fakes::FakePlayer& player) {
    for (std::size_t n = 0; n != player.queued.size();) {
        n = player.queued.size();
        emit player.RequestOnLoadArray();
    }
    std::string bytes;
    for (const audio::Samples& block : player.queued)
        bytes.append(reinterpret_cast<const char*>(block.data()), block.size() * 2);
    return bytes;
}

// A dragged selection plays exactly its samples, the play position runs to
// its end; after a cut, playing from the cursor goes on past the cut.
TEST(TrimWindow, PlaySelectionPlaysExactlyTheDraggedSpan) {
    TempDir dir;
    const std::string wav = dir.File("take.wav");
    Capture("sox -R -n -r 44100 -c 2 -b 16 '" + wav + "' synth 8 sine 300-3000 whitenoise vol 0.5");
    const std::string pcm = Pcm(wav);
    ASSERT_EQ(pcm.size(), std::size_t{352800} * 4);

    auto real = audio::CreateRealAudioEngine();
    HeardEngine engine(*real);
    TrimWindowDeps deps;
    deps.cacheFolder = dir.File("overviews");
    deps.beingRecorded = [](const std::string&) { return std::string(); };
    TrimWindow w(engine, deps);
    w.show();
    w.OpenFile(wav);
    ASSERT_TRUE(RunUntil([&] { return w.Work().Ready(); }, 60000))
        << w.lblNote->text().toStdString();

    const int y = w.view->height() / 2;
    QTest::mousePress(w.view, Qt::LeftButton, {}, QPoint(w.view->width() / 4, y));
    QTest::mouseMove(w.view, QPoint(w.view->width() / 2, y));
    QTest::mouseRelease(w.view, Qt::LeftButton, {}, QPoint(w.view->width() / 2, y));
    const SampleSpan span = w.view->Selection();
    ASSERT_EQ(span.begin, w.view->FrameAt(w.view->width() / 4));
    ASSERT_GT(span.Length(), 44100);

    EXPECT_EQ(w.cmdPlay->text().toStdString(), "Play selection");
    QTest::mouseClick(w.cmdPlay, Qt::LeftButton);
    ASSERT_NE(engine.player, nullptr);
    EXPECT_EQ(engine.player->status, 1);
    EXPECT_EQ(w.cmdPlay->text().toStdString(), "Stop");
    EXPECT_TRUE(Heard(*engine.player) == pcm.substr(static_cast<std::size_t>(span.begin) * 4,
                                                    static_cast<std::size_t>(span.Length()) * 4));
    // All of it played: the position drawn reaches the selection's end.
    engine.player->played = static_cast<long>(span.Length());
    EXPECT_TRUE(RunUntil([&] { return w.view->PlayPosition() == span.end; }, 10000))
        << w.view->PlayPosition();
    emit engine.player->EndPlay();
    EXPECT_EQ(w.view->PlayPosition(), -1);
    EXPECT_EQ(w.cmdPlay->text().toStdString(), "Play selection");

    // The selection cut out: from the cursor on, what followed it.
    QTest::mouseClick(w.cmdDelete, Qt::LeftButton);
    ASSERT_EQ(w.view->Length(), 352800 - span.Length());
    ASSERT_TRUE(w.view->Selection().Length() == 0);
    const std::int64_t cursor = w.view->Cursor();
    ASSERT_LE(cursor, span.begin);
    QTest::mouseClick(w.cmdPlay, Qt::LeftButton);
    ASSERT_NE(engine.player, nullptr);
    EXPECT_TRUE(Heard(*engine.player) ==
                pcm.substr(static_cast<std::size_t>(cursor) * 4,
                           static_cast<std::size_t>(span.begin - cursor) * 4) +
                    pcm.substr(static_cast<std::size_t>(span.end) * 4));
    emit engine.player->EndPlay();
    EXPECT_EQ(w.cmdPlay->text().toStdString(), "Play selection");
}

// A G.726 file of 2 bits a code (ffmpeg made it): read and cut in the format
// the window is given, the saved file as long as what was kept.
TEST(TrimWindow, HeaderlessFilesAreReadAndCutInTheSettingsFormat) {
    TempDir dir;
    const std::string g726 = dir.File("take.g726");
    Capture(
        "ffmpeg -v error -f lavfi -i 'sine=f=440:d=4:r=8000' -ac 1 -c:a g726 -code_size 2 -f "
        "g726 -y '" +
        g726 + "'");
    auto engine = audio::CreateRealAudioEngine();
    TrimWindowDeps deps;
    deps.cacheFolder = dir.File("overviews");
    deps.beingRecorded = [](const std::string&) { return std::string(); };
    TrimWindow w(*engine, deps);
    TrimWork::Headerless formats;
    formats.readAs = [](audio::IAudioFile& f) { f.SetG726Format(8000, 2); };
    formats.g726Bits = 2;
    w.SetHeaderless(formats);
    w.show();
    w.OpenFile(g726);
    ASSERT_TRUE(RunUntil([&] { return w.Work().Ready(); }, 60000))
        << w.lblNote->text().toStdString();
    EXPECT_EQ(w.view->Length(), 32000);  // 4 s at 8 kHz: 2 bits a code, not the 4 by default

    w.view->SetSelection({8000, 24000});
    QTest::mouseClick(w.cmdKeep, Qt::LeftButton);
    EXPECT_NE(w.lblNote->text().toStdString().find("G.726 is coded again"), std::string::npos)
        << w.lblNote->text().toStdString();
    QTest::mouseClick(w.cmdSave, Qt::LeftButton);
    ASSERT_TRUE(RunUntil([&] { return w.Work().Ready(); }, 60000));
    EXPECT_EQ(w.lblNote->text().toStdString(), "Saved " + g726);
    EXPECT_EQ(Capture("ffmpeg -v error -f g726 -code_size 2 -sample_rate 8000 -i '" + g726 +
                      "' -f s16le -")
                  .size(),
              std::size_t{16000} * 2);
}

}  // namespace
}  // namespace qsr::trim
