// What the media control tells from a name alone, before it decides whether
// a MIDI or CD module is needed at all.
#include <cctype>
#include <cstring>
#include <fstream>

#include "platform/mediaplayer/CdAudio.h"
#include "platform/mediaplayer/MidiRender.h"

namespace qsr::mediaplayer {

bool IsMidiName(std::string_view path) {
    const auto dot = path.find_last_of('.');
    if (dot == std::string_view::npos) return false;
    std::string ext(path.substr(dot + 1));
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return ext == "mid" || ext == "midi" || ext == "rmi";
}

int CdAudio::TrackOfFile(const std::string& path) {
    const auto dot = path.find_last_of('.');
    if (dot == std::string::npos || path.size() - dot != 4) return 0;
    std::string ext = path.substr(dot + 1);
    for (char& c : ext) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (ext != "cda") return 0;
    // "RIFF", size, "CDDA", "fmt ", chunk size, version, then the track.
    char header[24] = {};
    std::ifstream in(path, std::ios::binary);
    if (in.read(header, sizeof header) && std::memcmp(header, "RIFF", 4) == 0 &&
        std::memcmp(header + 8, "CDDA", 4) == 0) {
        return static_cast<unsigned char>(header[22]) | static_cast<unsigned char>(header[23]) << 8;
    }
    const auto slash = path.find_last_of('/');
    std::string name = path.substr(slash == std::string::npos ? 0 : slash + 1);
    name.resize(name.size() - 4);
    for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    std::size_t digits = name.size();
    while (digits > 0 && std::isdigit(static_cast<unsigned char>(name[digits - 1]))) --digits;
    if (digits == name.size() || name.size() - digits > 2) return 0;
    std::string word = name.substr(0, digits);
    while (!word.empty() && word.back() == ' ') word.pop_back();
    if (word != "track") return 0;
    return std::stoi(name.substr(digits));
}

}  // namespace qsr::mediaplayer
