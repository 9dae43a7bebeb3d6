#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <vector>

#include "schedule/ScheduleFile.h"

namespace qsr::schedule {

// What the scheduler remembers between checks: whether a scheduled recording
// runs, and when that slot ends.
struct CheckerState {
    bool active = false;
    DateTime activeStop{};

    bool operator==(const CheckerState&) const = default;
};

// What one check asks for, in this order: stop the recording, then start the
// row (and mark it "Done"). `next` is the checker state after the check.
struct ClockActions {
    bool stopRecord = false;
    std::optional<std::size_t> startRow;
    CheckerState next;
};

// The schedule clock, run about once a second. `lastCheck` is the time of the
// previous check (nullopt for none); `now` the current time.
//
// - An active slot stops at the first check at or after its stop time, even
//   when that check comes late or the list has been emptied meanwhile: the
//   recording never runs on past its slot. Stopping calls StopRecord, which
//   also stops a recording the user started after stopping the scheduled one.
// - While no slot is active, the first row in list order starts whose start
//   time lies after the previous check and not after now (without a previous
//   check: equals now), and whose stop time is still ahead. A check that comes
//   late (a busy machine, a suspend, the clock set forward) thus still starts
//   a slot that is under way, and a slot that lay wholly between two checks
//   or in the past at start-up never starts.
// - Two rows with the same start: only the first starts; the second would
//   need its start to fall in a later check's window.
// - Cells that do not parse never match; a row starts only when both its
//   start and its stop parse, so a started slot always has an end.
// - "Status" plays no part: a "Done" row starts again when the clock meets its
//   start again (the clock set back).
// - The clock set back gives an empty window (start after lastCheck and not
//   after now cannot hold), so nothing starts in that check.
ClockActions ClockCheck(const std::vector<ScheduleRow>& rows, const CheckerState& state,
                        std::optional<DateTime> lastCheck, DateTime now);

// Whether a slot is about to start: a row whose start lies after now and not
// after now + ahead, and whose stop parses and lies after its start. The
// machine must not fall asleep before such a slot's start.
bool SlotStartsWithin(const std::vector<ScheduleRow>& rows, DateTime now,
                      std::chrono::seconds ahead);

// The system clock as the user's wall-clock time, to the second.
DateTime LocalNow();

}  // namespace qsr::schedule
