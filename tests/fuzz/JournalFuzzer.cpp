// Fuzzes the undo journal's reader: whatever the file holds, the valid part ends at a line
// break, reads the same on its own, and the operations found write back to themselves
// (identity and stamp included), alone, compacted, and with a new record appended after
// the valid part; an undo mark appended for any of them takes back that one alone.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "undo/JournalText.h"

namespace {

void Require(bool condition) {
    if (!condition) {
        __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const ParsedJournal parsed = ParseJournal(text);
    Require(parsed.validBytes <= text.size());
    Require(parsed.validBytes == 0 || text[parsed.validBytes - 1] == '\n');
    Require(parsed.live.size() <= parsed.lines);

    const std::string_view valid = text.substr(0, parsed.validBytes);
    const ParsedJournal again = ParseJournal(valid);
    Require(again.live == parsed.live && again.lines == parsed.lines && again.validBytes == valid.size());

    for (const JournalEntry& entry : parsed.live) {
        const std::string line = FormatOperation(entry);
        const ParsedJournal one = ParseJournal(line);
        Require(one.live.size() == 1 && one.live[0] == entry && one.validBytes == line.size());
    }
    const ParsedJournal compacted = ParseJournal(FormatCompacted(parsed.live, 4));
    const size_t kept = parsed.live.size() < 4 ? parsed.live.size() : 4;
    Require(compacted.live.size() == kept);
    for (size_t i = 0; i < kept; ++i) {
        Require(compacted.live[i] == parsed.live[parsed.live.size() - kept + i]);
    }

    const JournalEntry added{FileOp::kRename, "C:\\a", "C:\\b"};
    const ParsedJournal appended = ParseJournal(std::string(valid) + FormatOperation(added));
    Require(appended.live.size() == parsed.live.size() + 1 && appended.live.back() == added);
    const JournalEntry stamped{FileOp::kMove, "C:\\a", "D:\\b", 0x1234, JournalStamp{size, UINT64_MAX - size}};
    const ParsedJournal appendedStamped = ParseJournal(std::string(valid) + FormatOperation(stamped));
    Require(appendedStamped.live.size() == parsed.live.size() + 1 && appendedStamped.live.back() == stamped);

    // The mark takes back the latest live record of that identity and nothing else.
    for (size_t i = 0; i < parsed.live.size() && i < 8; ++i) {
        const JournalEntry& entry = parsed.live[parsed.live.size() - 1 - i];
        const std::string mark = FormatUndone(entry);
        const ParsedJournal undone = ParseJournal(std::string(valid) + mark);
        Require(undone.validBytes == valid.size() + mark.size() && undone.live.size() + 1 == parsed.live.size());
        size_t gone = parsed.live.size();
        for (size_t k = parsed.live.size(); k-- > 0;) {
            if (JournalIdentity(parsed.live[k]) == JournalIdentity(entry)) {
                gone = k;
                break;
            }
        }
        for (size_t k = 0, m = 0; k < parsed.live.size(); ++k) {
            if (k != gone) {
                Require(undone.live[m++] == parsed.live[k]);
            }
        }
    }
    return 0;
}
