#include <gtest/gtest.h>

#include "platform/encoding.h"

TEST(EncodingTest, Latin1AndUtf8) {
    EXPECT_EQ(platform::utf8ToLatin1("Pr\xC3\xA9paration"), "Pr\xE9paration");
    EXPECT_EQ(platform::latin1ToUtf8("Pr\xE9paration"), "Pr\xC3\xA9paration");
    EXPECT_EQ(platform::utf8ToLatin1("\xC5\x82"), "?");        // ł is not Latin-1
    EXPECT_EQ(platform::utf8ToLatin1("a\xFF" "b"), "a?b");        // broken sequence
    EXPECT_EQ(platform::utf8ToLatin1("\xE3\x81\x9F"), "?");
}

TEST(EncodingTest, Utf16RoundTripAndValidity) {
    for (std::string s : {std::string("plain"), std::string("たろう"), std::string("\xF0\x9F\x98\x80 emoji"),
                          std::string("\xEF\xBF\xBD")}) {
        EXPECT_EQ(platform::utf16ToUtf8(platform::utf8ToUtf16(s)), s);
        EXPECT_TRUE(platform::isValidUtf8(s)) << s;
    }
    EXPECT_EQ(platform::utf8ToUtf16("\xF0\x9F\x98\x80").size(), 2u);
    EXPECT_FALSE(platform::isValidUtf8("\xC3"));
    EXPECT_FALSE(platform::isValidUtf8("\xED\xA0\x80"));  // a surrogate
    EXPECT_EQ(platform::utf16ToUtf8(std::u16string(1, u'\xD800')), "\xEF\xBF\xBD");
}
