#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "core/Id3v2Frames.h"
#include "tags/TagFileTable.h"

namespace qsr::tags {

// The rules of the editor's two tag pages, without widgets: what they show
// for one or several files and what a save writes into each file.

// The six ID3v1 boxes in page order.
enum V1Box : int { kV1Track, kV1Title, kV1Artist, kV1Album, kV1Year, kV1Comment, kV1Boxes };
// The eleven ID3v2 boxes in page order (the genre has a box of its own); box
// k < 6 holds the same field as ID3v1 box k. kV2BoxFields says which ID3v2
// field each box holds.
enum V2Box : int {
    kV2Track,
    kV2Title,
    kV2Artist,
    kV2Album,
    kV2Year,
    kV2Comment,
    kV2Composer,
    kV2OrigArtist,
    kV2Copyright,
    kV2URL,
    kV2EncodedBy,
    kV2Boxes
};

// The field of each box: the fields in their numbering order without the genre.
inline constexpr std::array<core::Id3v2Field, kV2Boxes> kV2BoxFields = [] {
    std::array<core::Id3v2Field, kV2Boxes> fields{};
    std::size_t box = 0;
    for (const core::Id3v2Field field : core::kId3v2Fields)
        if (field != core::Id3v2Field::Genre) fields[box++] = field;
    return fields;
}();
static_assert(kV2BoxFields[kV2Comment] == core::Id3v2Field::Comment &&
              kV2BoxFields[kV2URL] == core::Id3v2Field::Url);

// No genre chosen in the ID3v1 genre list.
inline constexpr int kNoGenrePosition = -1;
// The ID3v1 genre byte meaning "no genre".
inline constexpr std::uint8_t kNoGenreByte = 255;

// What the pages hold (or are to show).
struct PageValues {
    bool v1 = false;  // chkv1: ID3v1 boxes in use
    std::array<std::string, kV1Boxes> v1Boxes;
    int v1Genre = kNoGenrePosition;  // list position
    bool v2 = false;                 // chkv2
    std::array<std::string, kV2Boxes> v2Boxes;
    std::string v2Genre;  // the genre box text
};

// The pages for one record: its values, a box set used only when the file
// has that tag. A genre byte without list entry (such as 255) gives
// kNoGenrePosition: no choice.
PageValues PagesForRecord(const TagFileRecord& record);

// The pages for several ticked records, merged in list order. A record takes
// part in the ID3v1 merge when it has an ID3v1 tag, in the ID3v2 merge when
// it has an ID3v2 tag. The first taking part is copied; each further one
// blanks what it disagrees with: the ID3v1 track when the leading numbers
// differ (a text without a number differs from all), ID3v1 texts and all
// ID3v2 values but the track when they differ ignoring case (SameIgnoringCase), the ID3v2 track
// when it differs exactly, the ID3v1 genre when the numbers differ. A
// blanked value stays blank. The track is shown only when its number is
// above 0; a genre without list entry shows no choice.
PageValues MergeRecords(const std::vector<const TagFileRecord*>& records);

// Text without spaces at either end.
std::string Trim(const std::string& text);
// Whether a track text's leading number is above 0.
bool TrackAbove0(const std::string& text);

// Equality ignoring case in any script ("Café" and "CAFÉ" agree), as the
// merge compares texts.
bool SameIgnoringCase(const std::string& a, const std::string& b);

// The ID3v1 values written into one file, in the order they are set.
struct V1Values {
    std::uint8_t track = 0;
    std::string title, artist, album, year, comment;
    std::uint8_t genre = kNoGenreByte;
};

// The ID3v2 values written into one file.
struct V2Values {
    std::array<std::string, kV2Boxes> fields;  // by V2Box
    std::string genre;
};

// The options of a save of several files.
struct BatchOptions {
    bool keepOwnValues = false;  // empty boxes keep each file's own value
    bool numberTracks = false;   // track = the file's place among the ticked
    bool grabTitles = false;     // title = GrabTitle of the file name
};

// An ID3v1 track byte from a box text: its leading number rounded, 0 (no
// track) when it has none or it lies outside 1..255.
std::uint8_t TrackByte(const std::string& text);

// An ID3v1 genre byte from a list position; no choice gives 255 (no genre).
std::uint8_t GenreByteFromPosition(int position);

// Stores saved values into a record as the list keeps them (the ID3v1 track
// as decimal text) and marks the tag present.
void StoreV1(TagFileRecord& record, const V1Values& values);
void StoreV2(TagFileRecord& record, const V2Values& values);
// Empties a record's values of a tag that was removed.
void ClearV1(TagFileRecord& record);
void ClearV2(TagFileRecord& record);

// A title from a file name: the text after the last "-" of the name without
// folder and extension, cleaned and trimmed; empty when the name has no "-".
// "/mp3/Artist - my_song.mp3" -> "My Song".
std::string GrabTitle(const std::string& filename);

// "_" and "%20" become blanks, then proper case, then the letter after any of
// "[", "(", "{", ".", "/", "\" or "-" upper case: "the end%20(remix)" ->
// "The End (Remix)".
std::string CleanTitle(const std::string& text);

// The ID3v1 Track box takes digits, ".", and the keys 8, 13 and 27 only.
bool TrackKeyAccepted(int keyCode);
// The Track box after a key: a number below 0 becomes "0", above 255 "255";
// any other text stays.
std::string ClampTrackText(const std::string& text);

}  // namespace qsr::tags
