#pragma once

#include <array>
#include <string_view>

namespace qsr::core {

// The twelve text fields of an ID3v2 tag, numbered as the ID3v2 component
// numbers them, and the frame each is stored in. Their names and frames are
// in Id3v2Frames.cpp, described once.
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

// Every field, in their numbering order (also the order the command line
// prints them in).
inline constexpr std::array<Id3v2Field, kId3v2FieldCount> kId3v2Fields = {
    Id3v2Field::Track,      Id3v2Field::Title,     Id3v2Field::Artist,  Id3v2Field::Album,
    Id3v2Field::Year,       Id3v2Field::Genre,     Id3v2Field::Comment, Id3v2Field::Composer,
    Id3v2Field::OrigArtist, Id3v2Field::Copyright, Id3v2Field::Url,     Id3v2Field::EncodedBy};

// The field's property name, as the tag object and the command line call it
// ("tagTitle", "tagComments", "tagURL" ...).
const char* Id3v2FieldName(Id3v2Field field);

// The order in which a tag is read from and written to the component: by
// property name.
const std::array<Id3v2Field, kId3v2FieldCount>& Id3v2ComponentOrder();

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
