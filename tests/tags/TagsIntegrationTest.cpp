#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "Corpus.h"
#include "cli/Commands.h"
#include "platform/pulse/RealAudioEngine.h"
#include "platform/taglib/TagLibId3v2Tag.h"
#include "support/TempDir.h"
#include "tags/clsID3v1.h"
#include "tags/clsID3v23.h"

using qsr::tags::clsID3v1;
using qsr::tags::clsID3v23;
using qsr::testing::ReadAll;
using qsr::testing::TempDir;

namespace {

const std::string kData = QSR_TEST_DATA;
const std::string kCorpus = qsr::testing::TagCorpus();
const std::string kDumper = std::string(QSR_TAGS_TEST_DIR) + "/dump_tags.py";

std::string Shell(const std::string& command) {
    std::string out;
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
    if (!pipe) return out;
    char buf[4096];
    while (std::size_t n = std::fread(buf, 1, sizeof buf, pipe.get())) out.append(buf, n);
    return out;
}

std::string Quote(const std::string& s) {
    return "'" + s + "'";
}

// What mutagen (Debian's, under /usr/bin/python3) reads from the file.
QJsonObject Mutagen(const std::string& path) {
    const std::string json =
        Shell("/usr/bin/python3 " + Quote(kDumper) + " " + Quote(path) + " 2>&1");
    const QJsonObject object = QJsonDocument::fromJson(QByteArray::fromStdString(json)).object();
    if (object.isEmpty()) ADD_FAILURE() << "mutagen: " << json;
    return object;
}

std::string Str(const QJsonObject& o, const char* key) {
    return o[key].toString().toStdString();
}

std::string Copy(const TempDir& dir, const std::string& from, const std::string& name) {
    const auto to = dir.File(name);
    std::filesystem::copy_file(from, to);
    std::filesystem::permissions(to, std::filesystem::perms::owner_write,
                                 std::filesystem::perm_options::add);
    return to;
}

void SetAll(clsID3v23& v2) {
    v2.tagTrack("3/12");
    v2.tagTitle("Blue Train");
    v2.tagArtist("Ærø Песня");  // no Latin-1 form: UTF-16
    v2.tagAlbum("Night Sessions");
    v2.tagYear("1999");
    v2.tagGenre("(8)Jazz");
    v2.tagComments("über live");  // Latin-1
    v2.tagComposer("J. Writer");
    v2.tagOrigArtist("Original Band");
    v2.tagCopyright("2001 Label");
    v2.tagURL("http://music.example/blue");
    v2.tagEncodedBy("Studio Encoder");
}

}  // namespace

