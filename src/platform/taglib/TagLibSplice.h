#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "core/MpegTagFile.h"

// Writing a tag by splicing: the old tag's frames are kept byte for byte;
// only the frames of fields whose text changed are rendered anew (by TagLib).
namespace qsr::audio::tagsplice {

// The first tag of a file as it stands: its bytes (a 2.2 tag converted to
// 2.3), header and frames. A file without a valid tag has none (2.3 then).
struct OldTag {
    std::string bytes;
    tagfile::TagHeader header;
    std::vector<tagfile::RawFrame> frames;
    OldTag() { header.major = 3; }
};

// Reads the old tag of the region into `old`: a 2.2 tag converted to 2.3 and
// its day and time kept. False with the reason for a tag that cannot be
// converted or is damaged after its last readable frame (writing would lose
// what follows).
bool ReadOldTag(int fd, const tagfile::TagRegion& region, OldTag& old, std::string& error);

// The frames of the new tag: the old ones byte for byte, but for the fields
// marked changed, whose new frames (from `texts`, by field) stand where the
// field's first old frame stood, or at the end.
std::string SplicedBody(const OldTag& old, const std::array<bool, 13>& changed,
                        const std::array<std::string, 12>& texts);

// The first `size` bytes of the open file.
bool ReadTagBytes(int fd, std::uint64_t size, std::string& out);

// "yyyy-MM[-dd[Thh[:mm[:ss]]]]": the parts a 2.3 tag has frames for.
// False for any other text (a plain year included).
bool SplitIsoDate(const std::string& text, std::string& year, std::string& ddmm, std::string& hhmm);

}  // namespace qsr::audio::tagsplice
