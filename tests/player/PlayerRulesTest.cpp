#include <gtest/gtest.h>

#include "player/PlayerRules.h"

namespace qsr::player {
namespace {

TEST(PlayerModes, ThePlaylistButtonTogglesOnlyFromItsTwoHeights) {
    EXPECT_EQ(PlaylistPanelToggle(1725), 5640);
    EXPECT_EQ(PlaylistPanelToggle(5640), 1725);
    EXPECT_EQ(PlaylistPanelToggle(230), 230);
}

TEST(PositionKnob, DragFollowsThePointerWithinItsRange) {
    EXPECT_EQ(DraggedKnobLeft(1000, 10, kKnobMin, kKnobMax), 1150);
    EXPECT_EQ(DraggedKnobLeft(1000, -100, kKnobMin, kKnobMax), 120);
    EXPECT_EQ(DraggedKnobLeft(3500, 100, kKnobMin, kKnobMax), 3540);
    EXPECT_EQ(DraggedKnobLeft(1320, 40, kBalanceMin, kBalanceMax), 1740);
}

TEST(PositionKnob, SeekAndDisplayUseTheSameScale) {
    // At the right end the seek is floor(3420 / 3540 × duration).
    EXPECT_EQ(KnobSeekSeconds(3540, 100.0), 96.0);
    EXPECT_EQ(KnobSeekSeconds(120, 100.0), 0.0);
    EXPECT_EQ(KnobSeekSeconds(1890, 10.0), 5.0);
    EXPECT_EQ(KnobSeekSeconds(2000, 0.0), 0.0);
    EXPECT_EQ(KnobLeftForPosition(0, 200.0), 120);
    EXPECT_EQ(KnobLeftForPosition(50, 200.0), 120 + 885);
    EXPECT_EQ(KnobLeftForPosition(1, 3.0), 120 + 1180);
    // No file loaded: the knob is not moved.
    EXPECT_FALSE(KnobLeftForPosition(0, 0.0).has_value());
}

TEST(BalanceKnob, OneLinearRuleFromLeftToRight) {
    EXPECT_EQ(BalanceForKnob(900), -10000);
    EXPECT_EQ(BalanceForKnob(1320), 0);
    EXPECT_EQ(BalanceForKnob(1740), 10000);
    EXPECT_EQ(BalanceForKnob(1530), 5000);
    EXPECT_EQ(BalanceForKnob(1110), -5000);
    EXPECT_EQ(BalanceForKnob(2000), 10000);
}

TEST(BalanceKnob, TitleZonesLastTestWinsAndAGapKeepsTheTitle) {
    EXPECT_EQ(BalanceTitle(900), "Left");
    EXPECT_EQ(BalanceTitle(1199), "Left");
    EXPECT_EQ(BalanceTitle(1200), "Center");
    EXPECT_EQ(BalanceTitle(1334), "Center");
    EXPECT_FALSE(BalanceTitle(1335).has_value());
    EXPECT_FALSE(BalanceTitle(1620).has_value());
    EXPECT_EQ(BalanceTitle(1621), "Right");
}

TEST(VolumeBars, FollowTheTableAndLeaveTheBarsBelowMinus7000) {
    // Holding minus from 0: -130 .. -910 show six, -1040 five, -1560 four.
    for (int v = -130; v >= -910; v -= 130) EXPECT_EQ(VolumeBars(v), 6) << v;
    EXPECT_EQ(VolumeBars(0), 6);
    EXPECT_EQ(VolumeBars(-1040), 5);
    EXPECT_EQ(VolumeBars(-1500), 4);
    EXPECT_EQ(VolumeBars(-1560), 4);
    EXPECT_EQ(VolumeBars(-2000), 3);
    EXPECT_EQ(VolumeBars(-3999), 3);
    EXPECT_EQ(VolumeBars(-4000), 2);
    EXPECT_EQ(VolumeBars(-5000), 1);
    EXPECT_EQ(VolumeBars(-6000), 0);
    EXPECT_EQ(VolumeBars(-6999), 0);
    EXPECT_FALSE(VolumeBars(-7000).has_value());
    EXPECT_EQ(RefusedVolumeText(true), "Max");
    EXPECT_EQ(RefusedVolumeText(false), "Min");
}

TEST(PlayerTimeText, RoundsHalvesToEvenAndNeverShowsMinusOne) {
    EXPECT_EQ(PlayerTimeText(0), "00:00");
    EXPECT_EQ(PlayerTimeText(0.5), "00:00");
    EXPECT_EQ(PlayerTimeText(1.5), "00:02");
    EXPECT_EQ(PlayerTimeText(59.4), "00:59");
    EXPECT_EQ(PlayerTimeText(59.6), "01:00");
    EXPECT_EQ(PlayerTimeText(187.2), "03:07");
    EXPECT_EQ(PlayerTimeText(6000), "100:00");
    EXPECT_EQ(PlayerTimeText(-0.7), "00:00");
}

TEST(PlayerCaption, AddsTheTitleOnlyWhenMinimized) {
    EXPECT_EQ(PlayerCaption(false, "song.mp3"), "Audio Player");
    EXPECT_EQ(PlayerCaption(true, "song.mp3"), "Audio Player...song.mp3");
    EXPECT_EQ(PlayerCaption(true, ""), "Audio Player...");
}

TEST(PlayerFiles, CdTestIsCaseSensitiveAndFolderScanIsNot) {
    EXPECT_TRUE(IsCdTrack("/media/cd/Track01.cda"));
    EXPECT_FALSE(IsCdTrack("/media/cd/Track01.CDA"));
    EXPECT_TRUE(IsCdTrack("cda"));
    EXPECT_EQ(LastThree("ab"), "ab");
    EXPECT_EQ(LastThree("/x/song.mp3"), "mp3");
    EXPECT_TRUE(IsPlayableFile("A.MP3"));
    EXPECT_TRUE(IsPlayableFile("tune.midi"));
    EXPECT_TRUE(IsPlayableFile("x.aifc"));
    EXPECT_FALSE(IsPlayableFile("notes.txt"));
    EXPECT_FALSE(IsPlayableFile("mp3"));
    EXPECT_FALSE(IsPlayableFile("track.cda"));
}

TEST(PlayerFiles, PipeFiltersBecomeDialogFilters) {
    EXPECT_EQ(DialogFilter(kPlaylistSaveFilter), "Playlist(*.M3u) (*.m3u)");
    EXPECT_EQ(DialogFilter("A|*.a;*.b|B|*.c"), "A (*.a *.b);;B (*.c)");
    EXPECT_EQ(DialogFilter(kFilterF2).substr(0, 36), "All Supported Formats (*.mp3 *.cda *");
}

}  // namespace
}  // namespace qsr::player
