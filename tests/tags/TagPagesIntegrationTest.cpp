// A batch save from the ID3 Editor's pages over copies of the tag corpus,
// through the real sound library (the scan), the real tag classes and the
// engine's TagLib component, read back independently (tag_snapshot.py:
// mutagen for the frames, the ID3v1 block and the audio by hand).
#include <gtest/gtest.h>

#include <QAction>
#include <QCheckBox>
#include <QHeaderView>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>

#include "Corpus.h"
#include "EditorWait.h"
#include "FileRows.h"
#include "cli/Commands.h"
#include "fakes/FakeServices.h"
#include "platform/pulse/RealAudioEngine.h"
#include "platform/services/windows/QtServices.h"
#include "platform/soundlib/SoundLibrary.h"
#include "recording/RecordingSession.h"
#include "support/EventWait.h"
#include "support/Signal.h"
#include "support/TempDir.h"
#include "support/ToneMonitor.h"
#include "tags/windows/Frmid3v.h"

namespace qsr::tags {
namespace {

namespace fs = std::filesystem;

struct Snapshot {
    std::map<std::string, std::string> frames;  // mutagen key -> repr
    QJsonObject v1;                             // empty without a block
    std::string audio;
};

Snapshot Read(const std::string& path) {
    const std::string command = "/usr/bin/python3 '" + std::string(QSR_TAGS_TEST_DIR) +
                                "/tag_snapshot.py' '" + path + "' 2>&1";
    std::string out;
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
    char buf[4096];
    while (std::size_t n = std::fread(buf, 1, sizeof buf, pipe.get())) out.append(buf, n);
    const QJsonObject o = QJsonDocument::fromJson(QByteArray::fromStdString(out)).object();
    if (o.isEmpty()) ADD_FAILURE() << "snapshot: " << out;
    Snapshot s;
    const QJsonObject frames = o["frames"].toObject();
    for (auto it = frames.begin(); it != frames.end(); ++it) {
        s.frames[it.key().toStdString()] = it.value().toString().toStdString();
    }
    s.v1 = o["v1"].toObject();
    s.audio = o["audio"].toString().toStdString();
    return s;
}

std::string Latin1Frame(const std::string& id, const std::string& text) {
    return id + "(encoding=<Encoding.LATIN1: 0>, text=['" + text + "'])";
}

// The editor over the real sound library, tag classes and engine.
struct TagPagesIntegration : ::testing::Test {
    std::unique_ptr<soundlib::ISoundLibrary> library = soundlib::CreateSoundLibrary();
    std::unique_ptr<audio::IAudioEngine> engine = audio::CreateRealAudioEngine();
    fakes::FakeDesktop desktop;
    Frmid3v w{*library, *engine, desktop.Services(), ""};

