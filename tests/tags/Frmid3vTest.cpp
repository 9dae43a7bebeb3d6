#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QFrame>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMouseEvent>
#include <QProgressBar>
#include <QTabBar>
#include <QTest>
#include <QTreeView>
#include <QWindow>
#include <condition_variable>
#include <filesystem>
#include <mutex>

#include "Corpus.h"
#include "CorpusManifest.h"
#include "EditorWait.h"
#include "FileRows.h"
#include "fakes/FakeAudio.h"
#include "fakes/FakeServices.h"
#include "fakes/FakeSoundLibrary.h"
#include "platform/services/windows/Accessibility.h"
#include "support/EventWait.h"
#include "support/TempDir.h"
#include "tags/windows/Frmid3v.h"
#include "tags/windows/Frmid3vTree.h"

namespace qsr::tags {
namespace {

namespace fs = std::filesystem;

// Holds a worker at its n-th pass until opened, so a test acts at a known
// moment in the middle of a scan or a save.
struct Gate {
    std::mutex m;
    std::condition_variable cv;
    int passes = 0;
    int holdAt = 0;  // 0: never holds
    bool open = false;
    bool holding = false;
    void Pass() {
        std::unique_lock lock(m);
        if (++passes != holdAt) return;
        holding = true;
        cv.wait(lock, [this] { return open; });
    }
    bool Holding() {
        std::lock_guard lock(m);
        return holding;
    }
    void Open() {
        std::lock_guard lock(m);
        open = true;
        cv.notify_all();
    }
};

// The scan's own library: a copy of the test's fake whose opens pass the gate.
struct GatedLibrary : fakes::FakeSoundLibrary {
    GatedLibrary(const fakes::FakeSoundLibrary& base, Gate& g)
        : fakes::FakeSoundLibrary(base), gate(g) {}
    soundlib::Handle StreamOpen(const std::string& path, int mode) override {
        gate.Pass();
        return fakes::FakeSoundLibrary::StreamOpen(path, mode);
    }
    Gate& gate;
};

// An engine whose ID3v2 components pass the gate as a save makes them.
struct GatedEngine : fakes::FakeAudioEngine {
    explicit GatedEngine(Gate& g) : gate(g) {}
    std::unique_ptr<audio::IId3v2Tag> CreateId3v2Tag() override {
        gate.Pass();
        return fakes::FakeAudioEngine::CreateId3v2Tag();
    }
    Gate& gate;
};

struct Frmid3vTest : ::testing::Test {
    testing::TempDir dir;
    fakes::FakeSoundLibrary library;
    fakes::FakeAudioEngine engine;
    fakes::FakeDesktop desktop;
    Gate gate;
    GatedLibrary* scanLibrary = nullptr;            // the last scan's, owned by the window
    std::unique_ptr<soundlib::ISoundLibrary> real;  // outlives the window
    std::unique_ptr<Frmid3v> w;

    void SetUp() override { w = Window(engine); }
    // The window over the fake library; each scan reads through a copy of it.
    std::unique_ptr<Frmid3v> Window(audio::IAudioEngine& tagEngine) {
        auto window = std::make_unique<Frmid3v>(library, tagEngine, desktop.Services(), "");
        window->SetScanLibrary([this] {
            auto copy = std::make_unique<GatedLibrary>(library, gate);
            copy->Close();
            copy->calls.clear();
            scanLibrary = copy.get();
            return copy;
        });
        return window;
    }

