#include "schedule/ScheduleFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "core/AtomicFile.h"
#include "core/TabText.h"
#include "core/Text.h"
#include "core/TextFile.h"

namespace qsr::schedule {
namespace {

constexpr std::string_view kBom = core::kUtf8Bom;

// Two or four digits at text[pos]; -1 when they are not all digits.
int Digits(std::string_view text, std::size_t pos, std::size_t count) {
    int value = 0;
    for (std::size_t i = pos; i < pos + count; ++i) {
        if (text[i] < '0' || text[i] > '9') return -1;
        value = value * 10 + (text[i] - '0');
    }
    return value;
}

void AppendTwoDigits(std::string& out, long value) {
    out += static_cast<char>('0' + value / 10);
    out += static_cast<char>('0' + value % 10);
}

// A cell as it can be written into a line: the line's own separators inside
// it would cut the row apart when read back.
void AppendCell(std::string& line, const std::string& cell) {
    for (char c : cell) line += (c == '\t' || c == '\r' || c == '\n') ? ' ' : c;
}

}  // namespace

std::optional<DateTime> MakeDateTime(int year, int month, int day, int hour, int minute,
                                     int second) {
    using namespace std::chrono;
    const year_month_day date{std::chrono::year(year),
                              std::chrono::month(static_cast<unsigned>(month)),
                              std::chrono::day(static_cast<unsigned>(day))};
    if (month < 1 || day < 1 || !date.ok()) return std::nullopt;
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59)
        return std::nullopt;
    return local_days(date) + hours(hour) + minutes(minute) + seconds(second);
}

std::string FormatDateTime(DateTime at) {
    using namespace std::chrono;
    const local_days days = floor<std::chrono::days>(at);
    const year_month_day date(days);
    const hh_mm_ss time(at - days);
    std::string out;
    out.reserve(19);
    const int y = static_cast<int>(date.year());
    if (y < 0 || y > 9999) return {};
    out += static_cast<char>('0' + y / 1000);
    out += static_cast<char>('0' + y / 100 % 10);
    AppendTwoDigits(out, y % 100);
    out += '-';
    AppendTwoDigits(out, static_cast<unsigned>(date.month()));
    out += '-';
    AppendTwoDigits(out, static_cast<unsigned>(date.day()));
    out += ' ';
    AppendTwoDigits(out, time.hours().count());
    out += ':';
    AppendTwoDigits(out, time.minutes().count());
    out += ':';
    AppendTwoDigits(out, time.seconds().count());
    return out;
}

std::optional<DateTime> ParseDateTime(std::string_view cell) {
    const std::string_view text = core::TrimView(cell, core::kSpacesAndTabs);
    // yyyy-MM-dd HH:mm:ss
    if (text.size() != 19 || text[4] != '-' || text[7] != '-' || text[10] != ' ' ||
        text[13] != ':' || text[16] != ':')
        return std::nullopt;
    const int year = Digits(text, 0, 4);
    const int month = Digits(text, 5, 2);
    const int day = Digits(text, 8, 2);
    const int hour = Digits(text, 11, 2);
    const int minute = Digits(text, 14, 2);
    const int second = Digits(text, 17, 2);
    if (year < 0 || month < 0 || day < 0 || hour < 0 || minute < 0 || second < 0)
        return std::nullopt;
    return MakeDateTime(year, month, day, hour, minute, second);
}

std::string JoinScheduleLine(const ScheduleRow& row) {
    std::string line;
    line.reserve(row.start.size() + row.stop.size() + row.file.size() + row.status.size() +
                 row.comment.size() + 4);
    AppendCell(line, row.start);
    line += '\t';
    AppendCell(line, row.stop);
    line += '\t';
    AppendCell(line, row.file);
    line += '\t';
    AppendCell(line, row.status);
    line += '\t';
    AppendCell(line, row.comment);
    return line;
}

ScheduleRow SplitScheduleLine(std::string_view line) {
    ScheduleRow row;
    core::SplitTabCells(line, {&row.start, &row.stop, &row.file, &row.status, &row.comment});
    return row;
}

std::vector<ScheduleRow> ParseScheduleText(std::string_view text) {
    std::vector<ScheduleRow> rows;
    for (std::string_view line : core::TextLines(text)) rows.push_back(SplitScheduleLine(line));
    return rows;
}

std::string ScheduleText(const std::vector<ScheduleRow>& rows) {
    std::string text;
    // A first cell that itself begins with a BOM would lose it to the reader;
    // a leading BOM of our own keeps it.
    if (!rows.empty() && std::string_view(rows.front().start).starts_with(kBom)) text += kBom;
    for (const ScheduleRow& row : rows) text.append(JoinScheduleLine(row)).append("\r\n");
    return text;
}

bool ReadScheduleFile(const std::string& path, std::vector<ScheduleRow>& rows, std::string* why) {
    const auto read = core::ReadTextFile(path, kMaxScheduleFileSize);
    if (!read.ok) {
        if (why) *why = read.why;
        return false;
    }
    rows = ParseScheduleText(read.text);
    return true;
}

bool EnsureScheduleFile(const std::string& path) {
    // Non-blocking: a named pipe in its place must not wait for a reader.
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC | O_NONBLOCK, 0666);
    if (fd < 0) return ::access(path.c_str(), F_OK) == 0;
    ::close(fd);
    return true;
}

bool WriteScheduleFile(const std::string& path, const std::vector<ScheduleRow>& rows,
                       std::string* why) {
    return core::WriteFileAtomically(path, ScheduleText(rows), why);
}

}  // namespace qsr::schedule
