#include "undo/JournalText.h"

#include <algorithm>
#include <cstdint>
#include <iterator>

namespace {

constexpr std::string_view kOldUndoneLine = "U";
constexpr std::string_view kUndonePrefix = "U @";
constexpr size_t kIdDigits = 16;
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
bool ReadPath(std::string_view line, size_t& at, std::string& path) {
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
    path.assign(bytes);
    at += length;
    return true;
}

// Reads exactly 16 lower-case hexadecimal digits at `at`; an identity is never 0.
bool ReadId(std::string_view line, size_t& at, uint64_t& id) {
    if (line.size() - at < kIdDigits) {
        return false;
    }
    id = 0;
    for (size_t i = 0; i < kIdDigits; ++i) {
        const char c = line[at + i];
        uint64_t digit = 0;
        if (c >= '0' && c <= '9') {
            digit = static_cast<uint64_t>(c - '0');
        } else if (c >= 'a' && c <= 'f') {
            digit = static_cast<uint64_t>(c - 'a' + 10);
        } else {
            return false;
        }
        id = id << 4 | digit;
    }
    at += kIdDigits;
    return id != 0;
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

// What follows the second path of a record that has an identity: " @<id>", then for a
// file " <size> <write time>".
bool ReadIdAndStamp(std::string_view line, size_t at, JournalEntry& entry) {
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
    JournalStamp stamp;
    if (line[at] != ' ' || !ReadNumber(line, ++at, stamp.size) || at >= line.size() || line[at] != ' ' ||
        !ReadNumber(line, ++at, stamp.writeTime) || at != line.size()) {
        return false;
    }
    entry.stamp = stamp;
    return true;
}

bool ReadOperation(std::string_view line, JournalEntry& entry) {
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

// One line without its line break: an operation, or an undo mark.
bool ApplyLine(std::string_view line, std::vector<JournalEntry>& live) {
    if (line == kOldUndoneLine) {
        if (live.empty()) {
            return false;
        }
        live.pop_back();
        return true;
    }
    if (line.starts_with(kUndonePrefix)) {
        size_t at = kUndonePrefix.size();
        uint64_t id = 0;
        if (!ReadId(line, at, id) || at != line.size()) {
            return false;
        }
        // The latest live record of that identity: two records of an earlier version with
        // the same operation and paths share it, and the latest is the one undone first.
        const auto found = std::find_if(live.rbegin(), live.rend(),
                                        [id](const JournalEntry& entry) { return JournalIdentity(entry) == id; });
        if (found != live.rend()) {
            live.erase(std::next(found).base());
        }
        return true;
    }
    JournalEntry entry;
    if (!ReadOperation(line, entry)) {
        return false;
    }
    live.push_back(std::move(entry));
    return true;
}

std::string Hex(uint64_t value) {
    std::string text(kIdDigits, '0');
    for (size_t i = kIdDigits; i-- > 0; value >>= 4) {
        text[i] = kHexDigits[value & 0xF];
    }
    return text;
}

}  // namespace

ParsedJournal ParseJournal(std::string_view text) {
    ParsedJournal parsed;
    size_t start = 0;
    while (start < text.size()) {
        const size_t end = text.find('\n', start);
        if (end == std::string_view::npos || !ApplyLine(text.substr(start, end - start), parsed.live)) {
            break;
        }
        ++parsed.lines;
        start = end + 1;
        parsed.validBytes = start;
    }
    return parsed;
}

std::string FormatOperation(const JournalEntry& entry) {
    if (!IsRecordablePath(entry.from) || !IsRecordablePath(entry.to) || (entry.id == 0 && entry.stamp)) {
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
    if (entry.id != 0) {
        return entry.id;
    }
    // FNV-1a over the tag and both paths, the same in every viewer that reads the record.
    uint64_t hash = 0xCBF29CE484222325u;
    const auto mix = [&hash](std::string_view bytes) {
        for (const char c : bytes) {
            hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001B3u;
        }
    };
    const char tag = TagOf(entry.op);
    mix(std::string_view(&tag, 1));
    mix(entry.from);
    mix(std::string_view("\n", 1));  // no path holds a line break
    mix(entry.to);
    return hash != 0 ? hash : 1;
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
