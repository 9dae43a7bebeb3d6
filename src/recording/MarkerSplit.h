#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/Markers.h"
#include "platform/audio-api/AudioEngine.h"
#include "platform/audio-api/FileCutter.h"
#include "settings/FormatValues.h"

namespace qsr::recording {

// A recording cut at its markers into pieces written beside it; the
// recording itself stays as it is. The rules (names, spans) and the writing,
// which the Markers window runs in a worker (MarkerSplitWork) and
// `quorvin-cli split --at-markers` runs as it is.

// A marker's label as the stem of a file name: '/' becomes '-', control
// characters go, and so do blanks at either end and leading dots (which
// would hide the file); at most kMaxLabelBytes bytes, cut between letters.
// "" when nothing is left.
std::string FileNameLabel(std::string_view label);
inline constexpr std::size_t kMaxLabelBytes = 200;

// What the piece before the first marker adds to the recording's own name.
inline constexpr std::string_view kLeadPieceSuffix = " - start";

// One piece: the span of the recording it holds, the file it is written to
// and the markers of its span, relative to its start.
struct SplitPiece {
    audio::SampleSpan span;
    std::string path;
    std::vector<core::Marker> markers;
    bool operator==(const SplitPiece&) const = default;
};

// The pieces of `path` (`total` frames) at `markers`: one from each marker to
// the next or to the end (markers at one frame make one piece, named after
// the first), and before the first marker, when it is past frame 0, one named
// after the recording with kLeadPieceSuffix. A piece is named after its
// marker's label (FileNameLabel; "Marker N" when nothing is left of it), in
// the recording's folder with its extension; a name another piece or the
// recording has already (letter case aside, for the file systems that
// ignore it) gets " 2", " 3" ... Markers at or past the end make no piece.
// `folder`, when given, holds the pieces instead of the recording's folder.
std::vector<SplitPiece> PlanSplit(const std::string& path, std::vector<core::Marker> markers,
                                  std::int64_t total, const std::string& folder = {});

// What a split needs of the recording.
struct SplitSource {
    std::string path;
    int rate = 0;
    std::int64_t total = 0;
    int rawFrameBytes = 0;  // a headerless RAW file's frame
    std::vector<core::Marker> markers;
};
// Reads it (`formats` for a headerless file); false with `why`.
bool OpenSplitSource(audio::IAudioEngine& engine, const std::string& path,
                     const settings::FormatValues& formats, SplitSource& source, std::string& why);

// The pieces' files that exist already.
std::vector<std::string> ExistingPieces(const std::vector<SplitPiece>& pieces);

struct WrittenPiece {
    std::string path;
    std::int64_t frames = 0;
    std::size_t markers = 0;
};
// What a split did: the pieces written, and the one that could not be and why
// (empty when all were). The pieces after a failure are not written.
struct SplitReport {
    std::vector<WrittenPiece> written;
    std::string failedPath, failure;
    bool cancelled = false;
    std::size_t left = 0;  // pieces not written
};

// Why `source` cannot be split by `cutter` ("" when it can): the cutter's own
// refusal (a format it cannot cut exactly) or no markers inside the sound.
std::string SplitRefusal(audio::IFileCutter& cutter, const SplitSource& source,
                         const std::vector<SplitPiece>& pieces);

// Writes the pieces one after another with `cutter` (exact for its format,
// the tags copied) and sets each one's markers through `engine`, the copied
// ones of the whole recording replaced. `progress` gets the fraction of the
// whole (0..1); false stops (the piece under way is not written).
SplitReport WritePieces(audio::IAudioEngine& engine, audio::IFileCutter& cutter,
                        const SplitSource& source, const std::vector<SplitPiece>& pieces,
                        const std::function<bool(double)>& progress = {});

// The report in the user's words: each piece written, then what failed.
std::string SplitReportText(const SplitReport& report);

}  // namespace qsr::recording
