#include "image/PluginFilter.h"

#include <gtest/gtest.h>

#include <string>

#include "portable/Cp932Text.h"

namespace {

TEST(PluginFilter, MatchesEachPieceIgnoringCase) {
    const char* filter = "*.jpg;*.jpeg";
    for (const char* ext : {"jpg", "JPG", "Jpeg", "jpeg"}) {
        EXPECT_TRUE(FilterMatchesExtension(filter, ext)) << ext;
    }
    for (const char* ext : {"jp", "jpe", "jpgx", "", "png"}) {
        EXPECT_FALSE(FilterMatchesExtension(filter, ext)) << ext;
    }
}

TEST(PluginFilter, PiecesAreComparedAfterTheirFirstTwoBytes) {
    EXPECT_TRUE(FilterMatchesExtension("*.*", "*"));
    EXPECT_FALSE(FilterMatchesExtension("*.*", "JPG")) << "wildcards are not interpreted";
    EXPECT_TRUE(FilterMatchesExtension("xxTIF", "tif"));
    EXPECT_FALSE(FilterMatchesExtension("*", "")) << "a piece shorter than two bytes never matches";
    EXPECT_TRUE(FilterMatchesExtension("*.", ""));
}

TEST(PluginFilter, EmptyPiecesFromSeparators) {
    EXPECT_TRUE(FilterMatchesExtension("*.abc;", "ABC"));
    EXPECT_FALSE(FilterMatchesExtension("*.abc;", ""));
    EXPECT_TRUE(FilterMatchesExtension(";;*.png", "png"));
    EXPECT_FALSE(FilterMatchesExtension("", ""));
}

TEST(PluginFilter, DoubleByteCharactersStayWhole) {
    // 表 is 0x95 0x5C; ソ is 0x83 0x5C.
    EXPECT_TRUE(FilterMatchesExtension("*.表;*.xyz", "表"));
    EXPECT_TRUE(FilterMatchesExtension("*.表;*.xyz", "XYZ"));
    // A lead byte swallows the byte after it, even a ';'.
    const std::string lead = std::string("*.a") + '\x95' + ";*.b";
    EXPECT_FALSE(FilterMatchesExtension(lead, "B"));
    EXPECT_TRUE(FilterMatchesExtension(lead, std::string("A") + '\x95' + ";*.B"));
    // Only a-z are upper-cased: the trail byte 0x61..0x7A of a double-byte character too.
    EXPECT_TRUE(FilterMatchesExtension("*.\x82\x61", "\x82\x41"));
}

TEST(PluginFilter, UpperAsciiInPlace) {
    std::string text = "abz@[`{ABC" "\x82\x61";
    UpperAsciiBytesInPlace(text.data(), text.size());
    EXPECT_EQ(text, "ABZ@[`{ABC" "\x82\x41");
}

}  // namespace
