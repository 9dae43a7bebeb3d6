#include <gtest/gtest.h>

#include "tags/TagPages.h"

using namespace qsr::tags;

namespace {

TagFileRecord V1Record(const std::string& title, std::uint8_t genre,
                       const std::string& track = "1") {
    TagFileRecord r;
    r.hasV1 = true;
    r.v1Title = title;
    r.v1Artist = "Artist";
    r.v1Track = track;
    r.v1Genre = genre;
    return r;
}

TagFileRecord FullRecord(const std::string& name) {
    TagFileRecord r;
    r.filename = "/music/" + name + ".mp3";
    r.hasV1 = r.hasV2 = true;
    r.v1Title = r.v2Title = name + " title";
    r.v1Artist = r.v2Artist = name + " artist";
    r.v1Album = r.v2Album = name + " album";
    r.v1Year = r.v2Year = "1990";
    r.v1Comment = r.v2Comment = name + " comment";
    r.v1Track = "7";
    r.v2Track = "7/9";
    r.v1Genre = 13;
    r.v2Genre = "Pop";
    r.v2Composer = name + " composer";
    r.v2URL = "http://" + name;
    return r;
}

}  // namespace

TEST(TagPagesMerge, TextsAgreeingIgnoringCaseStayAsTheFirstHasThem) {
    const TagFileRecord a = V1Record("Song", 17), b = V1Record("SONG", 17),
                        c = V1Record("Other", 13);
    const PageValues same = MergeRecords({&a, &b});
    EXPECT_TRUE(same.v1);
    EXPECT_EQ(same.v1Boxes[kV1Title], "Song");
    EXPECT_EQ(same.v1Genre, 17);  // "Rock"
    EXPECT_FALSE(same.v2);

    const PageValues differ = MergeRecords({&a, &b, &c});
    EXPECT_EQ(differ.v1Boxes[kV1Title], "");
    EXPECT_EQ(differ.v1Boxes[kV1Artist], "Artist");
    EXPECT_EQ(differ.v1Genre, kNoGenrePosition);
    // Once blanked a value stays blank, even when a later record agrees again.
    const TagFileRecord d = V1Record("Song", 17);
    EXPECT_EQ(MergeRecords({&a, &c, &d}).v1Boxes[kV1Title], "");
}

TEST(TagPagesMerge, CaseIsIgnoredInEveryScript) {
    EXPECT_TRUE(SameIgnoringCase("Café", "CAFÉ"));
    EXPECT_TRUE(SameIgnoringCase("Песня", "ПЕСНЯ"));
    EXPECT_FALSE(SameIgnoringCase("Café", "Cafe"));
    EXPECT_FALSE(SameIgnoringCase("Song", "Songs"));
    // Broken bytes agree only with the same bytes.
    EXPECT_TRUE(SameIgnoringCase("a\xFF", "A\xFF"));
    EXPECT_FALSE(SameIgnoringCase("a\xFF", "a\xFE"));
}

TEST(TagPagesMerge, TracksCompareByNumberInId3v1AndExactlyInId3v2) {
    TagFileRecord a = V1Record("x", 1, "03"), b = V1Record("x", 1, "3"), c = V1Record("x", 1, "x");
    EXPECT_EQ(MergeRecords({&a, &b}).v1Boxes[kV1Track], "03");
    EXPECT_EQ(MergeRecords({&a, &c}).v1Boxes[kV1Track], "");
    TagFileRecord zero = V1Record("x", 1, "0"), zero2 = V1Record("x", 1, "0");
    EXPECT_EQ(MergeRecords({&zero, &zero2}).v1Boxes[kV1Track], "");  // 0 is no track

    a.hasV2 = b.hasV2 = true;
    a.v2Track = "3/10";
    b.v2Track = "3/10";
    a.v2Artist = "ABBA";
    b.v2Artist = "abba";
    a.v2Genre = "Rock";
    b.v2Genre = "rock";
    EXPECT_EQ(MergeRecords({&a, &b}).v2Boxes[kV2Track], "3/10");
    EXPECT_EQ(MergeRecords({&a, &b}).v2Boxes[kV2Artist], "ABBA");
    EXPECT_EQ(MergeRecords({&a, &b}).v2Genre, "Rock");
    b.v2Track = "3/10 ";
    EXPECT_EQ(MergeRecords({&a, &b}).v2Boxes[kV2Track], "");
}

