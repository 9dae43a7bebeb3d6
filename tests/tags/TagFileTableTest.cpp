#include <gtest/gtest.h>

#include <map>

#include "tags/EditorSplitter.h"
#include "tags/TagFileTable.h"
#include "tags/TagText.h"

using namespace qsr::tags;

namespace {

// Field lookups answered from a map "kind:name" -> text.
TagLookup From(std::map<std::string, std::string> fields) {
    return [fields = std::move(fields)](int kind, const std::string& name) {
        const auto it = fields.find(std::to_string(kind) + ":" + name);
        return it == fields.end() ? std::string() : it->second;
    };
}

}  // namespace

TEST(TagFileTable, RecordTakesEveryFieldFromItsOwnName) {
    TagFileRecord r;
    FillRecordFromTags(r, From({{"1:TITLE", "t1"},
                                {"1:ARTIST", "a1"},
                                {"1:ALBUM", "b1"},
                                {"1:YEAR", "1999"},
                                {"1:COMMENT", "c1"},
                                {"1:TRACK", "7"},
                                {"1:GENRE", "17"},
                                {"2:TRCK", "3/12"},
                                {"2:TIT2", "t2"},
                                {"2:TPE1", "a2"},
                                {"2:TALB", "b2"},
                                {"2:TYER", "2001"},
                                {"2:TCON", "(8)Jazz"},
                                {"2:COMM", "c2"},
                                {"2:TCOM", "comp"},
                                {"2:TOPE", "orig"},
                                {"2:TCOP", "copy"},
                                {"2:WXXX", "http://x"},
                                {"2:TENC", "enc"}}));
    EXPECT_EQ(r.v1Title, "t1");
    EXPECT_EQ(r.v1Artist, "a1");
    EXPECT_EQ(r.v1Album, "b1");
    EXPECT_EQ(r.v1Year, "1999");
    EXPECT_EQ(r.v1Comment, "c1");
    EXPECT_EQ(r.v1Track, "7");
    EXPECT_EQ(r.v1Genre, 17);
    EXPECT_EQ(r.v2Track, "3/12");
    EXPECT_EQ(r.v2Title, "t2");
    EXPECT_EQ(r.v2Artist, "a2");
    EXPECT_EQ(r.v2Album, "b2");
    EXPECT_EQ(r.v2Year, "2001");
    EXPECT_EQ(r.v2Genre, "Jazz");
    EXPECT_EQ(r.v2GenreFrame, "(8)Jazz");
    EXPECT_EQ(r.v2Comment, "c2");
    EXPECT_EQ(r.v2Composer, "comp");
    EXPECT_EQ(r.v2OrigArtist, "orig");
    EXPECT_EQ(r.v2Copyright, "copy");
    EXPECT_EQ(r.v2URL, "http://x");
    EXPECT_EQ(r.v2EncodedBy, "enc");
    EXPECT_TRUE(r.hasV1);
    EXPECT_TRUE(r.hasV2);
}

TEST(TagFileTable, A24DateGivesTheYearWhenThereIsNoTyer) {
    TagFileRecord r;
    FillRecordFromTags(r, From({{"2:TDRC", "1999-05-04"}}));
    EXPECT_EQ(r.v2Year, "1999");
    EXPECT_TRUE(r.hasV2);
    FillRecordFromTags(r, From({{"2:TYER", "2001"}, {"2:TDRC", "1999-05-04"}}));
    EXPECT_EQ(r.v2Year, "2001");
    EXPECT_EQ(YearOfDate("1999"), "1999");
    EXPECT_EQ(YearOfDate("circa 1999"), "circa 1999");
}

