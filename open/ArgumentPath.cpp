#include "open/ArgumentPath.h"

#include <vector>

namespace {

bool IsLetter(wchar_t c) {
    return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z');
}

wchar_t UpperLetter(wchar_t c) {
    return c >= L'a' && c <= L'z' ? static_cast<wchar_t>(c - L'a' + L'A') : c;
}

bool HasDrive(std::wstring_view path) {
    return path.size() >= 2 && IsLetter(path[0]) && path[1] == L':';
}

bool IsUnc(std::wstring_view path) {
    return path.size() >= 2 && path[0] == L'\\' && path[1] == L'\\';
}

// The length of the root of a full path: "C:\" or "\\server\share\" (as far as present).
size_t RootLength(std::wstring_view path) {
    if (HasDrive(path)) {
        return path.size() > 2 && path[2] == L'\\' ? 3 : 2;
    }
    if (!IsUnc(path)) {
        return path.empty() || path[0] != L'\\' ? 0 : 1;
    }
    size_t at = 2;
    for (int component = 0; component < 2 && at < path.size(); ++component) {
        const size_t slash = path.find(L'\\', at);
        at = slash == std::wstring_view::npos ? path.size() : slash + 1;
    }
    return at;
}

// The root followed by the components of `rest`, with "." and ".." taken out.
std::wstring Join(std::wstring root, std::wstring_view rest) {
    if (root.empty() || root.back() != L'\\') {
        root += L'\\';
    }
    std::vector<std::wstring_view> components;
    size_t at = 0;
    while (at <= rest.size()) {
        const size_t slash = rest.find(L'\\', at);
        const size_t end = slash == std::wstring_view::npos ? rest.size() : slash;
        const std::wstring_view component = rest.substr(at, end - at);
        if (component == L"..") {
            if (!components.empty()) {
                components.pop_back();
            }
        } else if (!component.empty() && component != L".") {
            components.push_back(component);
        }
        at = end + 1;
    }
    std::wstring path = root;
    for (size_t i = 0; i < components.size(); ++i) {
        if (i > 0) {
            path += L'\\';
        }
        path += components[i];
    }
    return path;
}

// The same for a path from the root: its root as it stands, then the rest resolved.
std::wstring Resolve(std::wstring_view full) {
    const size_t root = RootLength(full);
    return Join(std::wstring(full.substr(0, root)), full.substr(root));
}

}  // namespace

std::wstring FullPathOfArgument(std::wstring_view currentDir, std::wstring_view argument) {
    std::wstring path(argument);
    for (wchar_t& c : path) {
        if (c == L'/') {
            c = L'\\';
        }
    }
    if (path.empty() || path.starts_with(L"\\\\?\\") || path.starts_with(L"\\\\.\\")) {
        return std::wstring(argument);
    }
    if (IsUnc(path) || (HasDrive(path) && path.size() > 2 && path[2] == L'\\')) {
        return Resolve(path);
    }
    const std::wstring base(currentDir);
    if (HasDrive(path)) {
        const bool sameDrive = HasDrive(base) && UpperLetter(base[0]) == UpperLetter(path[0]);
        const std::wstring driveBase = sameDrive ? base : path.substr(0, 2) + L'\\';
        return Resolve(driveBase + L'\\' + path.substr(2));
    }
    if (base.empty()) {
        return std::wstring(argument);
    }
    if (path[0] == L'\\') {
        const size_t root = RootLength(base);
        return Join(base.substr(0, root), path);
    }
    return Resolve(base + L'\\' + path);
}
