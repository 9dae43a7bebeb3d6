#pragma once

#include <string_view>

namespace qsr::core {

// The ID3v2 component's field numbers and the frame each is stored in.
enum class Id3v2Field {
    Track = 1,   // TRCK
    Title,       // TIT2
    Artist,      // TPE1
    Album,       // TALB
    Year,        // TYER (TDRC in a 2.4 tag)
    Genre,       // TCON
    Comment,     // COMM
    Composer,    // TCOM
    OrigArtist,  // TOPE
    Copyright,   // TCOP
    Url,         // WXXX
    EncodedBy,   // TENC
};
inline constexpr int kId3v2FieldCount = 12;

// The frame id of field number 1..12 (TPE1 for 3); nullptr for any other number.
const char* Id3v2FrameId(int field);
inline const char* Id3v2FrameId(Id3v2Field field) {
    return Id3v2FrameId(static_cast<int>(field));
}

// The field number a frame id stores, 1..12; 0 for a frame that is none of them.
int Id3v2FieldOf(std::string_view frameId);

// The 2.3 id of a 2.2 frame (TP1 gives TPE1); empty for an unknown one.
std::string_view Id3v2V23Id(std::string_view v22Id);

}  // namespace qsr::core
