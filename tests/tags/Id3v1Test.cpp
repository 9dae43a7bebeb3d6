#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>

#include "Corpus.h"
#include "support/TempDir.h"
#include "tags/clsID3v1.h"

using qsr::tags::clsID3v1;
using qsr::testing::ReadAll;
using qsr::testing::TempDir;
using qsr::testing::WriteAll;

namespace {

// 1000 bytes of "audio" that never look like a tag.
std::string Audio() {
    return std::string(1000, '\x55');
}

// A raw block: "TAG" or another id, then 125 record bytes.
std::string Block(const std::string& id, const std::string& title, const std::string& comment30,
                  unsigned char zero, unsigned char track, unsigned char genre) {
    std::string b = id + title;
    b.resize(97, '\0');  // artist, album, year left as NULs
    b += comment30.substr(0, 28);
    b.resize(125, '\0');
    b += static_cast<char>(zero);
    b += static_cast<char>(track);
    b += static_cast<char>(genre);
    return b;
}

}  // namespace

TEST(Id3v1, LowerCaseTagIsNoTagAndReadClearsTheRecord) {
    TempDir dir;
    const auto path = dir.File("a.mp3");
    WriteAll(path, Audio() + Block("tag", "Title", "", 0, 3, 17));
    clsID3v1 tag;
    tag.tagTitle("left over");
    tag.tagTrack(9);
    tag.filename(path);
    EXPECT_FALSE(tag.HasTag());
    EXPECT_FALSE(tag.ReadTag());
    EXPECT_EQ(tag.tagTitle(), "");
    EXPECT_EQ(tag.tagStrGenre(), "");
    EXPECT_EQ(tag.tagTrack(), 0);
    EXPECT_EQ(tag.tagGenre(), 255);
    EXPECT_EQ(tag.tagComments(), "");
}

TEST(Id3v1, TrimmingAndNulRules) {
    TempDir dir;
    const auto path = dir.File("a.mp3");
    clsID3v1 tag;
    tag.filename(path);

    WriteAll(path, Audio() + Block("TAG", std::string("  Abcd") + '\0' + "junk", "", 0, 0, 0));
    ASSERT_TRUE(tag.ReadTag());
    EXPECT_EQ(tag.tagTitle(), "Abcd");
    EXPECT_EQ(tag.tagArtist(), "");  // all NULs

    // Spaces before the NUL stay; leading spaces never do.
    WriteAll(path, Audio() + Block("TAG", std::string(" Abc  ") + '\0', "", 0, 0, 0));
    ASSERT_TRUE(tag.ReadTag());
    EXPECT_EQ(tag.tagTitle(), "Abc  ");

    WriteAll(path, Audio() + Block("TAG", std::string(30, ' '), "", 0, 0, 0));
    ASSERT_TRUE(tag.ReadTag());
    EXPECT_EQ(tag.tagTitle(), "");
}

TEST(Id3v1, CommentAndTrackShareTheLastTwoBytes) {
    clsID3v1 tag;
    const std::string thirty = "abcdefghijklmnopqrstuvwxyz0123";
    tag.tagComments(thirty);
    EXPECT_EQ(tag.tagComments(), thirty);
    EXPECT_EQ(tag.tagTrack(), 0);

    // A shorter comment keeps the old last two characters.
    tag.tagComments("0123456789");
    EXPECT_EQ(tag.tagComments(), "0123456789" + std::string(18, ' ') + "23");

    tag.tagComments(thirty);
    tag.tagTrack(7);
    EXPECT_EQ(tag.tagComments(), thirty.substr(0, 28));
    EXPECT_EQ(tag.tagTrack(), 7);

    // 29 characters: the track byte becomes 0, the comment reads back whole.
    tag.tagComments(thirty.substr(0, 29));
    EXPECT_EQ(tag.tagComments(), thirty.substr(0, 29));
    EXPECT_EQ(tag.tagTrack(), 0);

    // Longer than 30: the rest is dropped.
    tag.tagComments(thirty + "XYZ");
    EXPECT_EQ(tag.tagComments(), thirty);
}

