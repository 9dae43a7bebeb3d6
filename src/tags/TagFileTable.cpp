#include "tags/TagFileTable.h"

#include <algorithm>
#include <cmath>

#include "core/Id3v2Frames.h"
#include "tags/TagText.h"
#include "tags/clsID3v1.h"

namespace qsr::tags {

void FillRecordFromTags(TagFileRecord& r, const TagLookup& lookup) {
    auto v1 = [&](const char* name) { return lookup(kTagKindV1, name); };
    auto v2 = [&](core::Id3v2Field field) { return lookup(kTagKindV2, core::Id3v2FrameId(field)); };

    r.v1Title = v1("TITLE");
    r.v1Album = v1("ALBUM");
    r.v1Artist = v1("ARTIST");
    r.v1Comment = v1("COMMENT");
    r.v1Genre = GenreByte(v1("GENRE"));
    r.v1Track = v1("TRACK");
    r.v1Year = v1("YEAR");
    r.hasV1 = !r.v1Title.empty() || !r.v1Album.empty() || !r.v1Artist.empty() ||
              !r.v1Comment.empty() || !r.v1Track.empty() || !r.v1Year.empty() || r.v1Genre != 0;

    r.v2Album = v2(core::Id3v2Field::Album);
    r.v2Artist = v2(core::Id3v2Field::Artist);
    r.v2Comment = v2(core::Id3v2Field::Comment);
    r.v2Composer = v2(core::Id3v2Field::Composer);
    r.v2Copyright = v2(core::Id3v2Field::Copyright);
    r.v2EncodedBy = v2(core::Id3v2Field::EncodedBy);
    r.v2GenreFrame = v2(core::Id3v2Field::Genre);
    r.v2Genre = CutGenreReference(r.v2GenreFrame);
    r.v2OrigArtist = v2(core::Id3v2Field::OrigArtist);
    r.v2Title = v2(core::Id3v2Field::Title);
    r.v2Track = v2(core::Id3v2Field::Track);
    r.v2URL = v2(core::Id3v2Field::Url);
    r.v2Year = v2(core::Id3v2Field::Year);
    // A 2.4 tag keeps its date in TDRC ("1999-05-04"): the box shows the year.
    if (r.v2Year.empty()) r.v2Year = YearOfDate(lookup(kTagKindV2, "TDRC"));
    r.hasV2 = false;
    for (const std::string* s :
         {&r.v2Album, &r.v2Artist, &r.v2Comment, &r.v2Composer, &r.v2Copyright, &r.v2EncodedBy,
          &r.v2Genre, &r.v2OrigArtist, &r.v2Title, &r.v2Track, &r.v2URL, &r.v2Year}) {
        if (!s->empty()) r.hasV2 = true;
    }
}

std::optional<double> LeadingNumber(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    double value = 0;
    bool digits = false;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') {
        value = value * 10 + (text[i++] - '0');
        digits = true;
    }
    if (i < text.size() && text[i] == '.') {
        double scale = 0.1;
        for (++i; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, scale /= 10) {
            value += (text[i] - '0') * scale;
            digits = true;
        }
    }
    if (!digits) return std::nullopt;
    return negative ? -value : value;
}

std::uint8_t GenreByte(const std::string& text) {
    const auto number = LeadingNumber(text);
    if (!number) return 0;
    const double rounded = std::nearbyint(*number);  // the default mode rounds halves to even
    if (rounded < 0 || rounded > 255) return 0;
    return static_cast<std::uint8_t>(rounded);
}

std::string CutGenreReference(const std::string& genre) {
    if (genre.empty() || genre[0] != '(') return genre;
    const auto close = genre.find(')');
    return close == std::string::npos ? genre : genre.substr(close + 1);
}

std::string TagsColumnText(bool hasV1, bool hasV2) {
    std::string text;
    if (hasV1) text = "ID3v1 ";
    if (hasV2) text += "ID3v2";
    return text;
}

std::string KilobyteText(std::int64_t bytes, const std::string& groupSeparator) {
    // Whole kilobytes, a half rounded up: (bytes + 512) / 1024 for sizes >= 0.
    const std::int64_t kb = bytes < 0 ? 0 : (bytes + 512) / 1024;
    const std::string digits = std::to_string(kb);
    std::string text;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0) text += groupSeparator;
        text += digits[i];
    }
    return text + " kB";
}

std::string ProperCase(const std::string& text) {
    std::string out = text;
    bool wordStart = true;
    for (char& c : out) {
        if (c == ' ') {
            wordStart = true;
            continue;
        }
        if (c >= 'a' && c <= 'z' && wordStart) c = static_cast<char>(c - 'a' + 'A');
        if (c >= 'A' && c <= 'Z' && !wordStart) c = static_cast<char>(c - 'A' + 'a');
        wordStart = false;
    }
    return out;
}

std::vector<std::string> GenreListNames() {
    const clsID3v1 v1;
    std::vector<std::string> names;
    for (int i = 0;; ++i) {
        const std::string name = v1.ReturnGenre(i);
        if (name.empty()) break;
        names.push_back(ProperCase(name));
    }
    return names;
}

std::size_t CharacterCount(const std::string& text) {
    std::size_t count = 0;
    for (std::size_t at = 0; at < text.size(); ++count) at += DecodeUtf8(text, at).length;
    return count;
}

void LongestText::Offer(const std::string& text) {
    const std::size_t length = CharacterCount(text);
    if (length > length_) {
        text_ = text;
        length_ = length;
    }
}

}  // namespace qsr::tags
