// The tag pages of the ID3 Editor over the fake sound library (what the scan
// reads) and the fake engine's ID3v2 store; ID3v1 blocks go to real copies of
// a corpus file through the tag class.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QToolBar>
#include <algorithm>
#include <filesystem>
#include <map>

#include "Corpus.h"
#include "EditorWait.h"
#include "FileRows.h"
#include "fakes/FakeAudio.h"
#include "fakes/FakeServices.h"
#include "fakes/FakeSoundLibrary.h"
#include "support/TempDir.h"
#include "tags/windows/Frmid3v.h"

namespace qsr::tags {
namespace {

namespace fs = std::filesystem;
using Fields = std::vector<soundlib::TagField>;

struct Frmid3vPagesTest : ::testing::Test {
    testing::TempDir dir;
    fakes::FakeSoundLibrary library;
    fakes::FakeAudioEngine engine;
    fakes::FakeDesktop desktop;
    std::unique_ptr<Frmid3v> w;
    std::string folder;

    void SetUp() override {
        w = std::make_unique<Frmid3v>(library, engine, desktop.Services(), "");
        // The scan's worker reads through a library of its own: a copy.
        w->SetScanLibrary([this] {
            auto copy = std::make_unique<fakes::FakeSoundLibrary>(library);
            copy->Close();
            return copy;
        });
        folder = dir.File("album");
        fs::create_directory(folder);
    }

    // A real MP3 without an ID3v1 block, listed with the fields given.
    void AddFile(const std::string& name, Fields fields) {
        const std::string path = folder + "/" + name;
        fs::copy_file(testing::TagCorpus() + "v24_utf8.mp3", path);
        clsID3v1 v1;
        v1.filename(path);
        v1.RemoveTag();
        // The engine's tag component finds the same ID3v2 fields.
        static const std::map<std::string, int> kField = {
            {"TRCK", 1}, {"TIT2", 2}, {"TPE1", 3}, {"TALB", 4}, {"TCON", 6}};
        for (const auto& f : fields) {
            if (f.kind == soundlib::kTagId3v2 && kField.count(f.name))
                engine.tags[path][kField.at(f.name)] = f.value;
        }
        library.AddFile(path, {1000, 4000, std::move(fields)});
    }
    void Load() {
        w->Form_Load();
        w->UpdateFolder(folder);
        WaitForEditor(*w);
    }
    template <class T>
    T* Child(const QString& name) {
        auto* c = w->findChild<T*>(name);
        EXPECT_NE(c, nullptr) << name.toStdString();
        return c;
    }
    testing::FileRows Rows() const { return testing::FileRows(*w); }
    // Rows by the name they show: the list keeps the folder's order.
    int Row(const char* name) {
        const int row = Rows().Find(name);
        EXPECT_GE(row, 0) << name;
        return row;
    }
    QLineEdit* V1(int k) { return Child<QLineEdit>(QStringLiteral("txtv1_%1").arg(k)); }
    QLineEdit* V2(int k) { return Child<QLineEdit>(QStringLiteral("txtv2_%1").arg(k)); }
    void Tick(const char* row) { Rows().Tick(Row(row)); }
    void Select(const char* row) { Rows().Select(Row(row)); }
    std::string Path(const char* row) {
        return w->Table()[static_cast<std::size_t>(Rows().Record(Row(row)))].filename;
    }
    clsID3v1 ReadV1(const char* row) {
        clsID3v1 v1;
        v1.filename(Path(row));
        EXPECT_TRUE(v1.ReadTag());
        return v1;
    }
};

TEST_F(Frmid3vPagesTest, PagesHaveTheirCaptionsLimitsAndEnableRule) {
    AddFile("plain.mp3", {});
    Load();
    // No file to show: nothing to tick.
    EXPECT_FALSE(Child<QCheckBox>("chkv1")->isEnabled());
    EXPECT_FALSE(Child<QCheckBox>("chkv2")->isEnabled());
    Select("plain");
    const int limits[] = {3, 30, 30, 30, 4, 30};
    for (int k = 0; k < 6; ++k) EXPECT_EQ(V1(k)->maxLength(), limits[k]) << k;
    EXPECT_EQ(Child<QCheckBox>("chkv1")->text(), "&ID3v1 tag");
    EXPECT_EQ(Child<QCheckBox>("chkv2")->text(), "&ID3v2 tag");
    EXPECT_EQ(Child<QComboBox>("cmbv1")->count(), 148);
    EXPECT_EQ(Child<QComboBox>("cmbv1")->itemText(17), "Rock");
    EXPECT_TRUE(Child<QComboBox>("cmbv2")->isEditable());
    EXPECT_EQ(Child<QComboBox>("cmbv2")->count(), 148);
    EXPECT_NE(Child<QPlainTextEdit>("txtv2_5"), nullptr);  // the multi-line comment
    QStringList captions;
    for (QAction* a : Child<QToolBar>("tbr1")->actions()) {
        if (!a->isSeparator()) captions << a->text();
    }
    EXPECT_EQ(captions,
              QStringList({"Revert", "Save", "Copy to ID3v1", "Copy from ID3v1", "Playback"}));

    Child<QCheckBox>("chkv1")->click();
    EXPECT_TRUE(V1(1)->isEnabled());
    EXPECT_TRUE(Child<QComboBox>("cmbv1")->isEnabled());
    EXPECT_FALSE(V2(1)->isEnabled());
    Child<QCheckBox>("chkv2")->click();
    EXPECT_TRUE(Child<QPlainTextEdit>("txtv2_5")->isEnabled());
    EXPECT_TRUE(V2(10)->isEnabled());
}

TEST_F(Frmid3vPagesTest, OneRowShowsItsRecordAndTickedRowsTheirMerge) {
    AddFile("a.mp3",
            {{soundlib::kTagId3v1, "TITLE", "Song"}, {soundlib::kTagId3v1, "GENRE", "17"}});
    AddFile("b.mp3", {{soundlib::kTagId3v1, "TITLE", "SONG"},
                      {soundlib::kTagId3v1, "GENRE", "17"},
                      {soundlib::kTagId3v2, "TIT2", "Only v2"},
                      {soundlib::kTagId3v2, "TCOM", "Bach"}});
    AddFile("c.mp3",
            {{soundlib::kTagId3v1, "TITLE", "Other"}, {soundlib::kTagId3v1, "GENRE", "13"}});
    AddFile("d.mp3",
            {{soundlib::kTagId3v1, "TITLE", "None"}, {soundlib::kTagId3v1, "GENRE", "255"}});
    Load();
    ASSERT_EQ(Rows().Count(), 4);

    Select("c");
    EXPECT_EQ(V1(1)->text(), "Other");
    EXPECT_EQ(Child<QComboBox>("cmbv1")->currentIndex(), 13);
    // No genre: no choice, not the genre of the file shown before.
    Select("d");
    EXPECT_EQ(Child<QComboBox>("cmbv1")->currentIndex(), -1);
    Select("c");
    EXPECT_TRUE(Child<QCheckBox>("chkv1")->isChecked());
    EXPECT_FALSE(Child<QCheckBox>("chkv2")->isChecked());
    EXPECT_FALSE(V2(1)->isEnabled());

    Tick("a");
    Tick("b");
    EXPECT_EQ(V1(1)->text().toLower(), "song");
    EXPECT_EQ(Child<QComboBox>("cmbv1")->currentText(), "Rock");
    EXPECT_TRUE(Child<QCheckBox>("chkv2")->isChecked());
    EXPECT_EQ(V2(1)->text(), "Only v2");
    EXPECT_EQ(V2(6)->text(), "Bach");
}

TEST_F(Frmid3vPagesTest, TrackBoxRefusesLettersAndClampsAfterEachKey) {
    AddFile("plain.mp3", {});
    Load();
    Select("plain");
    Child<QCheckBox>("chkv1")->click();
    QLineEdit* track = V1(0);
    track->setFocus();
    const auto type = [&](char c) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(QChar(c)));
        QApplication::sendEvent(track, &press);
        QKeyEvent release(QEvent::KeyRelease, 0, Qt::NoModifier, QString(QChar(c)));
        QApplication::sendEvent(track, &release);
    };
    type('3');
    type('x');
    EXPECT_EQ(track->text(), "3");
    type('0');
    type('0');
    EXPECT_EQ(track->text(), "255");
}

