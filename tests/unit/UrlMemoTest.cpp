#include "tools/UrlMemo.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "tools/ProgramCommandLine.h"

namespace {

using std::nullopt;
using std::optional;
using std::string;

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
        const char* dir;
        optional<string> line;
    } cases[] = {
        {"C:\\pics\\", "explorer C:\\pics\\"},
        {"C:\\", "explorer C:\\"},
        // A backslash before the closing mark would escape it.
        {"C:\\My Pictures\\", "explorer \"C:\\My Pictures\""},
        {"C:\\My Pictures\\\\", "explorer \"C:\\My Pictures\""},
        {"\\\\server\\my share\\", "explorer \"\\\\server\\my share\""},
        {"C:\\tab\there", "explorer \"C:\\tab\there\""},
        // The trail byte 0x5C of a double-byte character is no separator.
        {"C:\\a b\\\x83\x5C", "explorer \"C:\\a b\\\x83\x5C\""},
        {"C:\\a\"b", nullopt},
        {"C:\\a b\" /select,C:\\x", nullopt},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DirectoryWindowCommandLine("explorer", c.dir), c.line) << c.dir;
    }
    EXPECT_EQ(UrlCommandLine("explorer", "http://a/"), "explorer http://a/");
}

TEST(ProgramCommandLine, AProgramPathWithABlankIsQuoted) {
    const struct {
        const char* program;
        const char* started;  // what stands before the argument
    } cases[] = {
        {"explorer", "explorer"},
        {"C:\\Program Files\\Filer\\filer.exe", "\"C:\\Program Files\\Filer\\filer.exe\""},
        {"C:\\Program Files\\Web\\WEB.Exe -new", "\"C:\\Program Files\\Web\\WEB.Exe\" -new"},
        {"  C:\\My Tools\\open.cmd\t/x", "\"C:\\My Tools\\open.cmd\"\t/x"},
        {"C:\\My Tools\\a.bat", "\"C:\\My Tools\\a.bat\""},
        {"C:\\My Tools\\a.com", "\"C:\\My Tools\\a.com\""},
        // The first program name that a blank or the end follows ends the path.
        {"C:\\tool.exe.d\\my tool.exe", "\"C:\\tool.exe.d\\my tool.exe\""},
        {"cmd.exe /c start my.cmd", "cmd.exe /c start my.cmd"},
        {"filer.exe /n", "filer.exe /n"},
        // Already quoted, or no program name to tell the path by: as it stands.
        {"\"C:\\Program Files\\Filer\\filer.exe\" /n", "\"C:\\Program Files\\Filer\\filer.exe\" /n"},
        {"C:\\My Tools\\filer /n", "C:\\My Tools\\filer /n"},
        {"C:\\My Tools\\exe", "C:\\My Tools\\exe"},
        {"", ""},
        // A double-byte character whose trail byte is 0x5C.
        {"C:\\\x95\x5C x\\v.exe", "\"C:\\\x95\x5C x\\v.exe\""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DirectoryWindowCommandLine(c.program, "C:\\pics"), string(c.started) + " C:\\pics") << c.program;
        EXPECT_EQ(UrlCommandLine(c.program, "http://a/"), string(c.started) + " http://a/") << c.program;
    }
}

}  // namespace
