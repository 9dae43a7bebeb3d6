#pragma once

#include <string>

namespace qsr::tags {

// Text up to, not including, its first NUL (the whole text when it has none).
std::string StripNull(const std::string& text);

// Our strings are UTF-8; ID3v1 blocks hold Latin-1. A character without a
// Latin-1 form (or a byte that is not valid UTF-8) becomes "?".
std::string Utf8ToLatin1(const std::string& utf8);
std::string Latin1ToUtf8(const std::string& latin1);

}  // namespace qsr::tags
