// Fuzzes the undo journal's reader: whatever the file holds, the valid part ends at a line
// break, reads the same on its own, and the operations found write back to themselves,
// alone, compacted, and with a new record appended after the valid part.
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
    return 0;
}