TEST(TagsIntegration, IndependentReadersAgreeWithOurWrites) {
    TempDir dir;
    const auto path = Copy(dir, kData + "/tone_notag.mp3", "song.mp3");
    const auto audio = ReadAll(path);
    auto engine = qsr::audio::CreateRealAudioEngine();

    clsID3v23 v2(*engine);
    v2.filename(path);
    SetAll(v2);
    ASSERT_TRUE(v2.SaveTag());
    clsID3v1 v1;
    v1.filename(path);
    v1.tagTitle("Blue Train");
    v1.tagArtist("Ærø Песня");
    v1.tagAlbum("Night Sessions");
    v1.tagYear("1999");
    v1.tagComments("über live");
    v1.tagTrack(3);
    v1.tagGenre(8);
    ASSERT_TRUE(v1.SaveTag());

    const QJsonObject m = Mutagen(path);
    ASSERT_FALSE(m.isEmpty()) << "mutagen gave no answer";
    EXPECT_EQ(m["v2version"].toInt(), 3);
    const QJsonObject t = m["v2"].toObject();
    EXPECT_EQ(Str(t, "TRCK"), "3/12");
    EXPECT_EQ(Str(t, "TIT2"), "Blue Train");
    EXPECT_EQ(Str(t, "TPE1"), "Ærø Песня");
    EXPECT_EQ(t["TPE1.encoding"].toInt(), 1);  // UTF-16 with BOM
    EXPECT_EQ(t["TIT2.encoding"].toInt(), 0);  // Latin-1
    EXPECT_EQ(Str(t, "TALB"), "Night Sessions");
    EXPECT_EQ(Str(t, "TYER"), "1999");
    EXPECT_EQ(Str(t, "TCON"), "(8)Jazz");
    EXPECT_EQ(Str(t, "COMM"), "über live");
    EXPECT_EQ(Str(t, "TCOM"), "J. Writer");
    EXPECT_EQ(Str(t, "TOPE"), "Original Band");
    EXPECT_EQ(Str(t, "TCOP"), "2001 Label");
    EXPECT_EQ(Str(t, "WXXX"), "http://music.example/blue");
    EXPECT_EQ(Str(t, "TENC"), "Studio Encoder");
    const QJsonObject one = m["v1"].toObject();
    EXPECT_EQ(Str(one, "TIT2"), "Blue Train");
    EXPECT_EQ(Str(one, "TPE1"), "Ærø ?????");
    EXPECT_EQ(Str(one, "COMM"), "über live");
    EXPECT_EQ(Str(one, "TRCK"), "3");
    EXPECT_EQ(Str(one, "TCON"), "8");

    // id3v2 reads the same frames.
    const std::string listing = Shell("id3v2 -l " + Quote(path));
    for (const char* line :
         {"TIT2 (Title/songname/content description): Blue Train", "TYER (Year): 1999",
          "TRCK (Track number/Position in set): 3/12", "TALB (Album/Movie/Show title): Night",
          "TCOM (Composer): J. Writer", "TENC (Encoded by): Studio Encoder",
          "TCOP (Copyright message): 2001 Label", "http://music.example/blue",
          "TOPE (Original artist(s)/performer(s)): Original Band", "über live"}) {
        EXPECT_NE(listing.find(line), std::string::npos) << line << "\n" << listing;
    }

    // And ours reads back what it wrote.
    clsID3v23 back(*engine);
    back.filename(path);
    ASSERT_TRUE(back.ReadTag());
    EXPECT_EQ(back.tagArtist(), "Ærø Песня");
    EXPECT_EQ(back.tagGenre(), "(8)Jazz");
    EXPECT_EQ(back.tagTrimmedGenre(), "Jazz");
    EXPECT_EQ(back.tagYear(), "1999");
    EXPECT_EQ(back.tagURL(), "http://music.example/blue");

    // Removing each tag leaves the other alone; removing both restores the audio.
    const auto withBoth = ReadAll(path);
    ASSERT_TRUE(v2.RemoveTag());
    EXPECT_FALSE(v2.HasTag());
    EXPECT_TRUE(v1.HasTag());
    EXPECT_EQ(ReadAll(path).substr(ReadAll(path).size() - 128),
              withBoth.substr(withBoth.size() - 128));
    ASSERT_TRUE(v1.RemoveTag());
    EXPECT_EQ(ReadAll(path), audio);
}

TEST(TagsIntegration, SavingOneFieldEmptiesTheOthersAndKeepsForeignFrames) {
    TempDir dir;
    const auto path = Copy(dir, kCorpus + "v23_extra_frames_and_v1.mp3", "extra.mp3");
    const auto before = ReadAll(path);
    auto engine = qsr::audio::CreateRealAudioEngine();
    clsID3v23 v2(*engine);
    v2.filename(path);
    v2.tagTitle("Only Title");
    ASSERT_TRUE(v2.SaveTag());

    const QJsonObject m = Mutagen(path);
    const QJsonObject t = m["v2"].toObject();
    EXPECT_EQ(Str(t, "TIT2"), "Only Title");
    for (const char* id : {"TCON", "TRCK", "COMM", "TYER", "TALB", "WXXX"}) {
        EXPECT_FALSE(t.contains(id)) << id;
    }
    const auto extra = m["extra"].toArray().toVariantList();
    EXPECT_TRUE(extra.contains("TXXX:MOOD"));
    EXPECT_TRUE(extra.contains("COMM:note:eng"));
    EXPECT_TRUE(extra.contains("APIC:cover"));
    // The ID3v1 block is untouched.
    const auto after = ReadAll(path);
    EXPECT_EQ(after.substr(after.size() - 128), before.substr(before.size() - 128));

    clsID3v1 v1;
    v1.filename(path);
    v1.ReadTag();
    v1.tagTitle("v1 only");
    ASSERT_TRUE(v1.SaveTag());
    ASSERT_TRUE(v2.ReadTag());
    EXPECT_EQ(v2.tagTitle(), "Only Title");
}

