// The pieces a split at markers makes: their spans, their markers and the
// file names their labels give.
#include <gtest/gtest.h>

#include "recording/MarkerSplit.h"

namespace qsr::recording {
namespace {

TEST(MarkerSplit, LabelsBecomeFileNamesWithoutSlashesControlsOrOuterBlanks) {
    EXPECT_EQ(FileNameLabel("  Q/A: take 3\t"), "Q-A: take 3");
    EXPECT_EQ(FileNameLabel("a\nb\x7F"
                            "c\x01"),
              "abc");
    EXPECT_EQ(FileNameLabel("..hidden. "), "hidden.");
    EXPECT_EQ(FileNameLabel("Frage – 質問"), "Frage – 質問");
    EXPECT_EQ(FileNameLabel(" \t.\n"), "");
    // Cut at a letter's start: 199 ASCII bytes and a three-byte letter.
    const std::string longLabel = std::string(199, 'x') + "質問";
    EXPECT_EQ(FileNameLabel(longLabel), std::string(199, 'x'));
    EXPECT_EQ(FileNameLabel(std::string(300, 'y')).size(), kMaxLabelBytes);
}

TEST(MarkerSplit, PiecesRunFromMarkerToMarkerWithTheirOwnMarkerAtTheStart) {
    // Unsorted, two at one frame, one past the end, one unnamed, names that
    // meet each other and the recording's own (letter case aside).
    const std::vector<core::Marker> markers = {
        {300, "intro", 7}, {100, "Intro", 5}, {300, "Also here", 8},
        {1000, "Past", 9}, {600, "/\n", 0},   {800, "Talk", 0},
    };
    const std::vector<SplitPiece> pieces = PlanSplit("/rec/Talk.wav", markers, 1000);
    const std::vector<SplitPiece> expected = {
        {{0, 100}, "/rec/Talk - start.wav", {}},
        {{100, 300}, "/rec/Intro.wav", {{0, "Intro", 5}}},
        {{300, 600}, "/rec/intro 2.wav", {{0, "intro", 7}, {0, "Also here", 8}}},
        {{600, 800}, "/rec/-.wav", {{0, "/\n", 0}}},
        {{800, 1000}, "/rec/Talk 2.wav", {{0, "Talk", 0}}},
    };
    EXPECT_EQ(pieces, expected);

    // A marker at the first frame: no piece before it; nothing left of a
    // label gives the default one; another folder holds the pieces.
    const std::vector<SplitPiece> atZero =
        PlanSplit("/rec/a.flac", {{0, " ", 0}, {50, "b", 0}}, 60, "/out");
    ASSERT_EQ(atZero.size(), 2u);
    EXPECT_EQ(atZero[0].path, "/out/Marker 1.flac");
    EXPECT_EQ(atZero[0].span, (audio::SampleSpan{0, 50}));
    EXPECT_EQ(atZero[1].path, "/out/b.flac");
    EXPECT_EQ(atZero[1].span, (audio::SampleSpan{50, 60}));
    EXPECT_TRUE(PlanSplit("/rec/a.flac", {{60, "end", 0}}, 60).empty());
}

}  // namespace
}  // namespace qsr::recording
