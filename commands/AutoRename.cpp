#include "commands/AutoRename.h"

#include <cstdio>

#include "portable/PathUtil.h"

std::string RenamedFileName(std::string_view name, int i) {
    const std::string ext = GetExtensionUpper(name);
    // GetExtensionUpper finds the last dot; without one the whole name is the base.
    const size_t cut = ext.size() + 1;
    const bool hasDot = name.size() >= cut && name[name.size() - cut] == '.';
    const std::string base(hasDot ? name.substr(0, name.size() - cut) : name);
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, "_%04d.", i % kRenameCandidates);
    return base + suffix + ext;
}

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