TEST_F(Frmid3vPagesTest, CopyButtonsCarryTheSharedFieldsAndGenre) {
    Load();
    Child<QCheckBox>("chkv2")->click();
    V2(1)->setText("Long title that does not fit thirty bytes");
    V2(6)->setText("Composer stays");
    Child<QComboBox>("cmbv2")->setEditText("Rock");
    w->tbr_ButtonClick(1, 4);
    EXPECT_TRUE(Child<QCheckBox>("chkv1")->isChecked());
    EXPECT_TRUE(V1(1)->isEnabled());
    EXPECT_EQ(V1(1)->text(), "Long title that does not fit t");
    EXPECT_EQ(Child<QComboBox>("cmbv1")->currentIndex(), 17);

    Child<QComboBox>("cmbv2")->setEditText("my own genre");
    w->tbr_ButtonClick(0, 4);
    EXPECT_EQ(Child<QComboBox>("cmbv1")->currentIndex(), -1);

    V1(2)->setText("Artist one");
    Child<QComboBox>("cmbv1")->setCurrentIndex(13);
    Child<QCheckBox>("chkv2")->click();  // untick: the copy ticks it again
    w->tbr_ButtonClick(0, 5);
    EXPECT_TRUE(Child<QCheckBox>("chkv2")->isChecked());
    EXPECT_EQ(V2(2)->text(), "Artist one");
    EXPECT_EQ(V2(6)->text(), "Composer stays");
    EXPECT_EQ(Child<QComboBox>("cmbv2")->currentText(), "Pop");
}

