#pragma once

#include <string>
#include <vector>

#include "core/Markers.h"

// Markers as chapters, through TagLib: an MP3's ID3v2 CHAP frames under one
// CTOC (the chapter frames podcast players read), the CHAPTERnnn comments of
// Ogg Vorbis, Opus and FLAC. Every write goes to a copy beside the file,
// renamed over it once whole (core::ReplacingFile), so a kill leaves the old
// file or the new one; only the chapters change, every other frame and
// comment is kept.
namespace qsr::audio::chapters {

// The file's chapters become `markers` (frames at `rate`); none removes them.
// False, with the reason, for a type without chapters or a failed write (the
// file is then untouched).
bool WriteChapters(const std::string& path, int rate, const std::vector<core::Marker>& markers,
                   std::string* error);
// The chapters of the file, in its own frames (`rate` is its sample rate).
bool ReadChapters(const std::string& path, std::vector<core::Marker>& markers, int& rate,
                  std::string* error);

}  // namespace qsr::audio::chapters
