#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace qsr::core {

// Blank sets for trimming; each kind of text names the one it uses.
inline constexpr std::string_view kSpaces = " ";            // tag texts
inline constexpr std::string_view kSpacesAndTabs = " \t";   // schedule cells, stored values
inline constexpr std::string_view kWhiteSpace = " \t\r\n";  // the default
inline constexpr std::string_view kWhiteSpaceAndNul{" \t\r\n\0", 5};  // settings.dat lines

// The text without leading and trailing characters of `blanks`.
std::string_view TrimView(std::string_view text, std::string_view blanks = kWhiteSpace);
std::string Trim(std::string_view text, std::string_view blanks = kWhiteSpace);

// "m:ss.mmm": 75042 ms gives "1:15.042"; minutes take as many digits as needed.
// A negative time shows as 0:00.000.
std::string ElapsedText(std::int64_t milliseconds);

// bytes / 1048576 with up to two decimals and "MB": 1572864 gives "1.5MB",
// 1048576 gives "1MB".
std::string SizeText(std::uint64_t bytes);

// SizeText of a file's size; empty when the file cannot be examined.
std::string FileSizeText(const std::string& path);

}  // namespace qsr::core