    template <class T>
    T* Child(const char* name) {
        auto* c = w->findChild<T*>(name);
        EXPECT_NE(c, nullptr) << name;
        return c;
    }
    testing::FileRows Rows() const { return testing::FileRows(*w); }
    QTreeView* List() { return w->FileList(); }
    std::string Setting(const char* key) {
        return desktop.userSettings.values[std::string("soundrecord/Settings/") + key];
    }
    void SetSetting(const char* key, const std::string& value) {
        desktop.userSettings.values[std::string("soundrecord/Settings/") + key] = value;
    }
    // A folder of small files the fake library knows; the first n of them tagged.
    std::string ToneFolder(int files) {
        const std::string folder = dir.File("tones");
        fs::create_directory(folder);
        for (int i = 0; i < files; ++i) {
            const std::string path = folder + "/tone" + std::to_string(i) + ".mp3";
            fs::copy_file(testing::TagCorpus() + "v1_only.mp3", path);
            library.AddFile(path, {4 * 60 * 1000 + 1, 8000, {{soundlib::kTagId3v1, "TITLE", "t"}}});
        }
        return folder;
    }
};

// The real sound library reads the tags, as in the program.
TEST_F(Frmid3vTest, ScannedCorpusShowsTheTagsItsManifestImplies) {
    const std::string folder = dir.File("corpus");
    fs::create_directory(folder);
    for (const auto& e : fs::directory_iterator(testing::TagCorpus())) {
        fs::copy_file(e.path(), fs::path(folder) / e.path().filename());
    }
    real = soundlib::CreateSoundLibrary();
    w = std::make_unique<Frmid3v>(*real, engine, desktop.Services(), "");
    w->Form_Load();
    w->UpdateFolder(folder);
    WaitForEditor(*w);

    const auto expected = testing::ExpectedTagsColumns(testing::TagCorpus());
    ASSERT_EQ(Rows().Count(), static_cast<int>(expected.size()));
    for (const auto& [name, tags] : expected) {
        const int row = Rows().Find(fs::path(name).stem().string());
        ASSERT_GE(row, 0) << name;
        if (tags) {
            EXPECT_EQ(Rows().Text(row, 1).toStdString(), *tags) << name;
        }
        const int record = Rows().Record(row);
        ASSERT_GT(record, 0);
        EXPECT_EQ(fs::path(w->Table()[static_cast<std::size_t>(record)].filename).filename(), name);
        // The size column comes from the kB rule with the locale's separator.
        EXPECT_EQ(Rows().Text(row, 2).toStdString(),
                  KilobyteText(static_cast<std::int64_t>(fs::file_size(fs::path(folder) / name)),
                               QLocale().groupSeparator().toStdString()));
        EXPECT_FALSE(Rows().Text(row, 3).isEmpty());
        EXPECT_FALSE(Rows().Ticked(row));
    }
    EXPECT_EQ(w->Table().size(), expected.size() + 1);
    EXPECT_FALSE(Child<QProgressBar>("prb")->isVisible());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    // Widths from the longest texts: the longest name plus its padding.
    QString longestName;
    for (int i = 0; i < Rows().Count(); ++i) {
        if (Rows().Text(i, 0).size() > longestName.size()) longestName = Rows().Text(i, 0);
    }
    EXPECT_EQ(List()->columnWidth(0),
              QFontMetrics(w->font()).horizontalAdvance(longestName) + 480 / 15);
    EXPECT_EQ(List()->columnWidth(1),
              QFontMetrics(w->font()).horizontalAdvance("ID3v1 ID3v2") + 240 / 15);
}

TEST_F(Frmid3vTest, EachFileIsOpenedOnceForItsTags) {
    const std::string folder = ToneFolder(4);
    w->Form_Load();
    w->UpdateFolder(folder);
    WaitForEditor(*w);
    ASSERT_EQ(Rows().Count(), 4);
    EXPECT_EQ(Rows().Text(0, 1), "ID3v1 ");
    ASSERT_NE(scanLibrary, nullptr);
    int opens = 0;
    for (const auto& call : scanLibrary->calls) {
        if (call.rfind("StreamOpen(", 0) == 0) ++opens;
        EXPECT_NE(call, "StreamPlay");
        EXPECT_NE(call, "StreamGetLengthMs");  // no decoder for a tag read
    }
    EXPECT_EQ(opens, 4);
    EXPECT_EQ(scanLibrary->OpenStreams(), 0);
    EXPECT_TRUE(library.calls.empty() || library.calls.back().rfind("StreamOpen", 0) != 0);
}

TEST_F(Frmid3vTest, EmptyFolderListsNothingAndKeepsTheColumns) {
    w->Form_Load();
    std::vector<int> before;
    for (int c = 0; c < 4; ++c) before.push_back(List()->columnWidth(c));
    testing::WriteAll(dir.File("readme.txt"), "x");
    w->UpdateFolder(dir.path().string());
    WaitForEditor(*w);
    EXPECT_EQ(Rows().Count(), 0);
    for (int c = 0; c < 4; ++c)
        EXPECT_EQ(List()->columnWidth(c), before[static_cast<std::size_t>(c)]);
    EXPECT_EQ(w->ShownRecord(), 0);
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(Frmid3vTest, ASecondScanWaitsWhileTheHourglassShows) {
    const std::string folder = ToneFolder(2);
    w->Form_Load();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    w->UpdateFolder(folder);
    WaitForEditor(*w);
    EXPECT_EQ(Rows().Count(), 0);
    QApplication::restoreOverrideCursor();
    w->UpdateFolder(folder);
    WaitForEditor(*w);
    EXPECT_EQ(Rows().Count(), 2);
}

// The first rows and progress show while the scan is still in its third
// file, and a folder picked in the tree meanwhile is listed when it ends: the
// tree, the list and the stored folder agree.
TEST_F(Frmid3vTest, TheScanShowsProgressAtOnceAndAFolderPickedMeanwhileIsListedNext) {
    const std::string folder = ToneFolder(200);
    const std::string other = dir.File("other");
    fs::create_directory(other);
    for (const char* name : {"x.mp3", "y.mp3"}) {
        fs::copy_file(testing::TagCorpus() + "v1_only.mp3", other + "/" + name);
        library.AddFile(other + "/" + name, {1000, 8000, {}});
    }
    w->Form_Load();
    gate.holdAt = 3;
    w->UpdateFolder(folder);
    auto* bar = Child<QProgressBar>("prb");
    ASSERT_TRUE(testing::RunUntil([&] { return gate.Holding() && Rows().Count() >= 1; }, 10000));
    testing::RunFor(100);  // whatever else is queued arrives; the worker is held
    EXPECT_TRUE(bar->isVisibleTo(w.get()));
    EXPECT_EQ(bar->maximum(), 200);
    EXPECT_GE(bar->value(), 1);
    EXPECT_LE(Rows().Count(), 2);
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);

    auto* tree = Child<Frmid3vTree>("ftv");
    tree->SetSelectedFolder(QString::fromStdString(other));
    testing::RunFor(50);  // the tree's queued notice arrives during the scan
    EXPECT_EQ(fs::path(w->Table()[1].filename).parent_path(), fs::path(folder));
    gate.Open();
    ASSERT_TRUE(testing::RunUntil([&] { return !w->Working() && Rows().Count() == 2; }, 20000));
    EXPECT_EQ(fs::path(w->Table()[1].filename).parent_path(), fs::path(other));
    EXPECT_EQ(tree->SelectedFolder().toStdString(), other);
    EXPECT_FALSE(bar->isVisibleTo(w.get()));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    w->reject();
    EXPECT_EQ(Setting("folder"), other);
}

// Exit (as the main window's unload does it) while the scan is in its third
// file: the scan stops after it, the editor unloads, and the rows it had
// queued find the window gone. Run under AddressSanitizer too.
TEST_F(Frmid3vTest, ExitDuringAScanStopsItAfterTheFileInHand) {
    const std::string folder = ToneFolder(40);
    w->Form_Load();
    gate.holdAt = 3;
    w->UpdateFolder(folder);
    ASSERT_TRUE(testing::RunUntil([&] { return gate.Holding(); }, 10000));
    EXPECT_FALSE(w->StopWork(std::chrono::milliseconds(0)));  // held in its file
    gate.Open();
    w->reject();
    EXPECT_FALSE(w->Working());
    EXPECT_FALSE(w->SoundLibraryReady());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_LE(Rows().Count(), 3);
    w.reset();
    testing::RunFor(100);
    EXPECT_EQ(gate.passes, 3);
}

// Exit during a batch save: the file in hand is finished, no other is
// touched, and the window goes only after the worker.
TEST_F(Frmid3vTest, ExitDuringABatchSaveStopsItAfterTheFileInHand) {
    const std::string folder = ToneFolder(8);
    GatedEngine gated(gate);
    w = Window(gated);
    w->Form_Load();
    w->UpdateFolder(folder);
    WaitForEditor(*w);
    ASSERT_EQ(Rows().Count(), 8);
    for (int i = 0; i < 8; ++i) Rows().Tick(i);
    // An ID3v2 tag with an album, added to every file.
    Child<QCheckBox>("chkv2")->click();
    w->findChild<QLineEdit*>("txtv2_3")->setText("Album");
    gate.passes = 0;
    gate.holdAt = 5;  // two components a file: the third file's read
    w->SaveItems();
    ASSERT_TRUE(testing::RunUntil([&] { return gate.Holding(); }, 10000));
    EXPECT_TRUE(Child<QProgressBar>("prb")->isVisibleTo(w.get()));
    EXPECT_FALSE(w->StopWork(std::chrono::milliseconds(0)));
    gate.Open();
    w->reject();
    EXPECT_FALSE(w->Working());
    EXPECT_FALSE(w->SoundLibraryReady());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    w.reset();
    testing::RunFor(100);
    int written = 0;
    for (const auto& [path, fields] : gated.tags) written += fields.count(4) ? 1 : 0;
    EXPECT_EQ(written, 3);
    EXPECT_TRUE(desktop.messageBox.shown.empty());
}

TEST_F(Frmid3vTest, SettingsDefaultsAndRoundTrip) {
    w->Form_Load();
    EXPECT_TRUE(Child<QCheckBox>("chkOpt0")->isChecked());
    EXPECT_FALSE(Child<QCheckBox>("chkOpt1")->isChecked());
    EXPECT_FALSE(Child<QCheckBox>("chkOpt2")->isChecked());
    EXPECT_EQ(w->SplitterLeft(), 3600);
    w->Form_Unload();
    EXPECT_EQ(Setting("opt0"), "1");
    EXPECT_EQ(Setting("opt1"), "0");
    EXPECT_EQ(Setting("opt2"), "0");
    EXPECT_EQ(Setting("folderwidth"), "3600");
    EXPECT_EQ(Setting("folder"), "");

    // Stored values come back, and the stored folder is listed at load.
    const std::string folder = ToneFolder(3);
    SetSetting("opt0", "0");
    SetSetting("opt1", "1");
    SetSetting("opt2", "1");
    SetSetting("folderwidth", "4500");
    SetSetting("folder", folder);
    w = Window(engine);
    w->Form_Load();
    EXPECT_FALSE(Child<QCheckBox>("chkOpt0")->isChecked());
    EXPECT_TRUE(Child<QCheckBox>("chkOpt1")->isChecked());
    EXPECT_TRUE(Child<QCheckBox>("chkOpt2")->isChecked());
    EXPECT_EQ(w->Option(1), 1);
    EXPECT_EQ(w->SplitterLeft(), 4500);
    EXPECT_EQ(Rows().Count(), 0);  // the scan waits for the event loop
    EXPECT_TRUE(testing::RunUntil([&] { return Rows().Count() == 3; }, 5000));

    // A folder change that arrives after the window closed is dropped.
    const std::string one = dir.File("one");
    fs::create_directory(one);
    fs::copy_file(testing::TagCorpus() + "v1_only.mp3", one + "/a.mp3");
    library.AddFile(one + "/a.mp3", {1000, 8000, {}});
    w->Form_Unload();
    w->UpdateFolder(one);
    WaitForEditor(*w);
    EXPECT_EQ(Rows().Count(), 3);
    w->Form_Load();
    EXPECT_TRUE(testing::RunUntil([&] { return Rows().Count() == 3; }, 5000));

    // Changes are written when the window closes.
    Child<QCheckBox>("chkOpt1")->click();
    EXPECT_EQ(w->Option(1), 0);
    w->p_MouseDown();
    w->p_MouseUp(2400 - 4500);  // the boundary at 2400
    w->reject();
    EXPECT_EQ(Setting("opt0"), "0");
    EXPECT_EQ(Setting("opt1"), "0");
    EXPECT_EQ(Setting("opt2"), "1");
    EXPECT_EQ(Setting("folderwidth"), "2410");
    EXPECT_EQ(fs::path(Setting("folder")), fs::path(folder));
    // The wrapper was released: the library is closed.
    EXPECT_FALSE(library.Initialised());
}

TEST_F(Frmid3vTest, SplitterDragMovesThePanesAndDropUsesTheRule) {
    w->Form_Load();
    auto* list = List();
    auto* splitter = Child<QFrame>("p");
    const int listLeft = list->x();
    w->p_MouseMove(300);  // no drag yet: nothing moves
    EXPECT_EQ(list->x(), listLeft);

    // Through real mouse events: press, move 30 px (450 twips) right, release.
    const QPointF at(2, 10);
    QMouseEvent press(QEvent::MouseButtonPress, at, splitter->mapToGlobal(at), Qt::LeftButton,
                      Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(splitter, &press);
    const QPointF to(32, 10);
    QMouseEvent move(QEvent::MouseMove, to, splitter->mapToGlobal(to), Qt::NoButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(splitter, &move);
    // Boundary 3600 + 480: list 120 twips past it, the tree up to it.
    EXPECT_EQ(list->x(), (3600 + 480 + 120) / 15);
    EXPECT_EQ(Child<QWidget>("ftv")->width(), (3600 + 480 - 120) / 15);
    EXPECT_EQ(w->SplitterLeft(), 3600);  // the splitter itself waits for the release
    QMouseEvent release(QEvent::MouseButtonRelease, to, splitter->mapToGlobal(to), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(splitter, &release);
    EXPECT_EQ(w->SplitterLeft(), 3600 + 480 - 90);

    // Far right: pinned at 5410, the panes stay where the last move put them.
    w->p_MouseDown();
    w->p_MouseMove(9000);
    EXPECT_EQ(list->x(), (3600 + 480 + 120) / 15);
    w->p_MouseUp(9000);
    EXPECT_EQ(w->SplitterLeft(), 5410);
}

TEST_F(Frmid3vTest, SelectMenuTicksAndUnticksEveryRow) {
    w->Form_Load();
    w->UpdateFolder(ToneFolder(3));
    WaitForEditor(*w);
    EXPECT_EQ(w->GetSelNum(), 0);
    // A right-button release over the list pops the menu up.
    auto* select = Child<QMenu>("menSelectMenu");
    const QPoint at = List()->viewport()->rect().center();
    QMouseEvent release(QEvent::MouseButtonRelease, at, List()->viewport()->mapToGlobal(at),
                        Qt::RightButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(List()->viewport(), &release);
    EXPECT_TRUE(select->isVisible());
    select->hide();
    w->menSelect_Click(0);
    EXPECT_EQ(w->GetSelNum(), 3);
    Rows().Tick(1, false);
    EXPECT_EQ(w->GetSelNum(), 2);
    // Ticking a row shows its record.
    EXPECT_EQ(w->ShownRecord(), Rows().Record(1));
    w->menSelect_Click(1);
    EXPECT_EQ(w->GetSelNum(), 0);
    // Moving to a row (mouse or keyboard) shows its record as well.
    Rows().Select(2);
    EXPECT_EQ(w->ShownRecord(), Rows().Record(2));
}

// The header takes no focus: the list's menu, opened by the menu key (a
// keyboard context-menu event) or Shift+F10, sorts by "Filename" each way in turn.
TEST_F(Frmid3vTest, TheListMenuKeysReachTheFilenameOrder) {
    w->Form_Load();
    w->UpdateFolder(ToneFolder(3));
    WaitForEditor(*w);
    auto* menu = Child<QMenu>("menSelectMenu");
    auto names = [&] {
        std::vector<std::string> shown;
        for (int i = 0; i < Rows().Count(); ++i) shown.push_back(Rows().Text(i, 0).toStdString());
        return shown;
    };
    auto chooseSort = [&] {
        ASSERT_TRUE(menu->isVisible());
        QKeyEvent f(QEvent::KeyPress, Qt::Key_F, Qt::NoModifier, "f");  // "Sort by &Filename"
        QApplication::sendEvent(menu, &f);
        EXPECT_FALSE(menu->isVisible());
    };
    List()->setFocus();
    Rows().Select(1);
    QContextMenuEvent menuKey(QContextMenuEvent::Keyboard, QPoint(), List()->mapToGlobal(QPoint()));
    QApplication::sendEvent(List(), &menuKey);
    // Under the current row, not at the pointer.
    EXPECT_EQ(menu->pos(), List()->viewport()->mapToGlobal(Rows().Rect(1).bottomLeft()));
    chooseSort();
    EXPECT_EQ(names(), (std::vector<std::string>{"tone0", "tone1", "tone2"}));
    EXPECT_EQ(List()->header()->sortIndicatorOrder(), Qt::AscendingOrder);

    QKeyEvent shiftF10(QEvent::KeyPress, Qt::Key_F10, Qt::ShiftModifier);
    QApplication::sendEvent(List(), &shiftF10);
    chooseSort();
    EXPECT_EQ(names(), (std::vector<std::string>{"tone2", "tone1", "tone0"}));
    EXPECT_EQ(List()->header()->sortIndicatorOrder(), Qt::DescendingOrder);
    EXPECT_EQ(Child<QAction>("menSort")->text(), "Sort by &Filename");
}

TEST_F(Frmid3vTest, PlaybackCommandsGoThroughTheWrapper) {
    w->Form_Load();
    ASSERT_TRUE(w->SoundLibraryReady());
    const std::string folder = ToneFolder(1);
    w->UpdateFolder(folder);
    WaitForEditor(*w);
    auto* menu = Child<QMenu>("menPlaybackMenu");
    EXPECT_FALSE(menu->menuAction()->isVisible());

    // Nothing loaded: the seek commands leave the library alone, silently.
    library.calls.clear();
    w->menPlayback_Click(3);
    w->menPlayback_Click(1);
    w->menJump_Click();
    EXPECT_TRUE(library.calls.empty());
    w->menPlayback_Click(2);  // stop while nothing plays
    EXPECT_TRUE(desktop.messageBox.shown.empty());

    // A release over the list shows the menu; Play takes the selected row's file.
    Rows().Select(0);
    const QPoint at = Rows().Rect(0).center();
    QMouseEvent release(QEvent::MouseButtonRelease, at, List()->viewport()->mapToGlobal(at),
                        Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(List()->viewport(), &release);
    EXPECT_TRUE(menu->menuAction()->isVisible());
    library.calls.clear();
    w->menPlayback_Click(0);
    const std::string file = w->Table()[1].filename;
    EXPECT_EQ(library.calls.at(2), "StreamOpen(" + file + ",131376)");
    EXPECT_NE(std::find(library.calls.begin(), library.calls.end(), "SetVolume(255)"),
              library.calls.end());

    library.Advance(2000);
    library.calls.clear();
    w->menPlayback_Click(4);  // back 5 s from 2 s
    EXPECT_NE(std::find(library.calls.begin(), library.calls.end(), "StreamSetTime(-3000)"),
              library.calls.end());
    w->menPlayback_Click(3);
    w->menPlayback_Click(3);
    library.calls.clear();
    w->menJump_Click();  // 240001 ms long: the half 120000.5 goes to the even 120000
    EXPECT_NE(std::find(library.calls.begin(), library.calls.end(), "StreamSetTime(120000)"),
              library.calls.end());

    // The level display follows the library's levels; pausing silences it.
    w->Playback("pause");
    library.Advance(1000);
    w->Playback("pause");
    w->Playback("forward");
    auto* position = Child<QLabel>("lblPosition");
    EXPECT_TRUE(testing::RunUntil([&] { return position->text() == "2:05 / 4:00"; }, 5000))
        << position->text().toStdString();
    EXPECT_EQ(Child<QProgressBar>("vuLeft")->value(), 50);
    EXPECT_EQ(Child<QProgressBar>("vuRight")->value(), 25);

    // Play again restarts from the start; Stop unloads.
    w->menPlayback_Click(0);
    EXPECT_EQ(position->text(), "0:00 / 4:00");
    w->menPlayback_Click(2);
    EXPECT_EQ(library.OpenStreams(), 0);
    EXPECT_EQ(position->text(), "");
    EXPECT_EQ(Child<QProgressBar>("vuLeft")->value(), 0);
}

TEST_F(Frmid3vTest, AFileTheLibraryCannotPlayIsReportedByTheWrapper) {
    w->Form_Load();
    w->Playback(dir.File("missing.mp3"));
    ASSERT_EQ(desktop.messageBox.shown.size(), 1u);
    EXPECT_EQ(desktop.messageBox.shown[0].text,
              "Could not recognize & play \"" + dir.File("missing.mp3") + "\".");
}

TEST_F(Frmid3vTest, WithoutTheLibraryPlaybackDoesNothing) {
    library.failing.insert("Init");
    w->Form_Load();
    EXPECT_FALSE(w->SoundLibraryReady());
    desktop.messageBox.shown.clear();
    library.calls.clear();
    w->Playback(dir.File("any.mp3"));
    EXPECT_TRUE(library.calls.empty());
}

TEST_F(Frmid3vTest, TabsSwitchThePagesAndEveryControlIsNamed) {
    w->Form_Load();
    auto* v1 = Child<QWidget>("frm0");
    auto* v2 = Child<QWidget>("frm1");
    w->show();
    EXPECT_TRUE(v1->isVisible());
    EXPECT_FALSE(v2->isVisible());
    w->tabs_Click(2);
    EXPECT_FALSE(v1->isVisible());
    EXPECT_TRUE(v2->isVisible());
    EXPECT_EQ(w->windowTitle(), "ID3 Editor");
    EXPECT_EQ(services::UnnamedControls(w.get()), std::vector<std::string>{});
    EXPECT_EQ(services::TabOrderProblems(w.get()), std::vector<std::string>{});
}

// Keyboard only, through the window as a keyboard's keys arrive: Tab reaches
// the list and the tab strip, the arrow key and Ctrl+Tab switch the pages
// from the strip and from inside a page, Tab goes on into the page shown and
// through it to its Save button.
TEST_F(Frmid3vTest, TheKeyboardAloneReachesAndSwitchesThePages) {
    const std::string folder = ToneFolder(2);
    w->Form_Load();
    w->show();
    QApplication::setActiveWindow(w.get());
    ASSERT_TRUE(QTest::qWaitForWindowActive(w.get()));
    w->UpdateFolder(folder);
    WaitForEditor(*w);
    QWindow* window = w->windowHandle();
    const auto press = [window](Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
        QTest::keyClick(window, key, modifiers);
    };
    const auto tabTo = [&](QWidget* control) {
        for (int i = 0; i < 40 && !control->hasFocus(); ++i) press(Qt::Key_Tab);
        return control->hasFocus();
    };
    auto* tabs = Child<QTabBar>("tabs");
    auto* v1 = Child<QWidget>("frm0");
    auto* v2 = Child<QWidget>("frm1");
    ASSERT_TRUE(tabTo(List()));
    press(Qt::Key_Down);  // a file's tags on the pages
    ASSERT_TRUE(tabTo(tabs));

    press(Qt::Key_Right);
    EXPECT_TRUE(v2->isVisible());
    EXPECT_FALSE(v1->isVisible());
    press(Qt::Key_Tab);
    EXPECT_TRUE(Child<QWidget>("chkv2")->hasFocus());

    press(Qt::Key_Tab, Qt::ControlModifier);  // from inside the ID3v2 page
    EXPECT_TRUE(v1->isVisible());
    EXPECT_FALSE(v2->isVisible());
    EXPECT_TRUE(Child<QWidget>("chkv1")->hasFocus());
    press(Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_TRUE(v2->isVisible());
    EXPECT_TRUE(Child<QWidget>("chkv2")->hasFocus());
    press(Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_TRUE(v1->isVisible());
    EXPECT_FALSE(v2->isVisible());
    press(Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_TRUE(v2->isVisible());

    // On through the page: its boxes, then its toolbar's Save.
    EXPECT_TRUE(tabTo(Child<QWidget>("tbr1Button2Tool")));
    EXPECT_TRUE(v2->isAncestorOf(QApplication::focusWidget()));
}

}  // namespace
}  // namespace qsr::tags
