#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace qsr::core {

// A moment the user marked in a recording: its first sample frame in the
// file, its label and when (wall clock) it was set.
struct Marker {
    std::int64_t frame = 0;
    std::string label;
    std::int64_t setAtMs = 0;  // milliseconds since the epoch; 0 = not known

    bool operator==(const Marker&) const = default;
};

// "Marker N", the label a new marker gets (N counts from 1 in its take).
std::string DefaultMarkerLabel(int number);

// The most chapters a file holds: the Vorbis comment names have three digits
// (CHAPTER001 ... CHAPTER999); markers past that are not stored.
inline constexpr std::size_t kMaxStoredMarkers = 999;

// Frames <-> milliseconds at `rate`, rounded to the nearest.
std::int64_t FramesToMs(std::int64_t frame, int rate);
std::int64_t MsToFrames(std::int64_t ms, int rate);

// "hh:mm:ss.mmm" (the chapter comments' form, hours at least two digits).
std::string ChapterTimeText(std::int64_t ms);
// "hh:mm:ss[.fff]", "mm:ss[.fff]" or "ss[.fff]" in milliseconds; nullopt
// for anything else (minutes or seconds of 60 and above after the first part).
std::optional<std::int64_t> ParseChapterTime(std::string_view text);

// The comments CHAPTER001=00:00:05.250, CHAPTER001NAME=label ... in order
// of position; at most kMaxStoredMarkers.
std::vector<std::pair<std::string, std::string>> ChapterComments(const std::vector<Marker>& markers,
                                                                 int rate);
// The markers such comments name (other comments are ignored; the key's
// case does not matter), sorted by position.
std::vector<Marker> MarkersFromComments(
    const std::vector<std::pair<std::string, std::string>>& comments, int rate);
// Whether a comment's key is one of the chapter keys.
bool IsChapterComment(std::string_view key);

// A WAV file's `cue ` chunk and its `LIST`/`adtl` chunk of `labl` labels,
// each whole (id, size, body, pad byte), ready to append after the last chunk.
std::string WavCueChunks(const std::vector<Marker>& markers);
// The markers of a `cue ` chunk body and a `LIST` chunk body (starting with
// "adtl"; may be empty); cue points without a label get no label.
std::vector<Marker> MarkersFromWavChunks(std::string_view cueBody, std::string_view adtlBody);

// A cue sheet for a headerless file `fileName` (no folder) with one track
// per marker (INDEX in the sheet's 1/75 s frames; a REM FRAME line keeps the
// exact sample frame, which other readers pass over).
std::string CueSheet(const std::string& fileName, const std::vector<Marker>& markers, int rate);
// The markers of a sheet CueSheet wrote (or any sheet: its TITLE and INDEX 01).
std::vector<Marker> MarkersFromCueSheet(std::string_view text, int rate);

// The label file sound editors import: "start<TAB>end<TAB>label" in seconds
// with six decimals, a marker's end the same as its start.
std::string LabelsText(const std::vector<Marker>& markers, int rate);

// Sorted by position, keeping the order of markers at the same frame.
void SortMarkers(std::vector<Marker>& markers);

}  // namespace qsr::core
