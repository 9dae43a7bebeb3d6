#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qsr::schedule {

// A wall-clock date and time of the user's time zone, to the second.
using DateTime = std::chrono::local_seconds;

// The one form schedule cells are written and parsed in: "yyyy-MM-dd HH:mm:ss"
// (the pickers of the Scheduler dialog show the same form).
inline constexpr const char* kDateForm = "yyyy-MM-dd";
inline constexpr const char* kTimeForm = "HH:mm:ss";

// The cell of a date-time, e.g. "2026-12-08 10:00:00".
std::string FormatDateTime(DateTime at);

// A cell back to its date-time. Only the exact form above converts (blanks
// around it are allowed); anything else, including a date that does not exist
// such as "2026-02-30", is nullopt and so never matches the clock.
std::optional<DateTime> ParseDateTime(std::string_view cell);

// A date-time from its parts; nullopt for parts that make no date or time.
std::optional<DateTime> MakeDateTime(int year, int month, int day, int hour, int minute,
                                     int second);

// Texts of the "Status" column.
inline constexpr const char* kWaiting = "Waiting";
inline constexpr const char* kDone = "Done";
inline constexpr const char* kDeviceLost = "Stopped: device lost";

// One row of the schedule list and one line of schedule.dat. Every cell is
// text as shown; "File" is never filled by the program, but a value read from
// the file is kept.
struct ScheduleRow {
    std::string start;    // "Start time"
    std::string stop;     // "Stop time"
    std::string file;     // "File"
    std::string status;   // "Status"
    std::string comment;  // "Comment"

    bool operator==(const ScheduleRow&) const = default;
};

// The name of the file in the application folder.
inline constexpr const char* kScheduleFileName = "schedule.dat";

// The five cells joined by one tab each, without a line ending. A tab, CR or
// LF inside a cell would split the row when read back, so each becomes a blank.
std::string JoinScheduleLine(const ScheduleRow& row);

// A line split at every tab: cells 1 to 5 fill the columns in order, further
// cells are ignored, a line of fewer cells leaves the rest empty.
ScheduleRow SplitScheduleLine(std::string_view line);

// Whole file text <-> rows. Lines are UTF-8 ending in CR LF; reading also
// takes a bare LF or CR and a last line without an ending, and skips one
// leading UTF-8 BOM. An empty text is an empty schedule; an empty line is a row
// of empty cells.
std::vector<ScheduleRow> ParseScheduleText(std::string_view text);
std::string ScheduleText(const std::vector<ScheduleRow>& rows);

// Reads the file into rows (replacing them). False when it cannot be read;
// rows are then unchanged and `why` (when given) says why. Files larger than
// kMaxScheduleFileSize are refused as not a schedule.
inline constexpr std::size_t kMaxScheduleFileSize = 16 * 1024 * 1024;
bool ReadScheduleFile(const std::string& path, std::vector<ScheduleRow>& rows,
                      std::string* why = nullptr);

// Creates the file empty when it does not exist; true when it exists afterwards.
bool EnsureScheduleFile(const std::string& path);

// Replaces the file with every row, in order. The content goes to a fresh
// file in the same folder that is renamed over the old one, so a crash or a
// full disk leaves the old schedule whole; false (with the reason in `why`
// when given) when that fails.
bool WriteScheduleFile(const std::string& path, const std::vector<ScheduleRow>& rows,
                       std::string* why = nullptr);

}  // namespace qsr::schedule
