#pragma once

#include <memory>
#include <string>
#include <vector>

#include "core/Markers.h"
#include "platform/audio-api/FileCutter.h"

namespace qsr::audio {

// Where a recording keeps its markers, by its type:
// - MP3: ID3v2 CHAP frames and a CTOC; Ogg Vorbis, Opus, FLAC: CHAPTERnnn
//   comments (both through the TagLib module);
// - WAV (RIFF and RF64): a `cue ` chunk and a LIST/adtl chunk of labels
//   after the last chunk;
// - VOX, Raw, G.726 (no header to hold them): a cue sheet beside the file,
//   its name with ".cue" for the extension (CueSheetPath).
// WMA files keep none.

// The file's markers become `markers` (frames at `rate`); none removes them.
// False, with the reason, when nothing was stored (the file is as it was).
bool StoreMarkers(const std::string& path, int rate, const std::vector<core::Marker>& markers,
                  std::string* error);
// The file's markers, in its frames; `rate` is its sample rate (for a
// headerless file the caller's `rate` is kept: the sheet's own frames need none).
bool ReadMarkers(const std::string& path, std::vector<core::Marker>& markers, int& rate,
                 std::string* error);

std::string CueSheetPath(const std::string& path);

// The WAV part on its own (also for recovery, which knows the file is WAV).
bool StoreWavMarkers(const std::string& path, const std::vector<core::Marker>& markers,
                     std::string* error);
bool ReadWavMarkers(const std::string& path, std::vector<core::Marker>& markers, int& rate,
                    std::string* error);

// Where markers are once only `kept` of the sound is left (the spans in
// order): each moves back by what was removed before it; one in removed sound
// goes with it (a marker at the very end of the last span stays, at the end).
std::vector<core::Marker> MarkersAfterCut(const std::vector<core::Marker>& markers,
                                          const std::vector<SampleSpan>& kept);

// A cutter whose cuts carry the file's markers along: read from the input
// before the cut, moved (MarkersAfterCut) and stored in the written file
// (beside it, for a headerless file) once the sound is in place. A cut whose
// markers cannot be read is refused, so no file ends up with markers at the
// old times.
std::unique_ptr<IFileCutter> KeepingMarkers(std::unique_ptr<IFileCutter> cutter);

}  // namespace qsr::audio
