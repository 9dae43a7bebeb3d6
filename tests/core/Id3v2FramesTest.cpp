#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "core/Id3v2Frames.h"

namespace qsr::core {

// Every field number names its own frame and comes back from it; numbers
// outside 1..12 and frames outside the table name nothing.
TEST(Id3v2Frames, FieldNumbersAndFramesRoundTrip) {
    std::set<std::string> seen;
    for (int field = 1; field <= kId3v2FieldCount; ++field) {
        const char* id = Id3v2FrameId(field);
        ASSERT_NE(id, nullptr) << field;
        EXPECT_EQ(std::string(id).size(), 4u) << field;
        EXPECT_EQ(Id3v2FieldOf(id), field) << id;
        seen.insert(id);
    }
    EXPECT_EQ(seen.size(), static_cast<std::size_t>(kId3v2FieldCount));
    EXPECT_STREQ(Id3v2FrameId(Id3v2Field::Artist), "TPE1");
    EXPECT_STREQ(Id3v2FrameId(Id3v2Field::EncodedBy), "TENC");
    EXPECT_EQ(Id3v2FrameId(0), nullptr);
    EXPECT_EQ(Id3v2FrameId(kId3v2FieldCount + 1), nullptr);
    EXPECT_EQ(Id3v2FieldOf("TDRC"), 0);
    EXPECT_EQ(Id3v2FieldOf(""), 0);
    EXPECT_EQ(Id3v2V23Id("TP1"), "TPE1");
    EXPECT_EQ(Id3v2V23Id("WXX"), "WXXX");
    EXPECT_EQ(Id3v2V23Id("ZZZ"), "");
}

// The names the tag object and the command line use, and the order the
// component is read and written in (by name), as they have always been.
TEST(Id3v2Frames, NamesAndTheComponentsOrder) {
    std::vector<std::string> names;
    for (const Id3v2Field field : kId3v2Fields) names.push_back(Id3v2FieldName(field));
    EXPECT_EQ(names,
              (std::vector<std::string>{"tagTrack", "tagTitle", "tagArtist", "tagAlbum", "tagYear",
                                        "tagGenre", "tagComments", "tagComposer", "tagOrigArtist",
                                        "tagCopyright", "tagURL", "tagEncodedBy"}));
    std::vector<int> order;
    for (const Id3v2Field field : Id3v2ComponentOrder()) order.push_back(static_cast<int>(field));
    EXPECT_EQ(order, (std::vector<int>{4, 3, 7, 8, 10, 12, 6, 9, 2, 1, 11, 5}));
}

}  // namespace qsr::core
