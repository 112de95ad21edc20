#include "undo/JournalText.h"

#include <algorithm>
#include <cstdint>
#include <vector>

namespace {

constexpr std::string_view kOldUndoneLine = "U";
constexpr std::string_view kUndonePrefix = "U @";
constexpr size_t kIdDigits = 16;
constexpr size_t kVolumeDigits = 8;
constexpr char kHexDigits[] = "0123456789abcdef";

char TagOf(FileOp op) {
    switch (op) {
        case FileOp::kMove:
            return 'M';
        case FileOp::kTrashMove:
            return 'T';
        case FileOp::kRename:
            return 'R';
    }
    return 'M';
}

bool OpOfTag(char tag, FileOp& op) {
    switch (tag) {
        case 'M':
            op = FileOp::kMove;
            return true;
        case 'T':
            op = FileOp::kTrashMove;
            return true;
        case 'R':
            op = FileOp::kRename;
            return true;
        default:
            return false;
    }
}

// A path a record can hold: a line break inside would split the record, and no file
// system path holds a control character.
bool IsRecordablePath(std::string_view path) {
    if (path.empty() || path.size() > kJournalPathBytes) {
        return false;
    }
    const bool control =
        std::any_of(path.begin(), path.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7F; });
    return !control && IsValidUtf8(path);
}

// Reads "<length>:<bytes>" at `at` of `line`; advances `at` past it.
bool ReadPath(std::string_view line, size_t& at, std::string_view& path) {
    size_t length = 0;
    const size_t digits = at;
    while (at < line.size() && line[at] >= '0' && line[at] <= '9') {
        length = length * 10 + static_cast<size_t>(line[at] - '0');
        if (length > kJournalPathBytes) {
            return false;
        }
        ++at;
    }
    // A length is written without leading zeros.
    if (at == digits || (line[digits] == '0') || at >= line.size() || line[at] != ':') {
        return false;
    }
    ++at;
    if (line.size() - at < length) {
        return false;
    }
    const std::string_view bytes = line.substr(at, length);
    if (!IsRecordablePath(bytes)) {
        return false;
    }
    path = bytes;
    at += length;
    return true;
}

// Reads exactly `digits` lower-case hexadecimal digits at `at`.
bool ReadHex(std::string_view line, size_t& at, size_t digits, uint64_t& value) {
    if (line.size() - at < digits) {
        return false;
    }
    value = 0;
    for (size_t i = 0; i < digits; ++i) {
        const char c = line[at + i];
        uint64_t digit = 0;
        if (c >= '0' && c <= '9') {
            digit = static_cast<uint64_t>(c - '0');
        } else if (c >= 'a' && c <= 'f') {
            digit = static_cast<uint64_t>(c - 'a' + 10);
        } else {
            return false;
        }
        value = value << 4 | digit;
    }
    at += digits;
    return true;
}

// Reads a record's identity, 16 hexadecimal digits; an identity is never 0.
bool ReadId(std::string_view line, size_t& at, uint64_t& id) {
    return ReadHex(line, at, kIdDigits, id) && id != 0;
}

// Reads a decimal number without leading zeros that fits 64 bits.
bool ReadNumber(std::string_view line, size_t& at, uint64_t& value) {
    const size_t first = at;
    value = 0;
    while (at < line.size() && line[at] >= '0' && line[at] <= '9') {
        const auto digit = static_cast<uint64_t>(line[at] - '0');
        if (value > (UINT64_MAX - digit) / 10) {
            return false;
        }
        value = value * 10 + digit;
        ++at;
    }
    return at > first && (line[first] != '0' || at == first + 1);
}

// An operation line as read: its paths still in the text, copied only for a record that
// is not undone by the end.
struct ReadRecord {
    FileOp op = FileOp::kMove;
    std::string_view from;
    std::string_view to;
    uint64_t id = 0;
    std::optional<JournalStamp> stamp;
    std::optional<JournalFolderId> folder;
};