TEST(TagFileTable, TagMarks) {
    TagFileRecord r;
    FillRecordFromTags(r, From({}));
    EXPECT_FALSE(r.hasV1);
    EXPECT_FALSE(r.hasV2);

    // A genre number alone is an ID3v1 tag; genre 0 (or none) is not.
    FillRecordFromTags(r, From({{"1:GENRE", "12"}}));
    EXPECT_TRUE(r.hasV1);
    FillRecordFromTags(r, From({{"1:GENRE", "0"}}));
    EXPECT_FALSE(r.hasV1);
    FillRecordFromTags(r, From({{"1:GENRE", "300"}}));
    EXPECT_FALSE(r.hasV1);
    FillRecordFromTags(r, From({{"1:YEAR", "2004"}}));
    EXPECT_TRUE(r.hasV1);

    // A genre made only of a reference counts as empty; any other frame counts.
    FillRecordFromTags(r, From({{"2:TCON", "(12)"}}));
    EXPECT_FALSE(r.hasV2);
    EXPECT_EQ(r.v2Genre, "");
    FillRecordFromTags(r, From({{"2:TCON", "(12)"}, {"2:WXXX", "http://x"}}));
    EXPECT_TRUE(r.hasV2);
    // ID3v1 values never make an ID3v2 tag and the other way round.
    FillRecordFromTags(r, From({{"2:TIT2", "x"}, {"1:XTRA", "y"}}));
    EXPECT_FALSE(r.hasV1);
    EXPECT_TRUE(r.hasV2);

    EXPECT_EQ(TagsColumnText(true, false), "ID3v1 ");
    EXPECT_EQ(TagsColumnText(false, true), "ID3v2");
    EXPECT_EQ(TagsColumnText(true, true), "ID3v1 ID3v2");
    EXPECT_EQ(TagsColumnText(false, false), "");
}

TEST(TagFileTable, LeadingNumberAndGenreByte) {
    EXPECT_EQ(LeadingNumber("12abc"), 12.0);
    EXPECT_EQ(LeadingNumber("  -4"), -4.0);
    EXPECT_EQ(LeadingNumber("3.5/7"), 3.5);
    EXPECT_EQ(LeadingNumber(".5"), 0.5);
    EXPECT_FALSE(LeadingNumber("Rock"));
    EXPECT_FALSE(LeadingNumber(""));
    EXPECT_FALSE(LeadingNumber("-"));

    EXPECT_EQ(GenreByte("17"), 17);
    EXPECT_EQ(GenreByte("255"), 255);
    EXPECT_EQ(GenreByte("256"), 0);
    EXPECT_EQ(GenreByte("-1"), 0);
    EXPECT_EQ(GenreByte("Rock"), 0);
    EXPECT_EQ(GenreByte("12.5"), 12);  // halves to even
    EXPECT_EQ(GenreByte("13.5"), 14);
}

TEST(TagFileTable, GenreReferenceCut) {
    EXPECT_EQ(CutGenreReference("(12)Rock"), "Rock");
    EXPECT_EQ(CutGenreReference("(12)"), "");
    EXPECT_EQ(CutGenreReference("(12"), "(12");
    EXPECT_EQ(CutGenreReference("(1)(2)Pop"), "(2)Pop");
    EXPECT_EQ(CutGenreReference("Rock (live)"), "Rock (live)");
    EXPECT_EQ(CutGenreReference(""), "");
}

TEST(TagFileTable, KilobyteText) {
    EXPECT_EQ(KilobyteText(2048, ","), "2 kB");
    EXPECT_EQ(KilobyteText(1500, ","), "1 kB");
    EXPECT_EQ(KilobyteText(1536, ","), "2 kB");  // a half rounds up
    EXPECT_EQ(KilobyteText(2000000, ","), "1,953 kB");
    EXPECT_EQ(KilobyteText(2000000, "."), "1.953 kB");
    EXPECT_EQ(KilobyteText(2000000, "\u202f"), "1\u202f953 kB");
    EXPECT_EQ(KilobyteText(1024LL * 1234567, ","), "1,234,567 kB");
    EXPECT_EQ(KilobyteText(0, ","), "0 kB");
    EXPECT_EQ(KilobyteText(1024LL * 999, ","), "999 kB");
    EXPECT_EQ(KilobyteText(1024LL * 100000, ","), "100,000 kB");
}

