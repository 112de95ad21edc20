// Fuzzes the reading of a URL memo file and what may reach a command line from it: the
// scanner must give the same candidate however the file is cut into reads, a candidate
// is one piece of one line, and an address taken from it can never carry a second
// argument. The same bytes as a directory must stay one argument of the file manager, and
// the address one argument of the browser, split by neither at a comma or a semicolon.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tools/ProgramCommandLine.h"
#include "tools/UrlMemo.h"

namespace {

void Require(bool condition) {
    if (!condition) {
        __builtin_trap();
    }
}

bool HoldsArgumentBreak(std::string_view text) {
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= 0x20 || byte == 0x7F || c == '"') {
            return true;
        }
    }
    return false;
}

// A command line's arguments as the C runtime splits them (blanks and tabs outside quotation
// marks; backslashes count only before a mark), and whether a comma or a semicolon stands
// outside the marks, where the file manager would split too.
struct SplitLine {
    std::vector<std::wstring> arguments;
    bool bareSeparator = false;
};

SplitLine Split(std::wstring_view line) {
    SplitLine split;
    std::wstring current;
    bool inArgument = false;
    bool quoted = false;
    for (size_t i = 0; i < line.size();) {
        const wchar_t c = line[i];
        if (c == L'\\') {
            size_t count = 0;
            while (i < line.size() && line[i] == L'\\') {
                ++count;
                ++i;
            }
            const bool beforeMark = i < line.size() && line[i] == L'"';
            current.append(beforeMark ? count / 2 : count, L'\\');
            if (beforeMark && count % 2 == 1) {
                current += L'"';
                ++i;
            }
            inArgument = true;
            continue;
        }
        if (c == L'"') {
            quoted = !quoted;
            inArgument = true;
        } else if ((c == L' ' || c == L'\t') && !quoted) {
            if (inArgument) {
                split.arguments.push_back(current);
            }
            current.clear();
            inArgument = false;
        } else {
            split.bareSeparator = split.bareSeparator || (!quoted && (c == L',' || c == L';'));
            current += c;
            inArgument = true;
        }
        ++i;
    }
    if (inArgument) {
        split.arguments.push_back(current);
    }
    return split;
}

// Each byte as one code unit: an address is ASCII.
std::wstring ByteWise(std::string_view text) {
    return std::wstring(text.begin(), text.end());
}

void FuzzScanner(std::string_view memo, size_t step) {
    UrlMemoScanner whole;
    whole.Feed(memo);
    whole.Finish();
    UrlMemoScanner pieces;
    for (size_t at = 0; at < memo.size(); at += step) {
        pieces.Feed(memo.substr(at, step));
    }
    pieces.Finish();
    Require(whole.Candidate() == pieces.Candidate());
    if (!whole.Candidate()) {
        return;
    }
    const std::string& candidate = *whole.Candidate();
    Require(!candidate.empty() && candidate.size() <= kMemoPieceBytes);
    Require(candidate.find('\n') == std::string::npos);
    if (const auto address = WebAddressFrom(candidate)) {
        Require(candidate.find(*address) != std::string::npos);
        Require(!HoldsArgumentBreak(*address));
        const std::wstring wide = ByteWise(*address);
        const SplitLine split = Split(UrlCommandLine(L"explorer", wide));
        Require(split.arguments == std::vector<std::wstring>{L"explorer", wide});
        Require(!split.bareSeparator);
    }
}

// The input's bytes taken in pairs as UTF-16 code units, lone surrogates included.
void FuzzDirectory(std::string_view bytes) {
    std::wstring dir;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        dir += static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]) | static_cast<unsigned char>(bytes[i + 1]) << 8);
    }
    const auto line = DirectoryWindowCommandLine(L"explorer", dir);
    if (!line) {
        Require(dir.find(L'"') != std::wstring::npos);
        return;
    }
    const std::wstring_view argument = std::wstring_view(*line).substr(sizeof "explorer " - 1);
    Require(!Split(argument).bareSeparator);
    if (argument.find_first_of(L" \t,;") == std::wstring_view::npos) {
        Require(argument == dir);
        return;
    }
    // Quoted: one pair of marks around the whole, and no backslash before the closing one.
    Require(argument.size() >= 2 && argument.front() == L'"' && argument.back() == L'"');
    const std::wstring_view inside = argument.substr(1, argument.size() - 2);
    Require(inside.find(L'"') == std::wstring_view::npos);
    Require(inside.empty() || inside.back() != L'\\');
    Require(dir.substr(0, inside.size()) == inside);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    // The first byte chooses how the rest is cut into reads.
    const size_t step = size > 0 ? data[0] % 16 + 1 : 1;
    FuzzScanner(input.substr(size > 0 ? 1 : 0), step);
    FuzzDirectory(input);
    return 0;
}
