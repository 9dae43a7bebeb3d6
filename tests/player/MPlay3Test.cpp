// The Audio Player window over the fake media control: each test drives the
// handlers the controls call and checks that the window applies the rules.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QAbstractButton>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QTimer>
#include <QWindow>
#include <deque>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <utility>

#include "fakes/FakeMediaControl.h"
#include "fakes/FakeServices.h"
#include "platform/services/windows/Accessibility.h"
#include "player/PlayerRules.h"
#include "player/windows/MPlay3.h"
#include "support/TempDir.h"

namespace qsr::player {
namespace {

struct MPlay3Test : ::testing::Test {
    testing::TempDir dir;
    fakes::FakeMediaControl am1;
    fakes::FakeDesktop desktop;
    std::unique_ptr<MPlay3> w;

    void SetUp() override {
        am1.AddFile("/m/one.mp3", 10);
        am1.AddFile("/m/two.wav", 20);
        am1.AddFile("/m/three.mid", 30);
        am1.AddFile("CDAUDIO:", 300);
        Load();
    }
    void Load() {
        w = std::make_unique<MPlay3>(am1, desktop.Services(), "quorvin", dir.path().string());
        w->Form_Load();
    }
    template <class T = QWidget>
    T* Child(const char* name) {
        auto* c = w->findChild<T*>(name);
        EXPECT_NE(c, nullptr) << name;
        return c;
    }
    // Adds entries through "Add Song" (no playback).
    void Add(std::initializer_list<const char*> paths) {
        for (const char* p : paths) {
            desktop.fileDialog.openAnswers.push_back(p);
            w->Image3_Click();
        }
    }
    int VisibleBars() {
        int n = 0;
        for (int i = 1; i <= 6; ++i)
            n += Child<QLabel>(("LVol" + std::to_string(i)).c_str())->isVisibleTo(w.get());
        return n;
    }
    bool Shown(const char* name) { return Child(name)->isVisibleTo(w.get()); }
};

TEST_F(MPlay3Test, LoadSetsTheStartingStateAndNamesEveryControl) {
    EXPECT_EQ(w->HeightTwips(), 1725);
    EXPECT_EQ(w->height(), 115);
    for (const char* hidden :
         {"toptime", "toppic", "filebar", "listbar", "shuffleon", "repeaton", "pldown", "List1"})
        EXPECT_FALSE(Shown(hidden)) << hidden;
    for (const char* small : {"Image5", "Image6", "Image7", "Image8", "Image16"})
        EXPECT_FALSE(Child(small)->isEnabled()) << small;
    EXPECT_TRUE(Child("play")->isEnabled());
    EXPECT_FALSE(w->Shuffled());
    EXPECT_EQ(w->Title(), "Click \"play\" button to open an audio file");
    EXPECT_EQ(Child<QAbstractButton>("pluss")->toolTip(), "Increase Vloume");
    EXPECT_EQ(Child<QAbstractButton>("openfile")->accessibleName(), "Add Songs");
    EXPECT_TRUE(services::UnnamedControls(w.get()).empty());
    EXPECT_EQ(services::TabOrderProblems(w.get()), std::vector<std::string>{});
}

TEST_F(MPlay3Test, PositionIsRestoredFromTheStoreAndSavedOnUnload) {
    desktop.userSettings.values["quorvin/Audio Player/MAINTOP"] = "1500";
    desktop.userSettings.values["quorvin/Audio Player/MAINLEFT"] = "not a number";
    Load();
    EXPECT_EQ(w->y(), 100);
    w->move(40, 60);
    w->Image1_Click();  // "Exit"
    EXPECT_EQ(desktop.userSettings.values["quorvin/Audio Player/MAINTOP"], "900");
    EXPECT_EQ(desktop.userSettings.values["quorvin/Audio Player/MAINLEFT"], "600");

    // A place no screen shows is not taken.
    desktop.userSettings.values["quorvin/Audio Player/MAINTOP"] = "900000";
    Load();
    EXPECT_NE(QGuiApplication::screenAt(w->geometry().center()), nullptr);
}

TEST_F(MPlay3Test, OpenAddsAndPlaysAddSongOnlyAddsCancelAddsNothing) {
    desktop.fileDialog.openAnswers.push_back("/m/one.mp3");
    w->openfile_Click();
    EXPECT_EQ(desktop.fileDialog.filters.back(), DialogFilter(kFilterF2));
    EXPECT_EQ(am1.FileName(), "/m/one.mp3");
    EXPECT_TRUE(am1.Playing());
    EXPECT_EQ(w->Title(), "one.mp3");
    EXPECT_EQ(Child<QListWidget>("lstfavs")->item(0)->text(), "one.mp3");
    EXPECT_EQ(Child<QListWidget>("List1")->item(0)->text(), "/m/one.mp3");
    // The file that plays is current: its end, the list's last, stops.
    EXPECT_EQ(w->Playlist().Current(), 0);
    am1.Advance(10);
    EXPECT_FALSE(am1.Playing());

    Add({"/m/two.wav"});
    EXPECT_EQ(am1.FileName(), "/m/one.mp3");
    EXPECT_EQ(w->Title(), "two.wav");
    EXPECT_EQ(w->Playlist().Current(), 0);

    w->openfile_Click();  // the dialog is cancelled
    EXPECT_EQ(w->Playlist().Count(), 2);
    EXPECT_EQ(am1.FileName(), "/m/one.mp3");
}

TEST_F(MPlay3Test, AMetafilePlaysItsEntriesAndADamagedOneAddsNothing) {
    const std::string asx = dir.File("mix.asx");
    testing::WriteAll(asx,
                      "<asx><entry><ref href=\"/m/two.wav\"/></entry>"
                      "<entry><ref href=\"/m/one.mp3\"/></entry></asx>");
    desktop.fileDialog.openAnswers.push_back(asx);
    w->openfile_Click();
    EXPECT_EQ(am1.FileName(), "/m/two.wav");
    EXPECT_EQ(w->Playlist().Names(), (std::vector<std::string>{"two.wav", "one.mp3"}));
    EXPECT_EQ(w->Title(), "two.wav");
    const std::string self = dir.File("self.asx");
    testing::WriteAll(self, "<asx><entry><ref href=\"self.asx\"/></entry>");
    desktop.fileDialog.openAnswers.push_back(self);
    w->openfile_Click();
    EXPECT_EQ(w->Playlist().Count(), 2);
    EXPECT_EQ(am1.FileName(), "/m/two.wav");
}

TEST_F(MPlay3Test, ACdTrackPlaysTheDiscButACapitalCdaIsAFile) {
    desktop.fileDialog.openAnswers.push_back("/media/cd/Track01.cda");
    w->openfile_Click();
    EXPECT_EQ(am1.FileName(), "CDAUDIO:");
    EXPECT_EQ(w->Playlist().Paths().back(), "/media/cd/Track01.cda");
    EXPECT_EQ(w->Title(), "Click \"play\" button to open an audio file");
    desktop.fileDialog.openAnswers.push_back("/media/cd/Track02.CDA");
    w->openfile_Click();
    EXPECT_EQ(am1.FileName(), "CDAUDIO:");  // an ordinary file the control cannot open
    EXPECT_EQ(w->Title(), "Track02.CDA");
    EXPECT_EQ(w->Playlist().Count(), 2);
}

TEST_F(MPlay3Test, PlayUsesTheSelectionOrAsksAndTheEntryDoubleClickPlaysIt) {
    Add({"/m/one.mp3", "/m/two.wav"});
    w->play_Click();  // nothing selected: asks, the dialog is cancelled
    EXPECT_EQ(desktop.fileDialog.filters.back(), DialogFilter(kFilterF2));
    EXPECT_EQ(w->Title(), "");
    EXPECT_EQ(am1.FileName(), "");
    Child<QListWidget>("lstfavs")->setCurrentRow(1);
    EXPECT_EQ(w->Playlist().Current(), 1);
    w->play_Click();
    EXPECT_EQ(am1.FileName(), "/m/two.wav");
    EXPECT_EQ(w->Title(), "");  // Play keeps the title
    w->lstfavs_DblClick(0);
    EXPECT_EQ(am1.FileName(), "/m/one.mp3");
    EXPECT_EQ(w->Title(), "one.mp3");
    EXPECT_EQ(Child<QListWidget>("List1")->currentRow(), 0);
    desktop.fileDialog.openAnswers.push_back("/m/three.mid");
    w->lstfavs_DblClick(-1);  // beside the entries
    EXPECT_EQ(desktop.fileDialog.filters.back(), DialogFilter(kFilterF3));
    EXPECT_EQ(am1.FileName(), "/m/three.mid");
    EXPECT_EQ(w->Playlist().Count(), 3);
}

TEST_F(MPlay3Test, TransportOnAnEmptyListDoesNothingAndPauseFirstPlays) {
    w->next_Click();
    w->previous_Click();
    w->pause_Click();
    EXPECT_EQ(Child<QLabel>("Labelpause")->text(), "");
    EXPECT_EQ(am1.FileName(), "");
    desktop.fileDialog.openAnswers.push_back("/m/one.mp3");
    w->openfile_Click();
    am1.Advance(2);
    w->pause_Click();  // first press: plays
    EXPECT_TRUE(am1.Playing());
    EXPECT_EQ(Child<QLabel>("Labelpause")->text(), "Pause");
    w->pause_Click();
    EXPECT_TRUE(am1.Paused());
    EXPECT_EQ(Child<QLabel>("Labelpause")->text(), "Resume");
    w->pause_Click();
    EXPECT_TRUE(am1.Playing());
    EXPECT_DOUBLE_EQ(am1.CurrentPosition(), 2);
    w->stop_Click();
    EXPECT_FALSE(am1.Playing());
    EXPECT_DOUBLE_EQ(am1.CurrentPosition(), 0);
}

TEST_F(MPlay3Test, NextAndPreviousWrapAndSetTheFile) {
    Add({"/m/one.mp3", "/m/two.wav"});
    w->next_Click();
    EXPECT_EQ(am1.FileName(), "/m/one.mp3");
    w->next_Click();
    w->next_Click();
    EXPECT_EQ(am1.FileName(), "/m/one.mp3");
    w->previous_Click();
    EXPECT_EQ(am1.FileName(), "/m/two.wav");
    EXPECT_EQ(Child<QListWidget>("lstfavs")->currentRow(), 1);
    EXPECT_EQ(w->Title(), "two.wav") << "the title names the entry that plays";
    w->next_Click();
    EXPECT_EQ(w->Title(), "one.mp3");
}

// The window's own source: retries in the same millisecond must not draw the
// same entry again, so consecutive draws all differ.
TEST_F(MPlay3Test, TheDefaultRandomSourceIsOneGeneratorSeededOnce) {
    const auto& random = w->RandomSource();
    std::set<double> drawn;
    for (int i = 0; i < 50; ++i) {
        const double r = random();
        EXPECT_GE(r, 0.0);
        EXPECT_LT(r, 1.0);
        drawn.insert(r);
    }
    EXPECT_EQ(drawn.size(), 50u);
}

TEST_F(MPlay3Test, EndOfStreamInOrderAdvancesSkipsBadFilesAndStopsAtTheEnd) {
    Add({"/m/one.mp3", "/m/broken.mp3", "/m/two.wav"});
    w->lstfavs_DblClick(0);
    am1.Advance(10);  // one.mp3 ends; broken.mp3 cannot be opened
    EXPECT_EQ(am1.FileName(), "/m/two.wav");
    EXPECT_TRUE(am1.Playing());
    EXPECT_EQ(w->Title(), "two.wav");
    EXPECT_EQ(w->Playlist().Current(), 2);
    am1.Advance(20);  // the last entry ends: the list stops
    EXPECT_FALSE(am1.Playing());
    EXPECT_EQ(w->Playlist().Current(), 2);
}

TEST_F(MPlay3Test, EndOfStreamWithADuplicateNameGoesToTheFirstOfThem) {
    am1.AddFile("/n/one.mp3", 5);
    Add({"/m/one.mp3", "/m/two.wav", "/n/one.mp3"});
    w->lstfavs_DblClick(1);
    am1.Advance(20);
    EXPECT_EQ(am1.FileName(), "/m/one.mp3");
    EXPECT_EQ(w->Playlist().Current(), 0);
}

// A file refused for a missing module is told in a box, once the handler is
// done; a file's own fault still passes in silence. While the list plays on
// by itself a reason is told once, not once per file; a file the user
// chooses is always answered.
TEST_F(MPlay3Test, AMissingModuleIsToldOnceWhileTheListPlaysOnAndWhenChosen) {
    const QString why = "MIDI files cannot be played: the MIDI module cannot be loaded";
    for (const char* p : {"/m/a.mid", "/m/b.mid", "/m/c.mid"}) am1.AddRefused(p, why);
    Add({"/m/one.mp3", "/m/a.mid", "/m/broken.mp3", "/m/b.mid", "/m/two.wav", "/m/c.mid",
         "/m/three.mid"});
    w->lstfavs_DblClick(0);
    am1.Advance(10);  // one.mp3 ends: a.mid, broken.mp3 and b.mid are passed over
    EXPECT_TRUE(desktop.messageBox.shown.empty());  // not inside the handler
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(desktop.messageBox.Texts(), std::vector<std::string>{why.toStdString()});
    EXPECT_EQ(desktop.messageBox.shown[0].icon, services::MsgIcon::Error);
    EXPECT_EQ(am1.FileName(), "/m/two.wav");
    EXPECT_TRUE(am1.Playing());

    am1.Advance(20);  // two.wav ends: c.mid is passed over without a second box
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(desktop.messageBox.shown.size(), 1u);
    EXPECT_EQ(am1.FileName(), "/m/three.mid");

    w->lstfavs_DblClick(1);  // chosen: answered again, the playing file goes on
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(desktop.messageBox.shown.size(), 2u);
    EXPECT_EQ(am1.FileName(), "/m/three.mid");
    EXPECT_TRUE(am1.Playing());
}

// Events run while the box is up: the playing file ending then and the list
// playing on past more files of the same kind adds no second box.
TEST_F(MPlay3Test, AnEndOfStreamWhileTheBoxIsUpAddsNoSecondBox) {
    const QString midi = "MIDI files cannot be played: the MIDI module cannot be loaded";
    const QString cd = "CDs cannot be played: the CD module cannot be loaded";
    am1.AddRefused("/m/a.mid", midi);
    am1.AddRefused("/m/b.mid", midi);
    am1.AddRefused("CDAUDIO:", cd);
    Add({"/m/one.mp3", "/m/a.mid", "/m/b.mid", "/m/two.wav"});
    w->lstfavs_DblClick(0);
    bool first = true;
    desktop.messageBox.whileShown = [this, &first] {
        if (!std::exchange(first, false)) return;
        am1.Advance(10);  // one.mp3 ends: a.mid and b.mid are passed over
        // A CD chosen meanwhile waits behind the box that is up.
        desktop.fileDialog.openAnswers.push_back("/m/Track01.cda");
        w->openfile_Click();
        QCoreApplication::sendPostedEvents();
    };
    w->lstfavs_DblClick(1);  // chosen while one.mp3 plays
    QCoreApplication::sendPostedEvents();
    EXPECT_EQ(desktop.messageBox.Texts(),
              (std::vector<std::string>{midi.toStdString(), cd.toStdString()}));
    EXPECT_EQ(am1.FileName(), "/m/two.wav");
    EXPECT_TRUE(am1.Playing());
}

TEST_F(MPlay3Test, ShuffleDrawsFromTheRandomSourceAndRepeatReplays) {
    Add({"/m/one.mp3", "/m/two.wav", "/m/broken.mp3", "/m/three.mid"});
    w->shuffle_Click();
    EXPECT_TRUE(w->Shuffled());
    EXPECT_TRUE(Shown("shuffleon"));
    std::deque<double> draws = {0.6, 0.9};  // broken.mp3, then three.mid
    w->SetRandomSource([&draws] {
        const double r = draws.front();
        draws.pop_front();
        return r;
    });
    w->lstfavs_DblClick(0);
    am1.Advance(10);
    EXPECT_EQ(am1.FileName(), "/m/three.mid");  // floor(4 × 0.9) = 3
    EXPECT_TRUE(draws.empty());
    w->repeat_Click();
    EXPECT_TRUE(Shown("repeaton"));
    am1.Advance(30);
    EXPECT_EQ(am1.FileName(), "/m/three.mid");
    EXPECT_TRUE(am1.Playing());
    w->repeat_Click();
    w->shuffle_Click();
    EXPECT_FALSE(w->Shuffled());
    EXPECT_FALSE(Shown("shuffleon"));
}

TEST_F(MPlay3Test, VolumeButtonsStepTheControlShowBarsAndRefusals) {
    w->minus_MouseDown();
    EXPECT_TRUE(Child<QTimer>("TVolum")->isActive());
    for (int i = 0; i < 8; ++i) w->TVolum_Timer();
    EXPECT_EQ(am1.Volume(), -1040);
    EXPECT_EQ(VisibleBars(), 5);
    for (int i = 0; i < 4; ++i) w->TVolum_Timer();
    EXPECT_EQ(am1.Volume(), -1560);
    EXPECT_EQ(VisibleBars(), 4);
    w->volume_MouseUp();
    EXPECT_FALSE(Child<QTimer>("TVolum")->isActive());
    ASSERT_TRUE(am1.SetVolume(0));
    w->pluss_MouseDown();
    w->TVolum_Timer();
    EXPECT_EQ(Child<QLabel>("VolumInd")->text(), "Max");
    EXPECT_EQ(VisibleBars(), 4);  // a refused step leaves the bars
    w->volume_MouseUp();
    EXPECT_EQ(Child<QLabel>("VolumInd")->text(), "");
}

TEST_F(MPlay3Test, PositionKnobSeeksOnReleaseAndFollowsPlayback) {
    Add({"/m/one.mp3"});
    w->Timer55_Timer();  // no file: the knob stays
    EXPECT_EQ(w->SliderLeft(), 120);
    w->lstfavs_DblClick(0);
    w->islider_MouseDown(500);
    w->islider_MouseMove(1000);  // far right: held at 3540
    EXPECT_EQ(w->SliderLeft(), 3540);
    w->Timer55_Timer();  // dragging: not moved by playback
    EXPECT_EQ(w->SliderLeft(), 3540);
    w->islider_MouseUp();
    EXPECT_DOUBLE_EQ(am1.CurrentPosition(), 9);  // floor(3420 / 3540 × 10)
    EXPECT_TRUE(am1.Playing());
    am1.SetCurrentPosition(5);
    w->Timer55_Timer();
    EXPECT_EQ(w->SliderLeft(), 120 + 1770);
    w->Timer5_Timer();
    EXPECT_EQ(Child<QLabel>("Label20")->text(), "00:05");
}

TEST_F(MPlay3Test, BalanceKnobSetsTheBalanceAndTheTitle) {
    w->balance_MouseDown(100);
    w->balance_MouseMove(90);  // 150 twips left of the centre
    EXPECT_EQ(w->BalanceLeft(), 1170);
    EXPECT_EQ(w->Title(), "Left");
    EXPECT_EQ(am1.Balance(), BalanceForKnob(1170));
    w->balance_MouseMove(200);
    EXPECT_EQ(w->BalanceLeft(), 1740);
    EXPECT_EQ(w->Title(), "Right");
    w->balance_MouseUp();
    EXPECT_EQ(am1.Balance(), 10000);
    w->balance_MouseMove(0);  // a move without a press leaves the knob
    EXPECT_EQ(w->BalanceLeft(), 1740);
}

TEST_F(MPlay3Test, SmallModeAndThePlaylistPanelChangeTheHeight) {
    w->Image4_Click();
    EXPECT_EQ(w->HeightTwips(), 230);
    EXPECT_EQ(w->height(), 15);
    EXPECT_TRUE(Shown("toppic"));
    w->Timer3_Timer();
    w->Timer6_Timer();
    EXPECT_TRUE(Shown("toptime"));
    EXPECT_TRUE(Child("Image6")->isEnabled());
    w->Image15_Click();
    EXPECT_EQ(w->HeightTwips(), 1725);
    w->Timer3_Timer();
    w->toppicture_Timer();
    w->Timer6_Timer();
    EXPECT_FALSE(Shown("toptime"));
    EXPECT_FALSE(Shown("toppic"));
    EXPECT_FALSE(Child("Image6")->isEnabled());

    w->plup_MouseDown();
    EXPECT_FALSE(Shown("plup"));
    EXPECT_TRUE(Shown("pldown"));
    EXPECT_EQ(Child("pldown")->pos(), QPoint(232, 54));
    w->pldown_MouseMove();
    EXPECT_EQ(w->HeightTwips(), 5640);
    EXPECT_EQ(w->height(), 376);
    EXPECT_TRUE(Shown("plup"));
    w->plup_MouseDown();
    w->pldown_MouseMove();
    EXPECT_EQ(w->HeightTwips(), 1725);
}

TEST_F(MPlay3Test, PanelsToggleAndOnTopSetsTheWindowHint) {
    w->addfile_Click();
    w->list_Click();
    EXPECT_TRUE(Shown("filebar"));
    EXPECT_TRUE(Shown("listbar"));
    w->addfile_Click();
    EXPECT_FALSE(Shown("filebar"));
    w->Image9_Click();
    ASSERT_NE(w->windowHandle(), nullptr);
    EXPECT_TRUE(w->windowHandle()->flags() & Qt::WindowStaysOnTopHint);
    w->Image9_Click();
    EXPECT_FALSE(w->windowHandle()->flags() & Qt::WindowStaysOnTopHint);
}

TEST_F(MPlay3Test, TheRightClickMenuRunsTheSameCommandsAndTicksTheState) {
    auto* menu = Child<QMenu>("PlayerMenu");
    menu->findChild<QAction*>("mnuShuffle")->trigger();
    menu->findChild<QAction*>("mnuRepeat")->trigger();
    EXPECT_TRUE(w->Shuffled());
    EXPECT_TRUE(w->Repeating());
    emit menu->aboutToShow();
    EXPECT_TRUE(menu->findChild<QAction*>("mnuShuffle")->isChecked());
    EXPECT_FALSE(menu->findChild<QAction*>("mnuOnTop")->isChecked());
    desktop.fileDialog.openAnswers.push_back("/m/two.wav");
    menu->findChild<QAction*>("mnuAddSongs")->trigger();
    EXPECT_EQ(am1.FileName(), "/m/two.wav");
}

TEST_F(MPlay3Test, CaptionShowsTheTitleWhenMinimized) {
    Add({"/m/one.mp3"});
    w->Timer1_Timer();
    EXPECT_EQ(w->windowTitle(), "Audio Player");
    w->show();
    w->Image2_Click();
    w->Timer1_Timer();
    EXPECT_EQ(w->windowTitle(), "Audio Player...one.mp3");
}

TEST_F(MPlay3Test, PlaylistsSaveAndLoadAndAFolderAddsItsFilesInNameOrder) {
    for (const char* name : {"b.wav", "a.MP3", "notes.txt", "c.mid"})
        std::ofstream(dir.File(name)) << "x";
    desktop.folderPicker.answers.push_back(dir.path().string());
    w->directory_Click();
    EXPECT_EQ(w->Playlist().Names(), (std::vector<std::string>{"a.MP3", "b.wav", "c.mid"}));

    const std::string list = dir.File("mine.m3u");
    desktop.fileDialog.saveAnswers.push_back(list);
    w->savelist_Click();
    EXPECT_EQ(desktop.fileDialog.titles.back(), "Save Playlist");
    EXPECT_EQ(desktop.fileDialog.filters.back(), "Playlist(*.M3u) (*.m3u)");
    std::stringstream saved;
    saved << std::ifstream(list).rdbuf();
    EXPECT_EQ(saved.str().substr(0, 8), "#EXTM3U\n");

    // A name without a type gets the filter's ".m3u"; a failed save is said.
    desktop.fileDialog.saveAnswers.push_back(dir.File("my list"));
    w->savelist_Click();
    EXPECT_TRUE(std::filesystem::exists(dir.File("my list.m3u")));
    EXPECT_FALSE(std::filesystem::exists(dir.File("my list")));
    EXPECT_TRUE(desktop.messageBox.shown.empty());
    desktop.fileDialog.saveAnswers.push_back(dir.File("no-such-folder/x.m3u"));
    w->savelist_Click();
    ASSERT_EQ(desktop.messageBox.shown.size(), 1u);
    EXPECT_EQ(desktop.messageBox.shown[0].text.rfind(
                  dir.File("no-such-folder/x.m3u") + " could not be saved: ", 0),
              0u);
    EXPECT_EQ(desktop.messageBox.shown[0].icon, services::MsgIcon::Error);

    Load();  // a new window starts empty
    EXPECT_EQ(w->Playlist().Count(), 0);
    desktop.fileDialog.openAnswers.push_back(list);
    w->LOADLIST_Click();
    EXPECT_EQ(desktop.fileDialog.titles.back(), "Load Playlist");
    EXPECT_EQ(w->Playlist().Paths(),
              (std::vector<std::string>{dir.File("a.MP3"), dir.File("b.wav"), dir.File("c.mid")}));
    w->LOADLIST_Click();  // cancelled
    EXPECT_EQ(w->Playlist().Count(), 3);

    // A named pipe would hold the open until a writer came: refused at once.
    const std::string fifo = dir.File("pipe.m3u");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    desktop.fileDialog.openAnswers.push_back(fifo);
    w->LOADLIST_Click();
    ASSERT_FALSE(desktop.messageBox.shown.empty());
    EXPECT_EQ(desktop.messageBox.shown.back().text, fifo + " is a named pipe, not a file.");
    EXPECT_EQ(desktop.messageBox.shown.back().title, "Quorvin Sound Recorder");
    EXPECT_EQ(w->Playlist().Count(), 3);
}

TEST_F(MPlay3Test, ClocksRunWhilePlayingOrTitledAndNeverWhileHidden) {
    const auto running = [this] {
        std::string on;
        for (const char* name : {"Timer55", "Timer5", "Timer4", "Timer7"})
            if (Child<QTimer>(name)->isActive()) on += std::string(on.empty() ? "" : " ") + name;
        return on;
    };
    w->show();
    EXPECT_EQ(running(), "");  // nothing loaded
    desktop.fileDialog.openAnswers.push_back("/m/one.mp3");
    w->openfile_Click();
    EXPECT_EQ(running(), "Timer55 Timer5 Timer4 Timer7");
    am1.SetCurrentPosition(4);
    w->pause_Click();  // the first press plays on, the second pauses
    w->pause_Click();
    ASSERT_TRUE(am1.Paused());
    EXPECT_EQ(running(), "Timer7");
    EXPECT_EQ(Child<QLabel>("Label20")->text(), "00:04");  // shows where it paused
    w->pause_Click();
    w->hide();
    EXPECT_EQ(running(), "");
    w->show();
    EXPECT_EQ(running(), "Timer55 Timer5 Timer4 Timer7");
    am1.Advance(60);  // the only file ends: the list stops
    EXPECT_EQ(running(), "Timer7");
    w->stop_Click();
    EXPECT_EQ(Child<QLabel>("Label20")->text(), "00:00");
    w->Form_Unload();
    EXPECT_EQ(running(), "");
}

TEST_F(MPlay3Test, TheTitleScrollsAndComesBackFromTheRight) {
    auto* title = Child<QLabel>("Label24");
    const int start = title->x();
    w->Timer7_Timer();
    w->Timer7_Timer();
    w->Timer7_Timer();
    EXPECT_EQ(title->x(), start - 10);  // 150 twips
    for (int i = 0; i < 1000 && title->x() <= start; ++i) w->Timer7_Timer();
    EXPECT_EQ(title->x(), Child("PicDisplay")->width());
}

}  // namespace
}  // namespace qsr::player
