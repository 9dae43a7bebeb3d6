#include <gtest/gtest.h>

#include <set>
#include <string>

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

}  // namespace qsr::core
