#include "tools/ProgramCommandLine.h"

#include "portable/PathUtil.h"

namespace {

// The extension of a name, in upper case, when it has three letters ("EXE"); else empty.
std::wstring ShortExtension(std::wstring_view name) {
    if (name.size() < 4 || name[name.size() - 4] != L'.') {
        return {};
    }
    return UpperCaseAscii(name.substr(name.size() - 3));
}

bool IsBatchExtension(const std::wstring& ext) {
    return ext == L"BAT" || ext == L"CMD";
}

// Whether a name ends in an extension the system starts as a program.
bool EndsAsProgram(std::wstring_view name) {
    const std::wstring ext = ShortExtension(name);
    return ext == L"EXE" || ext == L"COM" || IsBatchExtension(ext);
}

// The program's path in a setting, without quotation marks: the quoted part of a quoted
// setting, else up to the first name ending as a program that a blank, a tab or the end
// follows, else all of it.
std::wstring_view ProgramPathOf(std::wstring_view program) {
    const size_t start = program.find_first_not_of(L" \t");
    if (start == std::wstring_view::npos) {
        return {};
    }
    if (program[start] == L'"') {
        const size_t close = program.find(L'"', start + 1);
        return program.substr(start + 1, close == std::wstring_view::npos ? close : close - start - 1);
    }
    for (size_t end = program.find_first_of(L" \t", start);; end = program.find_first_of(L" \t", end + 1)) {
        const std::wstring_view path = program.substr(start, end == std::wstring_view::npos ? end : end - start);
        if (EndsAsProgram(path) || end == std::wstring_view::npos) {
            return path;
        }
    }
}

// Where a started program may split an argument: every program at a blank or a tab, the
// system's file manager also at a comma or a semicolon ("D:\pics\a,b" is two arguments
// to it).
bool SplitsArgument(std::wstring_view argument) {
    return argument.find_first_of(L" \t,;") != std::wstring_view::npos;
}

}  // namespace

std::wstring ProgramOnCommandLine(std::wstring_view program) {
    const size_t start = program.find_first_not_of(L" \t");
    if (start == std::wstring_view::npos || program[start] == L'"') {
        return std::wstring(program);
    }
    const std::wstring_view path = ProgramPathOf(program);
    if (!EndsAsProgram(path) || path.find(L' ') == std::wstring_view::npos ||
        path.find(L'"') != std::wstring_view::npos) {
        return std::wstring(program);
    }
    return L'"' + std::wstring(path) + L'"' + std::wstring(program.substr(start + path.size()));
}

std::optional<std::wstring> DirectoryWindowCommandLine(std::wstring_view program, std::wstring_view dir) {
    if (dir.find(L'"') != std::wstring_view::npos) {
        return std::nullopt;
    }
    std::wstring line = ProgramOnCommandLine(program);
    line += L' ';
    if (!SplitsArgument(dir)) {
        line += dir;
        return line;
    }
    // No backslash before the closing mark: it would escape the mark.
    const size_t last = dir.find_last_not_of(L'\\');
    const std::wstring_view quoted = last == std::wstring_view::npos ? std::wstring_view() : dir.substr(0, last + 1);
    line += L'"';
    line += quoted;
    line += L'"';
    return line;
}

std::wstring UrlCommandLine(std::wstring_view program, std::wstring_view address) {
    std::wstring line = ProgramOnCommandLine(program);
    line += L' ';
    if (!SplitsArgument(address)) {
        line += address;
        return line;
    }
    // Backslashes before the closing mark are doubled, so that they stay in the address
    // and the mark ends the argument.
    const size_t last = address.find_last_not_of(L'\\');
    const size_t backslashes = last == std::wstring_view::npos ? address.size() : address.size() - last - 1;
    line += L'"';
    line += address;
    line.append(backslashes, L'\\');
    line += L'"';
    return line;
}

bool ProgramTakesArgument(std::wstring_view program, std::wstring_view argument) {
    return !IsBatchExtension(ShortExtension(ProgramPathOf(program))) ||
           argument.find_first_of(L"&|<>^%\"") == std::wstring_view::npos;
}