TEST(Id3v1, TextIsCutPaddedAndKeptAsLatin1) {
    TempDir dir;
    const auto path = dir.File("a.mp3");
    WriteAll(path, Audio());
    clsID3v1 tag;
    tag.filename(path);
    tag.tagTitle(std::string(40, 'x'));
    tag.tagYear("199999");
    tag.tagArtist("Ærø Песня");  // Cyrillic has no Latin-1 form
    tag.tagAlbum("Al");
    ASSERT_TRUE(tag.SaveTag());
    const std::string bytes = ReadAll(path);
    const std::string block = bytes.substr(bytes.size() - 128);
    EXPECT_EQ(block.substr(3, 30), std::string(30, 'x'));
    EXPECT_EQ(block.substr(33, 9), "\xC6r\xF8 ?????");
    EXPECT_EQ(block.substr(63, 30), "Al" + std::string(28, ' '));
    EXPECT_EQ(block.substr(93, 4), "1999");

    clsID3v1 again;
    again.filename(path);
    ASSERT_TRUE(again.ReadTag());
    EXPECT_EQ(again.tagArtist(), "Ærø ?????");
    EXPECT_EQ(again.tagYear(), "1999");
}

TEST(Id3v1, SaveAndRemoveKeepByteCounts) {
    TempDir dir;
    const auto path = dir.File("a.mp3");
    WriteAll(path, Audio());
    clsID3v1 tag;
    tag.filename(path);
    tag.tagTitle("Song");
    tag.tagGenre(147);
    tag.tagTrack(12);
    ASSERT_TRUE(tag.SaveTag());
    EXPECT_EQ(std::filesystem::file_size(path), 1128u);
    EXPECT_EQ(ReadAll(path).substr(1000, 3), "TAG");
    tag.tagTitle("Other");
    ASSERT_TRUE(tag.SaveTag());
    EXPECT_EQ(std::filesystem::file_size(path), 1128u);

    clsID3v1 reader;
    reader.filename(path);
    ASSERT_TRUE(reader.ReadTag());
    EXPECT_EQ(reader.tagTitle(), "Other");
    EXPECT_EQ(reader.tagStrGenre(), "Synth Pop");
    EXPECT_EQ(reader.tagTrack(), 12);

    ASSERT_TRUE(tag.RemoveTag());
    EXPECT_EQ(ReadAll(path), Audio());
    EXPECT_FALSE(std::filesystem::exists(path + ".temp"));
    // Untagged: nothing to do, still success.
    EXPECT_TRUE(tag.RemoveTag());
    EXPECT_EQ(ReadAll(path), Audio());
}

TEST(Id3v1, RemovingATagThatIsTheWholeFileLeavesAnEmptyFile) {
    TempDir dir;
    const auto path = dir.File("a.mp3");
    WriteAll(path, Block("TAG", "T", "", 0, 0, 0));
    clsID3v1 tag;
    tag.filename(path);
    ASSERT_TRUE(tag.RemoveTag());
    EXPECT_TRUE(std::filesystem::exists(path));
    EXPECT_EQ(std::filesystem::file_size(path), 0u);
}

TEST(Id3v1, FailuresCreateNothingAndKeepTheRecord) {
    TempDir dir;
    const auto missing = dir.File("none.mp3");
    clsID3v1 tag;
    tag.filename(missing);
    tag.tagTitle("kept");
    EXPECT_FALSE(tag.ReadTag());
    EXPECT_FALSE(tag.SaveTag());
    EXPECT_FALSE(tag.RemoveTag());
    EXPECT_FALSE(tag.HasTag());
    EXPECT_FALSE(std::filesystem::exists(missing));
    EXPECT_EQ(tag.tagTitle(), "kept");

    // Shorter than one block: no tag position, nothing written.
    const auto tiny = dir.File("tiny.mp3");
    WriteAll(tiny, std::string(100, 'a'));
    tag.filename(tiny);
    EXPECT_FALSE(tag.SaveTag());
    EXPECT_FALSE(tag.RemoveTag());
    EXPECT_EQ(tag.sLastError(), "the file is shorter than an ID3v1 tag (100 bytes, a tag is 128)");
    EXPECT_FALSE(tag.ReadTag());
    EXPECT_EQ(std::filesystem::file_size(tiny), 100u);
    EXPECT_EQ(tag.tagTitle(), "kept");

    // A folder is not a file.
    tag.filename(dir.path().string());
    EXPECT_FALSE(tag.SaveTag());
}