// FNV-1a over the tag and both paths, the same in every viewer that reads the record.
uint64_t ContentIdentity(FileOp op, std::string_view from, std::string_view to) {
    uint64_t hash = 0xCBF29CE484222325u;
    const auto mix = [&hash](std::string_view bytes) {
        for (const char c : bytes) {
            hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001B3u;
        }
    };
    const char tag = TagOf(op);
    mix(std::string_view(&tag, 1));
    mix(from);
    mix(std::string_view("\n", 1));  // no path holds a line break
    mix(to);
    return hash != 0 ? hash : 1;
}

// What follows the second path of a record that has an identity: " @<id>", then for a
// file " <size> <write time>", for a folder " #<volume>.<index>".
bool ReadIdAndStamp(std::string_view line, size_t at, ReadRecord& entry) {
    if (line.substr(at, 2) != " @") {
        return false;
    }
    at += 2;
    if (!ReadId(line, at, entry.id)) {
        return false;
    }
    if (at == line.size()) {
        return true;
    }
    if (line.substr(at, 2) == " #") {
        at += 2;
        JournalFolderId folder;
        uint64_t volume = 0;
        if (!ReadHex(line, at, kVolumeDigits, volume) || at >= line.size() || line[at] != '.' ||
            !ReadHex(line, ++at, kIdDigits, folder.index) || at != line.size()) {
            return false;
        }
        folder.volume = static_cast<uint32_t>(volume);
        entry.folder = folder;
        return true;
    }
    JournalStamp stamp;
    if (line[at] != ' ' || !ReadNumber(line, ++at, stamp.size) || at >= line.size() || line[at] != ' ' ||
        !ReadNumber(line, ++at, stamp.writeTime) || at != line.size()) {
        return false;
    }
    entry.stamp = stamp;
    return true;
}

bool ReadOperation(std::string_view line, ReadRecord& entry) {
    if (line.size() < 2 || !OpOfTag(line[0], entry.op) || line[1] != ' ') {
        return false;
    }
    size_t at = 2;
    if (!ReadPath(line, at, entry.from) || at >= line.size() || line[at] != ' ') {
        return false;
    }
    ++at;
    if (!ReadPath(line, at, entry.to)) {
        return false;
    }
    // A record of an earlier version ends with its second path.
    return at == line.size() || ReadIdAndStamp(line, at, entry);
}

// Identity -> index, open addressing at most three quarters full: a journal of a million
// records needs no allocation per record. Identities are never 0, which marks a free slot.
class IdentityTable {
public:
    static constexpr size_t kNone = SIZE_MAX;

    // Room for `count` identities, so that the table never grows while it is filled.
    explicit IdentityTable(size_t count) {
        size_t slots = 64;
        while (4 * count > 3 * slots) {
            slots *= 2;
        }
        m_slots.assign(slots, Slot{});
    }

    // The index held for `id`; kNone when there is none.
    size_t Find(uint64_t id) const {
        if (m_slots.empty()) {
            return kNone;
        }
        const Slot& slot = m_slots[SlotOf(id)];
        return slot.id == id ? slot.index : kNone;
    }
    // Holds `index` for `id`; returns the index held before, or kNone.
    size_t Put(uint64_t id, size_t index) {
        if (4 * (m_used + 1) > 3 * m_slots.size()) {
            Grow();
        }
        Slot& slot = m_slots[SlotOf(id)];
        const size_t before = slot.id == id ? slot.index : kNone;
        m_used += slot.id == 0 ? 1 : 0;
        slot = Slot{id, index};
        return before;
    }

private:
    struct Slot {
        uint64_t id = 0;
        size_t index = kNone;
    };

