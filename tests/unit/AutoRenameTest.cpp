#include "commands/AutoRename.h"

#include <gtest/gtest.h>

namespace {

TEST(AutoRename, CounterBeforeTheUpperCasedExtension) {
    EXPECT_EQ(RenamedFileName(L"a.jpg", 0), L"a_0000.JPG");
    EXPECT_EQ(RenamedFileName(L"a.jpg", 1), L"a_0001.JPG");
    EXPECT_EQ(RenamedFileName(L"a.jpg", 9999), L"a_9999.JPG");
    EXPECT_EQ(RenamedFileName(L"Photo.Jpeg", 12), L"Photo_0012.JPEG");
}

TEST(AutoRename, OnlyTheLastExtensionIsReplaced) {
    EXPECT_EQ(RenamedFileName(L"a.b.bmp", 3), L"a.b_0003.BMP");
    EXPECT_EQ(RenamedFileName(L" lead .png", 0), L" lead _0000.PNG") << "blanks belong to the name";
    EXPECT_EQ(RenamedFileName(L"a_0000.JPG", 0), L"a_0000_0000.JPG") << "a renamed name is a name like any other";
}

TEST(AutoRename, NamesKeepTheirCharacters) {
    EXPECT_EQ(RenamedFileName(L"\u5199\u771F.jpg", 0), L"\u5199\u771F_0000.JPG");
    EXPECT_EQ(RenamedFileName(L"\u30BD.gif", 7), L"\u30BD_0007.GIF");
    EXPECT_EQ(RenamedFileName(L"caf\u00E9.\u00E9x", 2), L"caf\u00E9_0002.\u00E9X") << "only a-z are upper-cased";
}

TEST(AutoRename, NamesWithoutExtension) {
    EXPECT_EQ(RenamedFileName(L"noext", 0), L"noext_0000.");
    EXPECT_EQ(RenamedFileName(L"dot.", 1), L"dot_0001.");
}

}  // namespace
