// The ID3v2 write path against files written and read back by mutagen (under
// /usr/bin/python3): exactly the intended frames change, every other frame
// and the audio stay byte for byte, and the file stays what it was (symlink,
// hard link, owner, mode) or the write is refused.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <set>

#include "Corpus.h"
#include "cli/Commands.h"
#include "fakes/FakeAudio.h"
#include "platform/pulse/RealAudioEngine.h"
#include "platform/taglib/TagLibId3v2Tag.h"
#include "support/TempDir.h"
#include "tags/clsID3v23.h"

namespace fs = std::filesystem;
using qsr::audio::TagLibId3v2Tag;
using qsr::tags::clsID3v23;
using qsr::testing::ReadAll;
using qsr::testing::TempDir;
using qsr::testing::WriteAll;

namespace {

const std::string kTone = std::string(QSR_TEST_DATA) + "/tone_notag.mp3";
const std::string kCorpus = qsr::testing::TagCorpus();
const std::string kScript = std::string(QSR_TAGS_TEST_DIR) + "/mutagen_tags.py";

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

// A copy of the tone with a tag that mutagen wrote (see mutagen_tags.py).
std::string Make(const TempDir& dir, const std::string& kind, const std::string& name,
                 const std::string& from = kTone) {
    const std::string path = dir.File(name);
    const std::string out = Shell("/usr/bin/python3 " + Quote(kScript) + " make " + kind + " " +
                                  Quote(from) + " " + Quote(path) + " 2>&1");
    EXPECT_EQ(out, "") << kind;
    return path;
}

struct Seen {
    int version = 0;
    std::map<std::string, std::string> frames;  // mutagen's key -> repr
    std::string date;                           // mutagen's translated date
    std::multiset<std::pair<std::string, std::string>> raw;
};

Seen Mutagen(const std::string& path) {
    const std::string json =
        Shell("/usr/bin/python3 " + Quote(kScript) + " dump " + Quote(path) + " 2>&1");
    const QJsonObject o = QJsonDocument::fromJson(QByteArray::fromStdString(json)).object();
    if (o.isEmpty()) ADD_FAILURE() << "mutagen: " << json;
    Seen seen;
    seen.version = o["version"].toInt();
    seen.date = o["date"].toString().toStdString();
    const QJsonObject frames = o["frames"].toObject();
    for (auto it = frames.begin(); it != frames.end(); ++it)
        seen.frames[it.key().toStdString()] = it.value().toString().toStdString();
    for (const auto& v : o["raw"].toArray()) {
        const QJsonArray pair = v.toArray();
        seen.raw.insert({pair[0].toString().toStdString(), pair[1].toString().toStdString()});
    }
    return seen;
}

// Every raw frame whose id is not in `changed` is in both tags, byte for byte;
// every frame that differs has one of those ids.
void ExpectOnlyChanged(const Seen& before, const Seen& after,
                       const std::set<std::string>& changed) {
    for (const auto& frame : before.raw) {
        if (changed.count(frame.first) == 0) {
            EXPECT_EQ(after.raw.count(frame), before.raw.count(frame))
                << "lost or changed: " << frame.first;
        }
    }
    for (const auto& frame : after.raw) {
        if (before.raw.count(frame) == 0) {
            EXPECT_EQ(changed.count(frame.first), 1u) << "unexpected new frame " << frame.first;
        }
    }
}

// The bytes after every ID3v2 tag at the start.
std::string Audio(const std::string& bytes) {
    std::size_t at = 0;
    while (bytes.size() >= at + 10 && bytes.compare(at, 3, "ID3") == 0) {
        std::size_t size = 0;
        for (int i = 6; i < 10; ++i)
            size = (size << 7) | (static_cast<unsigned char>(bytes[at + i]) & 0x7F);
        at += 10 + size + ((bytes[at + 3] == 4 && (bytes[at + 5] & 0x10)) ? 10 : 0);
    }
    return bytes.substr(std::min(at, bytes.size()));
}

bool WriteTitle(const std::string& path, const std::string& title, std::string* error = nullptr) {
    TagLibId3v2Tag tag;
    tag.Load(path);
    for (int f = 1; f <= 12; ++f) tag.SetField(f, tag.GetField(f));
    tag.SetField(2, title);
    const bool ok = tag.WriteTag(path);
    if (error != nullptr) *error = tag.LastError();
    return ok;
}

// A title long enough that the tag must grow.
const std::string kLongTitle(3000, 'L');

std::set<std::string> FolderNames(const TempDir& dir) {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(dir.path())) names.insert(e.path().filename());
    return names;
}

