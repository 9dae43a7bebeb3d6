#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace qsr::tags {

// Text up to, not including, its first NUL (the whole text when it has none).
std::string StripNull(const std::string& text);

// The UTF-8 sequence at text[at]: its code point and how many bytes it takes.
// An invalid one (broken, overlong as C0 80 for NUL, a surrogate, past
// U+10FFFF, a stray byte) has no code point and spans the bytes that began it.
struct Utf8Char {
    std::optional<char32_t> codePoint;
    std::size_t length = 1;
};
Utf8Char DecodeUtf8(std::string_view text, std::size_t at);

// Our strings are UTF-8; ID3v1 blocks hold Latin-1. A character without a
// Latin-1 form (or a byte that is not valid UTF-8) becomes "?".
std::string Utf8ToLatin1(const std::string& utf8);
std::string Latin1ToUtf8(const std::string& latin1);

// The year of an ID3v2.4 date: "1999-05-04" -> "1999"; a text that does not
// start with four digits stays as it is.
std::string YearOfDate(const std::string& date);

}  // namespace qsr::tags
