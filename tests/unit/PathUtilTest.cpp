#include "filelist/PathUtil.h"

#include <gtest/gtest.h>

#include <string>

// Japanese literals are compiled to code-page-932 bytes: 表, ソ and 能 each end in 0x5C.
TEST(PathUtil, SourceIsCompiledToCodePage932) {
    const std::string hyo = "表";
    ASSERT_EQ(hyo.size(), 2u);
    EXPECT_EQ(static_cast<unsigned char>(hyo[0]), 0x95);
    EXPECT_EQ(hyo[1], '\\');
    EXPECT_EQ(std::string("ソ")[1], '\\');
    EXPECT_EQ(std::string("能")[1], '\\');
}

TEST(PathUtil, GetExtensionUpper) {
    EXPECT_EQ(GetExtensionUpper("C:\\pics\\a.jpg"), "JPG");
    EXPECT_EQ(GetExtensionUpper("noext"), "");
    EXPECT_EQ(GetExtensionUpper("end."), "");
    EXPECT_EQ(GetExtensionUpper(".profile"), "PROFILE");
    EXPECT_EQ(GetExtensionUpper("C:\\x.y\\pic.jpeg"), "JPEG");
    EXPECT_EQ(GetExtensionUpper("C:\\x.y\\pic"), "Y\\PIC");
    EXPECT_EQ(GetExtensionUpper("a.b.Tiff"), "TIFF");
    EXPECT_EQ(GetExtensionUpper(""), "");
    // Double-byte characters pass unchanged; their trail bytes are not letters to convert.
    EXPECT_EQ(GetExtensionUpper("x.aソb"), "AソB");
    EXPECT_EQ(GetExtensionUpper("x.ａｂ"), "ａｂ");
}

TEST(PathUtil, GetDirectoryPart) {
    EXPECT_EQ(GetDirectoryPart("C:\\app\\viewer.exe"), "C:\\app\\");
    EXPECT_EQ(GetDirectoryPart("viewer.exe"), "");
    EXPECT_EQ(GetDirectoryPart("C:viewer.exe"), "C:");
    EXPECT_EQ(GetDirectoryPart("C:"), "C:");
    EXPECT_EQ(GetDirectoryPart("C:\\"), "C:\\");
    EXPECT_EQ(GetDirectoryPart(""), "");
    EXPECT_EQ(GetDirectoryPart("\\"), "\\");
}

TEST(PathUtil, AddTrailingBackslash) {
    EXPECT_EQ(AddTrailingBackslash("C:"), "C:");
    EXPECT_EQ(AddTrailingBackslash("C:\\"), "C:\\");
    EXPECT_EQ(AddTrailingBackslash(""), "\\");
    EXPECT_EQ(AddTrailingBackslash("C:\\pics"), "C:\\pics\\");
    EXPECT_EQ(AddTrailingBackslash("C:\\pics\\"), "C:\\pics\\");
    EXPECT_EQ(AddTrailingBackslash("pics"), "pics\\");
    EXPECT_EQ(AddTrailingBackslash("ab:"), "ab:\\");
}

TEST(PathUtil, RemoveTrailingBackslash) {
    EXPECT_EQ(RemoveTrailingBackslash("C:\\"), "C:\\");
    EXPECT_EQ(RemoveTrailingBackslash("C:\\pics\\"), "C:\\pics");
    EXPECT_EQ(RemoveTrailingBackslash("C:\\pics\\\\"), "C:\\pics\\");
    EXPECT_EQ(RemoveTrailingBackslash("\\"), "");
    EXPECT_EQ(RemoveTrailingBackslash("C:\\pics"), "C:\\pics");
    EXPECT_EQ(RemoveTrailingBackslash("pics"), "pics");
    EXPECT_EQ(RemoveTrailingBackslash(""), "");
}

TEST(PathUtil, GetParentDirectory) {
    EXPECT_EQ(GetParentDirectory("C:\\"), "C:\\");
    EXPECT_EQ(GetParentDirectory("C:\\a"), "C:\\");
    EXPECT_EQ(GetParentDirectory("C:\\pics"), "C:\\");
    EXPECT_EQ(GetParentDirectory("C:\\pics\\cats"), "C:\\pics\\");
    EXPECT_EQ(GetParentDirectory("C:\\pics\\cats\\"), "C:\\pics\\");
    EXPECT_EQ(GetParentDirectory("a"), "a\\..\\");
    EXPECT_EQ(GetParentDirectory("pics"), "pics\\..\\");
    EXPECT_EQ(GetParentDirectory("C:"), "C:\\..\\");
}

TEST(PathUtil, GetFileNamePart) {
    EXPECT_EQ(GetFileNamePart("C:\\pics\\a.jpg"), "a.jpg");
    EXPECT_EQ(GetFileNamePart("a.jpg"), "a.jpg");
    EXPECT_EQ(GetFileNamePart("C:\\pics\\"), "");
    EXPECT_EQ(GetFileNamePart(""), "");
}

