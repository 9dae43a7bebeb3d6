#include "app/ProjectFile.h"

#include <algorithm>
#include <iterator>

#include "core/AtomicFile.h"
#include "core/TabText.h"
#include "core/TextFile.h"

namespace qsr::app {
namespace {

constexpr std::string_view kBom = core::kUtf8Bom;

// Characters that never belong in a row: C0 controls but the tab separator, and DEL.
bool IsControl(char c) {
    const auto u = static_cast<unsigned char>(c);
    return (u < 0x20 && c != '\t') || u == 0x7F;
}

}  // namespace

std::string JoinProjectLine(const RecordingRow& row) {
    std::string line;
    line.reserve(row.number.size() + row.fileName.size() + row.size.size() + row.duration.size() +
                 row.recordTime.size() + 4);
    line.append(row.number).append(1, '\t');
    line.append(row.fileName).append(1, '\t');
    line.append(row.size).append(1, '\t');
    line.append(row.duration).append(1, '\t');
    line.append(row.recordTime);
    return line;
}

RecordingRow SplitProjectLine(std::string_view line) {
    RecordingRow row;
    core::SplitTabCells(line,
                        {&row.number, &row.fileName, &row.size, &row.duration, &row.recordTime});
    return row;
}

std::vector<RecordingRow> ParseProjectText(std::string_view text) {
    std::vector<RecordingRow> rows;
    for (std::string_view line : core::TextLines(text))
        if (std::none_of(line.begin(), line.end(), IsControl))
            rows.push_back(SplitProjectLine(line));
    return rows;
}

std::string ProjectText(const std::vector<RecordingRow>& rows) {
    std::string text;
    // A first cell that itself begins with a BOM would lose it to the reader;
    // a leading BOM of our own keeps it.
    if (!rows.empty() && std::string_view(rows.front().number).starts_with(kBom)) text += kBom;
    for (const RecordingRow& row : rows) text.append(JoinProjectLine(row)).append("\r\n");
    return text;
}

bool ReadProjectFile(const std::string& path, std::vector<RecordingRow>& rows, std::string* why) {
    // A file chosen by mistake (a recording, a disk image, a pipe) is refused
    // before it is read, not loaded whole.
    auto read = core::ReadTextFile(path, kMaxProjectBytes);
    if (read.ok && read.text.find('\0') != std::string::npos) {
        read.ok = false;
        read.why = "it holds a NUL byte, so it is not a recording project";
    }
    if (!read.ok) {
        if (why) *why = read.why;
        return false;
    }
    auto parsed = ParseProjectText(read.text);
    rows.insert(rows.end(), std::make_move_iterator(parsed.begin()),
                std::make_move_iterator(parsed.end()));
    return true;
}

bool WriteProjectFile(const std::string& path, const std::vector<RecordingRow>& rows,
                      std::string* error) {
    return core::WriteFileAtomically(path, ProjectText(rows), error);
}

}  // namespace qsr::app
