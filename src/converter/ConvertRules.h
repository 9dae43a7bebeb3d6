#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace qsr::converter {

// The converter's naming rules. Every output file sits next to its input and
// is named from a stem: the input's folder plus its name up to the first ".".

// The file name the file system finds for `path`: its last component when the
// path names an existing regular file, nothing otherwise (missing, a folder).
std::optional<std::string> LookupInputName(const std::string& path);

// The stem: the part of `path` before the first occurrence of `foundName`,
// followed by `foundName` up to its first ".". Nothing when the found name has
// no "." (or does not occur in the path): such an input is refused.
//   "/music/a.b.mp3", "a.b.mp3"  -> "/music/a"
//   "/a.wav/a.wav",   "a.wav"    -> "/a"   (cut at the first occurrence)
std::optional<std::string> OutputStem(const std::string& path, const std::string& foundName);

std::string Mp3Name(const std::string& stem, int kbps);     // stem_128kbps.mp3
std::string OggName(const std::string& stem);               // stem.ogg
std::string FlacName(const std::string& stem);              // stem.flac
std::string OpusName(const std::string& stem);              // stem.opus
std::string WmaName(const std::string& stem, int profile);  // stem_24.wma

// True when `target` names the same file as `source`, also through another
// spelling of the path or a link. Writing it would truncate the input while it
// is being read.
bool IsSameFile(const std::string& source, const std::string& target);

// Progress of one file. `position` counts units of the reader's total; a block
// of `bytes` advances it by bytes / bytesPerUnit, never beyond `total`.
double AdvancePosition(double position, std::int64_t bytes, double bytesPerUnit,
                       std::int64_t total);
// 100 * position / total, within 0..100; 0 while the total is unknown (0 or less).
double ProgressPercent(double position, std::int64_t total);

}  // namespace qsr::converter
