#include <gtest/gtest.h>

#include "player/Playlist.h"
#include "support/TempDir.h"

namespace qsr::player {
namespace {

TEST(StripPath, TakesTheTextAfterTheLastSeparatorOrTheWhole) {
    EXPECT_EQ(StripPath("/home/a/music/song.mp3"), "song.mp3");
    EXPECT_EQ(StripPath("C:\\old\\list\\track.wav"), "track.wav");
    EXPECT_EQ(StripPath("plain.mid"), "plain.mid");
    EXPECT_EQ(StripPath("/folder/"), "");
    EXPECT_EQ(StripPath("CDAUDIO:"), "CDAUDIO:");
}

TEST(M3u, ReadsExtinfRelativePathsCrlfAndABom) {
    const auto entries = ParseM3u(
        "\xEF\xBB\xBF#EXTM3U\r\n#EXTINF:185,Artist - Tit\xC3\xA9\r\nsub/a.mp3\r\n\r\n"
        "# a comment\n/abs/b.wav\nhttp://radio/stream\n#EXTINF:x,\n../c.mid\n",
        "/music/lists");
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].path, "/music/lists/sub/a.mp3");
    EXPECT_EQ(entries[0].title, "Artist - Tit\xC3\xA9");
    EXPECT_EQ(entries[0].seconds, 185);
    EXPECT_EQ(entries[1].path, "/abs/b.wav");
    EXPECT_EQ(entries[1].seconds, -1);
    EXPECT_EQ(entries[2].path, "/music/c.mid");
    EXPECT_EQ(entries[2].seconds, -1);
}

TEST(M3u, WritesWhatItReadsBack) {
    const std::vector<M3uEntry> in = {
        {"/m/one two.mp3", "One", 61}, {"/m/b\xC3\xBC.wav", "", -1}, {"/m/x.mp3", "bad\ntitle", 3}};
    const std::string text = FormatM3u(in);
    EXPECT_EQ(text.substr(0, 8), "#EXTM3U\n");
    const auto out = ParseM3u(text, "/elsewhere");
    ASSERT_EQ(out.size(), 3u);
    EXPECT_EQ(out[0].path, in[0].path);
    EXPECT_EQ(out[0].title, "One");
    EXPECT_EQ(out[0].seconds, 61);
    EXPECT_EQ(out[1].path, in[1].path);
    EXPECT_EQ(out[1].title, "b\xC3\xBC.wav");
    EXPECT_EQ(out[2].title, "bad title");
    EXPECT_EQ(out[2].path, "/m/x.mp3");
}

TEST(M3u, EmptyAndCommentOnlyTextsGiveNoEntries) {
    EXPECT_TRUE(ParseM3u("", "/").empty());
    EXPECT_TRUE(ParseM3u("#EXTM3U\n#EXTINF:3,x\n", "/").empty());
}

TEST(Asx, FirstRefOfEachEntryInAnyCaseWithEntitiesAndRelativePaths) {
    const auto entries = ParseAsx(
        "<ASX version=\"3.0\"><Title>mine</Title>\n"
        "<Entry><REF HREF=\"sub/a&amp;b.mp3\"/><ref href=\"fallback.mp3\"/></Entry>\n"
        "<entry><ref href='file:///abs/c.wav'></ref></entry>\n"
        "<entry><ref href=http://radio/live></entry>\n"
        "<entryref href=\"other.asx\"/>\n"
        "<entry><ref href=plain/d.mid/></entry>\n"
        "<ref href=\"outside.mp3\"/></asx>",
        "/music/lists");
    EXPECT_EQ(entries, (std::vector<std::string>{"/music/lists/sub/a&b.mp3", "/abs/c.wav",
                                                 "/music/lists/plain/d.mid"}));
}

TEST(Asx, DamagedTextsGiveWhatCanBeReadAndNeverMore) {
    EXPECT_TRUE(ParseAsx("", "/").empty());
    EXPECT_TRUE(ParseAsx("<entry><ref href=\"unterminated", "/").empty());
    EXPECT_TRUE(ParseAsx("<entry><ref nohref=\"x\"></entry>", "/").empty());
    EXPECT_EQ(ParseAsx("<entry><ref href=\"x.mp3\">", "/m").size(), 1u);
}

TEST(Asx, MetafilesExpandToTheirEntriesButNeverToMetafiles) {
    testing::TempDir dir;
    const std::string self = dir.File("self.ASX");
    testing::WriteAll(self,
                      "<asx><entry><ref href=\"self.ASX\"/></entry>"
                      "<entry><ref href=\"song.mp3\"/></entry>"
                      "<entry><ref href=\"more.lsx\"/></entry></asx>");
    EXPECT_EQ(ExpandPlayable(self), (std::vector<std::string>{dir.File("song.mp3")}));
    EXPECT_TRUE(ExpandPlayable(dir.File("missing.asx")).empty());
    EXPECT_EQ(ExpandPlayable("/m/a.mp3"), (std::vector<std::string>{"/m/a.mp3"}));
    EXPECT_TRUE(IsMetafile("x.Lsx"));
    EXPECT_FALSE(IsMetafile("asx"));
}

}  // namespace
}  // namespace qsr::player