    // The slot that holds `id`, or the free one where it would go.
    size_t SlotOf(uint64_t id) const {
        const size_t mask = m_slots.size() - 1;
        size_t at = static_cast<size_t>((id * 0x9E3779B97F4A7C15u) >> 32) & mask;
        while (m_slots[at].id != 0 && m_slots[at].id != id) {
            at = (at + 1) & mask;
        }
        return at;
    }
    void Grow() {
        std::vector<Slot> old = std::move(m_slots);
        m_slots.assign(std::max<size_t>(64, 2 * old.size()), Slot{});
        for (const Slot& slot : old) {
            if (slot.id != 0) {
                m_slots[SlotOf(slot.id)] = slot;
            }
        }
    }

    std::vector<Slot> m_slots;
    size_t m_used = 0;
};

// The records read so far, with what finds the one an undo mark takes back in constant
// time (amortised): a mark never searches the records. A record is kept as its line, and
// read again into an entry only when it is still live at the end.
class JournalReader {
public:
    // `records`: how many operation lines the text holds at most.
    explicit JournalReader(size_t records) : m_latest(records) {
        m_lines.reserve(records);
        m_undone.reserve(records);
        m_order.reserve(records);
        m_earlierSame.reserve(records);
    }

    // One line without its line break: an operation, or an undo mark.
    bool Apply(std::string_view line) {
        if (line == kOldUndoneLine) {
            return UndoLatest();
        }
        if (line.starts_with(kUndonePrefix)) {
            size_t at = kUndonePrefix.size();
            uint64_t id = 0;
            if (!ReadId(line, at, id) || at != line.size()) {
                return false;
            }
            UndoById(id);
            return true;
        }
        ReadRecord entry;
        if (!ReadOperation(line, entry)) {
            return false;
        }
        Add(line, entry.id != 0 ? entry.id : ContentIdentity(entry.op, entry.from, entry.to));
        return true;
    }

    // The latest `keep` records not undone, oldest first.
    std::vector<JournalEntry> Live(size_t keep) const {
        std::vector<JournalEntry> live;
        for (size_t i = m_lines.size(); i-- > 0 && live.size() < keep;) {
            ReadRecord r;
            if (!m_undone[i] && ReadOperation(m_lines[i], r)) {
                live.emplace_back(r.op, std::string(r.from), std::string(r.to), r.id, r.stamp, r.folder);
            }
        }
        std::reverse(live.begin(), live.end());
        return live;
    }

private:
    static constexpr size_t kNone = IdentityTable::kNone;

    void Add(std::string_view line, uint64_t id) {
        const size_t index = m_lines.size();
        m_lines.push_back(line);
        m_undone.push_back(false);
        m_earlierSame.push_back(m_latest.Put(id, index));
        m_order.push_back(index);
    }

    // An old mark: the latest record not undone. The stack drops undone records as it
    // meets them, so each record is passed over once.
    bool UndoLatest() {
        while (!m_order.empty() && m_undone[m_order.back()]) {
            m_order.pop_back();
        }
        if (m_order.empty()) {
            return false;
        }
        m_undone[m_order.back()] = true;
        m_order.pop_back();
        return true;
    }

    // The latest record not undone of that identity: two records of an earlier version
    // with the same operation and paths share it, and the latest is the one undone first.
    void UndoById(uint64_t id) {
        size_t index = m_latest.Find(id);
        if (index == kNone) {
            return;
        }
        while (index != kNone && m_undone[index]) {
            index = m_earlierSame[index];
        }
        if (index != kNone) {
            m_undone[index] = true;
            index = m_earlierSame[index];
        }
        m_latest.Put(id, index);
    }

    std::vector<std::string_view> m_lines;  // each record's line, in the text read
    std::vector<bool> m_undone;
    std::vector<size_t> m_earlierSame;  // the record before with the same identity, or kNone
    std::vector<size_t> m_order;        // records in order, undone ones dropped lazily from the top
    IdentityTable m_latest;             // identity -> its latest record that may be live
};

