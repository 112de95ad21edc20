#include "commands/AutoRename.h"

#include <cstdio>

#include "portable/PathUtil.h"

std::wstring RenamedFileName(std::wstring_view name, int i) {
    const size_t dot = name.rfind(L'.');
    const std::wstring_view base = dot == std::wstring_view::npos ? name : name.substr(0, dot);
    const std::wstring ext = GetExtensionUpper(name);
    const int n = i % kRenameCandidates;
    std::wstring suffix = L"_0000.";
    for (size_t at = 4, rest = static_cast<size_t>(n); at > 0; --at, rest /= 10) {
        suffix[at] = static_cast<wchar_t>(L'0' + rest % 10);
    }
    return std::wstring(base) + suffix + ext;
}
