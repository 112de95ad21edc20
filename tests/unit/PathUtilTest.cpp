#include "portable/PathUtil.h"

#include "commands/AutoRename.h"
#include "sizedelete/SizeJudgement.h"

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

TEST(PathUtil, LongInputsAreNeitherCutNorOverflowed) {
    const std::wstring dir = L"C:\\" + std::wstring(300, L'd') + L"\\" + std::wstring(300, L'e');
    const std::wstring path = dir + L"\\" + std::wstring(500, L'f') + L".jpeg";
    EXPECT_EQ(GetFileNamePart(path), std::wstring(500, L'f') + L".jpeg");
    EXPECT_EQ(GetDirectoryPart(path), dir + L"\\");
    EXPECT_EQ(RemoveTrailingBackslash(dir + L"\\"), dir);
    EXPECT_EQ(GetParentDirectory(dir), L"C:\\" + std::wstring(300, L'd') + L"\\");
    EXPECT_EQ(ReplaceExtension(path, L"BMP"), dir + L"\\" + std::wstring(500, L'f') + L".BMP");
}

// ---- Paths in UTF-16 ----

namespace {

// The halves of U+1F642 as UTF-16 holds it, spelled out: wchar_t may be 32 bits wide here.
const std::wstring kEmoji{static_cast<wchar_t>(0xD83D), static_cast<wchar_t>(0xDE42)};
// Names whose code-page-932 form ends in the byte 0x5C or holds '?', and others that
// code page 932 cannot hold: none of their code units is a separator.
const std::wstring kNames[] = {
    L"\u8868", L"\u30BD\u80FD", L"\uFF76\uFF85", L"2023\u00A504", L"caf\u00E9", L"x" + kEmoji,
    L"\uD55C\uAE00", L"\u6CE2\u301C", L"\u6CE2\uFF5E", kEmoji + kEmoji,
};

}  // namespace

TEST(WidePathUtil, SplitsOnlyAtRealSeparators) {
    for (const std::wstring& name : kNames) {
        const std::wstring dir = L"C:\\" + name + L"\\" + name;
        const std::wstring file = dir + L"\\" + name + L".jpg";
        SCOPED_TRACE(testing::PrintToString(file));
        EXPECT_EQ(GetFileNamePart(file), name + L".jpg");
        EXPECT_EQ(GetDirectoryPart(file), dir + L"\\");
        EXPECT_EQ(GetExtensionUpper(file), L"JPG");
        EXPECT_EQ(ReplaceExtension(file, L"BMP"), dir + L"\\" + name + L".BMP");
        EXPECT_EQ(ReplaceExtension(name, L"BMP"), name + L".BMP");
        EXPECT_EQ(AddTrailingBackslash(dir), dir + L"\\");
        EXPECT_EQ(RemoveTrailingBackslash(dir + L"\\"), dir);
        EXPECT_EQ(GetParentDirectory(dir), L"C:\\" + name + L"\\");
        EXPECT_EQ(GetParentDirectory(dir + L"\\"), L"C:\\" + name + L"\\");
        EXPECT_EQ(GetParentDirectory(name), name + L"\\..\\");
        EXPECT_TRUE(IsPlainFileName(name + L".jpg"));
        EXPECT_FALSE(IsPlainFileName(name + L"\\x.jpg"));
        EXPECT_EQ(RenamedFileName(name + L".jpg", 42), name + L"_0042.JPG");
        EXPECT_TRUE(IsSameOrInside(dir + L"\\sub", L"C:\\" + name));
        EXPECT_FALSE(IsSameOrInside(L"C:\\" + name + L"x", L"C:\\" + name));
    }
}

