#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "settings/OutputNamingSettings.h"

namespace qsr::recording {

// Where a long recording is cut into pieces: every `seconds` of sound
// exactly, or at the first block that brings a piece to `bytes`; 0 = not by
// that measure. Both zero: one file.
struct SplitRule {
    std::int64_t seconds = 0;
    std::uint64_t bytes = 0;
    bool Off() const { return seconds <= 0 && bytes == 0; }
};

// "10m" (minutes), "90s" (seconds), "100MB" (megabytes of 1,000,000 bytes),
// case-insensitive; nullopt for anything else, zero or a number beyond a year
// or a terabyte.
std::optional<SplitRule> ParseSplit(const std::string& text);

// The stored split settings: a measure above 0 is on.
SplitRule SplitFromSettings(const settings::SplitSettings& stored);
// The same, read afresh from the settings file (as the naming is, at each start).
SplitRule StoredSplit(const std::string& settingsFile);

// Names the pieces after a first file given by path ("a/take.flac"): the
// naming rules' numbering beside it ("a/take_ 2.flac", "a/take_ 3.flac" ...),
// never a name that is taken.
std::function<std::string()> PiecesBeside(const std::string& firstPath);

}  // namespace qsr::recording
