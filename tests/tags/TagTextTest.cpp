#include <gtest/gtest.h>

#include <string>

#include "tags/TagText.h"

using qsr::tags::Latin1ToUtf8;
using qsr::tags::Utf8ToLatin1;

TEST(TagText, Utf8ToLatin1KeepsLatin1AndMarksTheRest) {
    EXPECT_EQ(Utf8ToLatin1("über"),
              "\xFC"
              "ber");
    EXPECT_EQ(Utf8ToLatin1("Ærø Песня"), "\xC6r\xF8 ?????");
    EXPECT_EQ(Utf8ToLatin1("a😀b"), "a?b");
    EXPECT_EQ(Latin1ToUtf8(Utf8ToLatin1("Çà")), "Çà");
}

TEST(TagText, Utf8ToLatin1RefusesInvalidForms) {
    // Overlong forms must not smuggle a NUL or a plain letter through.
    EXPECT_EQ(Utf8ToLatin1(std::string("a\xC0\x80z", 4)), "a?z");
    EXPECT_EQ(Utf8ToLatin1("\xC1\x81"), "?");          // overlong "A"
    EXPECT_EQ(Utf8ToLatin1("\xE0\x80\xAF"), "?");      // overlong "/"
    EXPECT_EQ(Utf8ToLatin1("\xF0\x80\x80\xAF"), "?");  // overlong "/"
    EXPECT_EQ(Utf8ToLatin1("\xED\xA0\x80"), "?");      // a surrogate
    EXPECT_EQ(Utf8ToLatin1("\xF4\x90\x80\x80"), "?");  // past U+10FFFF
    EXPECT_EQ(Utf8ToLatin1("\xC3"), "?");              // cut off
    EXPECT_EQ(Utf8ToLatin1("\xFF"
                           "x"),
              "?x");
    EXPECT_EQ(Utf8ToLatin1("\xC2\x80"), "\x80");  // the least 2-byte form is fine
}
