#include "undo/JournalText.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Entries = std::vector<JournalEntry>;

const JournalEntry kMove{FileOp::kMove, "C:\\pics\\a.bmp", "C:\\move\\a_0000.BMP"};
const JournalEntry kTrash{FileOp::kTrashMove, "C:\\pics\\b 2.bmp", "D:\\trash\\b 2.bmp"};
// Hangul and an emoji: neither is in code page 932. A path may hold what looks like a field.
const JournalEntry kRename{FileOp::kRename, "C:\\pics\\\xED\x95\x9C 3:x \xF0\x9F\x98\x80.bmp", "C:\\pics\\12:M x.bmp"};

std::string Lines(const Entries& entries) {
    std::string text;
    for (const JournalEntry& e : entries) {
        text += FormatOperation(e);
    }
    return text;
}

TEST(JournalText, OperationsReadBackAndUndoMarksTakeTheLatestBack) {
    const std::string text = Lines({kMove, kTrash, kRename});
    EXPECT_EQ(FormatOperation(kMove), "M 13:C:\\pics\\a.bmp 18:C:\\move\\a_0000.BMP\n");
    ParsedJournal parsed = ParseJournal(text);
    EXPECT_EQ(parsed.live, (Entries{kMove, kTrash, kRename}));
    EXPECT_EQ(parsed.lines, 3u);
    EXPECT_EQ(parsed.validBytes, text.size());

    // Undone twice, then a new operation: the next undo takes the new one, then the first.
    const std::string later = text + FormatUndone() + FormatUndone() + FormatOperation(kRename);
    parsed = ParseJournal(later);
    EXPECT_EQ(parsed.live, (Entries{kMove, kRename}));
    EXPECT_EQ(parsed.lines, 6u);
    EXPECT_EQ(ParseJournal(later + "U\nU\n").live, Entries{});
}

TEST(JournalText, TheFirstDamagedLineEndsTheValidPart) {
    const std::string good = Lines({kMove, kTrash});
    const std::string next = FormatOperation(kRename);
    const struct {
        const char* what;
        std::string tail;
    } cases[] = {
        {"a line cut short by a crash", next.substr(0, next.size() - 1)},
        {"cut inside a path", next.substr(0, 20)},
        {"garbage", "\x01\xFF garbage\n" + next},
        {"an unknown tag", "X 1:a 1:b\n"},
        {"a length beyond the line", "M 1:a 9:b\n"},
        {"a length short of the path", "M 1:ab 1:c\n"},
        {"a length with a leading zero", "M 01:a 1:b\n"},
        {"an empty path", "M 0: 1:b\n"},
        {"a length beyond any path", "M 99999999999999999999:a 1:b\n"},
        {"one path only", "M 1:a\n"},
        {"bytes after the second path", "M 1:a 1:b \n"},
        {"a carriage return", "M 1:a 1:b\r\n"},
        {"a tab in a path", "M 3:a\tb 1:c\n"},
        {"a NUL byte in a path", std::string("M 3:a\0b 1:c\n", 12)},
        {"a lone continuation byte", "M 2:a\x80 1:c\n"},
        {"an overlong slash", "M 2:\xC0\xAF 1:c\n"},
        {"a surrogate", "M 3:\xED\xA0\x80 1:c\n"},
        {"an undo with nothing left", "U\nU\nU\n" + next},
        {"an undo mark with more on its line", "U \n"},
    };
    for (const auto& c : cases) {
        const std::string text = good + c.tail;
        const ParsedJournal parsed = ParseJournal(text);
        const Entries expected = c.tail.starts_with("U\nU\n") ? Entries{} : Entries{kMove, kTrash};
        EXPECT_EQ(parsed.live, expected) << c.what;
        // Two undo marks are valid before the third: the valid part ends after them.
        EXPECT_EQ(parsed.validBytes, good.size() + (expected.empty() ? 4 : 0)) << c.what;
        EXPECT_LT(parsed.validBytes, text.size()) << c.what;
    }
    EXPECT_EQ(ParseJournal("").validBytes, 0u);
}

TEST(JournalText, OnlyPathsThatReadBackAreFormatted) {
    const std::string longest(kJournalPathBytes, 'a');
    EXPECT_EQ(ParseJournal(FormatOperation({FileOp::kMove, longest, "b"})).live.size(), 1u);
    for (const std::string& bad : {std::string(), longest + "a", std::string("a\nb"), std::string("a\x7F"),
                                   std::string("\xE3\x81"), std::string("\xF4\x90\x80\x80")}) {
        EXPECT_EQ(FormatOperation({FileOp::kRename, "a", bad}), "") << bad;
        EXPECT_EQ(FormatOperation({FileOp::kRename, bad, "a"}), "") << bad;
    }
}

TEST(JournalText, CompactionKeepsTheLatestOperationsInOrder) {
    Entries live;
    for (int i = 0; i < 7; ++i) {
        live.push_back({FileOp::kMove, "C:\\a\\" + std::to_string(i), "C:\\b\\" + std::to_string(i)});
    }
    const ParsedJournal parsed = ParseJournal(FormatCompacted(live, 3));
    EXPECT_EQ(parsed.live, Entries(live.end() - 3, live.end()));
    EXPECT_EQ(parsed.lines, 3u);
    EXPECT_EQ(ParseJournal(FormatCompacted(live, 10)).live, live);
    EXPECT_EQ(FormatCompacted({}, 3), "");
}

TEST(JournalText, Utf8IsCheckedAtItsBoundaries) {
    const struct {
        std::string text;
        bool valid;
    } cases[] = {
        {"plain", true},
        {"\xC2\x80", true},
        {"\xDF\xBF", true},
        {"\xE0\xA0\x80", true},
        {"\xED\x9F\xBF", true},
        {"\xEE\x80\x80", true},
        {"\xF0\x90\x80\x80", true},
        {"\xF4\x8F\xBF\xBF", true},
        {"\xC1\xBF", false},
        {"\xE0\x9F\xBF", false},
        {"\xED\xA0\x80", false},
        {"\xF0\x8F\xBF\xBF", false},
        {"\xF4\x90\x80\x80", false},
        {"\xF5\x80\x80\x80", false},
        {"\xE3\x81", false},
        {"\xE3\x81x", false},
        {"\xBF", false},
        {"\xFF", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(IsValidUtf8(c.text), c.valid) << testing::PrintToString(c.text);
    }
}

}  // namespace
