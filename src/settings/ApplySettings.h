#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "core/OutputFormats.h"
#include "settings/FormatValues.h"

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

// Reads the format values of settingsFile into `values` (a missing key keeps
// its field) and hands them and the filters to whichever components are given.
void ApplyStoredSettings(const std::string& settingsFile, FormatValues& values,
                         audio::IAudioFile* file, audio::IAudioRecorder* recorder);

// The output-naming keys of section "set", read afresh for each recording, as
// stored (texts): their reading rules belong to the naming.
struct OutputNamingSettings {
    std::string outputFolder;  // `outputfolder`
    std::string fileName;      // `filename`
    std::string dateTime;      // `datetime`
    std::string existedFile;   // `existedfile`
};
OutputNamingSettings ReadOutputNamingSettings(const std::string& settingsFile);

// Longest file name and path the file system takes, in bytes.
inline constexpr std::size_t kMaxFileNameBytes = 255;
inline constexpr std::size_t kMaxPathBytes = 4095;

// Why the stored naming cannot name any file: "the file name in settings.dat
// is too long" (over kMaxFileNameBytes), or the same of the output folder;
// empty when it can. Checked before any other work of a start.
std::string OutputNamingProblem(const OutputNamingSettings& stored);

}  // namespace qsr::settings
