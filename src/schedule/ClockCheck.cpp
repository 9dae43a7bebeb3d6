#include "schedule/ClockCheck.h"

#include <algorithm>
#include <ctime>

namespace qsr::schedule {

ClockActions ClockCheck(const std::vector<ScheduleRow>& rows, const CheckerState& state,
                        std::optional<DateTime> lastCheck, DateTime now) {
    ClockActions actions;
    actions.next = state;
    if (actions.next.active && now >= actions.next.activeStop) {
        actions.next = CheckerState{};
        actions.stopRecord = true;
    }
    if (actions.next.active) return actions;

    for (std::size_t i = 0; i < rows.size(); ++i) {
        const auto start = ParseDateTime(rows[i].start);
        if (!start || *start > now) continue;
        if (lastCheck ? *start <= *lastCheck : *start != now) continue;
        const auto stop = ParseDateTime(rows[i].stop);
        if (!stop || *stop <= now) continue;
        actions.next.active = true;
        actions.next.activeStop = *stop;
        actions.startRow = i;
        break;
    }
    return actions;
}

bool SlotStartsWithin(const std::vector<ScheduleRow>& rows, DateTime now,
                      std::chrono::seconds ahead) {
    for (const auto& row : rows) {
        const auto start = ParseDateTime(row.start);
        if (!start || *start <= now || *start > now + ahead) continue;
        const auto stop = ParseDateTime(row.stop);
        if (stop && *stop > *start) return true;
    }
    return false;
}

DateTime LocalNow() {
    const std::time_t t = std::time(nullptr);
    std::tm parts{};
    ::localtime_r(&t, &parts);
    // A leap second reads as the second before it.
    const auto at = MakeDateTime(parts.tm_year + 1900, parts.tm_mon + 1, parts.tm_mday,
                                 parts.tm_hour, parts.tm_min, std::min(parts.tm_sec, 59));
    return at.value_or(DateTime{});
}

}  // namespace qsr::schedule
