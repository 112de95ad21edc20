#include "portable/CommandLine.h"

namespace {

bool IsBlank(wchar_t c) {
    return c == L' ' || c == L'\t';
}

// Where the program's name ends: after its closing quotation mark when it is quoted (or at
// the end of the line when the mark is missing), else at the first blank.
size_t AfterProgramName(std::wstring_view line) {
    if (!line.empty() && line.front() == L'"') {
        const size_t close = line.find(L'"', 1);
        return close == std::wstring_view::npos ? line.size() : close + 1;
    }
    size_t end = 0;
    while (end < line.size() && !IsBlank(line[end])) {
        ++end;
    }
    return end;
}

}  // namespace

std::vector<std::wstring> CommandLineArguments(std::wstring_view commandLine) {
    std::vector<std::wstring> arguments;
    size_t at = AfterProgramName(commandLine);
    for (;;) {
        while (at < commandLine.size() && IsBlank(commandLine[at])) {
            ++at;
        }
        if (at == commandLine.size()) {
            return arguments;
        }
        std::wstring argument;
        bool quoted = false;
        for (; at < commandLine.size(); ++at) {
            const wchar_t c = commandLine[at];
            if (c == L'"') {
                quoted = !quoted;
            } else if (!quoted && IsBlank(c)) {
                break;
            } else {
                argument += c;
            }
        }
        arguments.push_back(std::move(argument));
    }
}
