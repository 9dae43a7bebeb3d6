#include <gtest/gtest.h>

#include "schedule/ClockCheck.h"

using namespace qsr::schedule;
using std::chrono::seconds;

namespace {

const DateTime kTen = MakeDateTime(2026, 12, 8, 10, 0, 0).value();

ScheduleRow Slot(DateTime start, DateTime stop, std::string comment = {}) {
    return {FormatDateTime(start), FormatDateTime(stop), "", kWaiting, std::move(comment)};
}

// Runs the check once a second from `from` to `to` inclusive, as the window's
// clock does, and logs what it asks for.
struct Clock {
    std::vector<ScheduleRow> rows;
    CheckerState state;
    std::optional<DateTime> last;
    std::vector<std::string> log;

    void Check(DateTime now) {
        const ClockActions a = ClockCheck(rows, state, last, now);
        last = now;
        state = a.next;
        if (a.stopRecord) log.push_back("stop " + FormatDateTime(now).substr(11));
        if (a.startRow)
            log.push_back("start " + std::to_string(*a.startRow) + " " +
                          FormatDateTime(now).substr(11));
    }
    void Run(DateTime from, DateTime to) {
        for (DateTime t = from; t <= to; t += seconds(1)) Check(t);
    }
};

using Log = std::vector<std::string>;

TEST(ClockCheck, ASlotStartsAtItsStartAndStopsAtItsStop) {
    Clock c;
    c.rows = {Slot(kTen, kTen + seconds(30))};
    c.last = kTen - seconds(5);
    c.Run(kTen - seconds(4), kTen + seconds(40));
    EXPECT_EQ(c.log, (Log{"start 0 10:00:00", "stop 10:00:30"}));
    EXPECT_FALSE(c.state.active);
}

TEST(ClockCheck, TheActiveSlotRemembersItsStop) {
    const std::vector<ScheduleRow> rows = {Slot(kTen, kTen + seconds(30))};
    const ClockActions a = ClockCheck(rows, {}, kTen - seconds(1), kTen);
    EXPECT_FALSE(a.stopRecord);
    EXPECT_EQ(a.startRow, 0u);
    EXPECT_EQ(a.next, (CheckerState{true, kTen + seconds(30)}));
    // While active nothing else starts, even a row whose start is now.
    const std::vector<ScheduleRow> two = {Slot(kTen, kTen + seconds(30)),
                                          Slot(kTen + seconds(5), kTen + seconds(60))};
    const ClockActions b = ClockCheck(two, a.next, kTen + seconds(4), kTen + seconds(5));
    EXPECT_FALSE(b.startRow);
    EXPECT_FALSE(b.stopRecord);
}

TEST(ClockCheck, TwoRowsWithTheSameStartOnlyTheFirstStarts) {
    Clock c;
    c.rows = {Slot(kTen, kTen + seconds(10), "first"), Slot(kTen, kTen + seconds(20), "second")};
    c.last = kTen - seconds(1);
    c.Run(kTen, kTen + seconds(30));
    EXPECT_EQ(c.log, (Log{"start 0 10:00:00", "stop 10:00:10"}));
}

TEST(ClockCheck, BackToBackSlotsStopThenStartInOneCheck) {
    Clock c;
    c.rows = {Slot(kTen + seconds(10), kTen + seconds(20)), Slot(kTen, kTen + seconds(10))};
    c.last = kTen - seconds(1);
    c.Run(kTen, kTen + seconds(25));
    EXPECT_EQ(c.log,
              (Log{"start 1 10:00:00", "stop 10:00:10", "start 0 10:00:10", "stop 10:00:20"}));
}

TEST(ClockCheck, ALateCheckInsideTheSlotStillStartsIt) {
    Clock c;
    c.rows = {Slot(kTen, kTen + seconds(30))};
    c.last = kTen - seconds(1);
    // The machine was busy from 09:59:59 to 10:00:07.
    c.Check(kTen + seconds(7));
    EXPECT_EQ(c.log, (Log{"start 0 10:00:07"}));
    EXPECT_EQ(c.state.activeStop, kTen + seconds(30));
}

TEST(ClockCheck, ACheckAfterTheStopTimeStopsTheRecording) {
    Clock c;
    c.rows = {Slot(kTen, kTen + seconds(30))};
    c.last = kTen - seconds(1);
    c.Check(kTen);
    c.Check(kTen + seconds(29));
    // Suspended over the stop second.
    c.Check(kTen + seconds(3600));
    EXPECT_EQ(c.log, (Log{"start 0 10:00:00", "stop 11:00:00"}));
    EXPECT_FALSE(c.state.active);
}

TEST(ClockCheck, ASlotWhollyBetweenTwoChecksOrInThePastNeverStarts) {
    Clock c;
    c.rows = {Slot(kTen, kTen + seconds(30))};
    c.last = kTen - seconds(1);
    c.Check(kTen + seconds(30));  // the stop second itself: not ahead any more
    c.Check(kTen + seconds(120));
    EXPECT_TRUE(c.log.empty());

    // The program starts at 10:00:10 (the window's first check looks back one
    // second): a slot that began at 10:00:00 stays unstarted.
    Clock late;
    late.rows = {Slot(kTen, kTen + seconds(30))};
    late.last = kTen + seconds(9);
    late.Run(kTen + seconds(10), kTen + seconds(40));
    EXPECT_TRUE(late.log.empty());

    // Without a previous check only the exact second matches.
    EXPECT_FALSE(ClockCheck(late.rows, {}, std::nullopt, kTen + seconds(1)).startRow);
    EXPECT_EQ(ClockCheck(late.rows, {}, std::nullopt, kTen).startRow, 0u);
}

TEST(ClockCheck, StatusPlaysNoPartSoTheClockSetBackStartsADoneRowAgain) {
    Clock c;
    c.rows = {Slot(kTen, kTen + seconds(5))};
    c.rows[0].status = kDone;
    c.last = kTen - seconds(1);
    c.Run(kTen, kTen + seconds(6));
    // Set back by a minute: nothing starts in the backwards step itself.
    c.Check(kTen - seconds(54));
    c.Run(kTen - seconds(53), kTen + seconds(6));
    EXPECT_EQ(c.log,
              (Log{"start 0 10:00:00", "stop 10:00:05", "start 0 10:00:00", "stop 10:00:05"}));
}

TEST(ClockCheck, CellsThatDoNotParseNeverMatch) {
    Clock c;
    c.rows = {{"10:00:00", FormatDateTime(kTen + seconds(9)), "", "", ""},
              {FormatDateTime(kTen), "", "", "", ""},
              {FormatDateTime(kTen), "tomorrow", "", "", ""},
              {FormatDateTime(kTen), "", "", "", ""},
              {"", "", "", "", ""}};
    c.last = kTen - seconds(1);
    c.Run(kTen, kTen + seconds(10));
    EXPECT_TRUE(c.log.empty()) << "a start without a stop would record for ever";
}

TEST(ClockCheck, AnEmptyListStartsNothingButTheActiveSlotStillStops) {
    Clock c;
    c.state = {true, kTen + seconds(3)};
    c.last = kTen - seconds(1);
    c.Run(kTen, kTen + seconds(2));
    EXPECT_TRUE(c.log.empty());
    EXPECT_TRUE(c.state.active);
    c.Check(kTen + seconds(3));
    EXPECT_EQ(c.log, (Log{"stop 10:00:03"}));
}

TEST(ClockCheck, ASlotIsAboutToStartWithinTheWindowBeforeItsStart) {
    const std::vector<ScheduleRow> rows = {Slot(kTen, kTen + seconds(30)),
                                           {"not a time", FormatDateTime(kTen), "", kWaiting, ""}};
    const seconds minute(60);
    EXPECT_TRUE(SlotStartsWithin(rows, kTen - minute, minute));
    EXPECT_FALSE(SlotStartsWithin(rows, kTen - minute - seconds(1), minute));
    EXPECT_FALSE(SlotStartsWithin(rows, kTen, minute)) << "started: the recording holds it now";
    // A slot that could never run keeps nothing awake.
    EXPECT_FALSE(SlotStartsWithin({Slot(kTen, kTen)}, kTen - seconds(5), minute));
}

}  // namespace
