#include "tools/UrlMemo.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "tools/ProgramCommandLine.h"

namespace {

using std::nullopt;
using std::optional;
using std::string;
using std::wstring;

optional<string> Scan(const string& bytes) {
    UrlMemoScanner scanner;
    scanner.Feed(bytes);
    scanner.Finish();
    return scanner.Candidate();
}

TEST(UrlMemo, TheLastLineHoldingSomethingIsTheCandidate) {
    const string longLine(kMemoPieceBytes, 'a');
    const struct {
        const char* what;
        string bytes;
        optional<string> candidate;
    } cases[] = {
        {"empty", "", nullopt},
        {"line breaks only", "\n\r\n\n", nullopt},
        {"a later address wins", "http://a/\nnote\nhttp://c/\n", "http://c/"},
        {"trailing empty lines", "http://a/\n\n\r\n\n", "http://a/"},
        {"a line of blanks counts", "http://a/\n   \n", "   "},
        {"\\r\\n is one break", "x\r\nhttp://a/\r\n", "http://a/"},
        {"a lone \\r is text", "http://a/\r\rb\n", "http://a/\r\rb"},
        {"\\r at the end of the file", "http://a/\r", "http://a/\r"},
        {"Ctrl-Z ends the text", "http://a/\n\x1Ahttp://b/\n", "http://a/"},
        {"Ctrl-Z after a \\r", "http://a/\r\x1A\n", "http://a/\r"},
        {"a NUL byte is kept", string("http://a/\0b\n", 12), string("http://a/\0b", 11)},
        // A line of exactly one piece: its line break comes as an empty piece.
        {"one full piece", longLine + "\nnext\n" + longLine + "\n", longLine},
        {"a longer line gives its last piece", longLine + "tail\n\n", "tail"},
        {"the \\r of a break is no byte of the piece", string(kMemoPieceBytes - 1, 'b') + "\r\n",
         string(kMemoPieceBytes - 1, 'b')},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Scan(c.bytes), c.candidate) << c.what;
        // However the file is cut into reads, the result is the same.
        for (const size_t step : {size_t{1}, size_t{2}, size_t{3}, size_t{4093}}) {
            UrlMemoScanner pieces;
            for (size_t at = 0; at < c.bytes.size(); at += step) {
                pieces.Feed(std::string_view(c.bytes).substr(at, step));
            }
            pieces.Finish();
            EXPECT_EQ(pieces.Candidate(), c.candidate) << c.what << ", reads of " << step;
        }
    }
}