TEST_F(Frmid3vPagesTest, BatchNumbersTicksInListOrderWithProgress) {
    for (const char* name : {"a - one.mp3", "b - two.mp3", "c - three.mp3", "d - skip.mp3"}) {
        AddFile(name, {{soundlib::kTagId3v2, "TIT2", name}});
    }
    Load();
    ASSERT_EQ(Rows().Count(), 4);
    Tick("a - one");
    Tick("b - two");
    Tick("c - three");
    for (int i : {1, 2}) {
        if (!Child<QCheckBox>(QStringLiteral("chkOpt%1").arg(i))->isChecked())
            Child<QCheckBox>(QStringLiteral("chkOpt%1").arg(i))->click();
    }
    EXPECT_TRUE(Child<QCheckBox>("chkOpt0")->isChecked());
    // Only the ID3v2 tag is written.
    Child<QCheckBox>("chkv1")->setChecked(false);
    w->chkv1_Click();

    std::vector<int> progress;
    QObject::connect(Child<QProgressBar>("prb"), &QProgressBar::valueChanged,
                     [&](int value) { progress.push_back(value); });
    w->tbr_ButtonClick(1, 2);
    EXPECT_TRUE(Child<QProgressBar>("prb")->isVisibleTo(w.get()));
    WaitForEditor(*w);
    // From 1 up to the last ticked row, at most one value a file.
    ASSERT_FALSE(progress.empty());
    EXPECT_EQ(progress.front(), 1);
    EXPECT_TRUE(std::is_sorted(progress.begin(), progress.end()));
    EXPECT_LE(progress.back(), 4);
    EXPECT_LE(progress.size(), 4u);
    EXPECT_EQ(Rows().Count(), 4);
    EXPECT_FALSE(Child<QProgressBar>("prb")->isVisibleTo(w.get()));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);

    // Numbered through in list order; titles grabbed from the names.
    int fileIndex = 0;
    for (int i = 0; i < Rows().Count(); ++i) {
        const std::string name = Rows().Text(i, 0).toStdString();
        const std::string path = Path(name.c_str());
        if (!Rows().Ticked(i)) {
            // Not ticked: untouched.
            EXPECT_EQ(engine.tags.at(path), (std::map<int, std::string>{{2, name + ".mp3"}}));
            continue;
        }
        ++fileIndex;
        const auto& stored = engine.tags.at(path);
        EXPECT_EQ(stored.at(1), std::to_string(fileIndex)) << name;
        EXPECT_EQ(stored.at(2), GrabTitle(path)) << name;
        EXPECT_FALSE(stored.at(2).empty());
        EXPECT_EQ(Rows().Text(i, 1), "ID3v2");
    }
    EXPECT_EQ(fileIndex, 3);
    EXPECT_TRUE(desktop.messageBox.shown.empty());
}

TEST_F(Frmid3vPagesTest, SingleSaveWithoutId3v1RemovesItAndRevertShowsTheTable) {
    AddFile("one.mp3", {{soundlib::kTagId3v1, "TITLE", "Keep"}});
    Load();
    Select("one");
    V1(1)->setText("New title");
    Child<QComboBox>("cmbv1")->setCurrentIndex(-1);
    w->tbr_ButtonClick(0, 2);
    WaitForEditor(*w);
    EXPECT_EQ(ReadV1("one").tagTitle(), "New title");
    EXPECT_EQ(ReadV1("one").tagGenre(), 255);  // no genre chosen: none stored
    V1(1)->setText("typed, not saved");
    w->tbr_ButtonClick(0, 1);
    EXPECT_EQ(V1(1)->text(), "New title");

    Child<QCheckBox>("chkv1")->click();
    w->SaveItems();
    WaitForEditor(*w);
    clsID3v1 v1;
    v1.filename(Path("one"));
    EXPECT_FALSE(v1.HasTag());
    EXPECT_EQ(Rows().Text(Row("one"), 1), "");
    EXPECT_FALSE(w->Table()[1].hasV1);
}

TEST_F(Frmid3vPagesTest, NothingToSaveOrRevertDoesNothing) {
    Load();
    V1(1)->setText("typed");
    w->SaveItems();
    WaitForEditor(*w);
    w->tbr_ButtonClick(0, 1);
    EXPECT_EQ(V1(1)->text(), "typed");
    EXPECT_TRUE(engine.tags.empty());
    EXPECT_TRUE(desktop.messageBox.shown.empty());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(Frmid3vPagesTest, GrabbedTitleLabelFollowsTheOption) {
    AddFile("Band - my_song.mp3", {});
    Load();
    Select("Band - my_song");
    QCheckBox* grab = Child<QCheckBox>("chkOpt2");
    if (grab->isChecked()) grab->click();
    EXPECT_EQ(Child<QLabel>("lblTitle")->text(), "");
    grab->click();
    EXPECT_EQ(Child<QLabel>("lblTitle")->text(), "Grabbed title for selected mp3: \nMy Song");
}

}  // namespace
}  // namespace qsr::tags
