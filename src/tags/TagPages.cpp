#include "tags/TagPages.h"

#include <locale.h>
#include <wctype.h>

#include <algorithm>
#include <cmath>

#include "core/Text.h"
#include "tags/SplitPath.h"
#include "tags/TagText.h"
#include "tags/clsID3v1.h"

namespace qsr::tags {
namespace {

char Upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

void ReplaceAll(std::string& text, const std::string& from, const std::string& to) {
    for (auto at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
}

int PositionFromByte(std::uint8_t genre) {
    return genre < clsID3v1::kGenreCount ? genre : kNoGenrePosition;
}

std::array<std::string, kV1Boxes> V1Texts(const TagFileRecord& r) {
    return {r.v1Track, r.v1Title, r.v1Artist, r.v1Album, r.v1Year, r.v1Comment};
}

std::array<std::string, kV2Boxes> V2Texts(const TagFileRecord& r) {
    return {r.v2Track,    r.v2Title,      r.v2Artist,    r.v2Album, r.v2Year,     r.v2Comment,
            r.v2Composer, r.v2OrigArtist, r.v2Copyright, r.v2URL,   r.v2EncodedBy};
}

bool SameTrackNumber(const std::string& a, const std::string& b) {
    const auto na = LeadingNumber(a);
    const auto nb = LeadingNumber(b);
    return na && nb && *na == *nb;
}

}  // namespace

std::string Trim(const std::string& text) {
    return core::Trim(text, core::kSpaces);
}

bool TrackAbove0(const std::string& text) {
    const auto number = LeadingNumber(text);
    return number && *number > 0;
}

bool SameIgnoringCase(const std::string& a, const std::string& b) {
    // The C library's Unicode case table, whatever locale the program runs in.
    static const locale_t unicode = ::newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t{});
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        const Utf8Char x = DecodeUtf8(a, i);
        const Utf8Char y = DecodeUtf8(b, j);
        if (x.codePoint && y.codePoint) {
            const auto fold = [](char32_t c) -> char32_t {
                if (unicode != locale_t{}) {
                    return static_cast<char32_t>(::towlower_l(static_cast<wint_t>(c), unicode));
                }
                return c < 128 ? static_cast<char32_t>(Lower(static_cast<char>(c))) : c;
            };
            if (fold(*x.codePoint) != fold(*y.codePoint)) return false;
        } else if (a.compare(i, x.length, b, j, y.length) != 0) {
            return false;  // broken bytes compare as they are
        }
        i += x.length;
        j += y.length;
    }
    return i == a.size() && j == b.size();
}

PageValues PagesForRecord(const TagFileRecord& record) {
    PageValues pages;
    pages.v1 = record.hasV1;
    if (record.hasV1) {
        pages.v1Boxes = V1Texts(record);
        pages.v1Genre = PositionFromByte(record.v1Genre);
    }
    pages.v2 = record.hasV2;
    if (record.hasV2) {
        pages.v2Boxes = V2Texts(record);
        pages.v2Genre = record.v2Genre;
    }
    return pages;
}

PageValues MergeRecords(const std::vector<const TagFileRecord*>& records) {
    PageValues merged;
    int v1Genre = kNoGenrePosition;
    for (const TagFileRecord* r : records) {
        if (r->hasV1) {
            const auto texts = V1Texts(*r);
            if (!merged.v1) {
                merged.v1 = true;
                merged.v1Boxes = texts;
                v1Genre = r->v1Genre;
            } else {
                std::string& track = merged.v1Boxes[kV1Track];
                if (!SameTrackNumber(track, texts[kV1Track])) track.clear();
                for (int k = kV1Title; k < kV1Boxes; ++k) {
                    std::string& box = merged.v1Boxes[static_cast<std::size_t>(k)];
                    if (!SameIgnoringCase(box, texts[static_cast<std::size_t>(k)])) box.clear();
                }
                if (v1Genre != r->v1Genre) v1Genre = kNoGenrePosition;
            }
        }
        if (r->hasV2) {
            const auto texts = V2Texts(*r);
            if (!merged.v2) {
                merged.v2 = true;
                merged.v2Boxes = texts;
                merged.v2Genre = r->v2Genre;
            } else {
                std::string& track = merged.v2Boxes[kV2Track];
                if (track != texts[kV2Track]) track.clear();
                for (int k = kV2Title; k < kV2Boxes; ++k) {
                    std::string& box = merged.v2Boxes[static_cast<std::size_t>(k)];
                    if (!SameIgnoringCase(box, texts[static_cast<std::size_t>(k)])) box.clear();
                }
                if (!SameIgnoringCase(merged.v2Genre, r->v2Genre)) merged.v2Genre.clear();
            }
        }
    }
    if (merged.v1) {
        if (!TrackAbove0(merged.v1Boxes[kV1Track])) merged.v1Boxes[kV1Track].clear();
        merged.v1Genre =
            v1Genre >= 0 && v1Genre < clsID3v1::kGenreCount ? v1Genre : kNoGenrePosition;
    }
    return merged;
}