TEST(TagsIntegration, ComponentReadsTheSharedCorpus) {
    qsr::audio::TagLibId3v2Tag tag;
    for (const char* name : {"v23_latin1_twelve.mp3", "v23_utf16.mp3", "v24_utf8.mp3"}) {
        ASSERT_TRUE(tag.Load(kCorpus + name)) << name;
        ASSERT_TRUE(tag.TagPresent()) << name;
        EXPECT_EQ(tag.GetField(1), "3/12") << name;
        EXPECT_EQ(tag.GetField(5), "1999") << name;
        EXPECT_EQ(tag.GetField(6), "(8)Jazz") << name;
        EXPECT_EQ(tag.GetField(11), "http://music.example/blue") << name;
        EXPECT_EQ(tag.GetField(12), "Studio Encoder") << name;
    }
    EXPECT_EQ(tag.GetField(2), "Песня ветра");
    EXPECT_EQ(tag.GetField(7), "Ελληνικά σχόλια");

    ASSERT_TRUE(tag.Load(kCorpus + "v22_old.mp3"));
    EXPECT_EQ(tag.GetField(2), "Old Version");
    EXPECT_EQ(tag.GetField(3), "Legacy");
    ASSERT_TRUE(tag.Load(kCorpus + "v23_extended_header.mp3"));
    EXPECT_EQ(tag.GetField(2), "Extended Header");
    EXPECT_EQ(tag.GetField(3), "Crafted");
    ASSERT_TRUE(tag.Load(kCorpus + "v1_only.mp3"));
    EXPECT_FALSE(tag.TagPresent());
    EXPECT_EQ(tag.GetField(2), "");
    for (const char* name : {"broken_frame_size.mp3", "broken_tag_size.mp3", "broken_truncated.mp3",
                             "tiny_under_128.mp3"}) {
        tag.Load(kCorpus + name);  // must survive; what it finds is not fixed
    }
    EXPECT_FALSE(tag.Load(kCorpus + "no_such_file.mp3"));
}

TEST(TagsIntegration, WritingAnExtendedHeaderTagKeepsItsFrames) {
    TempDir dir;
    const auto path = Copy(dir, kCorpus + "v23_extended_header.mp3", "ext.mp3");
    auto engine = qsr::audio::CreateRealAudioEngine();
    clsID3v23 v2(*engine);
    v2.filename(path);
    ASSERT_TRUE(v2.ReadTag());
    v2.tagAlbum("Added");
    ASSERT_TRUE(v2.SaveTag());
    const QJsonObject t = Mutagen(path)["v2"].toObject();
    EXPECT_EQ(Str(t, "TIT2"), "Extended Header");
    EXPECT_EQ(Str(t, "TPE1"), "Crafted");
    EXPECT_EQ(Str(t, "TALB"), "Added");
    EXPECT_FALSE(std::filesystem::exists(path + ".temp"));
}

TEST(TagsIntegration, DamagedTagsAreNotMadeWorse) {
    TempDir dir;
    auto engine = qsr::audio::CreateRealAudioEngine();
    clsID3v23 v2(*engine);
    v2.tagAlbum("X");

    // A tag whose size runs past the end of the file is refused, file untouched.
    const auto past = Copy(dir, kCorpus + "broken_tag_size.mp3", "past.mp3");
    const auto before = ReadAll(past);
    v2.filename(past);
    EXPECT_FALSE(v2.SaveTag());
    EXPECT_FALSE(v2.RemoveTag());
    EXPECT_EQ(ReadAll(past), before);

    // A frame of the file's own that happens to carry one of the component's
    // private reading ids does not pose as the genre.
    const auto odd = Copy(dir, kData + "/tone_notag.mp3", "odd.mp3");
    std::string frame = std::string("TQCN") + std::string("\0\0\0\x05\0\0", 6) + '\0' + "(17)";
    std::string tag = std::string("ID3\x03\0\0\0\0\0", 9) + static_cast<char>(frame.size()) + frame;
    qsr::testing::WriteAll(odd, tag + ReadAll(kData + "/tone_notag.mp3"));
    v2.filename(odd);
    v2.tagGenre("(8)Jazz");
    ASSERT_TRUE(v2.SaveTag());
    clsID3v23 back(*engine);
    back.filename(odd);
    ASSERT_TRUE(back.ReadTag());
    EXPECT_EQ(back.tagGenre(), "(8)Jazz");

    // Two tags before the audio: removal leaves none that any reader finds.
    const auto twice = Copy(dir, kData + "/tone_notag.mp3", "twice.mp3");
    qsr::testing::WriteAll(twice, tag + tag + ReadAll(kData + "/tone_notag.mp3"));
    v2.filename(twice);
    ASSERT_TRUE(v2.RemoveTag());
    EXPECT_FALSE(v2.HasTag());
    EXPECT_EQ(ReadAll(twice), ReadAll(kData + "/tone_notag.mp3"));
}