TEST(TagFileTable, GenreNamesInProperCase) {
    EXPECT_EQ(ProperCase("R&B"), "R&b");
    EXPECT_EQ(ProperCase("JPop"), "Jpop");
    EXPECT_EQ(ProperCase("power Ballad"), "Power Ballad");
    EXPECT_EQ(ProperCase("  two  blanks"), "  Two  Blanks");
    EXPECT_EQ(ProperCase("åsa ÖL"), "åsa Öl");  // only ASCII letters change

    const auto names = GenreListNames();
    ASSERT_EQ(names.size(), 148u);
    EXPECT_EQ(names.front(), "Blues");
    EXPECT_EQ(names[14], "R&b");
    EXPECT_EQ(names[17], "Rock");
    EXPECT_EQ(names[131], "Indie");
    EXPECT_EQ(names.back(), "Synth Pop");
}

TEST(TagFileTable, LongestTextKeepsTheEarlierOnATie) {
    LongestText longest;
    longest.Offer("abc");
    longest.Offer("xyz");
    EXPECT_EQ(longest.Text(), "abc");
    longest.Offer("Песня");  // five characters, ten bytes
    EXPECT_EQ(longest.Text(), "Песня");
    longest.Offer("abcde");
    EXPECT_EQ(longest.Text(), "Песня");
    longest.Offer("abcdef");
    EXPECT_EQ(longest.Text(), "abcdef");
    EXPECT_EQ(CharacterCount("Åsa"), 3u);
}

TEST(EditorSplitter, DropPinsTheSplitterInsideItsLimits) {
    using namespace splitter;
    EXPECT_EQ(DropLeft(2400), 2410);
    EXPECT_EQ(DropLeft(2500), 2410);
    EXPECT_EQ(DropLeft(2501), 2411);
    EXPECT_EQ(DropLeft(5500), 5410);
    EXPECT_EQ(DropLeft(6000), 5410);
    EXPECT_FALSE(MoveLaysOut(2500, 0));
    EXPECT_FALSE(MoveLaysOut(5500, 0));
    EXPECT_TRUE(MoveLaysOut(4000, 3600));
    EXPECT_FALSE(MoveLaysOut(3690, 3600));  // already there
}

TEST(EditorSplitter, PanesFollowTheBoundary) {
    using namespace splitter;
    const Frame frame{12000, 8400, 120, 120, 4200};
    // List 12000 - 3810 - 120 = 8070 wide: the tab strip spans the window.
    Panes p = LayOut(3690, frame);
    EXPECT_EQ(p.treeWidth, 3570);
    EXPECT_EQ(p.listLeft, 3810);
    EXPECT_EQ(p.listWidth, 8070);
    EXPECT_FALSE(p.pagesUnderList);
    EXPECT_EQ(p.tabLeft, 120);
    EXPECT_EQ(p.tabWidth, 11760);
    EXPECT_EQ(p.treeHeight, 3960);
    EXPECT_EQ(p.pageLeft, 600);

    // A wider window: the list passes 8775 and keeps the pages under itself.
    const Frame wide{14000, 8400, 120, 120, 4200};
    p = LayOut(3690, wide);
    EXPECT_EQ(p.listWidth, 10070);
    EXPECT_TRUE(p.pagesUnderList);
    EXPECT_EQ(p.tabLeft, 3810);
    EXPECT_EQ(p.tabWidth, 10070);
    EXPECT_EQ(p.treeHeight, 8160);
    EXPECT_EQ(p.pageLeft, 4290);
}

TEST(EditorSplitter, NoBoundaryLaysThePagesOverWhatStandsBesideThem) {
    using namespace splitter;
    // The window's own figures: pages 7080 wide, the options from 7800 on.
    const Frame frame{12000, 8400, 120, 120, 4200, 7080, 7800};
    for (int boundary = kMinBoundary + 1; boundary < kMaxBoundary; ++boundary) {
        const Panes p = LayOut(boundary, frame);
        EXPECT_LE(p.pageLeft + 7080 + 120, 7800) << boundary;
        // The tree ends above the tab strip unless the strip sits under the list.
        if (!p.pagesUnderList) {
            EXPECT_LE(120 + p.treeHeight, 4200) << boundary;
        }
        EXPECT_GE(p.listLeft, 120 + p.treeWidth) << boundary;
    }
}
