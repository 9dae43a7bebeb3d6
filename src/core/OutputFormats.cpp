#include "core/OutputFormats.h"

#include <cctype>

namespace qsr::core {
namespace {

bool SameText(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) !=
            std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

}  // namespace

const std::vector<OutputFormat>& RecordingFormats() {
    static const std::vector<OutputFormat> formats = {
        {"WAV", Encoder::Wav},   {"MP3", Encoder::Mp3},   {"VOX", Encoder::Vox},
        {"Raw", Encoder::Raw},   {"G726", Encoder::G726}, {"OGG", Encoder::Ogg},
        {"FLAC", Encoder::Flac}, {"OPUS", Encoder::Opus},
    };
    return formats;
}

std::string RecordingFormatList() {
    std::string list;
    for (const OutputFormat& f : RecordingFormats()) {
        if (!list.empty()) list += ", ";
        list += f.listText;
    }
    return list;
}

std::string UnknownFileTypeMessage(std::string_view extension) {
    return "unknown file type '" + std::string(extension) + "' (use " + RecordingFormatList() +
           " or " + FormatName(Encoder::Wma) + ")";
}

const char* FormatName(Encoder encoder) {
    for (const OutputFormat& f : RecordingFormats())
        if (f.encoder == encoder) return f.listText;
    return "WMA";
}

std::optional<Encoder> EncoderForName(std::string_view name) {
    for (const OutputFormat& f : RecordingFormats())
        if (SameText(name, f.listText)) return f.encoder;
    if (SameText(name, "WMA")) return Encoder::Wma;
    return std::nullopt;
}

std::optional<Encoder> EncoderForPath(std::string_view path) {
    const auto dot = path.find_last_of('.');
    const auto slash = path.find_last_of('/');
    if (dot == std::string_view::npos || (slash != std::string_view::npos && dot < slash))
        return std::nullopt;
    return EncoderForName(path.substr(dot + 1));
}

}  // namespace qsr::core
