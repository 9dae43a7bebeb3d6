#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace qsr::core {

// The encoders a file can be written with.
enum class Encoder { Wav, Mp3, Vox, Raw, G726, Ogg, Wma, Flac, Opus };

// One output format: its text in the main window's list (also the extension
// a recording gets) and its encoder.
struct OutputFormat {
    const char* listText;
    Encoder encoder;
};

// The main window's format list in index order (the index is `outputformat`):
// 0 "WAV", 1 "MP3", 2 "VOX", 3 "Raw", 4 "G726", 5 "OGG", 6 "FLAC", 7 "OPUS"
// (new formats go at the end, so stored indices keep their meaning).
const std::vector<OutputFormat>& RecordingFormats();

// The recording formats' list texts in index order, joined by ", " ("WAV,
// MP3, ... OPUS"): the one list that help and messages name.
std::string RecordingFormatList();

// Why a file whose extension is `extension` cannot be written: no format
// has it. Names the recording formats and WMA, which files are also
// converted to.
std::string UnknownFileTypeMessage(std::string_view extension);

// The list text of an encoder ("WMA" for Wma, which is not recorded to).
const char* FormatName(Encoder encoder);

// The encoder a file name's extension picks, case-insensitively; nullopt for
// an unknown or missing extension.
std::optional<Encoder> EncoderForPath(std::string_view path);

// The recording format a name stands for, case-insensitively ("raw", "Ogg").
std::optional<Encoder> EncoderForName(std::string_view name);

}  // namespace qsr::core
