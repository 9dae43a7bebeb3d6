#include "app/ProjectFile.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "core/AtomicFile.h"
#include "core/TabText.h"

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

bool ReadProjectFile(const std::string& path, std::vector<RecordingRow>& rows) {
    // A file chosen by mistake (a recording, a disk image) is refused before
    // it is read, not loaded whole.
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) return false;
    const auto bytes = std::filesystem::file_size(path, ec);
    if (ec || bytes > kMaxProjectBytes) return false;
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    const std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (in.bad() || text.find('\0') != std::string::npos) return false;
    auto read = ParseProjectText(text);
    rows.insert(rows.end(), std::make_move_iterator(read.begin()),
                std::make_move_iterator(read.end()));
    return true;
}

bool WriteProjectFile(const std::string& path, const std::vector<RecordingRow>& rows,
                      std::string* error) {
    return core::WriteFileAtomically(path, ProjectText(rows), error);
}

}  // namespace qsr::app
