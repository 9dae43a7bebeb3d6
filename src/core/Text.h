#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace qsr::core {

// The text without leading and trailing blanks (space, tab, CR, LF).
std::string Trim(std::string_view text);

// "m:ss.mmm": 75042 ms gives "1:15.042"; minutes take as many digits as needed.
// A negative time shows as 0:00.000.
std::string ElapsedText(std::int64_t milliseconds);

// bytes / 1048576 with up to two decimals and "MB": 1572864 gives "1.5MB",
// 1048576 gives "1MB".
std::string SizeText(std::uint64_t bytes);

// SizeText of a file's size; empty when the file cannot be examined.
std::string FileSizeText(const std::string& path);

}  // namespace qsr::core
