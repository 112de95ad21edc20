#include "commands/AutoRename.h"

#include <gtest/gtest.h>

namespace {

TEST(AutoRename, CounterBeforeTheUpperCasedExtension) {
    EXPECT_EQ(RenamedFileName("a.jpg", 0), "a_0000.JPG");
    EXPECT_EQ(RenamedFileName("a.jpg", 1), "a_0001.JPG");
    EXPECT_EQ(RenamedFileName("a.jpg", 9999), "a_9999.JPG");
    EXPECT_EQ(RenamedFileName("Photo.Jpeg", 12), "Photo_0012.JPEG");
}

TEST(AutoRename, OnlyTheLastExtensionIsReplaced) {
    EXPECT_EQ(RenamedFileName("a.b.bmp", 3), "a.b_0003.BMP");
    EXPECT_EQ(RenamedFileName(" lead .png", 0), " lead _0000.PNG") << "blanks belong to the name";
    EXPECT_EQ(RenamedFileName("a_0000.JPG", 0), "a_0000_0000.JPG") << "a renamed name is a name like any other";
}

TEST(AutoRename, DoubleByteNamesKeepTheirBytes) {
    // "写真.jpg" in code page 932; "ソ" (0x83 0x5C) ends in a byte that looks like a backslash.
    EXPECT_EQ(RenamedFileName("\x8E\xCA\x90\x5E.jpg", 0), "\x8E\xCA\x90\x5E_0000.JPG");
    EXPECT_EQ(RenamedFileName("\x83\x5C.gif", 7), "\x83\x5C_0007.GIF");
}

TEST(AutoRename, NamesWithoutExtension) {
    EXPECT_EQ(RenamedFileName("noext", 0), "noext_0000.");
    EXPECT_EQ(RenamedFileName("dot.", 1), "dot_0001.");
}

}  // namespace
