#pragma once

#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "core/OutputFormats.h"
#include "settings/FilterSettings.h"
#include "settings/FormatValues.h"
#include "settings/OutputNamingSettings.h"

namespace qsr::audio {
class IAudioFile;
class IAudioRecorder;
}  // namespace qsr::audio

namespace qsr::settings {

// Hands every type's format to the file component in the order the main
// window's load uses: MP3, WAV (16-bit), VOX, Ogg Vorbis (44100 Hz stereo),
// RAW (16-bit), G.726. Returns each type's description as the component gave
// it (empty = refused); the component is left holding G.726.
std::map<core::Encoder, std::string> ApplyFormatValues(audio::IAudioFile& file,
                                                       const FormatValues& values);
// The same, with `described` called after each type's format is set.
void SetFormatValues(audio::IAudioFile& file, const FormatValues& values,
                     const std::function<void(core::Encoder)>& described);

// FLAC and Opus, each set from `values` and `described` called after each:
// FLAC at its own rate and channels or the WAV ones, Opus at the WAV ones.
void ApplyNewerFormats(audio::IAudioFile& file, const FormatValues& values,
                       const std::function<void(core::Encoder)>& described);

// The six summaries of the Formats and Filters dialog, in its order: each
// format set on the file component from `values` and its description read
// back (MP3, WAV 16-bit, VOX, RAW 16-bit, G.726, then Ogg Vorbis at 44100 Hz
// stereo, so the component is left holding Ogg Vorbis).
std::vector<std::pair<core::Encoder, std::string>> DescribeFormatsForDialog(
    audio::IAudioFile& file, const FormatValues& values);

// Switches each filter and the automatic gain control on or off as stored and
// hands over the stored frequencies and levels of those that are on; a value
// that is absent or not a number leaves the recorder's own.
void ApplyFilterSettings(audio::IAudioRecorder& recorder, const FilterSettings& filters);
// What both the window and the command line record with: the stored filters
// and gain control, or (filtersOn false, for one run) all of them off.
void ApplyStoredFilters(const std::string& settingsFile, audio::IAudioRecorder& recorder,
                        bool filtersOn = true);

// Reads the format values of settingsFile into `values` (a missing key keeps
// its field) and hands them and the filters to whichever components are given.
void ApplyStoredSettings(const std::string& settingsFile, FormatValues& values,
                         audio::IAudioFile* file, audio::IAudioRecorder* recorder);

}  // namespace qsr::settings
