#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/soundlib/SoundLibrary.h"

namespace qsr::soundlib {

// The tag fields of a file in the raw form the library hands out (see
// SoundLibrary.h). Damaged tags give what can be read before the damage.

// The ID3v2 fields of a tag: its bytes from the "ID3" header on (a tag cut
// short gives the frames that fit). Version 2.2 frames take the names of
// their 2.3 successors (TT2 becomes TIT2), so one lookup serves every
// version; compressed or encrypted frames are left out.
std::vector<TagField> Id3v2Fields(const std::string& tag);

// The ID3v1 fields of a 128-byte block starting with "TAG"; none otherwise.
std::vector<TagField> Id3v1Fields(std::string_view block);

// Text of an ID3v2 encoding (0 Latin-1, 1 UTF-16 with BOM, 2 UTF-16BE,
// 3 UTF-8; others read as Latin-1) as UTF-8, each terminator one NUL.
std::string TextToUtf8(int encoding, std::string_view bytes);

// Everything the library learns from a file when it opens a stream: one
// open, the leading tags, the last 128 bytes and a look at where the audio
// starts. No decoder runs.
struct FileFacts {
    int error = kErrNone;  // kErrFileNotFound or kErrFileBad when it cannot be read
    std::uint64_t size = 0;
    std::uint64_t audioStart = 0;  // after the leading tags
    bool mpegAudio = false;        // MPEG audio frames start there
    std::vector<TagField> fields;  // ID3v2 frames in file order, then ID3v1 fields
};
FileFacts ReadFileFacts(const std::string& path);

}  // namespace qsr::soundlib
