#pragma once

#include <string>

namespace qsr::tags {

// The error text for a sound library error code; "Unknown error" for any
// code outside the table.
std::string FmodErrorText(int code);

// The text at p up to its first NUL, at most 255 bytes (a longer or
// unterminated text is cut there, never read past). Empty for null.
std::string StringFromPointer(const char* p);

// n bytes from p, converted from the system code page (UTF-8; a byte that is
// no part of a valid sequence becomes "?"), followed by one NUL: the tag
// rules count on that trailing NUL.
std::string StringFromBytes(const char* p, long n);

}  // namespace qsr::tags