TEST(TagsIntegration, WriteFailuresAreReported) {
    TempDir dir;
    auto engine = qsr::audio::CreateRealAudioEngine();
    clsID3v23 v2(*engine);
    v2.tagTitle("x");
    v2.filename(dir.File("missing.mp3"));
    EXPECT_FALSE(v2.SaveTag());
    EXPECT_FALSE(v2.RemoveTag());
    EXPECT_FALSE(v2.ReadTag());
    EXPECT_FALSE(std::filesystem::exists(dir.File("missing.mp3")));
    v2.filename(dir.path().string());
    EXPECT_FALSE(v2.SaveTag());
    if (::geteuid() != 0) {
        const auto path = Copy(dir, kData + "/tone_notag.mp3", "ro.mp3");
        ::chmod(path.c_str(), 0444);
        v2.filename(path);
        EXPECT_FALSE(v2.SaveTag());
    }
}

TEST(TagsIntegration, TagsCommandPrintsSetsAndRemoves) {
    TempDir dir;
    const auto path = Copy(dir, kData + "/tone_notag.mp3", "cli.mp3");
    auto run = [](const std::vector<std::string>& args, std::string& text) {
        std::FILE* out = std::tmpfile();
        std::FILE* err = std::tmpfile();
        auto engine = qsr::audio::CreateRealAudioEngine();
        const int rc = qsr::cli::Run(*engine, args, out, err);
        text.clear();
        for (std::FILE* f : {out, err}) {
            std::rewind(f);
            char buf[4096];
            while (std::size_t n = std::fread(buf, 1, sizeof buf, f)) text.append(buf, n);
            std::fclose(f);
        }
        return rc;
    };
    std::string text;
    EXPECT_EQ(run({"tags", path, "--v1", "tagTitle=Hello", "--v1", "tagGenre=17", "--v2",
                   "tagURL=http://u.example/", "--v2", "tagComposer=Me"},
                  text),
              0)
        << text;
    EXPECT_EQ(run({"tags", path}, text), 0);
    for (const char* line : {"v1.present=1\n", "v1.tagTitle=Hello\n", "v1.tagStrGenre=Rock\n",
                             "v1.tagArtist=\n", "v2.present=1\n", "v2.tagURL=http://u.example/\n",
                             "v2.tagComposer=Me\n", "v2.tagTitle=\n", "v2.tagEncodedBy=\n"}) {
        EXPECT_NE(text.find(line), std::string::npos) << line << text;
    }
    EXPECT_EQ(run({"tags", path, "--remove-v1", "--remove-v2"}, text), 0);
    EXPECT_EQ(ReadAll(path), ReadAll(kData + "/tone_notag.mp3"));

    EXPECT_NE(run({"tags", path, "--v2", "tagNope=1"}, text), 0);
    EXPECT_NE(text.find("tagNope"), std::string::npos);
    EXPECT_NE(run({"tags", path, "--v1", "tagTrack=300"}, text), 0);
    EXPECT_NE(run({"tags", dir.File("missing.mp3")}, text), 0);
    EXPECT_NE(run({"tags", dir.File("missing.mp3"), "--v1", "tagTitle=x"}, text), 0);
    EXPECT_FALSE(std::filesystem::exists(dir.File("missing.mp3")));
    // A removal that cannot be done says why.
    qsr::testing::WriteAll(dir.File("short.mp3"), std::string(100, 'a'));
    EXPECT_EQ(run({"tags", dir.File("short.mp3"), "--remove-v1"}, text), 1);
    EXPECT_EQ(text, "quorvin-cli tags: could not remove the ID3v1 tag of " + dir.File("short.mp3") +
                        ": the file is shorter than an ID3v1 tag (100 bytes, a tag is 128)\n");
}
