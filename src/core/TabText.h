#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace qsr::core {

// Our own text files (recording projects, schedule.dat): UTF-8 lines of
// tab-separated cells.
inline constexpr std::string_view kUtf8Bom = "\xEF\xBB\xBF";

// The lines of a text, without their endings: CR LF, a bare LF or CR, and a
// last line without an ending all end a line; one leading BOM is skipped.
std::vector<std::string_view> TextLines(std::string_view text);

// Fills the cells in order from the line's tab-separated parts; parts past the
// last cell are ignored, cells without a part are left empty.
void SplitTabCells(std::string_view line, std::initializer_list<std::string*> cells);

}  // namespace qsr::core
