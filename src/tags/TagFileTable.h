#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace qsr::tags {

// The tag values of one listed file, as the tag editor keeps them between a
// scan and a save. The table holds one record per listed file from index 1;
// index 0 is never used, so a list row can carry its record's index.
struct TagFileRecord {
    std::string v1Title;
    std::string v1Artist;
    std::string v1Album;
    std::string v1Year;
    std::string v1Comment;
    std::string v1Track;
    std::uint8_t v1Genre = 0;
    std::string v2Track;
    std::string v2Title;
    std::string v2Artist;
    std::string v2Album;
    std::string v2Year;
    std::string v2Genre;
    // The genre frame as the file holds it, a "(n)" reference included, so a
    // save that leaves the shown genre alone does not drop the reference.
    std::string v2GenreFrame;
    std::string v2Comment;
    std::string v2Composer;
    std::string v2OrigArtist;
    std::string v2Copyright;
    std::string v2URL;
    std::string v2EncodedBy;
    bool hasV1 = false;
    bool hasV2 = false;
    std::string filename;
};

using TagFileTable = std::vector<TagFileRecord>;

// Tag kinds of a field lookup: ID3v1 fields by name ("TITLE", "ARTIST",
// "ALBUM", "YEAR", "COMMENT", "TRACK", "GENRE"), ID3v2 frames by their
// four-letter id.
constexpr int kTagKindV1 = 1;
constexpr int kTagKindV2 = 2;

// One field's text, empty when the file has no such tag or field.
using TagLookup = std::function<std::string(int kind, const std::string& name)>;

// Fills the tag values of a record (not its filename) from one file's fields
// (the ID3v2 year from TDRC when there is no TYER, as 2.4 tags keep it)
// and sets hasV1 and hasV2: hasV1 when some ID3v1 text is not empty or the
// genre number is not 0; hasV2 when some ID3v2 value is not empty, the genre
// counted after its "(n)" reference is cut.
void FillRecordFromTags(TagFileRecord& record, const TagLookup& lookup);

// The number a text starts with: leading blanks skipped, an optional sign,
// digits and an optional fraction ("12abc" -> 12, "3.5" -> 3.5); none when no
// digit follows.
std::optional<double> LeadingNumber(const std::string& text);

// The ID3v1 genre byte of a "GENRE" text: its leading number rounded (halves
// to even), 0 when there is none or it lies outside 0..255.
std::uint8_t GenreByte(const std::string& text);

// An ID3v2 genre without its leading "(n)" reference: "(12)Rock" -> "Rock",
// "(12)" -> "", "(12" -> "(12" (no ")" keeps the whole text), "Rock" -> "Rock".
std::string CutGenreReference(const std::string& genre);

// The list's "Tags" column: "ID3v1 " (with its blank) and/or "ID3v2".
std::string TagsColumnText(bool hasV1, bool hasV2);

// The list's "Size" column: bytes / 1024 rounded to a whole number (halves up),
// digits grouped by three with the locale's separator, then " kB":
// 2,000,000 bytes with "," -> "1,953 kB".
std::string KilobyteText(std::int64_t bytes, const std::string& groupSeparator);

// First letter of every blank-separated word upper case, every other letter
// lower case: "R&B" -> "R&b", "JPop" -> "Jpop". Letters outside ASCII stay.
std::string ProperCase(const std::string& text);

// The genre choices of both tag pages: the ID3v1 genre names in proper case,
// position = genre number (148 names, "Blues" to "Synth Pop").
std::vector<std::string> GenreListNames();

// Characters in UTF-8 text (code points; a broken byte counts as one).
std::size_t CharacterCount(const std::string& text);

// Keeps the longest text seen for a column; on equal length the earlier stays.
class LongestText {
  public:
    void Offer(const std::string& text);
    const std::string& Text() const { return text_; }
    void Reset() {
        text_.clear();
        length_ = 0;
    }

  private:
    std::string text_;
    std::size_t length_ = 0;
};

}  // namespace qsr::tags