TEST(Id3v1, ReadOnlyFileIsNotChangedAndSaysWhy) {
    TempDir dir;
    const auto path = dir.File("ro.mp3");
    WriteAll(path, Audio() + Block("TAG", "T", "", 0, 0, 0));
    ::chmod(path.c_str(), 0444);
    ::chmod(dir.path().c_str(), 0755);
    // Root may write anything: as root the check runs as an ordinary user.
    const pid_t child = ::fork();
    if (child == 0) {
        if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(2);
        clsID3v1 tag;
        tag.filename(path);
        const bool refused = !tag.RemoveTag() && tag.sLastError() == "the file is read-only" &&
                             !tag.SaveTag() && tag.sLastError() == "the file is read-only";
        ::_exit(refused ? 0 : 1);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(std::filesystem::file_size(path), 1128u);
}

TEST(Id3v1, GenreTable) {
    clsID3v1 tag;
    ASSERT_EQ(tag.Genres().size(), 148u);
    EXPECT_EQ(tag.ReturnGenre(0), "Blues");
    EXPECT_EQ(tag.ReturnGenre(67), "Phychedelic");
    EXPECT_EQ(tag.ReturnGenre(117), "power Ballad");
    EXPECT_EQ(tag.ReturnGenre(131), "indie");
    EXPECT_EQ(tag.ReturnGenre(140), "Comteporary Christian");
    EXPECT_EQ(tag.ReturnGenre(147), "Synth Pop");
    EXPECT_EQ(tag.ReturnGenre(148), "");
    EXPECT_EQ(tag.ReturnGenre(-1), "");
    tag.tagGenre(255);
    EXPECT_EQ(tag.tagStrGenre(), "");
    tag.tagGenre(148);
    EXPECT_EQ(tag.tagGenre(), 148);
    EXPECT_EQ(tag.tagStrGenre(), "");
}

TEST(Id3v1, ReadsTheSharedCorpus) {
    const std::string corpus = qsr::testing::TagCorpus();
    clsID3v1 tag;
    tag.filename(corpus + "v1_only.mp3");
    ASSERT_TRUE(tag.ReadTag());
    EXPECT_EQ(tag.tagTitle(), "Morning Song");
    EXPECT_EQ(tag.tagComments(), "nice one");
    EXPECT_EQ(tag.tagTrack(), 5);
    EXPECT_EQ(tag.tagStrGenre(), "Rock");
    tag.filename(corpus + "v1_0_comment30_nul.mp3");
    ASSERT_TRUE(tag.ReadTag());
    EXPECT_EQ(tag.tagComments(), "abcdefghijklmnopqrstuvwxyz0123");
    EXPECT_EQ(tag.tagTrack(), 0);
    EXPECT_EQ(tag.tagAlbum(), "");
    tag.filename(corpus + "v1_blanks_nogenre.mp3");
    ASSERT_TRUE(tag.ReadTag());
    EXPECT_EQ(tag.tagTitle(), "Spaced");
    EXPECT_EQ(tag.tagGenre(), 255);
    tag.filename(corpus + "v1_lowercase_tag.mp3");
    EXPECT_FALSE(tag.HasTag());
    tag.filename(corpus + "tiny_under_128.mp3");
    EXPECT_FALSE(tag.ReadTag());
}
