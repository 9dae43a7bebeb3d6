#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace qsr::settings {

// How readers interpret stored text. Numbers are plain decimal; a conversion
// that fails leaves its target as it was.

// A flag compared with 1: on for "1", and also for absent, empty or non-numeric text.
bool FlagTestedForOne(const std::string& text);
// A value compared with 0: "not set" for "0", and also for absent, empty or
// non-numeric text.
bool ValueTestedForZero(const std::string& text);

// The number in text, rounded half to even as the stored values were; nullopt
// when text is not a number or does not fit.
std::optional<double> ParseNumber(const std::string& text);

// Set target from text when it converts and fits; otherwise leave it. Return
// whether the target was set.
bool ConvertInt16(const std::string& text, std::int16_t& target);
bool ConvertInt32(const std::string& text, std::int32_t& target);
bool ConvertSingle(const std::string& text, float& target);

// Index of the output format list for the stored outputformat: 0 (WAV) for
// text that is not a number or an index outside the list.
int OutputFormatIndex(const std::string& text);

// The recordings' folder: the stored path, or the application folder when it
// is empty or "0".
std::string OutputFolder(const std::string& stored, const std::string& applicationFolder);

}  // namespace qsr::settings