int RunCli(const std::vector<std::string>& args, std::string& text) {
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
}

// Runs `body` in a child process as the unprivileged user "nobody"; its
// return value comes back as the exit status.
int AsNobody(const std::function<int()>& body) {
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::setgid(65534) != 0 || ::setuid(65534) != 0) ::_exit(99);
        ::_exit(body());
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 98;
}

}  // namespace

TEST(TagWrite, AFittingWriteChangesOnlyItsFrameInPlace) {
    TempDir dir;
    const auto path = Make(dir, "v23_dates", "dates.mp3");
    const auto bytes = ReadAll(path);
    const Seen before = Mutagen(path);
    struct stat was {};
    ::stat(path.c_str(), &was);

    ASSERT_TRUE(WriteTitle(path, "New Title"));
    const Seen after = Mutagen(path);
    EXPECT_EQ(after.version, 3);
    EXPECT_EQ(after.frames.at("TIT2"), "TIT2(encoding=<Encoding.LATIN1: 0>, text=['New Title'])");
    // TDAT, TIME, TRDA, TSIZ, RVAD and EQUA all survive, as do date and artist.
    ExpectOnlyChanged(before, after, {"TIT2"});
    EXPECT_EQ(after.date, "2001-02-03 14:15:00");
    EXPECT_EQ(Audio(ReadAll(path)), Audio(bytes));
    // In place: same size, same inode.
    struct stat now {};
    ::stat(path.c_str(), &now);
    EXPECT_EQ(now.st_ino, was.st_ino);
    EXPECT_EQ(ReadAll(path).size(), bytes.size());
}

TEST(TagWrite, DatesAreWrittenThe23Way) {
    TempDir dir;
    const auto path = Make(dir, "v23_dates", "dates.mp3");
    const Seen before = Mutagen(path);
    auto engine = qsr::audio::CreateRealAudioEngine();
    clsID3v23 v2(*engine);
    v2.filename(path);
    ASSERT_TRUE(v2.ReadTag());
    EXPECT_EQ(v2.tagYear(), "2001");

    // A full date: TYER the year, TDAT day and month, TIME hours and minutes.
    v2.tagYear("2005-12-24T18:30");
    ASSERT_TRUE(v2.SaveTag());
    Seen after = Mutagen(path);
    EXPECT_EQ(after.frames.at("TYER"), "TYER(encoding=<Encoding.LATIN1: 0>, text=['2005'])");
    EXPECT_EQ(after.frames.at("TDAT"), "TDAT(encoding=<Encoding.LATIN1: 0>, text=['2412'])");
    EXPECT_EQ(after.frames.at("TIME"), "TIME(encoding=<Encoding.LATIN1: 0>, text=['1830'])");
    EXPECT_EQ(after.date, "2005-12-24 18:30:00");
    ExpectOnlyChanged(before, after, {"TYER", "TDAT", "TIME"});

    // A date without a time drops the old time; mutagen reads the date.
    v2.tagYear("2001-02-03");
    ASSERT_TRUE(v2.SaveTag());
    after = Mutagen(path);
    EXPECT_EQ(after.date, "2001-02-03");
    EXPECT_EQ(after.frames.count("TIME"), 0u);

    // A plain year leaves the day where it was.
    v2.tagYear("1999");
    ASSERT_TRUE(v2.SaveTag());
    after = Mutagen(path);
    EXPECT_EQ(after.frames.at("TYER"), "TYER(encoding=<Encoding.LATIN1: 0>, text=['1999'])");
    EXPECT_EQ(after.date, "1999-02-03");
}