TEST(PathUtil, ReplaceExtension) {
    EXPECT_EQ(ReplaceExtension("photo", "BMP"), "photo.BMP");
    EXPECT_EQ(ReplaceExtension("photo.jpg", "BMP"), "photo.BMP");
    EXPECT_EQ(ReplaceExtension("a.b.jpg", "BMP"), "a.b.BMP");
    EXPECT_EQ(ReplaceExtension("end.", "bmp"), "end.bmp");
    EXPECT_EQ(ReplaceExtension("C:\\x.y\\pic", "BMP"), "C:\\x.BMP");
}

// Each of the three characters whose trail byte is a backslash, at the start, in the
// middle and at the end of a directory name, and at the end of the whole path.
class TrailByte : public testing::TestWithParam<const char*> {};

TEST_P(TrailByte, SplitsOnlyAtRealSeparators) {
    const std::string k = GetParam();
    for (const std::string& dir : {k, k + "x", "x" + k, "x" + k + "y", k + k}) {
        const std::string path = "C:\\" + dir + "\\a.jpg";
        SCOPED_TRACE(path);
        EXPECT_EQ(GetFileNamePart(path), "a.jpg");
        EXPECT_EQ(GetDirectoryPart(path), "C:\\" + dir + "\\");
        EXPECT_EQ(GetExtensionUpper(path), "JPG");
        EXPECT_EQ(ReplaceExtension(path, "BMP"), "C:\\" + dir + "\\a.BMP");

        const std::string folder = "C:\\pics\\" + dir;  // ends in a trail byte 0x5C when dir ends in k
        EXPECT_EQ(AddTrailingBackslash(folder), folder + "\\");
        EXPECT_EQ(RemoveTrailingBackslash(folder), folder);
        EXPECT_EQ(RemoveTrailingBackslash(folder + "\\"), folder);
        EXPECT_EQ(GetParentDirectory(folder), "C:\\pics\\");
        EXPECT_EQ(GetParentDirectory(folder + "\\"), "C:\\pics\\");
        EXPECT_EQ(GetFileNamePart(folder), dir);
        EXPECT_EQ(GetDirectoryPart(folder), "C:\\pics\\");

        // A name without any real separator.
        EXPECT_EQ(GetFileNamePart(dir), dir);
        EXPECT_EQ(GetDirectoryPart(dir), "");
        EXPECT_EQ(AddTrailingBackslash(dir), dir + "\\");
        EXPECT_EQ(GetParentDirectory(dir), dir + "\\..\\");
        EXPECT_EQ(GetExtensionUpper(dir + ".x" + k), "X" + k);
        EXPECT_TRUE(IsPlainFileName(dir + ".jpg"));
        EXPECT_FALSE(IsPlainFileName(dir + "\\x.jpg"));
    }
}

INSTANTIATE_TEST_SUITE_P(PathUtil, TrailByte, testing::Values("表", "ソ", "能"));

TEST(PathUtil, IsPlainFileNameRefusesWhatWouldLeaveTheFolder) {
    for (const char* name : {"a.jpg", "A B.JPG", " lead", "...x", "写真.png", "a]"}) {
        EXPECT_TRUE(IsPlainFileName(name)) << name;
    }
    for (const char* name : {"", ".", "..", "..\\x.jpg", "sub/x.jpg", "C:x.jpg", "\\\\srv\\x", "x?.jpg", "*.jpg",
                             "a\"b", "a<b", "a>b", "a|b", "tab\tname"}) {
        EXPECT_FALSE(IsPlainFileName(name)) << name;
    }
}

TEST(PathUtil, LeadByteAtTheVeryEndIsOneCharacter) {
    // A truncated double-byte character: the lone lead byte is still one character.
    const std::string path = std::string("C:\\a\\b") + '\x95';
    EXPECT_EQ(GetFileNamePart(path), std::string("b") + '\x95');
    EXPECT_EQ(AddTrailingBackslash(path), path + "\\");
}

TEST(PathUtil, LongInputsAreNeitherCutNorOverflowed) {
    const std::string dir = "C:\\" + std::string(300, 'd') + "\\" + std::string(300, 'e');
    const std::string path = dir + "\\" + std::string(500, 'f') + ".jpeg";
    EXPECT_EQ(GetFileNamePart(path), std::string(500, 'f') + ".jpeg");
    EXPECT_EQ(GetDirectoryPart(path), dir + "\\");
    EXPECT_EQ(RemoveTrailingBackslash(dir + "\\"), dir);
    EXPECT_EQ(GetParentDirectory(dir), "C:\\" + std::string(300, 'd') + "\\");
    EXPECT_EQ(ReplaceExtension(path, "BMP"), dir + "\\" + std::string(500, 'f') + ".BMP");
}
