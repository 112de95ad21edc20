#include "open/ArgumentPath.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// U+1F338 as UTF-16 holds it, spelled out: wchar_t may be 32 bits wide here.
const std::wstring kFlower{static_cast<wchar_t>(0xD83C), static_cast<wchar_t>(0xDF38)};

struct Case {
    const wchar_t* currentDir;
    const wchar_t* argument;
    const wchar_t* expected;
};

template <size_t N>
void ExpectResolved(const Case (&cases)[N]) {
    for (const Case& c : cases) {
        EXPECT_EQ(FullPathOfArgument(c.currentDir, c.argument), c.expected)
            << testing::PrintToString(std::wstring(c.currentDir)) << " + "
            << testing::PrintToString(std::wstring(c.argument));
    }
}

TEST(ArgumentPath, FullPathsStayAndLoseOnlyWhatNamesNothing) {
    const Case cases[] = {
        {L"C:\\work", L"D:\\photos", L"D:\\photos"},
        {L"C:\\work", L"D:\\photos\\", L"D:\\photos"},
        {L"C:\\work", L"D:\\photos\\\\", L"D:\\photos"},
        {L"C:\\work", L"D:\\", L"D:\\"},
        {L"C:\\work", L"d:/photos/a.jpg", L"d:\\photos\\a.jpg"},
        {L"C:\\work", L"D:\\a\\\\b\\.\\c", L"D:\\a\\b\\c"},
        {L"C:\\work", L"D:\\a\\..\\b", L"D:\\b"},
        {L"C:\\work", L"D:\\..\\..\\b", L"D:\\b"},
        {L"C:\\work", L"\\\\server\\share\\a\\..\\b", L"\\\\server\\share\\b"},
        {L"C:\\work", L"\\\\server\\share\\..", L"\\\\server\\share\\"},
        {L"C:\\work", L"\\\\server\\share", L"\\\\server\\share\\"},
        // Paths the system takes verbatim are not touched.
        {L"C:\\work", L"\\\\?\\D:\\a\\..\\b.", L"\\\\?\\D:\\a\\..\\b."},
        {L"C:\\work", L"\\\\.\\D:", L"\\\\.\\D:"},
    };
    ExpectResolved(cases);
}

TEST(ArgumentPath, RelativePathsGoBelowTheWorkingDirectory) {
    const Case cases[] = {
        {L"C:\\work", L"a.jpg", L"C:\\work\\a.jpg"},
        {L"C:\\work\\", L"sub\\a.jpg", L"C:\\work\\sub\\a.jpg"},
        {L"C:\\work", L".\\sub\\..\\a.jpg", L"C:\\work\\a.jpg"},
        {L"C:\\work\\deep", L"..\\..\\..\\a", L"C:\\a"},
        {L"C:\\work", L".", L"C:\\work"},
        {L"C:\\", L"..", L"C:\\"},
        {L"\\\\server\\share\\work", L"..\\..\\a", L"\\\\server\\share\\a"},
        // From the root of the working directory's drive or share.
        {L"C:\\work\\deep", L"\\a\\b", L"C:\\a\\b"},
        {L"\\\\server\\share\\work", L"\\a", L"\\\\server\\share\\a"},
        // On a drive without a backslash: the working directory when it is on that drive.
        {L"C:\\work", L"c:sub", L"C:\\work\\sub"},
        {L"C:\\work", L"C:", L"C:\\work"},
        {L"C:\\work", L"D:sub\\..\\x", L"D:\\x"},
        {L"\\\\server\\share", L"D:sub", L"D:\\sub"},
        // Nothing to go by.
        {L"", L"a.jpg", L"a.jpg"},
        {L"C:\\work", L"", L""},
    };
    ExpectResolved(cases);
}

// Names are kept exactly: trailing dots and blanks, "..." and names no code page holds.
TEST(ArgumentPath, NamesStayExactlyAsGiven) {
    const std::wstring dir = L"C:\\caf\u00E9";
    const std::wstring relative = kFlower + L"\\\uD55C.png";
    EXPECT_EQ(FullPathOfArgument(dir, relative), dir + L"\\" + relative);
    const Case cases[] = {
        {L"C:\\work", L"name.", L"C:\\work\\name."},
        {L"C:\\work", L"D:\\dir. \\pic .jpg ", L"D:\\dir. \\pic .jpg "},
        {L"C:\\work", L"...\\a", L"C:\\work\\...\\a"},
    };
    ExpectResolved(cases);
}

TEST(ArgumentPath, LongPathsAreNeitherCutNorOverflowed) {
    const std::wstring deep = L"C:\\" + std::wstring(400, L'd');
    const std::wstring name = std::wstring(300, L'n') + L".jpg";
    EXPECT_EQ(FullPathOfArgument(deep, L"x\\..\\" + name), deep + L"\\" + name);
    EXPECT_EQ(FullPathOfArgument(L"C:\\w", deep + L"\\" + name), deep + L"\\" + name);
}

}  // namespace