TEST(TagWrite, A24TagStays24WithItsOwnFrames) {
    TempDir dir;
    const auto path = Make(dir, "v24_only", "v24.mp3");
    const auto bytes = ReadAll(path);
    const Seen before = Mutagen(path);
    auto engine = qsr::audio::CreateRealAudioEngine();
    clsID3v23 v2(*engine);
    v2.filename(path);
    ASSERT_TRUE(v2.ReadTag());
    EXPECT_EQ(v2.tagYear(), "2001-02-03");
    v2.tagTitle(kLongTitle);  // grows: the file is rewritten
    ASSERT_TRUE(v2.SaveTag());
    Seen after = Mutagen(path);
    EXPECT_EQ(after.version, 4);
    // TDRL, TMOO, RVA2, TSOP, the two artists and the 2.4 date are untouched.
    ExpectOnlyChanged(before, after, {"TIT2"});
    EXPECT_EQ(after.date, "2001-02-03");
    EXPECT_EQ(Audio(ReadAll(path)), Audio(bytes));

    v2.tagYear("2010-07-08");
    ASSERT_TRUE(v2.SaveTag());
    after = Mutagen(path);
    EXPECT_EQ(after.frames.at("TDRC"), "TDRC(encoding=<Encoding.LATIN1: 0>, text=['2010-07-08'])");
    EXPECT_EQ(after.frames.count("TYER"), 0u);
}

TEST(TagWrite, DescribedCommentsAndUrlsAreNotTheFields) {
    TempDir dir;
    const auto path = Make(dir, "described_only", "itunes.mp3");
    const Seen before = Mutagen(path);
    auto engine = qsr::audio::CreateRealAudioEngine();
    clsID3v23 v2(*engine);
    v2.filename(path);
    ASSERT_TRUE(v2.ReadTag());
    EXPECT_EQ(v2.tagComments(), "");
    EXPECT_EQ(v2.tagURL(), "");
    v2.tagTitle("Just The Title");
    ASSERT_TRUE(v2.SaveTag());
    Seen after = Mutagen(path);
    ExpectOnlyChanged(before, after, {"TIT2"});
    EXPECT_EQ(after.frames.count("COMM::eng"), 0u);
    EXPECT_EQ(after.frames.count("WXXX:"), 0u);

    // A comment and URL of our own go beside the described ones.
    v2.tagComments("mine");
    v2.tagURL("http://example.org/");
    ASSERT_TRUE(v2.SaveTag());
    after = Mutagen(path);
    EXPECT_EQ(after.frames.at("COMM::eng"),
              "COMM(encoding=<Encoding.LATIN1: 0>, lang='eng', desc='', text=['mine'])");
    EXPECT_EQ(after.frames.count("COMM:iTunNORM:eng"), 1u);
    EXPECT_EQ(after.frames.count("WXXX:shop"), 1u);
    ExpectOnlyChanged(before, after, {"TIT2", "COMM", "WXXX"});
    ASSERT_TRUE(v2.ReadTag());
    EXPECT_EQ(v2.tagComments(), "mine");
}

TEST(TagWrite, AUrlBeyondLatin1IsPercentEncoded) {
    TempDir dir;
    const auto path = dir.File("url.mp3");
    fs::copy_file(kTone, path);
    TagLibId3v2Tag tag;
    tag.SetField(11, "http://例え.jp/ü?q=a b");
    ASSERT_TRUE(tag.WriteTag(path));
    EXPECT_EQ(Mutagen(path).frames.at("WXXX:"),
              "WXXX(encoding=<Encoding.LATIN1: 0>, desc='', "
              "url='http://%E4%BE%8B%E3%81%88.jp/%C3%BC?q=a%20b')");
}

