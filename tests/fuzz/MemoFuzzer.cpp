// Fuzzes the reading of a URL memo file and what may reach a command line from it: the
// scanner must give the same candidate however the file is cut into reads, a candidate
// is one piece of one line, and an address taken from it can never carry a second
// argument. The same bytes as a directory must stay one argument of the file manager.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "portable/PathUtil.h"
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
        Require(UrlCommandLine("explorer", *address) == "explorer " + *address);
    }
}

void FuzzDirectory(std::string_view dir) {
    const auto line = DirectoryWindowCommandLine("explorer", dir);
    if (!line) {
        Require(dir.find('"') != std::string_view::npos);
        return;
    }
    const std::string_view argument = std::string_view(*line).substr(sizeof "explorer " - 1);
    if (argument.find_first_of(" \t") == std::string_view::npos) {
        Require(argument == dir);
        return;
    }
    // Quoted: one pair of marks around the whole, and no backslash before the closing one
    // unless it is the trail byte of a double-byte character.
    Require(argument.size() >= 2 && argument.front() == '"' && argument.back() == '"');
    const std::string_view inside = argument.substr(1, argument.size() - 2);
    Require(inside.find('"') == std::string_view::npos);
    Require(inside.empty() || FindLastChar(inside, '\\') != inside.size() - 1 ||
            RemoveTrailingBackslash(inside) == inside);
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