std::string Hex(uint64_t value) {
    std::string text(kIdDigits, '0');
    for (size_t i = kIdDigits; i-- > 0; value >>= 4) {
        text[i] = kHexDigits[value & 0xF];
    }
    return text;
}

// How many lines of the text may be operations: those that do not begin with "U".
size_t OperationLines(std::string_view text) {
    size_t count = 0;
    for (size_t start = 0; start < text.size();) {
        count += text[start] != 'U' ? 1 : 0;
        const size_t end = text.find('\n', start);
        start = end == std::string_view::npos ? text.size() : end + 1;
    }
    return count;
}

}  // namespace

ParsedJournal ParseJournal(std::string_view text, size_t keep) {
    ParsedJournal parsed;
    // Counted first (a fast pass over the bytes), so that nothing grows while the lines are read.
    JournalReader reader(OperationLines(text));
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find('\n', start);
        if (end == std::string_view::npos || !reader.Apply(text.substr(start, end - start))) {
            break;
        }
        ++parsed.lines;
        start = end + 1;
        parsed.validBytes = start;
    }
    parsed.live = reader.Live(keep);
    return parsed;
}

std::string FormatOperation(const JournalEntry& entry) {
    if (!IsRecordablePath(entry.from) || !IsRecordablePath(entry.to) ||
        (entry.id == 0 && (entry.stamp || entry.folder)) || (entry.stamp && entry.folder)) {
        return {};
    }
    std::string line(1, TagOf(entry.op));
    for (const std::string* path : {&entry.from, &entry.to}) {
        line += ' ';
        line += std::to_string(path->size());
        line += ':';
        line += *path;
    }
    if (entry.id != 0) {
        line += " @";
        line += Hex(entry.id);
    }
    if (entry.stamp) {
        line += ' ';
        line += std::to_string(entry.stamp->size);
        line += ' ';
        line += std::to_string(entry.stamp->writeTime);
    }
    if (entry.folder) {
        line += " #";
        line += Hex(entry.folder->volume).substr(kIdDigits - kVolumeDigits);
        line += '.';
        line += Hex(entry.folder->index);
    }
    line += '\n';
    return line;
}

std::string FormatUndone(const JournalEntry& entry) {
    return std::string(kUndonePrefix) + Hex(JournalIdentity(entry)) + '\n';
}

std::string FormatCompacted(const std::vector<JournalEntry>& live, size_t keep) {
    std::string text;
    const size_t first = live.size() > keep ? live.size() - keep : 0;
    for (size_t i = first; i < live.size(); ++i) {
        text += FormatOperation(live[i]);
    }
    return text;
}

uint64_t JournalIdentity(const JournalEntry& entry) {
    return entry.id != 0 ? entry.id : ContentIdentity(entry.op, entry.from, entry.to);
}

bool IsValidUtf8(std::string_view text) {
    size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        if (lead < 0x80) {
            ++i;
            continue;
        }
        size_t count = 0;
        unsigned char low = 0x80;  // the range of the first continuation byte
        unsigned char high = 0xBF;
        if (lead >= 0xC2 && lead <= 0xDF) {
            count = 1;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            count = 2;
            low = lead == 0xE0 ? 0xA0 : 0x80;   // no overlong form
            high = lead == 0xED ? 0x9F : 0xBF;  // no surrogate
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            count = 3;
            low = lead == 0xF0 ? 0x90 : 0x80;   // no overlong form
            high = lead == 0xF4 ? 0x8F : 0xBF;  // nothing above U+10FFFF
        } else {
            return false;
        }
        if (text.size() - i <= count) {
            return false;
        }
        for (size_t k = 1; k <= count; ++k) {
            const auto byte = static_cast<unsigned char>(text[i + k]);
            if (byte < (k == 1 ? low : 0x80) || byte > (k == 1 ? high : 0xBF)) {
                return false;
            }
        }
        i += count + 1;
    }
    return true;
}