TEST(TagWrite, EmptyFieldsLeaveNoTagWhenNothingElseIsInIt) {
    TempDir dir;
    auto engine = qsr::audio::CreateRealAudioEngine();
    clsID3v23 v2(*engine);

    const auto only = Make(dir, "title_only", "only.mp3");
    v2.filename(only);
    ASSERT_TRUE(v2.ReadTag());
    v2.tagTitle("");
    ASSERT_TRUE(v2.SaveTag());
    EXPECT_FALSE(v2.TagPresent());
    EXPECT_FALSE(v2.HasTag());
    EXPECT_EQ(Mutagen(only).version, 0);
    EXPECT_EQ(ReadAll(only), ReadAll(kTone));

    // A picture is something: the tag stays, with the picture alone.
    const auto picture = Make(dir, "title_and_picture", "picture.mp3");
    const Seen before = Mutagen(picture);
    v2.filename(picture);
    ASSERT_TRUE(v2.SaveTag());
    EXPECT_TRUE(v2.TagPresent());
    const Seen after = Mutagen(picture);
    EXPECT_EQ(after.frames.count("TIT2"), 0u);
    ExpectOnlyChanged(before, after, {"TIT2"});

    // Nothing to write into a file without a tag creates none.
    const auto bare = dir.File("bare.mp3");
    fs::copy_file(kTone, bare);
    v2.filename(bare);
    ASSERT_TRUE(v2.SaveTag());
    EXPECT_FALSE(v2.TagPresent());
    EXPECT_EQ(ReadAll(bare), ReadAll(kTone));
}

TEST(TagWrite, ATagWithAnInvalidSizeIsRefusedForWritingAndRemoval) {
    TempDir dir;
    const auto path = Make(dir, "title_only", "bad.mp3");
    std::string bytes = ReadAll(path);
    bytes[8] = static_cast<char>(bytes[8] | 0x80);  // a size byte with its high bit set
    WriteAll(path, bytes);
    TagLibId3v2Tag tag;
    tag.SetField(2, "x");
    EXPECT_FALSE(tag.WriteTag(path));
    EXPECT_NE(tag.LastError().find("size"), std::string::npos) << tag.LastError();
    EXPECT_FALSE(tag.RemoveTag(path));
    EXPECT_EQ(ReadAll(path), bytes);
    std::string text;
    EXPECT_EQ(RunCli({"tags", path, "--remove-v2"}, text), 1);
    EXPECT_NE(text.find("size field is invalid"), std::string::npos) << text;
    EXPECT_EQ(ReadAll(path), bytes);
}

TEST(TagWrite, NoFixedTemporaryNameIsEverUsed) {
    TempDir dir;
    const auto path = dir.File("ext.mp3");
    fs::copy_file(kCorpus + "v23_extended_header.mp3", path);
    // A user's file and a symlink to a victim under the names a careless
    // writer would take.
    WriteAll(path + ".temp", "user data");
    const auto victim = dir.File("victim.txt");
    WriteAll(victim, "victim");
    fs::create_symlink(victim, path + ".tmp");
    const Seen before = Mutagen(path);
    const auto names = FolderNames(dir);

    ASSERT_TRUE(WriteTitle(path, kLongTitle));  // grows: a new file replaces it
    EXPECT_EQ(ReadAll(path + ".temp"), "user data");
    EXPECT_EQ(ReadAll(victim), "victim");
    EXPECT_EQ(FolderNames(dir), names);  // no temporary file left behind
    const Seen after = Mutagen(path);
    EXPECT_EQ(after.frames.at("TPE1"), before.frames.at("TPE1"));
    EXPECT_EQ(after.frames.at("TIT2"),
              "TIT2(encoding=<Encoding.LATIN1: 0>, text=['" + kLongTitle + "'])");
    EXPECT_EQ(Audio(ReadAll(path)), Audio(ReadAll(kCorpus + "v23_extended_header.mp3")));
}

TEST(TagWrite, ASymlinkStaysALinkAndItsTargetIsWritten) {
    TempDir dir;
    fs::create_directory(dir.path() / "real");
    const auto real = Make(dir, "title_only", "real/song.mp3");
    const auto link = dir.File("link.mp3");
    fs::create_symlink("real/song.mp3", link);
    ASSERT_TRUE(WriteTitle(link, kLongTitle));  // grows
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(fs::read_symlink(link), "real/song.mp3");
    EXPECT_NE(Mutagen(real).frames.at("TIT2").find(kLongTitle), std::string::npos);
    ASSERT_TRUE(WriteTitle(link, "Short"));  // fits
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_NE(Mutagen(real).frames.at("TIT2").find("'Short'"), std::string::npos);
    TagLibId3v2Tag remover;
    ASSERT_TRUE(remover.RemoveTag(link));
    EXPECT_TRUE(fs::is_symlink(link));
    EXPECT_EQ(ReadAll(real), ReadAll(kTone));
}

