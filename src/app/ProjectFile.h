#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace qsr::app {

// One row of the recordings list, and one line of a recording project file.
struct RecordingRow {
    std::string number;      // "NO."
    std::string fileName;    // "File Name": the full path of the audio file
    std::string size;        // "Size", e.g. "1.5MB"
    std::string duration;    // "Duration", e.g. "1:15.042"
    std::string recordTime;  // "Record Time"

    bool operator==(const RecordingRow&) const = default;
};

// The five cells joined by one tab each, without a line ending. Cells are
// written as they are: a tab inside a cell is not escaped.
std::string JoinProjectLine(const RecordingRow& row);

// Cells of a line split at every tab, in column order; cells past the fifth are
// ignored, missing ones stay empty.
RecordingRow SplitProjectLine(std::string_view line);

// Whole project text <-> rows. Lines end with CR LF; reading also takes a bare
// LF or CR, a last line without an ending, and skips one leading UTF-8 BOM.
// A line holding a control character other than the tab (a NUL would make
// Delete or Play act on a shorter path) is left out.
std::vector<RecordingRow> ParseProjectText(std::string_view text);
std::string ProjectText(const std::vector<RecordingRow>& rows);

// Appends the file's rows to rows, as stored (numbers untouched). False when the
// file cannot be read, is not a regular file, is larger than kMaxProjectBytes
// or is not text (holds a NUL byte); rows is then unchanged and `why` (when
// given) says which.
inline constexpr std::size_t kMaxProjectBytes = 64ull << 20;
bool ReadProjectFile(const std::string& path, std::vector<RecordingRow>& rows,
                     std::string* why = nullptr);

// Writes every row (an empty list makes an empty file). The file is written to a
// temporary file in the same folder and renamed over the target, so a failure
// never leaves a half-written project; false when that fails, with the reason
// in `error` when given.
bool WriteProjectFile(const std::string& path, const std::vector<RecordingRow>& rows,
                      std::string* error = nullptr);

}  // namespace qsr::app
