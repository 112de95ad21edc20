#pragma once
// The undo journal as text: one record a line, appended as each move or rename completes.
// An operation line is a tag (M move, T trash move, R rename), the two UTF-8 paths, each
// length-prefixed, the record's identity (16 hexadecimal digits after "@") and, for a file,
// its size and last-write time (100 ns units) at its new place, in decimal, or for a
// folder its identity ("#", its volume's serial number in 8 and its file index in 16
// hexadecimal digits, with a dot between):
//   "M 14:C:\pics\a.bmp 14:C:\move\a.bmp @5e0c1f8a93d2b746 5830 133497681234567890\n"
//   "R 6:C:\p\A 6:C:\p\B @0c0ffee000000001 #1a2b3c4d.0000000000012f00\n"
// An undo appends "U @<identity>\n", which marks that record undone, wherever it stands.
// Journals of earlier versions hold operation lines without identity and size
// ("M 14:C:\pics\a.bmp 14:C:\move\a.bmp\n") and undo marks "U\n", each marking the latest
// operation not yet undone; they are read as before, and such a record's identity is
// taken from its content. Portable: the file is read and written by the Win32 side,
// which hands the bytes over here.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "undo/OperationRecorder.h"

// A file as it was right after the operation put it at its new place.
struct JournalStamp {
    uint64_t size = 0;
    uint64_t writeTime = 0;  // FILETIME, 100 ns units since 1601
    bool operator==(const JournalStamp&) const = default;
};

// A folder as the file system tells it apart from any other at its place.
struct JournalFolderId {
    uint32_t volume = 0;  // the volume's serial number
    uint64_t index = 0;   // the folder's file index on it
    bool operator==(const JournalFolderId&) const = default;
};

struct JournalEntry {
    JournalEntry() = default;
    JournalEntry(FileOp op_,
                 std::string from_,
                 std::string to_,
                 uint64_t id_ = 0,
                 std::optional<JournalStamp> stamp_ = std::nullopt,
                 std::optional<JournalFolderId> folder_ = std::nullopt)
        : op(op_), from(std::move(from_)), to(std::move(to_)), id(id_), stamp(stamp_), folder(folder_) {}

    FileOp op = FileOp::kMove;
    std::string from;  // UTF-8
    std::string to;    // UTF-8
    // Never 0 when written; 0 for a record of an earlier version, which has none.
    uint64_t id = 0;
    // None for a folder, and for a record of an earlier version.
    std::optional<JournalStamp> stamp;
    // The folder at `to`, for a folder's record; none for a file, and for a record of an
    // earlier version.
    std::optional<JournalFolderId> folder;
    bool operator==(const JournalEntry&) const = default;
};

// The longest path a record holds: 32,767 UTF-16 units of at most 3 UTF-8 bytes each.
constexpr size_t kJournalPathBytes = 32767 * 3;
// How many operations a compacted journal keeps; the file is compacted once it holds
// twice as many lines.
constexpr size_t kJournalKeep = 1000;

struct ParsedJournal {
    std::vector<JournalEntry> live;  // the latest operations not undone (as many as asked), oldest first
    size_t lines = 0;                // lines in the valid part
    size_t validBytes = 0;           // the valid part is text[0, validBytes)
};

// Reads records up to the first line that is not a whole, well-formed record: a line cut
// short by a crash, garbage, a path that is not UTF-8 or holds a control character, or an
// old undo mark with nothing left to undo. That line and everything after it are not
// trusted. An undo mark naming no live record (one already undone, or compacted away) is
// well-formed and changes nothing. Time and memory grow linearly with the text; only the
// latest `keep` operations not undone become entries (the viewer needs no more: it undoes
// the latest, and a compaction keeps kJournalKeep).
ParsedJournal ParseJournal(std::string_view text, size_t keep = SIZE_MAX);

// The line of one operation; empty when a path is empty, too long, not UTF-8 or holds a
// control character, or when a stamp or a folder's identity comes without the record's
// identity, or both come (such a record could not be read back as it is).
std::string FormatOperation(const JournalEntry& entry);
// The line that marks `entry` undone.
std::string FormatUndone(const JournalEntry& entry);
// A journal holding the last `keep` of the operations not undone, in their order.
std::string FormatCompacted(const std::vector<JournalEntry>& live, size_t keep = kJournalKeep);

// The identity an undo mark names: the record's own, or for a record of an earlier
// version one taken from its operation and paths. Never 0.
uint64_t JournalIdentity(const JournalEntry& entry);

// Well-formed UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool IsValidUtf8(std::string_view text);