TEST(TagWrite, AHardLinkedFileIsWrittenInPlaceOrRefused) {
    TempDir dir;
    const auto a = Make(dir, "title_only", "a.mp3");
    const auto b = dir.File("b.mp3");
    fs::create_hard_link(a, b);
    const auto bytes = ReadAll(a);
    std::string error;
    EXPECT_FALSE(WriteTitle(a, kLongTitle, &error));
    EXPECT_NE(error.find("hard link"), std::string::npos) << error;
    EXPECT_EQ(ReadAll(a), bytes);
    EXPECT_EQ(fs::hard_link_count(a), 2u);

    // Padded, the new title fits: both names see it.
    ASSERT_TRUE(WriteTitle(a, "Old"));
    EXPECT_EQ(fs::hard_link_count(a), 2u);
    EXPECT_NE(Mutagen(b).frames.at("TIT2").find("'Old'"), std::string::npos);

    // Removal cannot cut the tag out; it leaves an empty one in its place.
    TagLibId3v2Tag tag;
    ASSERT_TRUE(tag.RemoveTag(b));
    EXPECT_FALSE(tag.TagPresent());
    EXPECT_EQ(fs::hard_link_count(a), 2u);
    EXPECT_TRUE(Mutagen(a).frames.empty());
    ASSERT_TRUE(tag.Load(a));
    EXPECT_FALSE(tag.TagPresent());
    EXPECT_EQ(Audio(ReadAll(a)), Audio(bytes));
}

TEST(TagWrite, ARewrittenFileKeepsOwnerModeAndAttributes) {
    TempDir dir;
    const auto path = Make(dir, "title_only", "owned.mp3");
    ::chmod(path.c_str(), 0640);
    const bool attributes = ::setxattr(path.c_str(), "user.note", "kept", 4, 0) == 0;
    const bool root = ::geteuid() == 0;
    if (root) {
        ASSERT_EQ(::chown(path.c_str(), 1234, 5678), 0);
    }
    ASSERT_TRUE(WriteTitle(path, kLongTitle));  // grows
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    if (attributes) {
        char value[16] = {};
        EXPECT_EQ(::getxattr(path.c_str(), "user.note", value, sizeof value), 4);
        EXPECT_STREQ(value, "kept");
    }
    if (root) {
        EXPECT_EQ(st.st_uid, 1234u);
        EXPECT_EQ(st.st_gid, 5678u);
    }
}

TEST(TagWrite, AReadOnlyFolderTakesOnlyInPlaceWrites) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to act as another user";
    TempDir dir;
    const auto folder = dir.path() / "ro";
    fs::create_directory(folder);
    const auto path = (folder / "song.mp3").string();
    fs::copy_file(Make(dir, "title_only", "src.mp3"), path);
    ASSERT_EQ(::chown(path.c_str(), 65534, 65534), 0);
    ::chmod(path.c_str(), 0644);
    ::chmod(folder.c_str(), 0555);
    ::chmod(dir.path().c_str(), 0755);
    const auto bytes = ReadAll(path);

    // As a user who may write the file but not the folder.
    EXPECT_EQ(AsNobody([&] {
                  std::string error;
                  if (WriteTitle(path, kLongTitle, &error)) return 1;
                  if (error.find("does not take a new file") == std::string::npos) return 2;
                  return 0;
              }),
              0);
    EXPECT_EQ(ReadAll(path), bytes);
    EXPECT_EQ(AsNobody([&] { return WriteTitle(path, "Fits") ? 0 : 1; }), 0);
    EXPECT_NE(Mutagen(path).frames.at("TIT2").find("'Fits'"), std::string::npos);
    EXPECT_EQ(AsNobody([&] {
                  TagLibId3v2Tag tag;
                  return tag.RemoveTag(path) ? 0 : 1;
              }),
              0);
    EXPECT_TRUE(Mutagen(path).frames.empty());
    EXPECT_EQ(Audio(ReadAll(path)), Audio(bytes));
    ::chmod(folder.c_str(), 0755);
}

