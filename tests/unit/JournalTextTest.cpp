#include "undo/JournalText.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
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

// Records of an earlier version: no identity, no stamp, and "U" marks that take back the
// latest operation not yet undone.
TEST(JournalText, OperationsReadBackAndUndoMarksTakeTheLatestBack) {
    const std::string text = Lines({kMove, kTrash, kRename});
    EXPECT_EQ(FormatOperation(kMove), "M 13:C:\\pics\\a.bmp 18:C:\\move\\a_0000.BMP\n");
    ParsedJournal parsed = ParseJournal(text);
    EXPECT_EQ(parsed.live, (Entries{kMove, kTrash, kRename}));
    EXPECT_EQ(parsed.lines, 3u);
    EXPECT_EQ(parsed.validBytes, text.size());

    // Undone twice, then a new operation: the next undo takes the new one, then the first.
    const std::string later = text + "U\n" + "U\n" + FormatOperation(kRename);
    parsed = ParseJournal(later);
    EXPECT_EQ(parsed.live, (Entries{kMove, kRename}));
    EXPECT_EQ(parsed.lines, 6u);
    EXPECT_EQ(ParseJournal(later + "U\nU\n").live, Entries{});
}

JournalEntry WithId(JournalEntry entry, uint64_t id, std::optional<JournalStamp> stamp = std::nullopt) {
    entry.id = id;
    entry.stamp = stamp;
    return entry;
}

TEST(JournalText, RecordsCarryTheirIdentityAndTheFileAsItWas) {
    const JournalEntry move = WithId(kMove, 0x5e0c1f8a93d2b746, JournalStamp{5830, 133497681234567890});
    EXPECT_EQ(FormatOperation(move),
              "M 13:C:\\pics\\a.bmp 18:C:\\move\\a_0000.BMP @5e0c1f8a93d2b746 5830 133497681234567890\n");
    EXPECT_EQ(FormatUndone(move), "U @5e0c1f8a93d2b746\n");
    const Entries entries = {
        move,
        WithId(kTrash, 1, JournalStamp{0, 0}),
        WithId(kRename, UINT64_MAX, JournalStamp{UINT64_MAX, UINT64_MAX}),
        WithId(kRename, 0x10),  // a folder: no stamp
        kMove,                  // a record of an earlier version amid new ones
    };
    const std::string text = Lines(entries);
    const ParsedJournal parsed = ParseJournal(text);
    EXPECT_EQ(parsed.live, entries);
    EXPECT_EQ(parsed.validBytes, text.size());
    // A stamp cannot be written without an identity: it would not read back.
    EXPECT_EQ(FormatOperation(WithId(kMove, 0, JournalStamp{1, 2})), "");
}

// A folder's record carries the folder's identity; older folder records have none.
TEST(JournalText, AFoldersRecordCarriesItsIdentity) {
    JournalEntry renamed{FileOp::kRename, "C:\\p\\A", "C:\\p\\B", 0xc0ffee, std::nullopt,
                         JournalFolderId{0x1a2b3c4d, 0x12f00}};
    EXPECT_EQ(FormatOperation(renamed), "R 6:C:\\p\\A 6:C:\\p\\B @0000000000c0ffee #1a2b3c4d.0000000000012f00\n");
    const JournalEntry largest{FileOp::kRename, "a", "b", UINT64_MAX, std::nullopt,
                               JournalFolderId{UINT32_MAX, UINT64_MAX}};
    const std::string text = Lines({renamed, largest, WithId(kRename, 0x10)});
    EXPECT_EQ(ParseJournal(text).live, (Entries{renamed, largest, WithId(kRename, 0x10)}));

    const std::string paths = "R 1:a 1:b @00000000000000a1";
    for (const std::string& bad : {paths + " #1a2b3c4d\n", paths + " #1a2b3c4.0000000000012f00\n",
                                   paths + " #1a2b3c4d.000000000012f00\n", paths + " #1a2b3c4d 0000000000012f00\n",
                                   paths + " #1A2B3C4D.0000000000012f00\n", paths + " #1a2b3c4d.0000000000012f00 1 2\n"}) {
        EXPECT_EQ(ParseJournal(bad).validBytes, 0u) << bad;
    }
    // Neither without the record's identity, nor together with a file's stamp.
    renamed.id = 0;
    EXPECT_EQ(FormatOperation(renamed), "");
    renamed.id = 1;
    renamed.stamp = JournalStamp{1, 2};
    EXPECT_EQ(FormatOperation(renamed), "");
}

