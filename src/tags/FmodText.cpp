#include "tags/FmodText.h"

#include <array>
#include <cstring>

namespace qsr::tags {
namespace {

// The length of the valid UTF-8 sequence at s[at], 0 when there is none.
std::size_t SequenceLength(const std::string& s, std::size_t at) {
    const auto b = static_cast<unsigned char>(s[at]);
    if (b < 0x80) return 1;
    std::size_t len = 0;
    char32_t cp = 0;
    if ((b & 0xE0) == 0xC0) {
        len = 2;
        cp = b & 0x1F;
    } else if ((b & 0xF0) == 0xE0) {
        len = 3;
        cp = b & 0x0F;
    } else if ((b & 0xF8) == 0xF0) {
        len = 4;
        cp = b & 0x07;
    } else {
        return 0;
    }
    if (at + len > s.size()) return 0;
    for (std::size_t i = 1; i < len; ++i) {
        const auto c = static_cast<unsigned char>(s[at + i]);
        if ((c & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (c & 0x3F);
    }
    static constexpr std::array<char32_t, 5> kMin = {0, 0, 0x80, 0x800, 0x10000};
    if (cp < kMin[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return 0;
    return len;
}

}  // namespace

std::string FmodErrorText(int code) {
    static const std::array<const char*, 20> kTexts = {
        "No errors",
        "Cannot call this command after FSOUND_Init.  Call FSOUND_Close first.",
        "This command failed because FSOUND_Init was not called",
        "Error initializing output device.",
        "The output device is already in use and cannot be reused.",
        "Playing the sound failed.",
        "Soundcard does not support the features needed for this soundsystem (16bit stereo "
        "output)",
        "Error setting cooperative level for hardware.",
        "Error creating hardware sound buffer.",
        "File not found",
        "Unknown file format",
        "Error loading file",
        "Not enough memory",
        "The version number of this file format is not supported",
        "An invalid parameter was passed to this function",
        "Tried to use an EAX command on a non EAX enabled channel or output.",
        "Failed to allocate a new channel",
        "Recording is not supported on this machine",
        "Required Mediaplayer codec is not installed",
        "An error occured trying to open the specified CD device",
    };
    if (code < 0 || code >= static_cast<int>(kTexts.size())) return "Unknown error";
    return kTexts[static_cast<std::size_t>(code)];
}

std::string StringFromPointer(const char* p) {
    if (!p) return {};
    return std::string(p, strnlen(p, 255));
}

std::string StringFromBytes(const char* p, long n) {
    std::string raw;
    if (p && n > 0) raw.assign(p, static_cast<std::size_t>(n));
    std::string out;
    out.reserve(raw.size() + 1);
    for (std::size_t at = 0; at < raw.size();) {
        const std::size_t len = SequenceLength(raw, at);
        if (len == 0) {
            out += '?';
            ++at;
        } else {
            out.append(raw, at, len);
            at += len;
        }
    }
    out += '\0';
    return out;
}

}  // namespace qsr::tags