    testing::FileRows Open(const std::string& folder) {
        w.Form_Load();
        w.UpdateFolder(folder);
        WaitForEditor(w);
        return testing::FileRows(w);
    }
};

TEST_F(TagPagesIntegration, BatchChangesOnlyTheIntendedFieldsAndNamesTheFileItCouldNotWrite) {
    testing::TempDir dir;
    const std::string folder = dir.File("album");
    fs::create_directory(folder);
    const std::vector<std::string> names = {"v23_extra_frames_and_v1", "v23_latin1_twelve",
                                            "v23_extended_header"};
    for (const std::string& name : names) {
        fs::copy_file(testing::TagCorpus() + name + ".mp3", folder + "/" + name + ".mp3");
    }
    fs::copy_file(testing::TagCorpus() + "v1_only.mp3", folder + "/unwritable.mp3");
    std::map<std::string, Snapshot> before;
    for (const std::string& name : names) before[name] = Read(folder + "/" + name + ".mp3");

    const testing::FileRows list = Open(folder);
    ASSERT_EQ(list.Count(), 4);
    for (int i = 0; i < 4; ++i) list.Tick(i);

    // Own values kept, tracks numbered, titles not grabbed.
    for (int i = 0; i < 3; ++i) {
        auto* box = w.findChild<QCheckBox*>(QStringLiteral("chkOpt%1").arg(i));
        if (box->isChecked() != (i < 2)) box->click();
    }
    ASSERT_TRUE(w.findChild<QCheckBox*>("chkv1")->isChecked());
    ASSERT_TRUE(w.findChild<QCheckBox*>("chkv2")->isChecked());
    w.findChild<QLineEdit*>("txtv1_3")->setText("Batch Album");
    w.findChild<QLineEdit*>("txtv2_3")->setText("Batch Album");

    // The write cannot reach a file that became a folder after the scan
    // (the tests run as root, for whom a read-only file is writable).
    const std::string unwritable = folder + "/unwritable.mp3";
    fs::remove(unwritable);
    fs::create_directory(unwritable);
    const int unwritableRow = list.Find("unwritable");
    ASSERT_GE(unwritableRow, 0);
    const QString unwritableTags = list.Text(unwritableRow, 1);
    const TagFileRecord unwritableRecord =
        w.Table()[static_cast<std::size_t>(list.Record(unwritableRow))];

    w.SaveItems();

    WaitForEditor(w);

    int fileIndex = 0;
    for (int i = 0; i < list.Count(); ++i) {
        ++fileIndex;
        const std::string name = list.Text(i, 0).toStdString();
        if (name == "unwritable") continue;
        SCOPED_TRACE(name);
        const Snapshot after = Read(folder + "/" + name + ".mp3");
        const Snapshot& old = before[name];
        EXPECT_EQ(after.audio, old.audio);

        std::map<std::string, std::string> expected = old.frames;
        expected["TALB"] = Latin1Frame("TALB", "Batch Album");
        expected["TRCK"] = Latin1Frame("TRCK", std::to_string(fileIndex));
        EXPECT_EQ(after.frames, expected);

        // A file without an ID3v1 block gets none: its tag box was left as
        // the merge showed it.
        if (old.v1.isEmpty()) {
            EXPECT_TRUE(after.v1.isEmpty());
            EXPECT_EQ(list.Text(i, 1), "ID3v2");
            continue;
        }
        // The two files with an ID3v1 block share genre 17 but not their
        // titles: each keeps its own title and genre.
        EXPECT_EQ(after.v1["album"].toString(), "Batch Album");
        EXPECT_EQ(after.v1["track"].toInt(), fileIndex);
        EXPECT_EQ(after.v1["title"].toString(), old.v1["title"].toString());
        EXPECT_EQ(after.v1["genre"].toInt(), 17);
        for (const char* field : {"artist", "year", "comment"}) {
            EXPECT_EQ(after.v1[field].toString(), "") << field;
        }
        EXPECT_EQ(list.Text(i, 1), "ID3v1 ID3v2");
    }
    EXPECT_EQ(fileIndex, 4);

    ASSERT_EQ(desktop.messageBox.shown.size(), 1u);
    const std::string& message = desktop.messageBox.shown[0].text;
    EXPECT_NE(message.find("unwritable.mp3: ID3v1 tag not written (not a file)"), std::string::npos)
        << message;
    for (const std::string& name : names) EXPECT_EQ(message.find(name), std::string::npos);
    EXPECT_EQ(list.Text(unwritableRow, 1), unwritableTags.trimmed() + " (not saved)");
    const TagFileRecord& now = w.Table()[static_cast<std::size_t>(list.Record(unwritableRow))];
    EXPECT_EQ(now.v1Album, unwritableRecord.v1Album);
    EXPECT_EQ(now.v1Track, unwritableRecord.v1Track);
    EXPECT_EQ(now.hasV2, unwritableRecord.hasV2);
}

// What other programs leave in a folder (editor_folder.py: ffmpeg audio,
// mutagen tags), in dir/name.
std::string OtherProgramsFolder(testing::TempDir& dir, const std::string& name) {
    const std::string folder = dir.File(name);
    fs::create_directory(folder);
    const std::string command = "/usr/bin/python3 '" + std::string(QSR_TAGS_TEST_DIR) +
                                "/editor_folder.py' '" + folder + "'";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    return folder;
}

std::string Bytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// The user's way: Select All from the list's menu, type an album on both
// pages, press Save.
void SelectAllTypeAnAlbumAndSave(Frmid3v& w, const QString& album) {
    w.findChild<QAction*>("menSelect0")->trigger();
    for (const char* name : {"txtv1_3", "txtv2_3"}) {
        auto* box = w.findChild<QLineEdit*>(name);
        ASSERT_TRUE(box->isEnabled()) << name;
        box->clear();
        QTest::keyClicks(box, album);
    }
    w.findChild<QAction*>("tbr1Button2")->trigger();
    WaitForEditor(w);
}

TEST_F(TagPagesIntegration, SelectAllAndAnAlbumChangeOnlyTheAlbumOfEachFile) {
    testing::TempDir dir;
    const std::string folder = OtherProgramsFolder(dir, "mixed");
    std::map<std::string, Snapshot> before;
    for (const auto& e : fs::directory_iterator(folder))
        before[e.path().string()] = Read(e.path().string());
    const std::string wave = Bytes(folder + "/wave.mp3");

    const testing::FileRows list = Open(folder);
    ASSERT_EQ(list.Count(), 6);
    const auto show = [&](const char* name) { list.Select(list.Find(name)); };
    const auto box = [&](const char* name) {
        return w.findChild<QLineEdit*>(name)->text().toStdString();
    };
    // A 2.4 date shows its year; described comments and URLs are not the
    // file's comment or URL.
    show("v24_date");
    EXPECT_EQ(box("txtv2_4"), "1999");
    show("itunes");
    EXPECT_EQ(box("txtv2_1"), "Noon");
    EXPECT_EQ(w.findChild<QPlainTextEdit*>("txtv2_5")->toPlainText(), "");
    EXPECT_EQ(box("txtv2_9"), "");

    SelectAllTypeAnAlbumAndSave(w, "New Album");

    for (const auto& [path, old] : before) {
        SCOPED_TRACE(path);
        const Snapshot now = Read(path);
        if (path == folder + "/wave.mp3") {
            EXPECT_EQ(Bytes(path), wave);
            continue;
        }
        EXPECT_EQ(now.audio, old.audio);
        std::map<std::string, std::string> frames = old.frames;
        // Only files that had an ID3v2 tag get the album there; nobody gets a
        // title, artist or comment of another file.
        if (!old.frames.empty()) frames["TALB"] = Latin1Frame("TALB", "New Album");
        EXPECT_EQ(now.frames, frames);
        QJsonObject v1 = old.v1;
        if (!v1.isEmpty()) v1["album"] = "New Album";
        EXPECT_EQ(now.v1, v1);
    }
    ASSERT_EQ(desktop.messageBox.shown.size(), 1u);
    const std::string& message = desktop.messageBox.shown[0].text;
    EXPECT_NE(message.find("wave.mp3: ID3v1 tag not written (ID3 tags go into MPEG audio files "
                           "only"),
              std::string::npos)
        << message;
    EXPECT_NE(message.find("; ID3v2 tag not written"), std::string::npos) << message;
    for (const char* other : {"v24_date", "itunes", "jazz", "genre200", "untagged"}) {
        EXPECT_EQ(message.find(other), std::string::npos) << other;
    }
}

// Undoes chattr +i, so the folder can be removed.
struct Immutable {
    std::string path;
    ~Immutable() { std::system(("chattr -i '" + path + "' 2>/dev/null").c_str()); }
};

// Three MP3s encoded by ffmpeg and tagged by mutagen, one made immutable
// (chattr +i binds root too, for whom a read-only file is writable); all
// ticked, an album typed, Save: the message names that file with the
// system's reason, the other two hold the album, the list marks the one.
TEST_F(TagPagesIntegration, ABatchSaveNamesTheImmutableFileAndSavesTheOthers) {
    testing::TempDir dir;
    const std::string folder = dir.File("three");
    fs::create_directory(folder);
    const std::vector<std::string> names = {"one", "two", "three"};
    for (const std::string& name : names) {
        const std::string path = folder + "/" + name + ".mp3";
        const std::string command =
            "ffmpeg -v error -f lavfi -i sine=frequency=440:duration=1 -c:a libmp3lame -b:a 64k "
            "-id3v2_version 0 -write_id3v1 0 -y '" +
            path +
            "' && /usr/bin/python3 -c \"from "
            "mutagen import id3; t = id3.ID3(); t.add(id3.TIT2(encoding=3, text='" +
            name + "')); t.save('" + path + "', v2_version=3, v1=0)\"";
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
    }
    const std::string locked = folder + "/two.mp3";
    if (std::system(("chattr +i '" + locked + "' 2>/dev/null").c_str()) != 0)
        GTEST_SKIP() << "chattr +i does not work on the file system of " << folder;
    const Immutable unlock{locked};
    const Snapshot lockedBefore = Read(locked);

    const testing::FileRows list = Open(folder);
    ASSERT_EQ(list.Count(), 3);
    w.findChild<QAction*>("menSelect0")->trigger();
    // The album on both pages; the ID3v1 tag, which none has, is added.
    w.findChild<QCheckBox*>("chkv1")->click();
    for (const char* box : {"txtv1_3", "txtv2_3"}) {
        auto* album = w.findChild<QLineEdit*>(box);
        ASSERT_TRUE(album->isEnabled()) << box;
        QTest::keyClicks(album, "Kept Album");
    }
    w.findChild<QAction*>("tbr1Button2")->trigger();
    WaitForEditor(w);

    ASSERT_EQ(desktop.messageBox.shown.size(), 1u);
    const std::string& message = desktop.messageBox.shown[0].text;
    const std::string why = std::strerror(EPERM);
    EXPECT_NE(message.find("two.mp3: ID3v1 tag not written (" + why +
                           "); ID3v2 tag not written (cannot open: " + why + ")"),
              std::string::npos)
        << message;
    EXPECT_EQ(message.find("one.mp3"), std::string::npos) << message;
    EXPECT_EQ(message.find("three.mp3"), std::string::npos) << message;
    EXPECT_EQ(desktop.messageBox.shown[0].title, "Quorvin Sound Recorder");

    for (const std::string& name : names) {
        SCOPED_TRACE(name);
        const Snapshot after = Read(folder + "/" + name + ".mp3");
        const int row = list.Find(name);
        const QString mark = list.Model().data(list.Model().index(row, 1)).toString();
        if (name == "two") {
            EXPECT_EQ(after.frames, lockedBefore.frames);
            EXPECT_TRUE(after.v1.isEmpty());
            EXPECT_NE(mark.indexOf("not saved"), -1) << mark.toStdString();
            EXPECT_NE(list.Model()
                          .data(list.Model().index(row, 0), Qt::ToolTipRole)
                          .toString()
                          .indexOf(QString::fromUtf8(std::strerror(EPERM))),
                      -1);
        } else {
            EXPECT_EQ(after.frames.at("TALB"), Latin1Frame("TALB", "Kept Album"));
            EXPECT_EQ(after.v1["album"].toString(), "Kept Album");
            EXPECT_EQ(mark, "ID3v1 ID3v2");
        }
    }
}

// What `quorvin-cli tags FILE` prints.
std::string CliTags(audio::IAudioEngine& engine, const std::string& path) {
    std::FILE* out = std::tmpfile();
    EXPECT_EQ(cli::Run(engine, {"tags", path}, out, out), 0);
    std::rewind(out);
    std::string text;
    char buf[4096];
    while (std::size_t n = std::fread(buf, 1, sizeof buf, out)) text.append(buf, n);
    std::fclose(out);
    return text;
}

TEST_F(TagPagesIntegration, TheCommandLinePrintsTheYearTheEditorShows) {
    testing::TempDir dir;
    const std::string folder = OtherProgramsFolder(dir, "dated");
    const testing::FileRows list = Open(folder);
    list.Select(list.Find("v24_date"));
    const std::string shown = w.findChild<QLineEdit*>("txtv2_4")->text().toStdString();
    EXPECT_EQ(shown, "1999");
    const std::string printed = CliTags(*engine, folder + "/v24_date.mp3");
    EXPECT_NE(printed.find("\nv2.tagYear=" + shown + "\n"), std::string::npos) << printed;
    EXPECT_NE(printed.find("\nv2.tagDate=1999-05-04\n"), std::string::npos) << printed;
}

// Clicking "Filename" sorts the list by name, one way and then the other; a
// batch save numbers the files in the order shown. Files encoded and tagged
// by ffmpeg, numbers read back by mutagen.
TEST_F(TagPagesIntegration, TheFilenameHeaderSortsAndTheBatchNumbersInThatOrder) {
    testing::TempDir dir;
    const std::string folder = dir.File("numbered");
    fs::create_directory(folder);
    for (const std::string name : {"track10", "Track1", "track2"}) {
        const std::string command =
            "ffmpeg -v error -f lavfi -i sine=frequency=440:duration=1 -c:a libmp3lame -b:a 64k "
            "-id3v2_version 3 -metadata title=" +
            name + " -y '" + folder + "/" + name + ".mp3'";
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
    }
    const testing::FileRows list = Open(folder);
    ASSERT_EQ(list.Count(), 3);
    w.show();
    QHeaderView* header = list.View().header();
    const auto click = [header](int section) {
        QTest::mouseClick(
            header->viewport(), Qt::LeftButton, {},
            QPoint(header->sectionViewportPosition(section) + 4, header->height() / 2));
    };
    const auto names = [&list] {
        std::vector<std::string> shown;
        for (int row = 0; row < list.Count(); ++row)
            shown.push_back(list.Text(row, 0).toStdString());
        return shown;
    };
    click(0);
    EXPECT_EQ(names(), (std::vector<std::string>{"Track1", "track2", "track10"}));
    click(0);
    const std::vector<std::string> descending = {"track10", "track2", "Track1"};
    EXPECT_EQ(names(), descending);
    EXPECT_EQ(header->sortIndicatorOrder(), Qt::DescendingOrder);
    click(2);  // "Size" does not sort
    EXPECT_EQ(names(), descending);

    w.findChild<QAction*>("menSelect0")->trigger();
    auto* numbering = w.findChild<QCheckBox*>("chkOpt1");
    if (!numbering->isChecked()) numbering->click();
    w.findChild<QAction*>("tbr1Button2")->trigger();
    WaitForEditor(w);
    EXPECT_TRUE(desktop.messageBox.shown.empty());
    for (std::size_t i = 0; i < descending.size(); ++i) {
        const Snapshot after = Read(folder + "/" + descending[i] + ".mp3");
        EXPECT_EQ(after.frames.at("TRCK"), Latin1Frame("TRCK", std::to_string(i + 1)))
            << descending[i];
    }
}

// A recording into the folder while the same save runs: the recorder keeps
// writing the file it has open, so that file is left alone and named.
TEST_F(TagPagesIntegration, TheFileBeingRecordedIsLeftAloneAndKeepsEverySecond) {
    if (!std::getenv("PULSE_SERVER")) GTEST_SKIP() << "no private sound server";
    testing::TempDir dir;
    const std::string folder = OtherProgramsFolder(dir, "recording");
    auto file = engine->CreateFile();
    auto recorder = engine->CreateRecorder();
    ASSERT_TRUE(testing::SelectToneMonitor(*recorder));
    services::QtEventPump pump;
    recording::RecordingSession session(&pump);
    session.Attach(recorder.get(), file.get());
    const std::string recorded = folder + "/rec.mp3";
    ASSERT_TRUE(session.Start(recorded)) << session.LastError();
    session.SetFrameLimit(4LL * recorder->Rate());
    ASSERT_TRUE(testing::RunUntil([&] { return session.FramesWritten() > 0; }, 20000));

    w.SetRecordingQuery([&session, recorded](const std::string& path) {
        return (session.IsRecording() || session.IsStopping()) && path == recorded;
    });
    ASSERT_EQ(Open(folder).Count(), 7);
    SelectAllTypeAnAlbumAndSave(w, "New Album");
    ASSERT_EQ(desktop.messageBox.shown.size(), 1u);
    EXPECT_NE(desktop.messageBox.shown[0].text.find("\nrec.mp3 is being recorded"),
              std::string::npos)
        << desktop.messageBox.shown[0].text;

    ASSERT_TRUE(
        testing::RunUntil([&] { return !session.IsRecording() && !session.IsStopping(); }, 30000));
    EXPECT_EQ(session.WriteError(), "");
    EXPECT_EQ(session.FramesWritten(), 4LL * recorder->Rate());
    const std::string probed = testing::Capture(
        "ffprobe -v error -show_entries format=duration -of default=nw=1:nk=1 '" + recorded + "'");
    EXPECT_NEAR(std::atof(probed.c_str()), 4.0, 0.1) << probed;
}

}  // namespace
}  // namespace qsr::tags