// Two viewers: one undoes its record while the other has appended one since. The mark
// takes back the record it names, not the latest.
TEST(JournalText, AnUndoMarkTakesBackTheRecordItNames) {
    const JournalEntry first = WithId(kMove, 0xa1, JournalStamp{1, 2});
    const JournalEntry second = WithId(kTrash, 0xb2, JournalStamp{3, 4});
    const JournalEntry third = WithId(kRename, 0xc3);
    const std::string text = Lines({first, second, third});
    const struct {
        const char* what;
        std::string marks;
        Entries live;
    } cases[] = {
        {"the latest", FormatUndone(third), {first, second}},
        {"one before the latest", FormatUndone(second), {first, third}},
        {"two in any order", FormatUndone(first) + FormatUndone(third), {second}},
        {"one undone already", FormatUndone(second) + FormatUndone(second), {first, third}},
        {"one no longer in the file", "U @00000000000000d4\n", {first, second, third}},
        // An old mark still takes back the latest, whatever it is.
        {"an old mark", "U\n", {first, second}},
        {"an old mark after a new one", FormatUndone(third) + "U\n", {first}},
    };
    for (const auto& c : cases) {
        const ParsedJournal parsed = ParseJournal(text + c.marks);
        EXPECT_EQ(parsed.live, c.live) << c.what;
        EXPECT_EQ(parsed.validBytes, text.size() + c.marks.size()) << c.what;
    }
}

// Records of an earlier version get an identity from their content, the same in every
// viewer, so that a new mark can name them; equal records share it and the latest goes.
TEST(JournalText, RecordsOfAnEarlierVersionAreMarkedByTheirContent) {
    const JournalEntry other{FileOp::kTrashMove, kMove.from, kMove.to};
    EXPECT_EQ(JournalIdentity(kMove), JournalIdentity(JournalEntry(kMove)));
    EXPECT_NE(JournalIdentity(kMove), 0u);
    EXPECT_NE(JournalIdentity(kMove), JournalIdentity(other)) << "the operation counts";
    EXPECT_NE(JournalIdentity(JournalEntry{FileOp::kMove, "ab", "c"}),
              JournalIdentity(JournalEntry{FileOp::kMove, "a", "bc"}))
        << "where one path ends counts";
    EXPECT_EQ(JournalIdentity(WithId(kMove, 0x77)), 0x77u);

    const JournalEntry fresh = WithId(kRename, 0x99, JournalStamp{5, 6});
    const std::string text = Lines({kMove, kTrash, kMove, fresh});
    EXPECT_EQ(ParseJournal(text + FormatUndone(kMove)).live, (Entries{kMove, kTrash, fresh}));
    EXPECT_EQ(ParseJournal(text + FormatUndone(kMove) + FormatUndone(kMove)).live, (Entries{kTrash, fresh}));
    EXPECT_EQ(ParseJournal(text + FormatUndone(kTrash)).live, (Entries{kMove, kMove, fresh}));
}

TEST(JournalText, ADamagedIdentityOrStampEndsTheValidPart) {
    const std::string good = Lines({WithId(kMove, 0xa1, JournalStamp{1, 2}), kTrash});
    const std::string paths = "M 1:a 1:b";
    const struct {
        const char* what;
        std::string line;
    } cases[] = {
        {"an identity cut short", paths + " @00000000000000a\n"},
        {"an identity too long", paths + " @00000000000000a1b\n"},
        {"an identity in capitals", paths + " @00000000000000A1\n"},
        {"an identity of 0", paths + " @0000000000000000\n"},
        {"an identity without its mark", paths + " 00000000000000a1\n"},
        {"a blank after the identity", paths + " @00000000000000a1 \n"},
        {"a size without a time", paths + " @00000000000000a1 12\n"},
        {"a size with a leading zero", paths + " @00000000000000a1 012 3\n"},
        {"a time beyond 64 bits", paths + " @00000000000000a1 1 18446744073709551616\n"},
        {"a sign", paths + " @00000000000000a1 -1 3\n"},
        {"a third number", paths + " @00000000000000a1 1 2 3\n"},
        {"two blanks", paths + " @00000000000000a1  1 2\n"},
        {"a stamp without an identity", paths + " 1 2\n"},
        {"a mark with an identity cut short", "U @00000000000000a\n"},
        {"a mark with two blanks", "U  @00000000000000a1\n"},
        {"a mark with more after it", "U @00000000000000a1 1\n"},
        {"a mark of identity 0", "U @0000000000000000\n"},
        {"a mark cut short", "U @00000000000000a1"},
    };
    for (const auto& c : cases) {
        const ParsedJournal parsed = ParseJournal(good + c.line + FormatOperation(kRename));
        EXPECT_EQ(parsed.validBytes, good.size()) << c.what;
        EXPECT_EQ(parsed.live.size(), 2u) << c.what;
    }
    const std::string largest = paths + " @ffffffffffffffff 18446744073709551615 0\n";
    EXPECT_EQ(ParseJournal(largest).validBytes, largest.size());
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
