// The wrapper over the real library reads the shared tag corpus as its
// manifest says (the files were written by an independent library or by
// hand); damaged files open or not, but never crash.
#include <gtest/gtest.h>

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <filesystem>
#include <map>

#include "fakes/FakeServices.h"
#include "platform/soundlib/RealSoundLibrary.h"
#include "tags/TagFileTable.h"
#include "tags/clsFMOD.h"

using namespace qsr;

namespace {

const std::string kCorpus = QSR_SHARED_CORPUS "/tags/";

class CorpusTags : public ::testing::Test {
  protected:
    void SetUp() override {
        QFile f(QString::fromStdString(kCorpus + "manifest.json"));
        if (!f.open(QIODevice::ReadOnly)) GTEST_SKIP() << "no shared tag corpus";
        manifest = QJsonDocument::fromJson(f.readAll()).object();
        ASSERT_TRUE(fmod.Init(44100, 16));
    }
    std::string Tag(long h, int kind, const std::string& name) {
        return fmod.GetStreamTag(h, kind, name);
    }
    QJsonObject manifest;
    soundlib::RealSoundLibrary lib;
    fakes::FakeMessageBox box;
    tags::clsFMOD fmod{lib, box};
};

}  // namespace

TEST_F(CorpusTags, EveryFileReadsAsItsManifestSays) {
    // The manifest names 2.2 frames as stored; the library gives their 2.3 names.
    const std::map<QString, std::string> v22 = {{"TT2", "TIT2"}, {"TP1", "TPE1"}};
    int checked = 0;
    for (auto it = manifest.begin(); it != manifest.end(); ++it) {
        const std::string file = kCorpus + it.key().toStdString();
        const QJsonObject entry = it.value().toObject();
        if (!entry.contains("v1")) continue;  // the damaged ones: below
        SCOPED_TRACE(file);
        const long h = fmod.GetStreamOpenFile(file, false);
        ASSERT_NE(h, 0) << "error " << lib.GetError();

        const QJsonValue v1 = entry["v1"];
        if (v1.isObject()) {
            const QJsonObject t = v1.toObject();
            EXPECT_EQ(Tag(h, 1, "TITLE"), t["title"].toString().toStdString());
            EXPECT_EQ(Tag(h, 1, "ARTIST"), t["artist"].toString().toStdString());
            EXPECT_EQ(Tag(h, 1, "ALBUM"), t["album"].toString().toStdString());
            EXPECT_EQ(Tag(h, 1, "YEAR"), t["year"].toString().toStdString());
            EXPECT_EQ(Tag(h, 1, "COMMENT"), t["comment"].toString().toStdString());
            const int track = t["track"].toInt();
            EXPECT_EQ(Tag(h, 1, "TRACK"), track ? std::to_string(track) : "");
            EXPECT_EQ(Tag(h, 1, "GENRE"), std::to_string(t["genre"].toInt()));
        } else {
            for (const char* name : {"TITLE", "ARTIST", "GENRE"}) EXPECT_EQ(Tag(h, 1, name), "");
        }

        const QJsonValue v2 = entry["v2"];
        int v2Fields = 0;
        for (long i = 0; i < fmod.GetStreamTagNumTags(h); ++i) {
            int kind = 0;
            std::string name, value;
            ASSERT_TRUE(fmod.GetStreamTagByNum(h, i, kind, name, value));
            v2Fields += kind == 2;
        }
        if (v2.isObject()) {
            const QJsonObject t = v2.toObject();
            for (auto f = t.begin(); f != t.end(); ++f) {
                if (f.key().size() != 3 && f.key().size() != 4) continue;  // TXXX_MOOD …
                if (f.key() == "APIC") continue;
                const std::string id = v22.count(f.key()) ? v22.at(f.key()) : f.key().toStdString();
                // A 2.4 tag has no TYER: its date is in TDRC (checked on its own).
                if (id == "TYER" && f.value().isNull()) continue;
                EXPECT_EQ(Tag(h, 2, id), f.value().toString().toStdString()) << id;
            }
            // The editor's scan shows the year a 2.4 tag keeps in TDRC.
            qsr::tags::TagFileRecord record;
            qsr::tags::FillRecordFromTags(
                record, [&](int kind, const std::string& name) { return Tag(h, kind, name); });
            const std::string date = t.contains("TYER") && !t["TYER"].isNull()
                                         ? t["TYER"].toString().toStdString()
                                         : t["TDRC"].toString().left(4).toStdString();
            EXPECT_EQ(record.v2Year, date);
        } else {
            EXPECT_EQ(v2Fields, 0);
        }
        EXPECT_TRUE(fmod.GetStreamCloseFile(h));
        ++checked;
    }
    EXPECT_GE(checked, 10);  // the corpus holds a dozen and more of them
    EXPECT_TRUE(box.shown.empty());
}

TEST_F(CorpusTags, DamagedFilesNeverCrashTheReader) {
    int seen = 0;
    for (const auto& entry : std::filesystem::directory_iterator(kCorpus)) {
        const long h = fmod.GetStreamOpenFile(entry.path().string(), false);
        if (h == 0) continue;
        for (long i = 0; i < fmod.GetStreamTagNumTags(h); ++i) {
            int kind = 0;
            std::string name, value;
            EXPECT_TRUE(fmod.GetStreamTagByNum(h, i, kind, name, value));
            EXPECT_FALSE(name.empty());
        }
        for (const char* n : {"TIT2", "COMM", "WXXX", "TCON"}) fmod.GetStreamTag(h, 2, n);
        fmod.GetStreamCloseFile(h);
        ++seen;
    }
    EXPECT_GT(seen, 0);
    // Length comes from the demuxer without playing: the corpus files last 1 s.
    const long h = fmod.GetStreamOpenFile(kCorpus + "v1_only.mp3", false);
    EXPECT_EQ(fmod.GetStreamLength(h), 1);
}