TEST(TagWrite, OnlyMpegAudioFilesAreWritten) {
    TempDir dir;
    const auto wav = dir.File("tone.wav");
    const auto ogg = dir.File("tone.ogg");
    Shell("sox -n -r 8000 -c 1 -b 16 " + Quote(wav) + " synth 0.2 sine 440 2>&1");
    Shell("ffmpeg -loglevel error -f lavfi -i sine=d=0.3 -c:a libvorbis " + Quote(ogg) + " 2>&1");
    // A WAV named .mp3 is still a WAV.
    const auto disguised = dir.File("wave.mp3");
    fs::copy_file(wav, disguised);
    for (const auto& path : {wav, ogg, disguised}) {
        const auto bytes = ReadAll(path);
        ASSERT_GT(bytes.size(), 1000u) << path;
        TagLibId3v2Tag tag;
        tag.SetField(2, "x");
        EXPECT_FALSE(tag.WriteTag(path)) << path;
        EXPECT_NE(tag.LastError().find("MPEG audio files only"), std::string::npos);
        std::string text;
        EXPECT_EQ(RunCli({"tags", path, "--v2", "tagTitle=x"}, text), 1) << path;
        EXPECT_NE(text.find("will not write tags"), std::string::npos) << text;
        EXPECT_EQ(RunCli({"tags", path, "--v1", "tagTitle=x"}, text), 1) << path;
        EXPECT_EQ(ReadAll(path), bytes) << path;
    }
}

