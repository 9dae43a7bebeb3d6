#include "tags/TagText.h"

#include <algorithm>

namespace qsr::tags {

std::string StripNull(const std::string& text) {
    const auto nul = text.find('\0');
    return nul == std::string::npos ? text : text.substr(0, nul);
}

Utf8Char DecodeUtf8(std::string_view text, std::size_t at) {
    const auto c = static_cast<unsigned char>(text[at]);
    if (c < 0x80) return {c, 1};
    int extra = 0;
    char32_t cp = 0;
    if ((c & 0xE0) == 0xC0) {
        extra = 1;
        cp = c & 0x1F;
    } else if ((c & 0xF0) == 0xE0) {
        extra = 2;
        cp = c & 0x0F;
    } else if ((c & 0xF8) == 0xF0) {
        extra = 3;
        cp = c & 0x07;
    } else {
        return {std::nullopt, 1};
    }
    std::size_t j = 1;
    for (; j <= static_cast<std::size_t>(extra) && at + j < text.size(); ++j) {
        const auto cc = static_cast<unsigned char>(text[at + j]);
        if ((cc & 0xC0) != 0x80) break;
        cp = (cp << 6) | (cc & 0x3F);
    }
    if (j != static_cast<std::size_t>(extra) + 1) return {std::nullopt, j};
    static constexpr char32_t kLeast[4] = {0, 0x80, 0x800, 0x10000};
    if (cp < kLeast[extra] || (cp >= 0xD800 && cp <= 0xDFFF) || cp > 0x10FFFF)
        return {std::nullopt, j};
    return {cp, j};
}

std::string Utf8ToLatin1(const std::string& utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        const Utf8Char ch = DecodeUtf8(utf8, i);
        out.push_back(ch.codePoint && *ch.codePoint <= 0xFF ? static_cast<char>(*ch.codePoint)
                                                            : '?');
        i += ch.length;
    }
    return out;
}

std::string Latin1ToUtf8(const std::string& latin1) {
    std::string out;
    out.reserve(latin1.size());
    for (const char ch : latin1) {
        const auto c = static_cast<unsigned char>(ch);
        if (c < 0x80) {
            out.push_back(ch);
        } else {
            out.push_back(static_cast<char>(0xC0 | (c >> 6)));
            out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
        }
    }
    return out;
}

std::string YearOfDate(const std::string& date) {
    const bool yearFirst =
        date.size() >= 4 &&
        std::all_of(date.begin(), date.begin() + 4, [](char c) { return c >= '0' && c <= '9'; });
    return yearFirst ? date.substr(0, 4) : date;
}

}  // namespace qsr::tags
