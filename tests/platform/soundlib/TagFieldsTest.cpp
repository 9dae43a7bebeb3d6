// Tag fields as the sound library hands them out, from crafted tag bytes.
#include <gtest/gtest.h>

#include "platform/soundlib/TagFields.h"

using namespace qsr::soundlib;

namespace {

std::string B(const char* p, std::size_t n) {
    return std::string(p, n);
}

std::string Synchsafe(std::size_t n) {
    std::string s;
    for (int i = 3; i >= 0; --i) s += static_cast<char>((n >> (7 * i)) & 0x7F);
    return s;
}

std::string BigEndian(std::size_t n) {
    std::string s;
    for (int i = 3; i >= 0; --i) s += static_cast<char>((n >> (8 * i)) & 0xFF);
    return s;
}

std::string Frame(int major, const std::string& id, const std::string& body,
                  unsigned char flags = 0) {
    return id + (major == 4 ? Synchsafe(body.size()) : BigEndian(body.size())) + '\0' +
           static_cast<char>(flags) + body;
}

std::string Tag(int major, const std::string& frames, unsigned char flags = 0) {
    return std::string("ID3") + static_cast<char>(major) + '\0' + static_cast<char>(flags) +
           Synchsafe(frames.size() + 20) + frames + std::string(20, '\0');
}

const TagField* Field(const std::vector<TagField>& fields, const std::string& name) {
    for (const auto& f : fields)
        if (f.name == name) return &f;
    return nullptr;
}

}  // namespace

TEST(TagFields, EveryTextEncodingComesBackAsByteZeroAndUtf8) {
    const std::string frames =
        Frame(3, "TIT2", B("\0Caf\xE9", 5)) +                         // Latin-1
        Frame(3, "TPE1", B("\x01\xFF\xFE\x1F\x04\x35\x04\0\0", 9)) +  // UTF-16 LE BOM
        Frame(3, "TALB", B("\x01\xFE\xFF\x00\xC5\x00s", 7)) +         // UTF-16 BE BOM
        Frame(3, "TCOM", B("\x02\xD8\x3D\xDE\x00", 5)) +              // UTF-16BE, pair
        Frame(3, "TENC", B("\x03\xE6\x9D\xB1", 4)) +                  // UTF-8
        Frame(3, "TOPE", B("\x01\xFF\xFE\x00\xD8\x41\x00", 7));       // lone surrogate
    const auto fields = Id3v2Fields(Tag(3, frames));
    ASSERT_EQ(fields.size(), 6u);
    EXPECT_EQ(fields[0].kind, kTagId3v2);
    EXPECT_EQ(Field(fields, "TIT2")->value, B("\0Caf\xC3\xA9", 6));
    EXPECT_EQ(Field(fields, "TPE1")->value, B("\0\xD0\x9F\xD0\xB5\0", 6));  // terminator kept once
    EXPECT_EQ(Field(fields, "TALB")->value, B("\0\xC3\x85s", 4));
    EXPECT_EQ(Field(fields, "TCOM")->value, B("\0\xF0\x9F\x98\x80", 5));
    EXPECT_EQ(Field(fields, "TENC")->value, B("\0\xE6\x9D\xB1", 4));
    EXPECT_EQ(Field(fields, "TOPE")->value, B("\0?A", 3));
}

TEST(TagFields, CommentsAndUrlsKeepTheirDescriptionAndNuls) {
    const std::string frames = Frame(3, "COMM",
                                     B("\x01"
                                       "eng\xFF\xFE"
                                       "d\0\0\0\xFF\xFE"
                                       "H\0i\0\0\0",
                                       18)) +
                               Frame(3, "WXXX", B("\0desc\0http://a\xE9", 16)) +
                               Frame(3, "WCOM", "http://shop") +
                               Frame(3, "APIC", B("\0image/png\0\x03\0\x89PNG", 16));
    const auto fields = Id3v2Fields(Tag(3, frames));
    ASSERT_EQ(fields.size(), 4u);
    EXPECT_EQ(fields[0].value, B("\0engd\0Hi\0", 9));
    EXPECT_EQ(fields[1].value, B("\0desc\0http://a\xC3\xA9", 17));
    EXPECT_EQ(fields[2].value, "http://shop");
    EXPECT_EQ(fields[3].value, B("\0image/png\0\x03\0\x89PNG", 16));  // as stored
}

TEST(TagFields, ALookupFindsOnlyTheUndescribedCommentAndUrl) {
    // Other players write described comments ("iTunNORM") before the user's.
    const std::string frames = Frame(3, "COMM", B("\0engiTunNORM\0 0000021A", 22)) +
                               Frame(3, "WXXX", B("\0shop\0http://shop", 17)) +
                               Frame(3, "COMM", B("\0eng\0mine", 9)) +
                               Frame(3, "WXXX", B("\0\0http://mine", 14));
    const auto fields = Id3v2Fields(Tag(3, frames));
    ASSERT_EQ(fields.size(), 4u);
    EXPECT_EQ(FindField(fields, kTagId3v2, "COMM"), &fields[2]);
    EXPECT_EQ(FindField(fields, kTagId3v2, "WXXX"), &fields[3]);
    // Described ones alone: no comment, no URL.
    const auto described = Id3v2Fields(Tag(3, frames.substr(0, 2 * 10 + 22 + 17)));
    ASSERT_EQ(described.size(), 2u);
    EXPECT_EQ(FindField(described, kTagId3v2, "COMM"), nullptr);
    EXPECT_EQ(FindField(described, kTagId3v2, "WXXX"), nullptr);
}

