#include "portable/CommandLine.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Args = std::vector<std::wstring>;

// U+1F338 as UTF-16 holds it, spelled out: wchar_t may be 32 bits wide here.
const std::wstring kFlower{static_cast<wchar_t>(0xD83C), static_cast<wchar_t>(0xDF38)};

TEST(CommandLine, ProgramNameIsSkippedAsTheSystemSkipsIt) {
    const struct {
        const wchar_t* line;
        Args expected;
    } cases[] = {
        {L"", {}},
        {L"Ixo.exe", {}},
        {L"\"C:\\Program Files\\Ixo\\Ixo.exe\"", {}},
        {L"\"C:\\Program Files\\Ixo\\Ixo.exe\" D:\\a", {L"D:\\a"}},
        // A quoted name ends at its closing mark, even with no blank after it.
        {L"\"C:\\Ixo\\Ixo.exe\"D:\\a", {L"D:\\a"}},
        // An unquoted name ends at the first blank or tab; its quotation marks are its own.
        {L"C:\\Ixo\\Ixo.exe\tD:\\a", {L"D:\\a"}},
        {L"C:\\I\"x o\".exe D:\\a", {L"o.exe D:\\a"}},
        // A name whose closing mark is missing takes the whole line.
        {L"\"C:\\Ixo\\Ixo.exe D:\\a", {}},
        {L"Ixo.exe   \t ", {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CommandLineArguments(c.line), c.expected) << testing::PrintToString(std::wstring(c.line));
    }
}

TEST(CommandLine, ArgumentsAreSplitForPaths) {
    const struct {
        const wchar_t* arguments;  // after "Ixo.exe "
        Args expected;
    } cases[] = {
        {L"D:\\photos", {L"D:\\photos"}},
        {L"\"D:\\my photos\\a b.jpg\"", {L"D:\\my photos\\a b.jpg"}},
        {L"D:\\my\" \"photos", {L"D:\\my photos"}},
        {L"\"D:\\my photos\"\\a.jpg", {L"D:\\my photos\\a.jpg"}},
        // A backslash before a closing mark is part of the path, the mark ends the quote.
        {L"\"D:\\photos\\\"", {L"D:\\photos\\"}},
        {L"\"D:\\\" \"E:\\x y\\\"", {L"D:\\", L"E:\\x y\\"}},
        {L"\"D:\\photos\\\\\"", {L"D:\\photos\\\\"}},
        {L"\\\\server\\share\\a", {L"\\\\server\\share\\a"}},
        // Several arguments, blanks and tabs between them.
        {L"a.jpg  b.jpg\t\"c d.jpg\"", {L"a.jpg", L"b.jpg", L"c d.jpg"}},
        // An empty quoted argument is an argument; an unclosed quote runs to the end.
        {L"\"\" x", {L"", L"x"}},
        {L"\"D:\\a b", {L"D:\\a b"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CommandLineArguments(std::wstring(L"Ixo.exe ") + c.arguments), c.expected)
            << testing::PrintToString(std::wstring(c.arguments));
    }
    // Names outside any code page pass as they are, surrogate pairs included.
    const std::wstring path = L"D:\\caf\u00E9 " + kFlower + L"\\" + kFlower + L".png";
    EXPECT_EQ(CommandLineArguments(L"Ixo.exe \"" + path + L"\" " + kFlower), (Args{path, kFlower}));
}

}  // namespace