std::uint8_t TrackByte(const std::string& text) {
    const auto number = LeadingNumber(Trim(text));
    if (!number) return 0;
    const double rounded = std::nearbyint(*number);
    return rounded >= 1 && rounded <= 255 ? static_cast<std::uint8_t>(rounded) : 0;
}

std::uint8_t GenreByteFromPosition(int position) {
    return position >= 0 && position <= 255 ? static_cast<std::uint8_t>(position) : kNoGenreByte;
}

void StoreV1(TagFileRecord& record, const V1Values& values) {
    record.v1Album = values.album;
    record.v1Artist = values.artist;
    record.v1Comment = values.comment;
    record.v1Genre = values.genre;
    record.v1Title = values.title;
    record.v1Track = std::to_string(values.track);
    record.v1Year = values.year;
    record.hasV1 = true;
}

void StoreV2(TagFileRecord& record, const V2Values& values) {
    record.v2Track = values.fields[kV2Track];
    record.v2Title = values.fields[kV2Title];
    record.v2Artist = values.fields[kV2Artist];
    record.v2Album = values.fields[kV2Album];
    record.v2Comment = values.fields[kV2Comment];
    record.v2Composer = values.fields[kV2Composer];
    record.v2OrigArtist = values.fields[kV2OrigArtist];
    record.v2Copyright = values.fields[kV2Copyright];
    record.v2URL = values.fields[kV2URL];
    record.v2EncodedBy = values.fields[kV2EncodedBy];
    // As a scan would list the file again: the year of a date, the genre
    // without its "(n)" reference.
    record.v2Year = YearOfDate(values.fields[kV2Year]);
    record.v2Genre = CutGenreReference(values.genre);
    record.v2GenreFrame = values.genre;
    record.hasV2 = true;
}

void ClearV1(TagFileRecord& record) {
    record.v1Title.clear();
    record.v1Artist.clear();
    record.v1Album.clear();
    record.v1Year.clear();
    record.v1Comment.clear();
    record.v1Track.clear();
    record.v1Genre = 0;
    record.hasV1 = false;
}

void ClearV2(TagFileRecord& record) {
    StoreV2(record, V2Values{});
    record.hasV2 = false;
}

std::string GrabTitle(const std::string& filename) {
    const std::string name = SplitPath(filename, kSplitName);
    const auto dash = name.rfind('-');
    if (dash == std::string::npos) return {};
    return Trim(CleanTitle(name.substr(dash + 1)));
}

std::string CleanTitle(const std::string& text) {
    std::string out = text;
    std::replace(out.begin(), out.end(), '_', ' ');
    ReplaceAll(out, "%20", " ");
    out = ProperCase(out);
    static const std::string openers = "[({./\\-";
    for (std::size_t i = 0; i + 1 < out.size(); ++i) {
        if (openers.find(out[i]) != std::string::npos) out[i + 1] = Upper(out[i + 1]);
    }
    return out;
}

bool TrackKeyAccepted(int keyCode) {
    return (keyCode >= '0' && keyCode <= '9') || keyCode == 8 || keyCode == 13 || keyCode == 27 ||
           keyCode == 46;
}

std::string ClampTrackText(const std::string& text) {
    const auto number = LeadingNumber(text);
    if (!number) return text;
    if (*number < 0) return "0";
    if (*number > 255) return "255";
    return text;
}

}  // namespace qsr::tags
