#include "portable/Cp932Text.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// 表 is 0x95 0x5C and ソ is 0x83 0x5C: their trail bytes are backslashes; ａ is 0x82 0x81 and
// 0x82 0x61 is a trail byte that is the letter a.
TEST(Cp932Text, TrailBytesAreNeverTakenForCharacters) {
    EXPECT_EQ(FindLastChar("a\\\x95\x5C", '\\'), 1u);
    EXPECT_EQ(FindLastChar("\x83\x5C", '\\'), std::string::npos);
    EXPECT_EQ(FindLastChar("x.y\x82\x61.z", '.'), 5u);
    // A lead byte at the very end stands alone: the byte before it still counts.
    EXPECT_EQ(FindLastChar(std::string("a\\\x95"), '\\'), 1u);
    EXPECT_EQ(UpperCaseAscii("ab\x82\x61z.jpg"), "AB\x82\x61Z.JPG");
}

// Paths use the strict rule; a plug-in's filter text also steps over 0x80 and 0xFD-0xFF.
TEST(Cp932Text, TheFilterRuleIsWiderOnlyWhereCodePage932DefinesNoCharacter) {
    for (int c = 0; c < 256; ++c) {
        const auto byte = static_cast<unsigned char>(c);
        const bool undefined = c == 0x80 || c >= 0xFD;
        EXPECT_EQ(IsFilterLeadByte(byte), IsLeadByte(byte) || undefined) << c;
    }
    std::string text = "ab\x82\x61";
    UpperAsciiBytesInPlace(text.data(), text.size());
    EXPECT_EQ(text, "AB\x82\x41") << "the filter's rule upper-cases trail bytes too";
}

}  // namespace
