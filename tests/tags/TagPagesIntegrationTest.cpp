// A batch save from the ID3 Editor's pages over copies of the tag corpus,
// through the real sound library (the scan), the real tag classes and the
// engine's TagLib component, read back independently (tag_snapshot.py:
// mutagen for the frames, the ID3v1 block and the audio by hand).
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QTreeWidget>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>

#include "Corpus.h"
#include "fakes/FakeServices.h"
#include "platform/audio/RealAudioEngine.h"
#include "platform/soundlib/SoundLibrary.h"
#include "support/TempDir.h"
#include "tags/Frmid3v.h"

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

TEST(TagPagesIntegration, BatchChangesOnlyTheIntendedFieldsAndNamesTheFileItCouldNotWrite) {
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

    auto library = soundlib::CreateSoundLibrary();
    auto engine = audio::CreateRealAudioEngine();
    fakes::FakeDesktop desktop;
    Frmid3v w(*library, *engine, desktop.Services(), "");
    w.Form_Load();
    w.UpdateFolder(folder);
    auto* list = w.findChild<QTreeWidget*>("lvw");
    ASSERT_EQ(list->topLevelItemCount(), 4);
    for (int i = 0; i < 4; ++i) list->topLevelItem(i)->setCheckState(0, Qt::Checked);

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
    QTreeWidgetItem* unwritableRow =
        list->findItems("unwritable", Qt::MatchExactly, 0).value(0, nullptr);
    ASSERT_NE(unwritableRow, nullptr);
    const QString unwritableTags = unwritableRow->text(1);
    const TagFileRecord unwritableRecord =
        w.Table()[static_cast<std::size_t>(unwritableRow->data(0, Qt::UserRole).toInt())];

    w.SaveItems();

    int fileIndex = 0;
    for (int i = 0; i < list->topLevelItemCount(); ++i) {
        ++fileIndex;
        const std::string name = list->topLevelItem(i)->text(0).toStdString();
        if (name == "unwritable") continue;
        SCOPED_TRACE(name);
        const Snapshot after = Read(folder + "/" + name + ".mp3");
        const Snapshot& old = before[name];
        EXPECT_EQ(after.audio, old.audio);

        std::map<std::string, std::string> expected = old.frames;
        expected["TALB"] = Latin1Frame("TALB", "Batch Album");
        expected["TRCK"] = Latin1Frame("TRCK", std::to_string(fileIndex));
        EXPECT_EQ(after.frames, expected);

        // The two files with an ID3v1 block share genre 17 but not their
        // titles: the genre box counts for every file, each keeps its title.
        EXPECT_EQ(after.v1["album"].toString(), "Batch Album");
        EXPECT_EQ(after.v1["track"].toInt(), fileIndex);
        EXPECT_EQ(after.v1["title"].toString(), old.v1["title"].toString());
        EXPECT_EQ(after.v1["genre"].toInt(), 17);
        for (const char* field : {"artist", "year", "comment"}) {
            EXPECT_EQ(after.v1[field].toString(), "") << field;
        }
        EXPECT_EQ(list->topLevelItem(i)->text(1), "ID3v1 ID3v2");
    }
    EXPECT_EQ(fileIndex, 4);

    ASSERT_EQ(desktop.messageBox.shown.size(), 1u);
    const std::string& message = desktop.messageBox.shown[0].text;
    EXPECT_NE(message.find("unwritable.mp3: ID3v1 tag not written (not a file)"), std::string::npos)
        << message;
    for (const std::string& name : names) EXPECT_EQ(message.find(name), std::string::npos);
    EXPECT_EQ(unwritableRow->text(1), unwritableTags);
    const TagFileRecord& now =
        w.Table()[static_cast<std::size_t>(unwritableRow->data(0, Qt::UserRole).toInt())];
    EXPECT_EQ(now.v1Album, unwritableRecord.v1Album);
    EXPECT_EQ(now.v1Track, unwritableRecord.v1Track);
    EXPECT_EQ(now.hasV2, unwritableRecord.hasV2);
}

}  // namespace
}  // namespace qsr::tags
