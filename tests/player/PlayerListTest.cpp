#include <gtest/gtest.h>

#include "player/PlayerList.h"

namespace qsr::player {
namespace {

PlayerList ListOf(std::initializer_list<const char*> paths) {
    PlayerList list;
    for (const char* p : paths) list.Append(p);
    return list;
}

TEST(PlayerList, AppendsPathAndDisplayNameTogetherWithNothingSelected) {
    const PlayerList list = ListOf({"/m/a.mp3", "b.wav", "/m/x/a.mp3"});
    EXPECT_EQ(list.Paths(), (std::vector<std::string>{"/m/a.mp3", "b.wav", "/m/x/a.mp3"}));
    EXPECT_EQ(list.Names(), (std::vector<std::string>{"a.mp3", "b.wav", "a.mp3"}));
    EXPECT_EQ(list.Current(), -1);
}

TEST(PlayerList, EmptyListRefusesEveryMove) {
    PlayerList list;
    EXPECT_FALSE(list.Next());
    EXPECT_FALSE(list.Previous());
    EXPECT_FALSE(list.Draw(0.5));
    EXPECT_FALSE(list.AdvanceAtEnd());
    EXPECT_FALSE(list.Select(0));
    EXPECT_EQ(list.Current(), -1);
}

TEST(PlayerList, NextAndPreviousWrapAtBothEndsAndFromNoSelection) {
    PlayerList list = ListOf({"a", "b", "c"});
    ASSERT_TRUE(list.Next());
    EXPECT_EQ(list.Current(), 0);  // from none to the first
    list.Select(2);
    list.Next();
    EXPECT_EQ(list.Current(), 0);  // last to first
    list.Previous();
    EXPECT_EQ(list.Current(), 2);  // first to last
    list.Previous();
    EXPECT_EQ(list.Current(), 1);
    PlayerList fresh = ListOf({"a", "b"});
    fresh.Previous();
    EXPECT_EQ(fresh.Current(), 1);  // from none to the last
}

TEST(PlayerList, SelectRefusesOutOfRangeAndKeepsTheSelection) {
    PlayerList list = ListOf({"a", "b"});
    list.Select(1);
    EXPECT_FALSE(list.Select(2));
    EXPECT_FALSE(list.Select(-1));
    EXPECT_EQ(list.Current(), 1);
}

TEST(PlayerList, DrawTakesFloorOfCountTimesRAndNeverPassesTheEnd) {
    PlayerList list = ListOf({"a", "b", "c", "d"});
    list.Draw(0.0);
    EXPECT_EQ(list.Current(), 0);
    list.Draw(0.49);
    EXPECT_EQ(list.Current(), 1);
    list.Draw(0.5);
    EXPECT_EQ(list.Current(), 2);
    list.Draw(0.9999999999999999);
    EXPECT_EQ(list.Current(), 3);
}

TEST(PlayerList, EndOfEntryAdvancesStopsAtTheLastAndPrefersTheFirstOfADuplicateName) {
    PlayerList list = ListOf({"/1/x.mp3", "/2/y.mp3", "/3/x.mp3"});
    list.Select(0);
    ASSERT_TRUE(list.AdvanceAtEnd());
    EXPECT_EQ(list.Current(), 1);
    // The third entry shares its name with the first, which becomes current.
    ASSERT_TRUE(list.AdvanceAtEnd());
    EXPECT_EQ(list.Current(), 0);
    list.Select(2);
    EXPECT_FALSE(list.AdvanceAtEnd());
    EXPECT_EQ(list.Current(), 2);
    // With nothing selected the first entry follows.
    PlayerList fresh = ListOf({"a", "b"});
    ASSERT_TRUE(fresh.AdvanceAtEnd());
    EXPECT_EQ(fresh.Current(), 0);
}

}  // namespace
}  // namespace qsr::player
