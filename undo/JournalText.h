#pragma once
// The undo journal as text: one record a line, appended as each move or rename completes.
// An operation line is a tag (M move, T trash move, R rename) and two UTF-8 paths, each
// length-prefixed: "M 14:C:\pics\a.bmp 14:C:\move\a.bmp\n". An undo appends "U\n", which
// marks the latest operation not yet undone. Portable: the file is read and written by
// the Win32 side, which hands the bytes over here.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "undo/OperationRecorder.h"

struct JournalEntry {
    FileOp op = FileOp::kMove;
    std::string from;  // UTF-8
    std::string to;    // UTF-8
    bool operator==(const JournalEntry&) const = default;
};

// The longest path a record holds: 32,767 UTF-16 units of at most 3 UTF-8 bytes each.
constexpr size_t kJournalPathBytes = 32767 * 3;
// How many operations a compacted journal keeps; the file is compacted once it holds
// twice as many lines.
constexpr size_t kJournalKeep = 1000;

struct ParsedJournal {
    std::vector<JournalEntry> live;  // operations not undone, oldest first
    size_t lines = 0;                // lines in the valid part
    size_t validBytes = 0;           // the valid part is text[0, validBytes)
};

// Reads records up to the first line that is not a whole, well-formed record: a line cut
// short by a crash, garbage, a path that is not UTF-8 or holds a control character, or an
// undo with nothing left to undo. That line and everything after it are not trusted.
ParsedJournal ParseJournal(std::string_view text);

// The line of one operation; empty when a path is empty, too long, not UTF-8 or holds a
// control character (such a record could not be read back).
std::string FormatOperation(const JournalEntry& entry);
std::string FormatUndone();
// A journal holding the last `keep` of the operations not undone, in their order.
std::string FormatCompacted(const std::vector<JournalEntry>& live, size_t keep = kJournalKeep);

// Well-formed UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool IsValidUtf8(std::string_view text);
