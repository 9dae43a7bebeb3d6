// The edit list's timeline, the silence span and the overview's columns.
#include <gtest/gtest.h>

#include "trim/EditList.h"
#include "trim/Overview.h"

namespace qsr::trim {
namespace {

using Spans = std::vector<SampleSpan>;

// Edits are given in what is left; the list keeps the original's spans, and
// every step can be undone until the next Reset (a save).
TEST(EditList, CutsInTheEditedTimelineKeepTheOriginalsSpansAndUndoStepByStep) {
    EditList e(1000);
    EXPECT_FALSE(e.Changed());
    EXPECT_FALSE(e.CanUndo());
    ASSERT_TRUE(e.Keep({100, 900}));  // trim both ends
    EXPECT_EQ(e.Kept(), (Spans{{100, 900}}));
    ASSERT_TRUE(e.Delete({200, 300}));  // edited 200..300 = original 300..400
    EXPECT_EQ(e.Kept(), (Spans{{100, 300}, {400, 900}}));
    ASSERT_TRUE(e.Delete({150, 250}));  // across the join: original 250..300 and 400..450
    EXPECT_EQ(e.Kept(), (Spans{{100, 250}, {450, 900}}));
    EXPECT_EQ(e.Length(), 600);
    ASSERT_TRUE(e.Keep({100, 200}));  // edited 100..200 = original 200..250 and 450..500
    EXPECT_EQ(e.Kept(), (Spans{{200, 250}, {450, 500}}));

    // Positions move with the sound (markers), or are gone with it.
    EXPECT_EQ(e.ToEdited(220), 20);
    EXPECT_EQ(e.ToEdited(460), 60);
    EXPECT_EQ(e.ToEdited(300), std::nullopt);
    EXPECT_EQ(e.ToEdited(100), std::nullopt);
    EXPECT_EQ(e.ToOriginal(60), 460);
    EXPECT_EQ(e.ToOriginal(500), 500);  // past the end: the end

    // Refused edits change nothing and leave nothing to undo.
    EXPECT_FALSE(e.Delete({0, 100}));  // everything
    EXPECT_FALSE(e.Keep({0, 100}));    // already all there is
    EXPECT_FALSE(e.Delete({40, 40}));
    EXPECT_FALSE(e.Keep({100, 300}));  // outside
    EXPECT_EQ(e.Kept(), (Spans{{200, 250}, {450, 500}}));

    ASSERT_TRUE(e.Undo());
    ASSERT_TRUE(e.Undo());
    EXPECT_EQ(e.Kept(), (Spans{{100, 300}, {400, 900}}));
    ASSERT_TRUE(e.Undo());
    ASSERT_TRUE(e.Undo());
    EXPECT_EQ(e.Kept(), (Spans{{0, 1000}}));
    EXPECT_FALSE(e.Undo());
    EXPECT_FALSE(e.Changed());

    // A delete at either end is a trim; the save makes a new original.
    ASSERT_TRUE(e.Delete({0, 10}));
    ASSERT_TRUE(e.Delete({980, 990}));
    EXPECT_EQ(e.Kept(), (Spans{{10, 990}}));
    e.Reset(e.Length());
    EXPECT_FALSE(e.CanUndo());
    EXPECT_EQ(e.Kept(), (Spans{{0, 980}}));
}

Overview Levels(const std::vector<float>& db, int windowFrames) {
    Overview o;
    o.rate = 1000;  // one frame a millisecond: windows of 50 frames are 50 ms
    o.channels = 1;
    o.windowFrames = windowFrames;
    o.levelDb = db;
    o.total = static_cast<std::int64_t>(db.size()) * windowFrames - 20;  // a short last window
    return o;
}

// Sound is a run of windows at the level for the length asked; shorter
// bursts (a click) in the silence do not count.
TEST(SoundSpan, RunsFromTheFirstLongEnoughSoundToTheEndOfTheLast) {
    std::vector<float> db;
    const auto add = [&db](int n, float v) { db.insert(db.end(), static_cast<std::size_t>(n), v); };
    add(10, -60);
    add(3, -20);  // 150 ms: a click
    add(5, -60);
    add(6, -40);  // 300 ms exactly at the level
    add(4, -70);
    add(8, -10);
    add(2, -60);
    add(2, -10);  // a click at the end
    add(1, -60);
    const Overview o = Levels(db, 50);
    const auto span = SoundSpan(o, -40, 300);
    ASSERT_TRUE(span);
    EXPECT_EQ(span->begin, 18 * 50);
    EXPECT_EQ(span->end, 36 * 50);
    // A shorter length takes the clicks too; the end stops at the sound's end.
    EXPECT_EQ(SoundSpan(o, -40, 100), (SampleSpan{10 * 50, o.total - 30}));
    EXPECT_EQ(SoundSpan(o, -5, 50), std::nullopt);
}

TEST(Overview, ColumnsTakeTheLowestAndHighestOfTheirBuckets) {
    Overview o;
    o.total = 4 * Overview::kBucketFrames;
    o.low = {-5, -100, 0, -7};
    o.high = {5, 10, 300, 7};
    const auto two = Columns(o, 0, o.total, 2);
    ASSERT_EQ(two.size(), 2u);
    EXPECT_EQ(two[0].low, -100);
    EXPECT_EQ(two[0].high, 10);
    EXPECT_EQ(two[1].low, -7);
    EXPECT_EQ(two[1].high, 300);
    // Zoomed in past one bucket a column still shows the bucket it is in.
    const auto fine = Columns(o, Overview::kBucketFrames, Overview::kBucketFrames + 8, 4);
    for (const Column& c : fine) EXPECT_EQ(c.low, -100);

    // Over what the edits leave: with bucket 1 cut out, the loud bucket 2
    // moves left, and a column across the cut takes both sides.
    const std::int64_t b = Overview::kBucketFrames;
    const std::vector<SampleSpan> kept{{0, b}, {2 * b, 4 * b}};
    const auto edited = EditedColumns(o, kept, 0, 3 * b, 3);
    ASSERT_EQ(edited.size(), 3u);
    EXPECT_EQ(edited[0].low, -5);
    EXPECT_EQ(edited[1].high, 300);
    EXPECT_EQ(edited[2].low, -7);
    const auto across = EditedColumns(o, kept, b / 2, b / 2 + b, 1);
    EXPECT_EQ(across[0].low, -5);
    EXPECT_EQ(across[0].high, 300);
}

}  // namespace
}  // namespace qsr::trim
