#include "undo/JournalText.h"

#include <algorithm>

namespace {

constexpr char kUndoneLine[] = "U\n";

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

// One line without its line break: an operation, or an undo of the latest live one.
bool ApplyLine(std::string_view line, std::vector<JournalEntry>& live) {
    if (line == "U") {
        if (live.empty()) {
            return false;
        }
        live.pop_back();
        return true;
    }
    JournalEntry entry;
    if (line.size() < 2 || !OpOfTag(line[0], entry.op) || line[1] != ' ') {
        return false;
    }
    size_t at = 2;
    if (!ReadPath(line, at, entry.from) || at >= line.size() || line[at] != ' ') {
        return false;
    }
    ++at;
    if (!ReadPath(line, at, entry.to) || at != line.size()) {
        return false;
    }
    live.push_back(std::move(entry));
    return true;
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
    if (!IsRecordablePath(entry.from) || !IsRecordablePath(entry.to)) {
        return {};
    }
    std::string line(1, TagOf(entry.op));
    for (const std::string* path : {&entry.from, &entry.to}) {
        line += ' ';
        line += std::to_string(path->size());
        line += ':';
        line += *path;
    }
    line += '\n';
    return line;
}

std::string FormatUndone() {
    return kUndoneLine;
}

std::string FormatCompacted(const std::vector<JournalEntry>& live, size_t keep) {
    std::string text;
    const size_t first = live.size() > keep ? live.size() - keep : 0;
    for (size_t i = first; i < live.size(); ++i) {
        text += FormatOperation(live[i]);
    }
    return text;
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