TEST(TagWrite, TheTagsCommandRefusesWhatIsNoRegularFile) {
    TempDir dir;
    std::string text;
    const auto fifo = dir.File("pipe.mp3");
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
    EXPECT_EQ(RunCli({"tags", fifo}, text), 1);  // returns instead of hanging
    EXPECT_NE(text.find("not a regular file"), std::string::npos) << text;
    EXPECT_EQ(RunCli({"tags", fifo, "--v2", "tagTitle=x"}, text), 1);
    EXPECT_EQ(RunCli({"tags", dir.path().string()}, text), 1);
    EXPECT_NE(text.find("not a regular file"), std::string::npos) << text;

    // A file too short for an ID3v1 block has none, and says nothing more.
    const auto tiny = dir.File("tiny.mp3");
    fs::copy_file(kCorpus + "tiny_under_128.mp3", tiny);
    EXPECT_EQ(RunCli({"tags", tiny}, text), 0);
    EXPECT_NE(text.find("v1.present=0\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("v1.tag"), std::string::npos) << text;
    EXPECT_EQ(text.find("Blues"), std::string::npos) << text;
}

TEST(TagWrite, AHugeFileWithAnExtendedHeaderKeepsItsFrames) {
    TempDir dir;
    const auto path = dir.File("huge.mp3");
    WriteAll(path, ReadAll(kCorpus + "v23_extended_header.mp3"));
    // Past 1 GiB without using the disk: a sparse tail.
    ASSERT_EQ(::truncate(path.c_str(), (1LL << 30) + 4096), 0);
    ASSERT_TRUE(WriteTitle(path, "Huge"));
    const Seen seen = Mutagen(path);
    EXPECT_NE(seen.frames.at("TIT2").find("'Huge'"), std::string::npos);
    EXPECT_NE(seen.frames.at("TPE1").find("'Crafted'"), std::string::npos);
    EXPECT_EQ(fs::file_size(path), (1ULL << 30) + 4096);
}

TEST(TagWrite, ATagBehindJunkIsCarriedOverButNeverCut) {
    TempDir dir;
    const auto path = dir.File("junk.mp3");
    const std::string frame = std::string("TIT2\0\0\0\x06\0\0\0Junky", 16);
    const std::string tag =
        std::string("ID3\x03\0\0\0\0\0", 9) + static_cast<char>(frame.size()) + frame;
    WriteAll(path, std::string(64, '\0') + tag + ReadAll(kTone));
    const auto bytes = ReadAll(path);
    TagLibId3v2Tag reader;
    ASSERT_TRUE(reader.Load(path));
    ASSERT_EQ(reader.GetField(2), "Junky");

    // What may be audio is not cut; the caller learns the tag is still there.
    TagLibId3v2Tag remover;
    EXPECT_FALSE(remover.RemoveTag(path));
    EXPECT_TRUE(remover.TagPresent());
    EXPECT_NE(remover.LastError().find("does not stand at the start"), std::string::npos);
    EXPECT_EQ(ReadAll(path), bytes);

    // A write puts a whole new tag at the start, with every field it showed.
    TagLibId3v2Tag writer;
    writer.SetField(2, "Junky");
    writer.SetField(3, "Artist");
    ASSERT_TRUE(writer.WriteTag(path));
    const Seen seen = Mutagen(path);
    EXPECT_NE(seen.frames.at("TIT2").find("'Junky'"), std::string::npos);
    EXPECT_NE(seen.frames.at("TPE1").find("'Artist'"), std::string::npos);
    EXPECT_EQ(Audio(ReadAll(path)), bytes);
}

// The fake component keeps the same promises as the real one.
TEST(Id3v2Contract, RealAndFakeAgreeOnWhatIsLeft) {
    TempDir dir;
    const auto path = dir.File("contract.mp3");
    fs::copy_file(kTone, path);
    qsr::fakes::FakeAudioEngine fakeEngine;
    auto realEngine = qsr::audio::CreateRealAudioEngine();
    for (qsr::audio::IAudioEngine* engine :
         {static_cast<qsr::audio::IAudioEngine*>(&fakeEngine), realEngine.get()}) {
        auto writer = engine->CreateId3v2Tag();
        writer->SetField(2, "x");
        ASSERT_TRUE(writer->WriteTag(path));
        EXPECT_TRUE(writer->TagPresent());
        auto reader = engine->CreateId3v2Tag();
        ASSERT_TRUE(reader->Load(path));
        EXPECT_TRUE(reader->TagPresent());
        EXPECT_EQ(reader->GetField(2), "x");

        auto emptier = engine->CreateId3v2Tag();
        for (int f = 1; f <= 12; ++f) emptier->SetField(f, "");
        ASSERT_TRUE(emptier->WriteTag(path));
        EXPECT_FALSE(emptier->TagPresent());
        auto after = engine->CreateId3v2Tag();
        after->Load(path);
        EXPECT_FALSE(after->TagPresent());

        ASSERT_TRUE(writer->WriteTag(path));
        auto remover = engine->CreateId3v2Tag();
        ASSERT_TRUE(remover->RemoveTag(path));
        EXPECT_FALSE(remover->TagPresent());
        after = engine->CreateId3v2Tag();
        after->Load(path);
        EXPECT_FALSE(after->TagPresent());
    }
}

TEST(TagWrite, AnotherUsersFileIsNotTakenOverByACopy) {
    if (::geteuid() != 0) GTEST_SKIP() << "needs root to act as another user";
    TempDir dir;
    ::chmod(dir.path().c_str(), 0777);  // anyone may create files here
    const auto path = Make(dir, "title_only", "shared.mp3");
    // Root's file, writable by the group "nogroup" that nobody is in.
    ASSERT_EQ(::chown(path.c_str(), 0, 65534), 0);
    ::chmod(path.c_str(), 0664);
    const auto bytes = ReadAll(path);
    EXPECT_EQ(AsNobody([&] {
                  std::string error;
                  if (WriteTitle(path, kLongTitle, &error)) return 1;
                  return error.find("owner or group cannot be kept") == std::string::npos ? 2 : 0;
              }),
              0);
    EXPECT_EQ(ReadAll(path), bytes);
    struct stat st {};
    ::stat(path.c_str(), &st);
    EXPECT_EQ(st.st_uid, 0u);
    // What fits is written in place, owner untouched.
    EXPECT_EQ(AsNobody([&] { return WriteTitle(path, "Fits") ? 0 : 1; }), 0);
    ::stat(path.c_str(), &st);
    EXPECT_EQ(st.st_uid, 0u);
    EXPECT_NE(Mutagen(path).frames.at("TIT2").find("'Fits'"), std::string::npos);
    std::set<std::string> left = FolderNames(dir);
    EXPECT_EQ(left, (std::set<std::string>{"shared.mp3"}));  // no copy left behind
}