TEST(WidePathUtil, DrivesRootsAndEdges) {
    const struct {
        const wchar_t* path;
        const wchar_t* directory;  // GetDirectoryPart
        const wchar_t* added;      // AddTrailingBackslash
        const wchar_t* removed;    // RemoveTrailingBackslash
        const wchar_t* parent;     // GetParentDirectory
    } cases[] = {
        {L"C:", L"C:", L"C:", L"C:", L"C:\\..\\"},
        {L"C:\\", L"C:\\", L"C:\\", L"C:\\", L"C:\\"},
        {L"C:\\a", L"C:\\", L"C:\\a\\", L"C:\\a", L"C:\\"},
        {L"C:\\a\\\\", L"C:\\a\\\\", L"C:\\a\\\\", L"C:\\a\\", L"C:\\a\\"},
        {L"C:x.jpg", L"C:", L"C:x.jpg\\", L"C:x.jpg", L"C:x.jpg\\..\\"},
        {L"", L"", L"\\", L"", L"\\..\\"},
        {L"\\", L"\\", L"\\", L"", L"\\\\..\\"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(std::wstring(c.path)));
        EXPECT_EQ(GetDirectoryPart(c.path), c.directory);
        EXPECT_EQ(AddTrailingBackslash(c.path), c.added);
        EXPECT_EQ(RemoveTrailingBackslash(c.path), c.removed);
        EXPECT_EQ(GetParentDirectory(c.path), c.parent);
    }
    EXPECT_EQ(GetExtensionUpper(L"C:\\x.y\\pic"), L"Y\\PIC") << "the last dot, wherever it is";
    EXPECT_EQ(GetExtensionUpper(L"noext"), L"");
    EXPECT_EQ(GetExtensionUpper(L"a.caf\u00E9\uFF41"), L"CAF\u00E9\uFF41") << "only a-z change";
    EXPECT_EQ(ReplaceExtension(L"end.", L"bmp"), L"end.bmp");
    EXPECT_EQ(RenamedFileName(L"noext", 1), L"noext_0001.");
    EXPECT_EQ(RenamedFileName(L"a.b.Jpeg", 9999), L"a.b_9999.JPEG");
    for (const wchar_t* name : {L"", L".", L"..", L"a/b", L"C:x", L"x?", L"*.jpg", L"a\"b", L"a<b", L"a>b", L"a|b",
                                L"tab\tname"}) {
        EXPECT_FALSE(IsPlainFileName(name)) << testing::PrintToString(std::wstring(name));
    }
    EXPECT_TRUE(IsPlainFileName(L" lead ...]"));
    EXPECT_TRUE(IsSameOrInside(L"c:\\PICS\\out", L"C:\\pics\\")) << "ASCII letters ignore case";
    EXPECT_FALSE(IsSameOrInside(L"", L"C:\\pics"));
}

namespace {

TEST(ExactPaths, DeviceNamesWithAnyExtensionAndCase) {
    for (const wchar_t* name : {L"CON", L"con.jpg", L"Nul.txt.bmp", L"COM1.jpg", L"lpt9", L"AUX .png", L"PRN",
                                L"com\u00B9.jpg", L"CONIN$.bmp"}) {
        EXPECT_TRUE(IsDeviceName(name)) << name;
        EXPECT_TRUE(NameNeedsExactForm(name)) << name;
    }
    for (const wchar_t* name : {L"CONX.jpg", L"COM0.jpg", L"COM10.jpg", L"LPT.jpg", L"xCON.jpg", L"a.CON", L"", L"NULL"}) {
        EXPECT_FALSE(IsDeviceName(name)) << name;
    }
}

TEST(ExactPaths, OnlyAPathTheSystemWouldChangeGetsTheExactForm) {
    const struct {
        const wchar_t* path;
        const wchar_t* system;
    } cases[] = {
        {L"C:\\pics\\a.jpg", L"C:\\pics\\a.jpg"},
        {L"C:\\pics\\foo.", L"\\\\?\\C:\\pics\\foo."},
        {L"C:\\pics\\foo.\\a.jpg", L"\\\\?\\C:\\pics\\foo.\\a.jpg"},
        {L"C:\\pics\\a.jpg ", L"\\\\?\\C:\\pics\\a.jpg "},
        {L"C:\\pics\\COM1.jpg", L"\\\\?\\C:\\pics\\COM1.jpg"},
        {L"\\\\server\\share\\x.", L"\\\\?\\UNC\\server\\share\\x."},
        {L"\\\\server\\share\\x", L"\\\\server\\share\\x"},
        {L"\\\\?\\C:\\pics\\foo.", L"\\\\?\\C:\\pics\\foo."},
        {L"C:\\", L"C:\\"},
        {L"pics\\foo.", L"pics\\foo."},  // relative: left to the system
        {L"C:\\pics\\..\\a.jpg", L"C:\\pics\\..\\a.jpg"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SystemPath(c.path), c.system) << c.path;
        if (!IsExactForm(c.path)) {
            EXPECT_EQ(DisplayPath(SystemPath(c.path)), c.path) << c.path;
        }
    }
    EXPECT_EQ(DisplayPath(L"\\\\?\\C:\\pics\\foo."), L"C:\\pics\\foo.");
    EXPECT_EQ(DisplayPath(L"\\\\?\\UNC\\server\\x."), L"\\\\server\\x.");
    EXPECT_TRUE(IsExactForm(L"\\\\?\\C:\\x"));
    EXPECT_FALSE(IsExactForm(L"\\\\server\\x"));
    EXPECT_EQ(GetParentDirectory(L"\\\\?\\C:\\pics\\foo."), L"\\\\?\\C:\\pics\\");
    EXPECT_EQ(GetParentDirectory(L"\\\\?\\C:\\"), L"\\\\?\\C:\\") << "a drive root in the exact form";
    EXPECT_EQ(RemoveTrailingBackslash(L"\\\\?\\C:\\"), L"\\\\?\\C:\\");
}

}  // namespace