TEST(UrlMemo, OnlyAWebAddressIsTaken) {
    const struct {
        const char* candidate;
        optional<string> address;
    } cases[] = {
        {"http://example.com/a?b=c&d=%20#x", "http://example.com/a?b=c&d=%20#x"},
        {"HTTPS://Example.com/", "HTTPS://Example.com/"},
        {" \t http://a/ \t", "http://a/"},
        {"http://\x83\x5C\x83\x74\x83\x67/", "http://\x83\x5C\x83\x74\x83\x67/"},  // code page 932 text
        {"http:/a/", nullopt},
        {"mailto:a@example.com", nullopt},
        {"x http://a/", nullopt},
        {"http://a/ /select,C:\\", nullopt},
        {"http://a/\"b", nullopt},
        {"http://a/\tb", nullopt},
        {"http://a/\rb", nullopt},
        {"http://a/\x7F", nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(WebAddressFrom(c.candidate), c.address) << c.candidate;
    }
    EXPECT_EQ(WebAddressFrom(string("http://a/\0b", 11)), nullopt) << "a NUL byte";
}

TEST(ProgramCommandLine, DirectoriesStayOneArgument) {
    const struct {
        const wchar_t* dir;
        optional<wstring> line;
    } cases[] = {
        {L"C:\\pics\\", L"explorer C:\\pics\\"},
        {L"C:\\", L"explorer C:\\"},
        // A backslash before the closing mark would escape it.
        {L"C:\\My Pictures\\", L"explorer \"C:\\My Pictures\""},
        {L"C:\\My Pictures\\\\", L"explorer \"C:\\My Pictures\""},
        {L"\\\\server\\my share\\", L"explorer \"\\\\server\\my share\""},
        {L"C:\\tab\there", L"explorer \"C:\\tab\there\""},
        // Names outside code page 932 go on the line exactly.
        {L"C:\\a b\\caf\u00e9\U0001F642\\", L"explorer \"C:\\a b\\caf\u00e9\U0001F642\""},
        {L"C:\\2023\u00a504", L"explorer C:\\2023\u00a504"},
        {L"C:\\a\"b", nullopt},
        {L"C:\\a b\" /select,C:\\x", nullopt},
        // The file manager splits its argument at a comma or a semicolon too.
        {L"D:\\pics\\a,b", L"explorer \"D:\\pics\\a,b\""},
        {L"D:\\pics\\a,b\\", L"explorer \"D:\\pics\\a,b\""},
        {L"D:\\pics\\a;b", L"explorer \"D:\\pics\\a;b\""},
        {L"D:\\,\\x", L"explorer \"D:\\,\\x\""},
        {L"D:\\pics\\a=b(1)&c", L"explorer D:\\pics\\a=b(1)&c"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DirectoryWindowCommandLine(L"explorer", c.dir), c.line);
    }
}

TEST(ProgramCommandLine, AnAddressThatAProgramWouldSplitIsQuoted) {
    const struct {
        const wchar_t* address;
        const wchar_t* line;
    } cases[] = {
        {L"http://a/", L"explorer http://a/"},
        {L"http://a/b?c=1&d=2#e", L"explorer http://a/b?c=1&d=2#e"},
        {L"http://a/b,c", L"explorer \"http://a/b,c\""},
        {L"http://a/b;c=1", L"explorer \"http://a/b;c=1\""},
        // Backslashes before the closing mark stay in the address.
        {L"http://a/b,c\\", L"explorer \"http://a/b,c\\\\\""},
        {L"ftp://a/b;\\\\", L"explorer \"ftp://a/b;\\\\\\\\\""},
        {L"http://a/b\\", L"explorer http://a/b\\"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(UrlCommandLine(L"explorer", c.address), c.line) << testing::PrintToString(wstring(c.address));
    }
}

TEST(ProgramCommandLine, AProgramPathWithABlankIsQuoted) {
    const struct {
        const wchar_t* program;
        const wchar_t* started;  // what stands before the argument
    } cases[] = {
        {L"explorer", L"explorer"},
        {L"C:\\Program Files\\Filer\\filer.exe", L"\"C:\\Program Files\\Filer\\filer.exe\""},
        {L"C:\\Program Files\\Web\\WEB.Exe -new", L"\"C:\\Program Files\\Web\\WEB.Exe\" -new"},
        {L"  C:\\My Tools\\open.cmd\t/x", L"\"C:\\My Tools\\open.cmd\"\t/x"},
        {L"C:\\My Tools\\a.bat", L"\"C:\\My Tools\\a.bat\""},
        {L"C:\\My Tools\\a.com", L"\"C:\\My Tools\\a.com\""},
        // The first program name that a blank or the end follows ends the path.
        {L"C:\\tool.exe.d\\my tool.exe", L"\"C:\\tool.exe.d\\my tool.exe\""},
        {L"cmd.exe /c start my.cmd", L"cmd.exe /c start my.cmd"},
        {L"filer.exe /n", L"filer.exe /n"},
        // Already quoted, or no program name to tell the path by: as it stands.
        {L"\"C:\\Program Files\\Filer\\filer.exe\" /n", L"\"C:\\Program Files\\Filer\\filer.exe\" /n"},
        {L"C:\\My Tools\\filer /n", L"C:\\My Tools\\filer /n"},
        {L"C:\\My Tools\\exe", L"C:\\My Tools\\exe"},
        {L"", L""},
        {L"C:\\\u8868 x\\v.exe", L"\"C:\\\u8868 x\\v.exe\""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DirectoryWindowCommandLine(c.program, L"C:\\pics"), wstring(c.started) + L" C:\\pics");
        EXPECT_EQ(UrlCommandLine(c.program, L"http://a/"), wstring(c.started) + L" http://a/");
    }
}

}  // namespace