TEST(TagPagesMerge, OnlyRecordsWithATagTakePartInItsMerge) {
    TagFileRecord v1only = V1Record("One", 17);
    TagFileRecord both = V1Record("Two", 17);
    both.hasV2 = true;
    both.v2Title = "Two v2";
    both.v2Composer = "Bach";
    const PageValues merged = MergeRecords({&v1only, &both});
    EXPECT_TRUE(merged.v2);
    EXPECT_EQ(merged.v2Boxes[kV2Title], "Two v2");
    EXPECT_EQ(merged.v2Boxes[kV2Composer], "Bach");
    EXPECT_EQ(merged.v1Boxes[kV1Title], "");

    TagFileRecord none1, none2;
    const PageValues empty = MergeRecords({&none1, &none2});
    EXPECT_FALSE(empty.v1);
    EXPECT_FALSE(empty.v2);
}

TEST(TagPagesRecord, GenreWithoutListEntryShowsNoChoice) {
    const TagFileRecord noGenre = V1Record("t", 255);
    EXPECT_EQ(PagesForRecord(noGenre).v1Genre, kNoGenrePosition);
    EXPECT_EQ(PagesForRecord(V1Record("t", 147)).v1Genre, 147);
    EXPECT_FALSE(PagesForRecord(noGenre).v2);
}

TEST(TagPagesSave, TrackByteKeepsOnlyWhatTheByteHolds) {
    EXPECT_EQ(TrackByte("255"), 255);
    EXPECT_EQ(TrackByte("256"), 0);
    EXPECT_EQ(TrackByte("-3"), 0);
    EXPECT_EQ(TrackByte("2.5"), 2);  // halves to even
    EXPECT_EQ(TrackByte("3/12"), 3);
    EXPECT_EQ(TrackByte("abc"), 0);
}

TEST(TagPagesSave, StoredValuesReadAsARescanWouldListThem) {
    V2Values saved;
    saved.fields[kV2Year] = "1999-05-04";
    saved.genre = "(8)Jazz";
    TagFileRecord r;
    StoreV2(r, saved);
    EXPECT_EQ(r.v2Year, "1999");
    EXPECT_EQ(r.v2Genre, "Jazz");
    EXPECT_EQ(r.v2GenreFrame, "(8)Jazz");
    EXPECT_TRUE(r.hasV2);
}

TEST(TagPagesSave, ClearingARemovedTagEmptiesItsValues) {
    TagFileRecord r = FullRecord("x");
    ClearV1(r);
    EXPECT_FALSE(r.hasV1);
    EXPECT_EQ(r.v1Title, "");
    EXPECT_EQ(r.v1Genre, 0);
    ClearV2(r);
    EXPECT_FALSE(r.hasV2);
    EXPECT_EQ(r.v2Composer, "");
    EXPECT_EQ(r.v2Genre, "");
}

TEST(TagPagesTitle, GrabTitleTakesTheCleanedTextAfterTheLastDash) {
    EXPECT_EQ(GrabTitle("/mp3/Artist - my_song.mp3"), "My Song");
    EXPECT_EQ(GrabTitle("/mp3/a-b-(live)_mix.mp3"), "(Live) Mix");
    EXPECT_EQ(GrabTitle("/mp3/track01.mp3"), "");
    EXPECT_EQ(GrabTitle("/mp3/band-.mp3"), "");
    // The folder's dashes do not count.
    EXPECT_EQ(GrabTitle("/my-music/track01.mp3"), "");
}

TEST(TagPagesTitle, CleanTitleCapitalisesWordsAndAfterOpeners) {
    EXPECT_EQ(CleanTitle("the end%20(remix)"), "The End (Remix)");
    EXPECT_EQ(CleanTitle("ROCK_and_ROLL"), "Rock And Roll");
    EXPECT_EQ(CleanTitle("a.b/c\\d-e[f{g"), "A.B/C\\D-E[F{G");
    EXPECT_EQ(CleanTitle("ends with ("), "Ends With (");
}

TEST(TagPagesTrackBox, KeysAndClamping) {
    for (char c : std::string("0123456789.")) EXPECT_TRUE(TrackKeyAccepted(c));
    for (int code : {8, 13, 27}) EXPECT_TRUE(TrackKeyAccepted(code));
    for (char c : std::string("a-+ /")) EXPECT_FALSE(TrackKeyAccepted(c));
    EXPECT_EQ(ClampTrackText("300"), "255");
    EXPECT_EQ(ClampTrackText("255"), "255");
    EXPECT_EQ(ClampTrackText("-1"), "0");
    EXPECT_EQ(ClampTrackText("12"), "12");
    EXPECT_EQ(ClampTrackText(""), "");
}