TEST(TagFields, FrameFlagsOfBothVersions) {
    // 2.4: a data length indicator and per-frame unsynchronisation are undone;
    // compressed and encrypted frames are left out.
    const std::string v24 = Frame(4, "TIT2", B("\0\0\0\x03\x03\xFF\x00\xE0", 8), 0x03) +
                            Frame(4, "TALB", B("\0zz", 3), 0x08) +
                            Frame(4, "TPE1",
                                  B("\x03"
                                    "ok",
                                    3));
    auto fields = Id3v2Fields(Tag(4, v24));
    ASSERT_EQ(fields.size(), 2u);
    EXPECT_EQ(fields[0].value, B("\0\xFF\xE0", 3));
    EXPECT_EQ(fields[1].name, "TPE1");
    // 2.3: a grouping byte is skipped, an encrypted frame left out.
    const std::string v23 =
        Frame(3, "TIT2", B("\x07\0Grouped", 9), 0x20) + Frame(3, "TALB", B("\0x", 2), 0x40);
    fields = Id3v2Fields(Tag(3, v23));
    ASSERT_EQ(fields.size(), 1u);
    EXPECT_EQ(fields[0].value, B("\0Grouped", 8));
}

TEST(TagFields, Version22FramesTakeTheirSuccessorsNames) {
    const auto frame22 = [](const std::string& id, const std::string& body) {
        return id + '\0' + '\0' + static_cast<char>(body.size()) + body;
    };
    const std::string frames = frame22("TT2", B("\0Old", 4)) +
                               frame22("COM", B("\0engx\0Note", 10)) + frame22("XYZ", "raw");
    const auto fields = Id3v2Fields(Tag(2, frames));
    ASSERT_EQ(fields.size(), 3u);
    EXPECT_EQ(fields[0].name, "TIT2");
    EXPECT_EQ(fields[0].value, B("\0Old", 4));
    EXPECT_EQ(fields[1].name, "COMM");
    EXPECT_EQ(fields[1].value, B("\0engx\0Note", 10));
    EXPECT_EQ(fields[2].name, "XYZ");
}

TEST(TagFields, DamagedTagsGiveWhatComesBeforeTheDamage) {
    const std::string good = Frame(3, "TIT2", B("\0A", 2));
    std::string lying = Frame(3, "TALB", B("\0B", 2));
    lying[7] = 100;  // runs past the tag
    EXPECT_EQ(Id3v2Fields(Tag(3, good + lying)).size(), 1u);
    // Cut short: the frames that fit.
    const std::string tag = Tag(3, good + Frame(3, "TPE1", B("\0CCCC", 5)));
    EXPECT_EQ(Id3v2Fields(tag.substr(0, 10 + good.size() + 8)).size(), 1u);
    EXPECT_TRUE(Id3v2Fields("ID3").empty());
    EXPECT_TRUE(Id3v2Fields(B("ID3\x09\0\0\0\0\0\x10", 10)).empty());  // unknown version
    std::string badSize = Tag(3, good);
    badSize[6] = '\x80';
    EXPECT_TRUE(Id3v2Fields(badSize).empty());
}

TEST(TagFields, Id3v1FieldsWithAndWithoutTrack) {
    std::string block = "TAG";
    block += std::string("Title") + std::string(25, '\0');
    block += std::string("Art\xE9st") + std::string(24, ' ');
    block += std::string(30, '\0');
    block += "2004";
    block += std::string("nice one") + std::string(20, '\0');
    block += '\0';
    block += '\x05';
    block += '\x11';
    ASSERT_EQ(block.size(), 128u);
    auto fields = Id3v1Fields(block);
    ASSERT_EQ(fields.size(), 7u);
    EXPECT_EQ(fields[0].kind, kTagId3v1);
    EXPECT_EQ(Field(fields, "TITLE")->value, "Title" + std::string(25, '\0'));
    EXPECT_EQ(Field(fields, "ARTIST")->value.substr(0, 7), "Art\xC3\xA9st");
    EXPECT_EQ(Field(fields, "YEAR")->value, "2004");
    EXPECT_EQ(Field(fields, "COMMENT")->value.size(), 28u);
    EXPECT_EQ(Field(fields, "TRACK")->value, "5");
    EXPECT_EQ(Field(fields, "GENRE")->value, "17");

    block[125] = 'x';  // a 30-byte comment: no track
    fields = Id3v1Fields(block);
    EXPECT_EQ(Field(fields, "TRACK"), nullptr);
    EXPECT_EQ(Field(fields, "COMMENT")->value.size(), 30u);

    block[0] = 't';  // not a tag
    EXPECT_TRUE(Id3v1Fields(block).empty());
    EXPECT_TRUE(Id3v1Fields("TAG").empty());
}
